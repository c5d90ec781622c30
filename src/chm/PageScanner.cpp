#include "PageScanner.h"

#include "HtmlTokenizer.h"
#include "TextUtil.h"

namespace chm {

namespace {

// The attribute of a tag that names a file the page needs or opens.
std::string_view linkAttribute(std::string_view tag)
{
    static constexpr std::pair<std::string_view, std::string_view> kLinks[] = {
        {"a", "href"},        {"link", "href"},       {"area", "href"},        {"img", "src"},
        {"script", "src"},    {"frame", "src"},       {"iframe", "src"},       {"embed", "src"},
        {"input", "src"},     {"body", "background"}, {"table", "background"}, {"td", "background"},
        {"th", "background"}, {"object", "data"},     {"source", "src"},       {"audio", "src"},
        {"video", "src"}};
    for (const auto& [name, attribute] : kLinks) {
        if (TextUtil::equalsIgnoreCase(tag, name))
            return attribute;
    }
    return {};
}

std::string collapsedTitle(std::string_view text)
{
    std::string title = HtmlTokenizer::decodeEntities(text);
    std::string result;
    result.reserve(title.size());
    bool blank = false;
    for (char c : title) {
        if (TextUtil::isSpace(c)) {
            blank = !result.empty();
            continue;
        }
        if (blank)
            result += ' ';
        blank = false;
        result += c;
    }
    return result;
}

} // namespace

PageScanner::Page PageScanner::scan(std::string_view html)
{
    Page page;
    HtmlTokenizer tokenizer(html);
    HtmlTokenizer::Tag tag;
    while (tokenizer.next(tag)) {
        if (tag.closing)
            continue;
        if (!page.hasTitle && TextUtil::equalsIgnoreCase(tag.name, "title")) {
            page.title = collapsedTitle(tokenizer.textUntilEndTag("title"));
            page.hasTitle = true;
            continue;
        }
        const std::string_view attributeName = linkAttribute(tag.name);
        if (attributeName.empty())
            continue;
        if (const HtmlTokenizer::Attribute* attribute = tag.find(attributeName)) {
            const std::string_view value = TextUtil::trimmed(attribute->value);
            if (!value.empty())
                page.links.push_back(HtmlTokenizer::decodeEntities(value));
        }
    }
    return page;
}

} // namespace chm
