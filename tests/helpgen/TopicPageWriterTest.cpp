#include "TopicPageWriter.h"
#include "HelpTestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::string kHead = "<html>\r\n<head>\r\n<title>T_1</title>\r\n"
                          "<link rel=\"stylesheet\" type=\"text/css\" href=\"default.css\">\r\n"
                          "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                          "charset=windows-1251\">\r\n<body class = 'text'>\r\n";
const std::string kTail = "</body>\r\n</html>\r\n";
const std::string kTable =
    "<table width='100%' border='0' cellpadding='0' cellspacing='0' class='text'>\r\n";

std::string page(const TreeRecord& record, HelpStyle style)
{
    return TopicPageWriter::PageText(record, "T_1", style);
}

std::string noteRow(const std::string& heading, const std::string& body)
{
    return "<tr>\r\n<td class='tdheader'><strong>" + heading +
           "</strong></td>\r\n<td class='tddescription'>" + body + "</td>\r\n</tr>\r\n";
}

// A field as the page shows it once prepared: the purpose's section between its "<div>" and
// "</div>", or "(none)" when the page has no such section.
std::string shownPurpose(const std::string& text)
{
    TreeRecord record;
    record.purpose = text;
    const std::string shown = page(record, HelpStyle::SyntaxHelper);
    const std::string open = kHead + W("<u>Назначение:</u><br>\r\n") + "<div>";
    const std::string close = "</div>\r\n" + kTail;
    if (shown == kHead + kTail)
        return "(none)";
    EXPECT_TRUE(shown.starts_with(open) && shown.ends_with(close)) << shown;
    return shown.substr(open.size(), shown.size() - open.size() - close.size());
}

// The notes as a page in the syntax helper's layout shows them, between "<div>" and "</div>".
std::string shownNotes(const std::string& notes)
{
    TreeRecord record;
    record.notes = notes;
    const std::string shown = page(record, HelpStyle::SyntaxHelper);
    const std::string open = kHead + "<div>";
    const std::string close = "</div>\r\n" + kTail;
    EXPECT_TRUE(shown.starts_with(open) && shown.ends_with(close)) << shown;
    return shown.substr(open.size(), shown.size() - open.size() - close.size());
}

// The rows the notes give in a table page.
std::string noteRows(const std::string& notes)
{
    TreeRecord record;
    record.notes = notes;
    const std::string shown = page(record, HelpStyle::HtmlTable);
    const std::string open = kHead + kTable;
    const std::string close = "</table>\r\n" + kTail;
    EXPECT_TRUE(shown.starts_with(open) && shown.ends_with(close)) << shown;
    return shown.substr(open.size(), shown.size() - open.size() - close.size());
}

} // namespace

TEST(TopicPagePreparation, TrimsWhiteSpaceOfEveryKind)
{
    EXPECT_EQ(shownPurpose(" \t\r\n\v\fa b\f\v\n\r\t "), "a b");
    EXPECT_EQ(shownPurpose(" \r\n "), "(none)");
}

TEST(TopicPagePreparation, EscapesAngleBracketsButNotAmpersand)
{
    EXPECT_EQ(shownPurpose("a<b>c&d"), "a&lt;b&gt;c&d");
}

TEST(TopicPagePreparation, LineBreaksBecomeBrExceptInNotes)
{
    EXPECT_EQ(shownPurpose("a\r\nb\nc\rd"), "a<br>b\nc\rd");
    // The notes keep their line breaks through the preparation, so that a heading can end at
    // one; they become "<br>" only afterwards.
    EXPECT_EQ(shownNotes("a\r\nb"), "a<br>b");
    EXPECT_EQ(shownNotes("@H\r\nb"), "<u>H\r</u>\nb");
}

TEST(TopicPagePreparation, TabBecomesFourNonBreakingSpaces)
{
    EXPECT_EQ(shownPurpose("a\tb"), "a&nbsp;&nbsp;&nbsp;&nbsp;b");
}

