#include "TypedText.h"
#include "RoundTripCheck.h"
#include "SyntaxHelperReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using TypedText::StoreTypedSpan;

namespace {

// The whole field typed.
std::string Typed(std::string_view text)
{
    return StoreTypedSpan(text, 0, text.size());
}

} // namespace

TEST(TypedText, QuotesAndBracesTypedAreReplaced)
{
    EXPECT_EQ(Typed("say \"hi\" to {x}"), "say ''hi'' to <x>");
    // A doubled quote inside the text reads back from a book as it is, and so stays.
    EXPECT_EQ(Typed("a \"\"quoted\"\" b"), "a \"\"quoted\"\" b");
    // Not where a reader would take it for the end of the value or the start of one.
    EXPECT_EQ(Typed("\"\"start"), "''''start");
    EXPECT_EQ(Typed("end\"\""), "end''''");
    EXPECT_EQ(Typed("a\"\",b"), "a'''',b");
    // Three or more in a row are no doubled quote.
    EXPECT_EQ(Typed("a\"\"\"b"), "a''''''b");
    EXPECT_EQ(Typed(""), "");
}

TEST(TypedText, OnlyTheTypedSpanChanges)
{
    // Untouched text keeps its quotes, braces and bytes the code page leaves undefined.
    const std::string before = "{old \"x\" \x98}";
    const std::string typed = "new \"y\" {z}";
    const std::string after = " \"tail\"";
    EXPECT_EQ(StoreTypedSpan(before + typed + after, before.size(), before.size() + typed.size()),
              before + "new ''y'' <z>" + after);
    // A typed quote next to an untouched one is judged in the whole field, but only the typed
    // one is replaced.
    EXPECT_EQ(StoreTypedSpan("ab\"c", 2, 3), "ab''c");
    EXPECT_EQ(StoreTypedSpan("a\"\"c", 2, 3), "a\"\"c");
    EXPECT_EQ(StoreTypedSpan("a\"\"\"c", 2, 3), "a\"''\"c");
    // Spans past the end are cut to the field.
    EXPECT_EQ(StoreTypedSpan("{a}", 1, 99), "{a>");
    EXPECT_EQ(StoreTypedSpan("{a}", 5, 9), "{a}");
}

TEST(TypedText, KeptDoubledQuotesSurviveTheBook)
{
    // Whatever is typed, a short field as stored reads back unless it holds a kept pair the
    // writer would have to change; the kept pairs are exactly the ones that read back.
    for (const char* text : {"x\"\"y", "\"\"", "a\"\"\"b", "q\"\",r", "\"x\"", "t\"\""}) {
        const std::string stored = Typed(text);
        EXPECT_TRUE(ReadsBackAsValue(stored, ",")) << text << " -> " << stored;
    }
}

TEST(TypedText, RecordRoundTripNamesWhatWouldChange)
{
    TreeRecord clean = MakeItem(W("Имя"), W("Name"));
    clean.recordId = 42;
    clean.parentId = 7;
    clean.syntax = W("Имя(П)\r\n");
    clean.notes = W("@Пример:\r\nИмя(1)\r\n");
    TreeRecord back;
    EXPECT_TRUE(CheckRecordRoundTrip(clean, &back).empty());
    EXPECT_EQ(back.notes, clean.notes);

    TreeRecord joining = clean;
    joining.syntax.clear();
    joining.notes = "user@host"; // only its "@host" comes back
    const RoundTripReport report = CheckRecordRoundTrip(joining, &back);
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0].recordId, 42u);
    EXPECT_EQ(report.changes[0].fields, std::vector<RecordField>{RecordField::Notes});
    EXPECT_EQ(back.notes, "@host\r\n");

    TreeRecord plain = clean;
    plain.notes = W("Хвост"); // joins the syntax before it
    const RoundTripReport joined = CheckRecordRoundTrip(plain, &back);
    ASSERT_EQ(joined.changes.size(), 1u);
    EXPECT_EQ(joined.changes[0].fields,
              (std::vector<RecordField>{RecordField::Syntax, RecordField::Notes}));
    EXPECT_TRUE(back.notes.empty());
    EXPECT_EQ(back.syntax, W("Имя(П)\r\nХвост\r\n"));

    // A section carries only its letters, name and synonym.
    TreeRecord folder = MakeFolder(W("Раздел"), W("S"));
    folder.notes = "ignored@";
    EXPECT_TRUE(CheckRecordRoundTrip(folder, nullptr).empty());
}
