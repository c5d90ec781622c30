#include "HtmlWordExtractor.h"

#include "TextTables.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace chm {

namespace {

using Iterator = const char*;

constexpr bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool isAsciiAlnum(char c)
{
    return isAsciiAlpha(c) || (c >= '0' && c <= '9');
}

constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

int digitValue(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Tags that format text within a line: a word may run through them ("<b>Стро</b>ка").
constexpr std::array<std::string_view, 33> kInlineTags = {
    "a",     "abbr", "acronym", "b",      "bdi", "bdo", "big",  "cite", "code", "data", "del",
    "dfn",   "em",   "font",    "i",      "ins", "kbd", "mark", "nobr", "q",    "s",    "samp",
    "small", "span", "strike",  "strong", "sub", "sup", "time", "tt",   "u",    "var",  "wbr"};

bool isInlineTag(std::string_view name)
{
    return std::binary_search(kInlineTags.begin(), kInlineTags.end(), name);
}

Iterator skipPast(Iterator p, Iterator end, char c)
{
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found ? static_cast<Iterator>(found) + 1 : end;
}

// The rest of a tag after its name, up to and past its ">". A ">" inside a quoted attribute
// value does not end it.
Iterator skipAttributes(Iterator p, Iterator end)
{
    while (p < end) {
        const char c = *p;
        if (c == '>')
            return p + 1;
        ++p;
        if (c != '=')
            continue;
        while (p < end && isSpace(*p))
            ++p;
        if (p < end && (*p == '"' || *p == '\''))
            p = skipPast(p + 1, end, *p);
    }
    return end;
}

bool startsWithIgnoringCase(Iterator p, Iterator end, std::string_view lowerText)
{
    if (static_cast<std::size_t>(end - p) < lowerText.size())
        return false;
    for (std::size_t i = 0; i < lowerText.size(); ++i) {
        if (asciiLower(p[i]) != lowerText[i])
            return false;
    }
    return true;
}

// Whether an end tag "</name" starts at p.
bool isEndTag(Iterator p, Iterator end, std::string_view name)
{
    if (end - p < 2 || p[0] != '<' || p[1] != '/' || !startsWithIgnoringCase(p + 2, end, name))
        return false;
    const Iterator after = p + 2 + name.size();
    return after == end || isSpace(*after) || *after == '/' || *after == '>';
}

// Past the end tag of a <script> or <style>, whose content is no text.
Iterator skipRawText(Iterator p, Iterator end, std::string_view name)
{
    while (p < end) {
        const void* found = std::memchr(p, '<', static_cast<std::size_t>(end - p));
        if (!found)
            return end;
        const Iterator lt = static_cast<Iterator>(found);
        if (isEndTag(lt, end, name))
            return skipAttributes(lt + 2 + name.size(), end);
        p = lt + 1;
    }
    return end;
}

const text::NamedReference* findReference(std::string_view name)
{
    const auto& references = text::kNamedReferences;
    const auto found = std::lower_bound(
        references.begin(), references.end(), name,
        [](const text::NamedReference& r, std::string_view n) { return r.name < n; });
    if (found == references.end() || found->name != name)
        return nullptr;
    return &*found;
}

constexpr char32_t kReplacementCharacter = 0xFFFD;

} // namespace

HtmlWordExtractor::HtmlWordExtractor(const CodePageCharacters& characters)
    : m_characters(characters)
{}

void HtmlWordExtractor::extract(std::string_view html)
{
    m_words.clear();
    m_text.clear();
    m_wordLength = 0;
    m_pending = 0;
    m_lastWasDigit = false;
    m_inTitle = false;
    // Word offsets are 32-bit; no page comes near that.
    constexpr std::size_t kLongestPage = std::numeric_limits<std::uint32_t>::max() - 256;
    if (html.size() > kLongestPage)
        html = html.substr(0, kLongestPage);

    Iterator p = html.data();
    const Iterator end = p + html.size();
    while (p < end) {
        const unsigned char b = static_cast<unsigned char>(*p);
        switch (m_characters.kind(b)) {
        case CodePageCharacters::kLetter:
            letter(m_characters.lower(b), false);
            ++p;
            break;
        case CodePageCharacters::kDigit:
            letter(b, true);
            ++p;
            break;
        case CodePageCharacters::kMarkup:
            p = m_inTitle ? titleMarkup(p, end) : markup(p, end);
            break;
        case CodePageCharacters::kReference:
            p = reference(p, end);
            break;
        case CodePageCharacters::kLeadByte:
            if (end - p >= 2) {
                letter(b, false);
                letter(static_cast<unsigned char>(p[1]), false);
                p += 2;
            } else {
                endWord();
                ++p;
            }
            break;
        default:
            byte(b);
            ++p;
            break;
        }
    }
    endWord();
    m_inTitle = false;
}

HtmlWordExtractor::Iterator HtmlWordExtractor::markup(Iterator p, Iterator end)
{
    Iterator q = p + 1;
    if (q == end) {
        endWord();
        return end;
    }
    if (*q == '!') {
        // A comment ends at the first "-->", also in "<!-->"; a <!DOCTYPE> at its ">".
        if (end - q >= 3 && q[1] == '-' && q[2] == '-') {
            const std::string_view rest(q + 1, static_cast<std::size_t>(end - q - 1));
            const std::size_t close = rest.find("-->");
            return close == std::string_view::npos ? end : q + 1 + close + 3;
        }
        return skipPast(q, end, '>');
    }
    if (*q == '?')
        return skipPast(q, end, '>');
    const bool closing = *q == '/';
    if (closing) {
        ++q;
        if (q == end || !isAsciiAlpha(*q)) // "</>" and "</ ...>" are no tags
            return skipPast(q, end, '>');
    } else if (!isAsciiAlpha(*q)) {
        endWord(); // a "<" standing for itself
        return p + 1;
    }

    char name[16];
    std::size_t length = 0;
    bool tooLong = false;
    while (q < end && !isSpace(*q) && *q != '/' && *q != '>') {
        if (length < sizeof name)
            name[length++] = asciiLower(*q);
        else
            tooLong = true;
        ++q;
    }
    const std::string_view tag = tooLong ? std::string_view() : std::string_view(name, length);
    q = skipAttributes(q, end);
    if (!isInlineTag(tag))
        endWord();
    if (tag == "title")
        setInTitle(!closing);
    else if (!closing && (tag == "script" || tag == "style"))
        q = skipRawText(q, end, tag);
    return q;
}

// In <title> only its end tag is markup.
HtmlWordExtractor::Iterator HtmlWordExtractor::titleMarkup(Iterator p, Iterator end)
{
    if (!isEndTag(p, end, "title")) {
        endWord();
        return p + 1;
    }
    setInTitle(false);
    return skipAttributes(p + 2 + 5, end);
}

HtmlWordExtractor::Iterator HtmlWordExtractor::reference(Iterator p, Iterator end)
{
    Iterator q = p + 1;
    if (q < end && *q == '#') {
        ++q;
        const bool hex = q < end && (*q == 'x' || *q == 'X');
        if (hex)
            ++q;
        char32_t value = 0;
        bool any = false;
        for (int digit; q < end && (digit = digitValue(*q, hex)) >= 0; ++q) {
            any = true;
            if (value <= 0x10FFFF) // past it the value only has to stay invalid
                value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        }
        if (!any) {
            endWord();
            return p + 1;
        }
        if (q < end && *q == ';')
            ++q;
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            value = kReplacementCharacter;
        character(CodePageCharacters::windows1252(value));
        return q;
    }

    constexpr std::ptrdiff_t kLongestName = 32;
    Iterator nameEnd = q;
    while (nameEnd < end && nameEnd - q < kLongestName && isAsciiAlnum(*nameEnd))
        ++nameEnd;
    const std::string_view name(q, static_cast<std::size_t>(nameEnd - q));
    const bool semicolon = nameEnd < end && *nameEnd == ';';
    if (const text::NamedReference* found = name.empty() ? nullptr : findReference(name);
        found && (semicolon || found->legacy)) {
        character(found->codePoint);
        return semicolon ? nameEnd + 1 : nameEnd;
    }
    // Without its ";" a legacy reference may run into the text after it ("&nbspx").
    for (std::size_t length = name.size(); length-- > 2;) {
        const text::NamedReference* found = findReference(name.substr(0, length));
        if (found && found->legacy) {
            character(found->codePoint);
            return q + length;
        }
    }
    endWord(); // an "&" standing for itself
    return p + 1;
}

// A character a reference stands for: "&lt;" is text, never markup.
void HtmlWordExtractor::character(char32_t codePoint)
{
    const std::optional<unsigned char> b = m_characters.byteOf(codePoint);
    if (!b) {
        endWord();
        return;
    }
    switch (m_characters.kind(*b)) {
    case CodePageCharacters::kLetter:
        letter(m_characters.lower(*b), false);
        break;
    case CodePageCharacters::kDigit:
        letter(*b, true);
        break;
    default:
        byte(*b);
        break;
    }
}

// A byte that is neither a letter nor a digit.
void HtmlWordExtractor::byte(unsigned char b)
{
    switch (m_characters.kind(b)) {
    case CodePageCharacters::kApostrophe:
        apostrophe();
        break;
    case CodePageCharacters::kDot:
        dot();
        break;
    case CodePageCharacters::kIgnored:
        break;
    default:
        endWord();
        break;
    }
}

void HtmlWordExtractor::letter(unsigned char lowerByte, bool digit)
{
    if (m_pending != 0) {
        const char joiner = m_pending;
        m_pending = 0;
        if (joiner == '.' && !digit)
            endWord();
        else
            append(joiner);
    }
    append(static_cast<char>(lowerByte));
    m_lastWasDigit = digit;
}

void HtmlWordExtractor::append(char c)
{
    if (m_wordLength == 0)
        m_wordStart = m_text.size();
    if (m_wordLength <= kMaxWordLength)
        m_text.push_back(c);
    ++m_wordLength;
}

void HtmlWordExtractor::apostrophe()
{
    if (m_wordLength > 0 && m_pending == 0)
        m_pending = '\'';
    else
        endWord();
}

void HtmlWordExtractor::dot()
{
    if (m_wordLength > 0 && m_pending == 0 && m_lastWasDigit)
        m_pending = '.';
    else
        endWord();
}

void HtmlWordExtractor::endWord()
{
    if (m_wordLength > 0) {
        if (m_wordLength <= kMaxWordLength)
            m_words.push_back({static_cast<std::uint32_t>(m_wordStart),
                               static_cast<std::uint8_t>(m_wordLength), m_inTitle});
        else
            m_text.resize(m_wordStart);
        m_wordLength = 0;
    }
    m_pending = 0;
    m_lastWasDigit = false;
}

void HtmlWordExtractor::setInTitle(bool inTitle)
{
    endWord();
    m_inTitle = inTitle;
}

} // namespace chm