TEST(TopicPagePreparation, DoubledQuotesAndApostrophes)
{
    EXPECT_EQ(shownPurpose("a\"\"b"), "a\"b");
    EXPECT_EQ(shownPurpose("a\"\"\"b"), "a\"\"b");
    EXPECT_EQ(shownPurpose("a''b"), "a\"b");
    EXPECT_EQ(shownPurpose("a'b"), "a'b");
    // Apostrophes are replaced after the quotes, so their quotes are not halved again.
    EXPECT_EQ(shownPurpose("''''"), "\"\"");
}

TEST(TopicPageSyntaxHelper, EmptyRecordGivesHeadAndTailOnly)
{
    TreeRecord record;
    record.name = "Name";
    record.synonym = "Syn";
    record.syntax = " \r\n\t ";
    EXPECT_EQ(page(record, HelpStyle::SyntaxHelper), kHead + kTail);
    EXPECT_EQ(page(record, HelpStyle::HtmlTable), kHead + kTable + "</table>\r\n" + kTail);
    EXPECT_EQ(TopicPageWriter::PageText(record, "T_1", static_cast<HelpStyle>(5)), kHead + kTail);
}

TEST(TopicPageSyntaxHelper, AllSectionsInOrder)
{
    TreeRecord record;
    record.spelling = W("Длина(Стр)");
    record.englishSpelling = "Len(Str)";
    record.syntax = "Len(<s>)\r\nline2\nraw";
    record.purpose = "p";
    record.parameters = "\ta";
    record.notes = "n & m";
    const std::string expected =
        kHead + "<div><b>\r\n" + W("Длина(Стр)") + "<br>\r\nLen(Str)<br>\r\n</b></div><br>\r\n" +
        W("<u>Синтаксис:</u><br>\r\n") + "<div>Len(&lt;s&gt;)<br>line2\nraw</div>\r\n" +
        W("<u>Назначение:</u><br>\r\n") + "<div>p</div>\r\n" + W("<u>Параметры:</u><br>\r\n") +
        "<div>a</div>\r\n" + "<div>n & m</div>\r\n" + kTail;
    EXPECT_EQ(page(record, HelpStyle::SyntaxHelper), expected);
}

TEST(TopicPageSyntaxHelper, OnlyEnglishSpellingInBoldBlock)
{
    TreeRecord record;
    record.englishSpelling = "Len";
    EXPECT_EQ(page(record, HelpStyle::SyntaxHelper),
              kHead + "<div><b>\r\nLen<br>\r\n</b></div><br>\r\n" + kTail);
}

TEST(TopicPageSyntaxHelper, NotesHeadingWithColonKeepsLineBreak)
{
    TreeRecord record;
    record.notes = W("@Пример:\r\nтекст");
    EXPECT_EQ(page(record, HelpStyle::SyntaxHelper),
              kHead + "<div><u>" + W("Пример:") + "</u><br>" + W("текст") + "</div>\r\n" + kTail);
}

TEST(TopicPageSyntaxHelper, NotesHeadingEndingAtLineBreakKeepsCrInside)
{
    EXPECT_EQ(shownNotes("a@Head\r\nbody"), "a<u>Head\r</u>\nbody");
    TreeRecord record;
    record.notes = "@Head\r\nbody";
    EXPECT_EQ(page(record, HelpStyle::SyntaxHelper),
              kHead + "<div><u>Head\r</u>\nbody</div>\r\n" + kTail);
}

TEST(TopicPageSyntaxHelper, NotesHeadingVariants)
{
    EXPECT_EQ(shownNotes("no heading"), "no heading");
    EXPECT_EQ(shownNotes("@Stop! x"), "<u>Stop!</u> x");
    EXPECT_EQ(shownNotes("x @tail"), "x <u>tail</u>");
    EXPECT_EQ(shownNotes("@:"), "<u>:</u>");
    EXPECT_EQ(shownNotes("@"), "<u></u>");
    EXPECT_EQ(shownNotes("@a: b @c! d"), "<u>a:</u> b <u>c!</u> d");
    // A second "@" inside a heading opens a heading of its own that ends at the same place.
    EXPECT_EQ(shownNotes("@a@b: c"), "<u>a<u>b:</u></u> c");
    EXPECT_EQ(shownNotes("@a@b"), "<u>a<u>b</u></u>");
}

