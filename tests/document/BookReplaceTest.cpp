#include "BookReplace.h"
#include "LiteralMatcher.h"
#include "RoundTripCheck.h"
#include "TestSupport.h"
#include "TypedText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

class BookReplaceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TreeRecord section = MakeRecord(RecordKind::Folder, 1, 0, "Строки");
        TreeRecord length = MakeRecord(RecordKind::Item, 2, 1, "Длина", "Len");
        length.syntax = W("Длина(Стр)\r\n");
        length.purpose = W("Стр - строка. Вернёт длину стр.\r\nСТР может быть пустой.\r\n");
        length.parameters = W("<Стр> - строка.\r\n");
        TreeRecord upper = MakeRecord(RecordKind::Item, 3, 1, "Верх");
        upper.syntax = W("Верх(Стр)\r\n");
        CZETbrowserDoc::RecordList records{section, length, upper};
        m_doc.SetRecords(std::move(records));
    }

    void setPattern(const char* patternUtf8, bool caseSensitive = false, bool wholeWord = false)
    {
        FindQuery query;
        query.pattern = patternUtf8;
        query.caseSensitive = caseSensitive;
        query.wholeWord = wholeWord;
        FindStatus status;
        m_matcher = LiteralMatcher::Create(query, status);
        ASSERT_NE(m_matcher, nullptr);
        m_found = BookSearch::Find(m_doc, *m_matcher, {}).occurrences;
    }

    ReplacePlan plan(const char* replacementUtf8) const
    {
        return BookReplace::Plan(m_doc, *m_matcher, m_found, replacementUtf8);
    }

    CZETbrowserDoc m_doc;
    std::unique_ptr<LiteralMatcher> m_matcher;
    std::vector<FindOccurrence> m_found;
};

} // namespace

TEST_F(BookReplaceTest, SeveralInOneFieldAndFieldsInDocumentOrder)
{
    setPattern("стр", false, true);
    ASSERT_EQ(m_found.size(), 6u);
    const ReplacePlan result = plan("Строка");
    EXPECT_EQ(result.status, ReplaceStatus::Ready);
    EXPECT_EQ(result.replaced, 6u);
    EXPECT_EQ(result.stale, 0u);
    ASSERT_EQ(result.changes.size(), 4u);
    EXPECT_EQ(result.changes[0].recordId, 2u);
    EXPECT_EQ(result.changes[0].field, RecordField::Syntax);
    EXPECT_EQ(result.changes[0].newText, W("Длина(Строка)\r\n"));
    // Three in one field, each longer than what it replaces: offsets after the first still hit.
    EXPECT_EQ(result.changes[1].field, RecordField::Purpose);
    EXPECT_EQ(result.changes[1].oldText, m_doc.FindRecord(2)->purpose);
    EXPECT_EQ(result.changes[1].newText,
              W("Строка - строка. Вернёт длину Строка.\r\nСтрока может быть пустой.\r\n"));
    EXPECT_EQ(result.changes[2].field, RecordField::Parameters);
    EXPECT_EQ(result.changes[3].recordId, 3u);
    EXPECT_TRUE(result.roundTrip.empty());
    // Nothing in the document changed yet.
    EXPECT_EQ(m_doc.FindRecord(2)->syntax, W("Длина(Стр)\r\n"));
}

TEST_F(BookReplaceTest, ShorterAndEmptyReplacements)
{
    setPattern("строка");
    EXPECT_EQ(plan("").changes[0].newText,
              W("Стр - . Вернёт длину стр.\r\nСТР может быть пустой.\r\n"));
    EXPECT_EQ(plan("s").changes[1].newText, W("<Стр> - s.\r\n"));
}

TEST_F(BookReplaceTest, OneOccurrenceAlone)
{
    setPattern("стр", false, true);
    const std::vector<FindOccurrence> second{m_found[2]}; // "стр." in the purpose
    const ReplacePlan result = BookReplace::Plan(m_doc, *m_matcher, second, "X");
    ASSERT_EQ(result.changes.size(), 1u);
    EXPECT_EQ(result.replaced, 1u);
    EXPECT_EQ(result.changes[0].newText,
              W("Стр - строка. Вернёт длину X.\r\nСТР может быть пустой.\r\n"));
}

