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

// A tag name of up to eight bytes as one number (names are compared by the thousand).
constexpr std::uint64_t packed(std::string_view name)
{
    if (name.size() > 8)
        return 0;
    std::uint64_t value = 0;
    for (const char c : name)
        value = value << 8 | static_cast<unsigned char>(c);
    return value;
}

// Tags that format text within a line: a word may run through them ("<b>Стро</b>ка").
constexpr auto kInlineTags = [] {
    std::array<std::uint64_t, 33> tags = {
        packed("a"),      packed("abbr"), packed("acronym"), packed("b"),    packed("bdi"),
        packed("bdo"),    packed("big"),  packed("cite"),    packed("code"), packed("data"),
        packed("del"),    packed("dfn"),  packed("em"),      packed("font"), packed("i"),
        packed("ins"),    packed("kbd"),  packed("mark"),    packed("nobr"), packed("q"),
        packed("s"),      packed("samp"), packed("small"),   packed("span"), packed("strike"),
        packed("strong"), packed("sub"),  packed("sup"),     packed("time"), packed("tt"),
        packed("u"),      packed("var"),  packed("wbr")};
    std::sort(tags.begin(), tags.end());
    return tags;
}();

bool isInlineTag(std::uint64_t name)
{
    return name != 0 && std::binary_search(kInlineTags.begin(), kInlineTags.end(), name);
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
    // Pages are full of these few; they spare a search of the table.
    static const std::array<const text::NamedReference*, 4> common = [] {
        std::array<const text::NamedReference*, 4> found{};
        const std::string_view names[] = {"nbsp", "lt", "gt", "amp"};
        for (std::size_t i = 0; i < found.size(); ++i) {
            for (const text::NamedReference& r : text::kNamedReferences) {
                if (r.name == names[i])
                    found[i] = &r;
            }
        }
        return found;
    }();
    for (const text::NamedReference* r : common) {
        if (r->name == name)
            return r;
    }
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
        case CodePageCharacters::kDigit:
            if (m_pending != 0) {
                letter(m_characters.lower(b), m_characters.kind(b) == CodePageCharacters::kDigit);
                ++p;
                break;
            }
            p = letters(p, end);
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
    const std::uint64_t key = packed(tag);
    q = skipAttributes(q, end);
    if (!isInlineTag(key))
        endWord();
    if (key == packed("title"))
        setInTitle(!closing);
    else if (!closing && (key == packed("script") || key == packed("style")))
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

// A run of letters and digits: the bulk of a page's text, so without the joiners' checks.
HtmlWordExtractor::Iterator HtmlWordExtractor::letters(Iterator p, Iterator end)
{
    if (m_wordLength == 0)
        m_wordStart = m_text.size();
    bool digit = false;
    for (; p < end; ++p) {
        const unsigned char b = static_cast<unsigned char>(*p);
        const CodePageCharacters::Kind kind = m_characters.kind(b);
        if (kind != CodePageCharacters::kLetter && kind != CodePageCharacters::kDigit)
            break;
        digit = kind == CodePageCharacters::kDigit;
        if (m_wordLength <= kMaxWordLength)
            m_text.push_back(static_cast<char>(m_characters.lower(b)));
        ++m_wordLength;
    }
    m_lastWasDigit = digit;
    return p;
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
