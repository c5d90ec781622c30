#include "TopicPageWriter.h"

#include "Ascii.h"
#include "Cp1251.h"
#include "OutputFile.h"
#include "TreeRecord.h"

#include <array>
#include <vector>

namespace {

bool isHeadingEnd(char c)
{
    return c == ':' || c == '!' || c == '\r' || c == '\n';
}

// The characters a field's preparation replaces or looks at, as a table: fields are the bulk
// of the pages, and one look-up per byte beats six comparisons.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> special{};
    for (const unsigned char c : {'<', '>', '\t', '\r', '"', '\''})
        special[c] = true;
    return special;
}();

constexpr bool isSpecial(char c)
{
    return kSpecial[static_cast<unsigned char>(c)];
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(from, start)) != std::string_view::npos;) {
        result.append(text.substr(start, found - start));
        result.append(to);
        start = found + from.size();
    }
    result.append(text.substr(start));
    return result;
}

// The fixed texts in the page's code page.
struct PageTexts
{
    std::string syntaxHeading = Cp1251::FromUtf8("<u>Синтаксис:</u><br>\r\n");
    std::string purposeHeading = Cp1251::FromUtf8("<u>Назначение:</u><br>\r\n");
    std::string parametersHeading = Cp1251::FromUtf8("<u>Параметры:</u><br>\r\n");
    std::string spellingRow =
        Cp1251::FromUtf8("<tr>\r\n<td class='tdheader'><strong>Написание:</strong></td>\r\n"
                         "<td class='tddescription'>");
    std::string englishSpellingRow = Cp1251::FromUtf8(
        "<tr>\r\n<td class='tdheader' ><strong>Ангоязычное написание:</strong></td>\r\n"
        "<td class='tddescription'>");
    std::string syntaxRow =
        Cp1251::FromUtf8("<tr>\r\n<td class='tdheader' ><strong>Синтаксис:</strong></td>\r\n"
                         "<td class='tddescription'>");
    std::string purposeRow =
        Cp1251::FromUtf8("<tr>\r\n<td class='tdheader' ><strong>Назначение:</strong></td>\r\n"
                         "<td class='tddescription'>");
    std::string parametersRow =
        Cp1251::FromUtf8("<tr>\r\n<td class='tdheader'><strong>Параметры:</strong></td>\r\n"
                         "<td class='tddescription'>");
};

const PageTexts& pageTexts()
{
    static const PageTexts texts;
    return texts;
}

constexpr std::string_view kRowEnd = "</td>\r\n</tr>\r\n";

// The preparation of one field (trimmed, special characters replaced), appended to `result`;
// `keepLineBreaks` leaves CR LF pairs (the notes). The replacements are made in one
// left-to-right pass: they touch disjoint characters and insert none that a later one replaces,
// so this equals applying them one after another.
void AppendPrepared(std::string& result, std::string_view text, bool keepLineBreaks)
{
    text = Ascii::Trimmed(text);
    result.reserve(result.size() + text.size() + text.size() / 8 + 8);
    const std::size_t n = text.size();
    for (std::size_t k = 0; k < n;) {
        // Ordinary characters are copied in runs. A plain loop: find_first_of searches the set
        // with a library call per byte, the bulk of the generation's own time.
        std::size_t runEnd = k;
        while (runEnd < n && !isSpecial(text[runEnd]))
            ++runEnd;
        result.append(text.data() + k, runEnd - k);
        if (runEnd == n)
            break;
        k = runEnd;
        const char c = text[k];
        const char next = k + 1 < n ? text[k + 1] : '\0';
        ++k;
        switch (c) {
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '\t':
            result += "&nbsp;&nbsp;&nbsp;&nbsp;";
            break;
        case '\r':
            if (next == '\n' && !keepLineBreaks) {
                result += "<br>";
                ++k;
            } else {
                result += c;
            }
            break;
        default: // a double quote or an apostrophe; a pair of either becomes one double quote
            if (c == next) {
                result += '"';
                ++k;
            } else {
                result += c;
            }
            break;
        }
    }
}

std::string PrepareField(std::string_view text, bool keepLineBreaks)
{
    std::string result;
    AppendPrepared(result, text, keepLineBreaks);
    return result;
}

// Underlines the "@" headings of prepared notes (page layout of the syntax helper).
//
// Underlining one heading per pass, each pass starting again at the first "@", is quadratic.
// Text before an "@" never changes in later passes and the inserted tags hold no "@" and no
// heading end, so every "@" keeps the heading end it has in the original text: one pass over
// it, closing each heading after its end (at the very end when it has none), gives the same.
std::string UnderlineNoteHeadings(std::string_view notes)
{
    const std::size_t n = notes.size();
    // closers[k]: headings closed after character k; closers[n]: at the end.
    std::vector<unsigned> closers(n + 1, 0);
    std::size_t nextEnd = n;
    for (std::size_t k = n; k-- > 0;) {
        if (notes[k] == '@')
            ++closers[nextEnd];
        if (isHeadingEnd(notes[k]))
            nextEnd = k;
    }
    std::string result;
    result.reserve(n + 16);
    for (std::size_t k = 0; k < n; ++k) {
        if (notes[k] == '@')
            result += "<u>";
        else
            result += notes[k];
        for (unsigned c = 0; c < closers[k]; ++c)
            result += "</u>";
    }
    for (unsigned c = 0; c < closers[n]; ++c)
        result += "</u>";
    return result;
}

