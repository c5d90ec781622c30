#include "SitemapReader.h"

#include "HtmlTokenizer.h"
#include "TextUtil.h"

namespace chm {

SitemapReader::Sitemap SitemapReader::read(std::string_view text)
{
    Sitemap sitemap;
    HtmlTokenizer tokenizer(text);
    HtmlTokenizer::Tag tag;
    bool inSitemapObject = false;
    while (tokenizer.next(tag)) {
        if (TextUtil::equalsIgnoreCase(tag.name, "object")) {
            if (tag.closing) {
                inSitemapObject = false;
                continue;
            }
            const HtmlTokenizer::Attribute* type = tag.find("type");
            inSitemapObject =
                type != nullptr && TextUtil::equalsIgnoreCase(type->value, "text/sitemap");
            if (inSitemapObject)
                ++sitemap.entries;
            continue;
        }
        if (!inSitemapObject || tag.closing || !TextUtil::equalsIgnoreCase(tag.name, "param"))
            continue;
        const HtmlTokenizer::Attribute* name = tag.find("name");
        const HtmlTokenizer::Attribute* value = tag.find("value");
        if (name != nullptr && value != nullptr &&
            TextUtil::equalsIgnoreCase(TextUtil::trimmed(name->value), "local")) {
            std::string local = HtmlTokenizer::decodeEntities(TextUtil::trimmed(value->value));
            if (!local.empty())
                sitemap.locals.push_back(std::move(local));
        }
    }
    return sitemap;
}

} // namespace chm
