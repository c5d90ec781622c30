#include "BookSearch.h"
#include "LiteralMatcher.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

std::unique_ptr<LiteralMatcher> Literal(const char* patternUtf8, bool caseSensitive = false)
{
    FindQuery query;
    query.pattern = patternUtf8;
    query.caseSensitive = caseSensitive;
    FindStatus status;
    return LiteralMatcher::Create(query, status);
}

// Функции (a section whose notes, though no section has any, hold the word)
//   Строки
//     Длина ( Len )   an entry with the word in several fields
//   Прочее
// Сообщить            an entry at the top
class BookSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TreeRecord functions = MakeRecord(RecordKind::Folder, 1, 0, "Функции", "слово");
        functions.notes = W("слово в примечаниях раздела");
        TreeRecord strings = MakeRecord(RecordKind::Folder, 2, 1, "Строки");
        TreeRecord length = MakeRecord(RecordKind::Item, 3, 2, "Длина", "Len");
        length.syntax = W("Длина(Слово)\r\n");
        length.purpose = W("Первая строка.\r\nВторое слово и СЛОВО.\r\nТретья");
        length.notes = W("@Пример:\r\nнет\nслово после LF\rи после CR слово");
        TreeRecord other = MakeRecord(RecordKind::Folder, 4, 1, "Прочее");
        TreeRecord message = MakeRecord(RecordKind::Item, 5, 0, "Сообщить", "Message");
        message.spelling = W("Сообщить(Слово)");
        CZETbrowserDoc::RecordList records;
        for (TreeRecord* r : {&functions, &strings, &length, &other, &message})
            records.push_back(*r);
        m_doc.SetRecords(std::move(records));
    }

    FindResult find(const char* patternUtf8, SearchFields fields = {}, const FindRun& run = {})
    {
        return BookSearch::Find(m_doc, *Literal(patternUtf8), fields, run);
    }

    CZETbrowserDoc m_doc;
};

struct Place
{
    std::uint32_t id;
    RecordField field;
    std::size_t offset;
    bool operator==(const Place&) const = default;
};

std::vector<Place> Places(const std::vector<FindOccurrence>& occurrences)
{
    std::vector<Place> places;
    for (const FindOccurrence& o : occurrences)
        places.push_back({o.recordId, o.field, o.offset});
    return places;
}

} // namespace

TEST_F(BookSearchTest, DocumentOrderFieldsInFormOrderSectionsByNameAndSynonymOnly)
{
    const FindResult result = find("слово");
    // The section's synonym counts, its notes (which no section should have) do not; syntax
    // comes before purpose as on the form, although the record holds purpose first.
    const std::vector<Place> expected = {
        {1, RecordField::Synonym, 0},  {3, RecordField::Syntax, 6}, {3, RecordField::Purpose, 23},
        {3, RecordField::Purpose, 31}, {3, RecordField::Notes, 14}, {3, RecordField::Notes, 40},
        {5, RecordField::Spelling, 9},
    };
    EXPECT_EQ(Places(result.occurrences), expected);
    EXPECT_EQ(result.occurrenceCount, 7u);
    EXPECT_EQ(result.recordCount, 3u);
    EXPECT_FALSE(result.cancelled);
}

TEST_F(BookSearchTest, OnlyTheChosenFields)
{
    SearchFields fields = SearchFields::None();
    fields.add(RecordField::Notes).add(RecordField::Spelling);
    const FindResult result = find("слово", fields);
    EXPECT_EQ(Places(result.occurrences), (std::vector<Place>{{3, RecordField::Notes, 14},
                                                              {3, RecordField::Notes, 40},
                                                              {5, RecordField::Spelling, 9}}));
    EXPECT_EQ(result.recordCount, 2u);
    EXPECT_EQ(find("слово", SearchFields::None()).occurrenceCount, 0u);
    // Membership is no text to search, even when asked for.
    EXPECT_EQ(find("AST", SearchFields::None().add(RecordField::Membership)).occurrenceCount, 0u);
}