// The table rows of the "@" sections of prepared notes.
std::string NoteRows(std::string_view notes)
{
    std::string result;
    std::size_t start = notes.find('@');
    const std::size_t n = notes.size();
    while (start != std::string_view::npos && start < n) {
        const std::size_t a = notes.find('@', start);
        if (a == std::string_view::npos)
            break;
        std::size_t p = a + 1;
        std::size_t h = std::string_view::npos;
        for (; p < n && notes[p] != '@'; ++p) {
            if (h == std::string_view::npos && isHeadingEnd(notes[p]))
                h = notes[p] == '\r' ? p - 1 : p;
        }
        if (h == std::string_view::npos)
            h = n - 1;
        std::string_view heading = notes.substr(a + 1, h - a);
        std::string_view body = h + 1 < p ? notes.substr(h + 1, p - h - 1) : std::string_view();
        while (!body.empty() && body.front() == ' ')
            body.remove_prefix(1);
        while (body.starts_with("\r\n"))
            body.remove_prefix(2);
        result += "<tr>\r\n<td class='tdheader'><strong>";
        result += replaceAll(heading, "\r\n", "<br>");
        result += "</strong></td>\r\n<td class='tddescription'>";
        result += body.empty() ? std::string("-") : replaceAll(body, "\r\n", "<br>");
        result += kRowEnd;
        // An "@" in the last position starts no further section.
        start = p + 1 < n ? p : std::string_view::npos;
    }
    return result;
}

} // namespace

std::string TopicPageWriter::PageText(const TreeRecord& record, std::string_view title,
                                      HelpStyle style)
{
    std::string page;
    AppendPage(page, record, title, style);
    return page;
}

// Each field is prepared straight into the page: a field is empty after the preparation exactly
// when it is empty after trimming, since no replacement makes text vanish.
void TopicPageWriter::AppendPage(std::string& page, const TreeRecord& record,
                                 std::string_view title, HelpStyle style)
{
    // The name and synonym are prepared too but appear on no page.
    const std::string_view spelling = Ascii::Trimmed(record.spelling);
    const std::string_view englishSpelling = Ascii::Trimmed(record.englishSpelling);
    const std::string_view syntax = Ascii::Trimmed(record.syntax);
    const std::string_view purpose = Ascii::Trimmed(record.purpose);
    const std::string_view parameters = Ascii::Trimmed(record.parameters);
    const std::string_view notes = Ascii::Trimmed(record.notes);
    const PageTexts& texts = pageTexts();

    page.reserve(page.size() + 512 + spelling.size() + englishSpelling.size() + syntax.size() +
                 purpose.size() + parameters.size() + notes.size() * 2);
    page += "<html>\r\n<head>\r\n<title>";
    page += title;
    page += "</title>\r\n<link rel=\"stylesheet\" type=\"text/css\" href=\"default.css\">\r\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
            "<body class = 'text'>\r\n";

    if (style == HelpStyle::SyntaxHelper) {
        if (!spelling.empty() || !englishSpelling.empty()) {
            page += "<div><b>\r\n";
            if (!spelling.empty()) {
                AppendPrepared(page, spelling, false);
                page += "<br>\r\n";
            }
            if (!englishSpelling.empty()) {
                AppendPrepared(page, englishSpelling, false);
                page += "<br>\r\n";
            }
            page += "</b></div><br>\r\n";
        }
        const auto section = [&page](const std::string& heading, std::string_view text) {
            if (text.empty())
                return;
            page += heading;
            page += "<div>";
            AppendPrepared(page, text, false);
            page += "</div>\r\n";
        };
        section(texts.syntaxHeading, syntax);
        section(texts.purposeHeading, purpose);
        section(texts.parametersHeading, parameters);
        if (!notes.empty()) {
            page += "<div>";
            page += replaceAll(UnderlineNoteHeadings(PrepareField(notes, true)), "\r\n", "<br>");
            page += "</div>\r\n";
        }
    } else if (style == HelpStyle::HtmlTable) {
        page += "<table width='100%' border='0' cellpadding='0' cellspacing='0' "
                "class='text'>\r\n";
        const auto row = [&page](const std::string& opening, std::string_view text) {
            if (text.empty())
                return;
            page += opening;
            AppendPrepared(page, text, false);
            page += kRowEnd;
        };
        row(texts.spellingRow, spelling);
        row(texts.englishSpellingRow, englishSpelling);
        row(texts.syntaxRow, syntax);
        row(texts.purposeRow, purpose);
        row(texts.parametersRow, parameters);
        if (!notes.empty())
            page += NoteRows(PrepareField(notes, true));
        page += "</table>\r\n";
    }
    page += "</body>\r\n</html>\r\n";
}

bool TopicPageWriter::WriteTopicPage(const TreeRecord& record, const std::string& pagePath,
                                     std::string_view title, HelpStyle style,
                                     IHelpMessages& messages)
{
    return OutputFile::WriteWhole(pagePath, PageText(record, title, style), messages);
}