TEST_F(BookReplaceTest, OrderOfTheListDoesNotMatter)
{
    setPattern("стр", false, true);
    const ReplacePlan inOrder = plan("Y");
    std::reverse(m_found.begin(), m_found.end());
    const ReplacePlan reversed = plan("Y");
    ASSERT_EQ(reversed.changes.size(), inOrder.changes.size());
    for (std::size_t i = 0; i < inOrder.changes.size(); ++i)
        EXPECT_EQ(reversed.changes[i].newText, inOrder.changes[i].newText);
}

TEST_F(BookReplaceTest, TypedQuotesAndBracesAreStoredAsTheFormStoresThem)
{
    setPattern("Стр", true, true);
    const ReplacePlan result = plan("{\"a\"}");
    ASSERT_FALSE(result.changes.empty());
    EXPECT_EQ(result.changes[0].newText, W("Длина(<''a''>)\r\n"));
    // A doubled quote that reads back as written is typed as it is, as in the form.
    setPattern("Верх", true, true);
    const ReplacePlan doubled = plan("x\"\"y");
    ASSERT_EQ(doubled.changes.size(), 2u);
    EXPECT_EQ(doubled.changes[1].newText, W("x\"\"y(Стр)\r\n"));
    EXPECT_TRUE(doubled.roundTrip.empty());
}

TEST_F(BookReplaceTest, ReplacementTheCodePageCannotHoldIsRefused)
{
    setPattern("стр", false, true);
    const ReplacePlan result = plan("日本語 и 日 ok ☺");
    EXPECT_EQ(result.status, ReplaceStatus::Unencodable);
    EXPECT_TRUE(result.changes.empty());
    EXPECT_EQ(result.unencodable, (std::vector<std::string>{"日", "本", "語", "☺"}));
    EXPECT_EQ(result.unencodableRecordId, 2u);
    EXPECT_EQ(result.unencodableField, RecordField::Syntax);
}

TEST_F(BookReplaceTest, TextThatWouldNotSurviveASaveIsReportedWithWhatWouldComeBack)
{
    TreeRecord* length = m_doc.FindRecord(2);
    // An old trouble of the record, in a field the replace leaves alone, is not the replace's.
    length->notes = W("почта user@host\r\n");
    setPattern("строка");
    const ReplacePlan result = plan("@Важно строка");
    EXPECT_EQ(result.status, ReplaceStatus::Ready);
    ASSERT_EQ(result.roundTrip.changes.size(), 1u);
    EXPECT_EQ(result.roundTrip.changes[0].recordId, 2u);
    const std::vector<RecordField>& fields = result.roundTrip.changes[0].fields;
    EXPECT_NE(std::find(fields.begin(), fields.end(), RecordField::Purpose), fields.end());
    EXPECT_EQ(std::find(fields.begin(), fields.end(), RecordField::Syntax), fields.end());
    ASSERT_EQ(result.readBack.size(), 1u);
    EXPECT_NE(result.readBack[0].purpose, result.changes[0].newText);
    // The changes are still there for the caller to apply once the user agrees.
    EXPECT_FALSE(result.changes.empty());
}

TEST_F(BookReplaceTest, OccurrencesNoLongerInTheBookAreLeftAlone)
{
    setPattern("стр", false, true);
    // The purpose was edited after the search: its first word is gone, the rest moved.
    m_doc.FindRecord(2)->purpose = W("Значение - строка. Вернёт длину стр.\r\n");
    // The last record was deleted.
    m_doc.DeleteRecord(3);
    // And the list names one occurrence twice.
    m_found.push_back(m_found[0]);
    const ReplacePlan result = plan("Z");
    EXPECT_EQ(result.replaced, 2u); // the syntax and the parameters
    EXPECT_EQ(result.stale, 3u + 1u + 1u);
    ASSERT_EQ(result.changes.size(), 2u);
    EXPECT_EQ(result.changes[0].field, RecordField::Syntax);
    EXPECT_EQ(result.changes[1].field, RecordField::Parameters);

    // A search's list against a book where nothing of it stands any more.
    m_doc.FindRecord(2)->syntax.clear();
    m_doc.FindRecord(2)->parameters.clear();
    const ReplacePlan nothing = plan("Z");
    EXPECT_EQ(nothing.status, ReplaceStatus::NothingToReplace);
    EXPECT_TRUE(nothing.changes.empty());
}