TEST_F(BookSearchTest, PathsAndLines)
{
    const FindResult result = find("слово");
    ASSERT_EQ(result.occurrences.size(), 7u);
    const FindOccurrence& section = result.occurrences[0];
    EXPECT_EQ(section.path, W("Функции"));
    const FindOccurrence& syntax = result.occurrences[1];
    EXPECT_EQ(syntax.path, W("Функции\\Строки\\Длина")); // without the synonym
    EXPECT_EQ(syntax.length, 5u);
    EXPECT_EQ(syntax.lineStart, 0u);
    EXPECT_EQ(syntax.lineEnd, 12u); // before CR LF
    EXPECT_EQ(syntax.excerpt, W("Длина(Слово)"));
    EXPECT_EQ(syntax.excerptMatchOffset(), 6u);
    EXPECT_EQ(syntax.excerptMatchLength(), 5u);
    EXPECT_FALSE(syntax.excerptCutBefore());
    EXPECT_FALSE(syntax.excerptCutAfter());
    // Two on one line of a middle line; the last line has no break after it.
    EXPECT_EQ(result.occurrences[2].excerpt, W("Второе слово и СЛОВО."));
    EXPECT_EQ(result.occurrences[3].excerpt, W("Второе слово и СЛОВО."));
    EXPECT_EQ(result.occurrences[3].excerptMatchOffset(), 15u);
    // A lone LF and a lone CR end lines as CR LF does.
    EXPECT_EQ(result.occurrences[4].excerpt, W("слово после LF"));
    EXPECT_EQ(result.occurrences[5].excerpt, W("и после CR слово"));
    EXPECT_EQ(result.occurrences[5].lineEnd, m_doc.FindRecord(3)->notes.size());
    EXPECT_EQ(result.occurrences[6].path, W("Сообщить"));
}

TEST_F(BookSearchTest, LongLinesAreCutAroundTheMatch)
{
    TreeRecord* length = m_doc.FindRecord(3);
    const std::string before(300, 'x');
    const std::string after(300, 'y');
    length->notes = W("начало\r\n") + before + W("слово") + after + W("\r\nконец");
    FindRun run;
    run.excerptBefore = 10;
    run.excerptWidth = 30;
    const FindResult result = find("слово", SearchFields::None().add(RecordField::Notes), run);
    ASSERT_EQ(result.occurrences.size(), 1u);
    const FindOccurrence& o = result.occurrences[0];
    EXPECT_EQ(o.lineStart, 8u);
    EXPECT_EQ(o.lineEnd, 8u + 300 + 5 + 300);
    EXPECT_EQ(o.excerpt, std::string(10, 'x') + W("слово") + std::string(15, 'y'));
    EXPECT_EQ(o.excerptMatchOffset(), 10u);
    EXPECT_TRUE(o.excerptCutBefore());
    EXPECT_TRUE(o.excerptCutAfter());
}

TEST_F(BookSearchTest, BatchesTogetherAreTheWholeListInOrder)
{
    // Enough records for several batches and cancellation checks.
    for (int i = 0; i < 2000; ++i) {
        TreeRecord item = MakeItem(W("Запись ") + std::to_string(i));
        item.notes = W("слово, ещё слово");
        AddChild(m_doc, 2, item);
    }
    const FindResult whole = find("слово");
    std::vector<std::vector<FindOccurrence>> batches;
    FindRun run;
    run.firstBatchSize = 3;
    run.batchSize = 500;
    run.onBatch = [&batches](std::vector<FindOccurrence>&& batch) {
        batches.push_back(std::move(batch));
    };
    const FindResult batched = find("слово", {}, run);
    EXPECT_TRUE(batched.occurrences.empty());
    EXPECT_EQ(batched.occurrenceCount, whole.occurrenceCount);
    EXPECT_EQ(batched.recordCount, whole.recordCount);
    ASSERT_GE(batches.size(), 3u);
    // The first batch goes out as soon as it is big enough, at the end of a record.
    EXPECT_GE(batches[0].size(), 3u);
    EXPECT_LT(batches[0].size(), 10u);
    std::vector<FindOccurrence> joined;
    for (auto& batch : batches) {
        EXPECT_FALSE(batch.empty());
        joined.insert(joined.end(), batch.begin(), batch.end());
    }
    EXPECT_EQ(Places(joined), Places(whole.occurrences));
    EXPECT_EQ(whole.occurrenceCount, 7u + 4000u);
    EXPECT_EQ(whole.recordCount, 3u + 2000u);
}