TEST(TopicPageHtmlTable, FieldRowsWithTheirOwnOpenings)
{
    TreeRecord record;
    record.spelling = "s";
    record.englishSpelling = "e";
    record.syntax = "x";
    record.purpose = "p";
    record.parameters = "a\r\nb";
    const std::string end = "</td>\r\n</tr>\r\n";
    const std::string expected =
        kHead + kTable +
        W("<tr>\r\n<td class='tdheader'><strong>Написание:</strong></td>\r\n"
          "<td class='tddescription'>s") +
        end +
        W("<tr>\r\n<td class='tdheader' ><strong>Ангоязычное написание:</strong></td>\r\n"
          "<td class='tddescription'>e") +
        end +
        W("<tr>\r\n<td class='tdheader' ><strong>Синтаксис:</strong></td>\r\n"
          "<td class='tddescription'>x") +
        end +
        W("<tr>\r\n<td class='tdheader' ><strong>Назначение:</strong></td>\r\n"
          "<td class='tddescription'>p") +
        end +
        W("<tr>\r\n<td class='tdheader'><strong>Параметры:</strong></td>\r\n"
          "<td class='tddescription'>a<br>b") +
        end + "</table>\r\n" + kTail;
    EXPECT_EQ(page(record, HelpStyle::HtmlTable), expected);
}

TEST(TopicPageHtmlTable, NoteRowsOfTheWorkedExamples)
{
    EXPECT_EQ(noteRows(W("@Пример: текст")), noteRow(W("Пример:"), W("текст")));
    EXPECT_EQ(noteRows(W("x\r\n@Пример:")), noteRow(W("Пример:"), "-"));
    EXPECT_EQ(noteRows(W("Вступление @Пример: x")), noteRow(W("Пример:"), "x"));
    EXPECT_EQ(noteRows(W("Просто текст")), "");
    EXPECT_EQ(noteRows(W("@Заголовок\r\n  текст")), noteRow(W("Заголовок"), W("  текст")));

    TreeRecord record;
    record.notes = W("@Пример: текст");
    EXPECT_EQ(page(record, HelpStyle::HtmlTable),
              kHead + kTable + noteRow(W("Пример:"), W("текст")) + "</table>\r\n" + kTail);
}

TEST(TopicPageHtmlTable, NoteRowsEdgeCases)
{
    // Several sections, each body up to the next "@", line breaks inside become <br>.
    EXPECT_EQ(noteRows("@A: one\r\ntwo\r\n@B!\r\n\r\nthree"),
              noteRow("A:", "one<br>two<br>") + noteRow("B!", "three"));
    // A heading ending at LF keeps it; the body starts after it.
    EXPECT_EQ(noteRows("@A\nbody"), noteRow("A\n", "body"));
    // The next "@" before any heading end: the heading runs to the end, the body is empty.
    EXPECT_EQ(noteRows("@A @B: x"), noteRow("A @B: x", "-") + noteRow("B:", "x"));
    // An "@" in the last position starts no further row.
    EXPECT_EQ(noteRows("@A: x@"), noteRow("A:", "x"));
    EXPECT_EQ(noteRows("@"), noteRow("", "-"));
    // A single blank body is dropped; a lone CR heading end gives an empty heading.
    EXPECT_EQ(noteRows("@: "), noteRow(":", "-"));
    EXPECT_EQ(noteRows("@\r\nx"), noteRow("", "x"));
}

TEST(TopicPageWriting, WritesFileAndReportsFailure)
{
    TempDir dir;
    RecordingMessages messages;
    TreeRecord record;
    record.purpose = "p";
    const std::string path = dir.str() + "/T_1.html";
    ASSERT_TRUE(
        TopicPageWriter::WriteTopicPage(record, path, "T_1", HelpStyle::SyntaxHelper, messages));
    EXPECT_EQ(ReadBytes(path), page(record, HelpStyle::SyntaxHelper));
    EXPECT_TRUE(messages.fileErrors.empty());

    EXPECT_FALSE(TopicPageWriter::WriteTopicPage(record, dir.str() + "/missing/x.html", "x",
                                                 HelpStyle::SyntaxHelper, messages));
    ASSERT_EQ(messages.fileErrors.size(), 1u);
    EXPECT_NE(messages.fileErrors[0].find("missing/x.html"), std::string::npos);
}