TEST_F(BookReplaceTest, ApplyAndRevert)
{
    const std::string before = m_doc.FindRecord(2)->purpose;
    setPattern("стр", false, true);
    const ReplacePlan result = plan("Строка");
    ASSERT_TRUE(BookReplace::ApplyChanges(m_doc, result.changes));
    EXPECT_EQ(m_doc.FindRecord(2)->purpose, result.changes[1].newText);
    EXPECT_EQ(m_doc.FindRecord(3)->syntax, W("Верх(Строка)\r\n"));
    // Applying twice finds the new text where it expects the old: refused, nothing changes.
    EXPECT_FALSE(BookReplace::ApplyChanges(m_doc, result.changes));
    ASSERT_TRUE(BookReplace::ApplyChanges(m_doc, result.changes, true));
    EXPECT_EQ(m_doc.FindRecord(2)->purpose, before);
    EXPECT_EQ(m_doc.FindRecord(3)->syntax, W("Верх(Стр)\r\n"));

    // One field changed behind the changes' back: none of them is applied.
    m_doc.FindRecord(3)->syntax = W("Верх()\r\n");
    EXPECT_FALSE(BookReplace::ApplyChanges(m_doc, result.changes));
    EXPECT_EQ(m_doc.FindRecord(2)->purpose, before);
    m_doc.DeleteRecord(3);
    EXPECT_FALSE(BookReplace::ApplyChanges(m_doc, result.changes));
}

TEST_F(BookReplaceTest, ManyInOneLongFieldStaysLinear)
{
    // 20,000 matches in one 100 KB field, each replaced with quotes to store: a quadratic
    // rebuild would take minutes here.
    TreeRecord* length = m_doc.FindRecord(2);
    length->notes.clear();
    for (int i = 0; i < 20000; ++i)
        length->notes += W("ab щъ ");
    setPattern("щъ", true);
    const ReplacePlan result = plan("\"q\"");
    EXPECT_EQ(result.replaced, 20000u);
    ASSERT_EQ(result.changes.size(), 1u);
    EXPECT_EQ(result.changes[0].newText.size(), 20000u * (6 - 2 + 5));
    EXPECT_EQ(result.changes[0].newText.substr(0, 9), "ab ''q'' ");
}

// A typed quote is judged by the run of quotes around it in the whole field; the replace looks
// only at a few bytes around each match. Compare with the form's storing of the whole field on
// random fields of quotes, commas and letters.
TEST(BookReplace, TypedQuotesJudgedAsInTheWholeField)
{
    std::mt19937 random(77);
    const std::string alphabet = "\"\",ab";
    for (int round = 0; round < 3000; ++round) {
        std::string before;
        std::string after;
        for (std::size_t i = 0, n = random() % 6; i < n; ++i)
            before += alphabet[random() % alphabet.size()];
        for (std::size_t i = 0, n = random() % 6; i < n; ++i)
            after += alphabet[random() % alphabet.size()];
        std::string typed;
        for (std::size_t i = 0, n = 1 + random() % 4; i < n; ++i)
            typed += "\"\"a"[random() % 3];
        CZETbrowserDoc doc;
        TreeRecord item = MakeRecord(RecordKind::Item, 1, 0, "x");
        item.notes = before + "X" + after;
        doc.SetRecords({item});
        FindQuery query;
        query.pattern = "X";
        query.caseSensitive = true;
        FindStatus status;
        const auto matcher = LiteralMatcher::Create(query, status);
        const FindResult found = BookSearch::Find(doc, *matcher, {});
        ASSERT_EQ(found.occurrences.size(), 1u);
        const ReplacePlan result = BookReplace::Plan(doc, *matcher, found.occurrences, typed);
        const std::string raw = before + typed + after;
        const std::string expected =
            TypedText::StoreTypedSpan(raw, before.size(), before.size() + typed.size());
        if (expected == item.notes) {
            EXPECT_TRUE(result.changes.empty());
            continue;
        }
        ASSERT_EQ(result.changes.size(), 1u);
        ASSERT_EQ(result.changes[0].newText, expected)
            << "before [" << before << "] typed [" << typed << "] after [" << after << "]";
    }
}