TEST_F(BookSearchTest, ASlowSearchHandsOverWhatItHasWhenTheIntervalIsUp)
{
    for (int i = 0; i < 1000; ++i) {
        TreeRecord item = MakeItem(W("Запись"));
        item.notes = W("слово");
        AddChild(m_doc, 0, item);
    }
    // No batch ever fills up; an interval of nothing is up at every check.
    std::vector<std::size_t> sizes;
    FindRun run;
    run.firstBatchSize = 100000;
    run.batchSize = 100000;
    run.batchInterval = std::chrono::milliseconds(0);
    run.onBatch = [&sizes](std::vector<FindOccurrence>&& batch) { sizes.push_back(batch.size()); };
    const FindResult result = find("слово", {}, run);
    // Checks come every 256 records: at records 256, 512 and 768, then the rest at the end.
    EXPECT_EQ(sizes.size(), 4u);
    std::size_t total = 0;
    for (const std::size_t size : sizes)
        total += size;
    EXPECT_EQ(total, result.occurrenceCount);
}

TEST_F(BookSearchTest, CancelledFromTheBatchCallbackStopsSoon)
{
    for (int i = 0; i < 5000; ++i) {
        TreeRecord item = MakeItem(W("Запись"));
        item.notes = W("слово");
        AddChild(m_doc, 0, item);
    }
    std::atomic<bool> cancel{false};
    std::size_t delivered = 0;
    FindRun run;
    run.cancel = &cancel;
    run.firstBatchSize = 1;
    run.onBatch = [&](std::vector<FindOccurrence>&& batch) {
        delivered += batch.size();
        cancel = true; // as the window does when the text changes
    };
    const FindResult result = find("слово", {}, run);
    EXPECT_TRUE(result.cancelled);
    // Stopped at the next check (the book's first five records hold 7), and what was found
    // until then was handed over.
    EXPECT_LE(result.occurrenceCount, FindRun::kCancelCheckRecords + 7);
    EXPECT_EQ(delivered, result.occurrenceCount);
}

TEST_F(BookSearchTest, CancelledBeforeItStartsFindsNothing)
{
    for (int i = 0; i < 1000; ++i)
        AddChild(m_doc, 0, MakeItem(W("слово")));
    std::atomic<bool> cancel{true};
    FindRun run;
    run.cancel = &cancel;
    const FindResult result = find("слово", {}, run);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.occurrenceCount, 0u);
}

TEST(BookSearch, EmptyBookAndDeepBook)
{
    CZETbrowserDoc empty;
    const FindResult none = BookSearch::Find(empty, *Literal("x"), {});
    EXPECT_EQ(none.occurrenceCount, 0u);
    EXPECT_EQ(none.recordCount, 0u);

    // Paths of a chain far deeper than any stack would take a record at a time.
    CZETbrowserDoc deep;
    CZETbrowserDoc::RecordList records;
    constexpr std::uint32_t kDepth = 20000;
    for (std::uint32_t id = 1; id <= kDepth; ++id)
        records.push_back(MakeRecord(id < kDepth ? RecordKind::Folder : RecordKind::Item, id,
                                     id - 1, id < kDepth ? "р" : "цель"));
    deep.SetRecords(std::move(records));
    const FindResult found = BookSearch::Find(deep, *Literal("цель"), {});
    ASSERT_EQ(found.occurrences.size(), 1u);
    EXPECT_EQ(found.occurrences[0].path, deep.RecordPath(kDepth, false));
}
