// The document's exact steps, what undo and redo are made of: a subtree taken out and put back
// with its ids, texts exchanged and exchanged back, and where the selection goes.

#include "IRecordObserver.h"
#include "TestSupport.h"
#include "TextExchange.h"

#include <gtest/gtest.h>

namespace {

// F1 { I2, F3 { I4, F5 { I6 } }, I7, E8 {} }, I9, F10 { F11 { I12 } }: ids 1 to 12 in this
// order, every record with a tree handle as after the tree has shown the book.
void BuildBook(CZETbrowserDoc& doc)
{
    const auto f1 = AddChild(doc, 0, MakeFolder("F1", "syn"));
    AddChild(doc, f1, MakeItem("I2"));
    const auto f3 = AddChild(doc, f1, MakeFolder("F3"));
    AddChild(doc, f3, MakeItem("I4"));
    const auto f5 = AddChild(doc, f3, MakeFolder("F5"));
    TreeRecord i6 = MakeItem("I6");
    i6.membership = "M6";
    i6.notes = "@N";
    AddChild(doc, f5, i6);
    AddChild(doc, f1, MakeItem("I7"));
    AddChild(doc, f1, MakeFolder("E8"));
    AddChild(doc, 0, MakeItem("I9"));
    const auto f10 = AddChild(doc, 0, MakeFolder("F10"));
    const auto f11 = AddChild(doc, f10, MakeFolder("F11"));
    AddChild(doc, f11, MakeItem("I12"));
    for (const TreeRecord& r : doc.records())
        doc.FindRecord(r.recordId)->treeItem = 0x1000 + r.recordId;
}

// Records without their tree handles, which steps leave for the tree to set.
std::vector<TreeRecord> Contents(const CZETbrowserDoc& doc)
{
    std::vector<TreeRecord> records(doc.records().begin(), doc.records().end());
    for (TreeRecord& record : records)
        record.treeItem = record.parentTreeItem = 0;
    return records;
}

class Recorder : public IRecordObserver
{
public:
    std::vector<std::string> log;
    void OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                           const std::vector<std::uint32_t>& ids) override
    {
        std::string line = "inserted under " + std::to_string(parentId) + " before " +
                           std::to_string(nextSiblingId) + ":";
        for (const std::uint32_t id : ids)
            line += " " + std::to_string(id);
        log.push_back(line);
    }
    void OnSubtreeRemoving(std::uint32_t id) override
    {
        log.push_back("removing " + std::to_string(id));
    }
    void OnRecordTextsChanged(std::uint32_t id) override
    {
        log.push_back("texts " + std::to_string(id));
    }
    void OnRecordsReset() override { log.push_back("reset"); }
};

} // namespace

// Every record, taken out with its subtree and put back: the book as it was, ids and all, and
// nothing copied on the way (the records the book held are the ones that come back).
TEST(ExactSteps, DetachedSubtreesComeBackWithTheirIds)
{
    for (std::uint32_t id = 1; id <= 12; ++id) {
        SCOPED_TRACE(id);
        CZETbrowserDoc doc;
        BuildBook(doc);
        const auto before = Contents(doc);
        const auto subtree = doc.SubtreeIds(id);
        const TreeRecord* top = doc.FindRecord(id);

        std::optional<DetachedSubtree> detached = doc.DetachSubtree(id);
        ASSERT_TRUE(detached);
        EXPECT_EQ(&detached->records.front(), top); // moved, not copied
        EXPECT_EQ(doc.RecordCount(), 12 - subtree.size());
        std::vector<std::uint32_t> held;
        for (const TreeRecord& r : detached->records) {
            held.push_back(r.recordId);
            EXPECT_EQ(doc.FindRecord(r.recordId), nullptr);
            EXPECT_EQ(r.treeItem, 0u); // its item went with it
        }
        EXPECT_EQ(held, subtree);

        ASSERT_TRUE(doc.AttachSubtree(*detached));
        EXPECT_TRUE(detached->records.empty());
        EXPECT_EQ(Contents(doc), before);
        EXPECT_EQ(doc.FindRecord(id), top);
        EXPECT_EQ(doc.maxId(), 12u);
    }
    CZETbrowserDoc doc;
    BuildBook(doc);
    EXPECT_FALSE(doc.DetachSubtree(99));
    EXPECT_EQ(doc.RecordCount(), 12u);
}

// Taking out is told while the records are there; putting back as an insertion of the run,
// before the sibling that followed it.
TEST(ExactSteps, ObserversHearOfBothWays)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    Recorder recorder;
    doc.AddObserver(&recorder);
    auto section = doc.DetachSubtree(3);
    auto last = doc.DetachSubtree(12);
    ASSERT_TRUE(doc.AttachSubtree(*last));
    ASSERT_TRUE(doc.AttachSubtree(*section));
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"removing 3", "removing 12",
                                                      "inserted under 11 before 0: 12",
                                                      "inserted under 1 before 7: 3 4 5 6"}));
    doc.RemoveObserver(&recorder);
}

// A place that is no longer in the book as it was left is refused, and the subtree stays whole
// for the caller.
TEST(ExactSteps, AttachRefusesAPlaceThatIsGone)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    auto i4 = doc.DetachSubtree(4); // before F5
    ASSERT_TRUE(doc.DeleteRecord(5));
    const auto without = Contents(doc);
    EXPECT_FALSE(doc.AttachSubtree(*i4));
    EXPECT_EQ(Contents(doc), without);
    ASSERT_EQ(i4->records.size(), 1u);

    auto i7 = doc.DetachSubtree(7); // I7 under F1, before E8; then F1 itself goes
    auto f1 = doc.DetachSubtree(1);
    EXPECT_FALSE(doc.AttachSubtree(*i7));
    ASSERT_TRUE(doc.AttachSubtree(*f1));
    EXPECT_TRUE(doc.AttachSubtree(*i7));

    // A book read anew holds the id again.
    auto i9 = doc.DetachSubtree(9);
    CZETbrowserDoc fresh;
    BuildBook(fresh);
    doc.SetRecords(CZETbrowserDoc::RecordList(fresh.records().begin(), fresh.records().end()));
    EXPECT_FALSE(doc.AttachSubtree(*i9));
    EXPECT_EQ(doc.RecordCount(), 12u);
}

// Every source onto every target: a move kept with its source, undone (the copy out, the source
// back) gives the book as it was, and redone (the source out, the copy back) the book after the
// move, with the same new ids, however often.
TEST(ExactSteps, MovesUndoAndRedoExactly)
{
    int done = 0;
    for (std::uint32_t source = 1; source <= 12; ++source) {
        for (std::uint32_t target = 0; target <= 12; ++target) {
            SCOPED_TRACE(testing::Message() << "move " << source << " to " << target);
            CZETbrowserDoc doc;
            BuildBook(doc);
            CZETbrowserDoc plain;
            BuildBook(plain);
            const auto before = Contents(doc);
            std::optional<DetachedSubtree> original;
            const auto ids = doc.MoveSubtree(source, target, &original);
            EXPECT_EQ(ids, plain.MoveSubtree(source, target));
            if (ids.empty()) {
                EXPECT_FALSE(original);
                EXPECT_EQ(Contents(doc), before);
                continue;
            }
            ++done;
            const auto after = Contents(doc);
            EXPECT_EQ(after, Contents(plain));
            for (int round = 0; round < 2; ++round) {
                auto copy = doc.DetachSubtree(ids.front());
                ASSERT_TRUE(copy);
                ASSERT_TRUE(doc.AttachSubtree(*original));
                EXPECT_EQ(Contents(doc), before);
                original = doc.DetachSubtree(source);
                ASSERT_TRUE(original);
                ASSERT_TRUE(doc.AttachSubtree(*copy));
                EXPECT_EQ(Contents(doc), after);
            }
        }
    }
    EXPECT_GT(done, 60);
}

// Texts exchanged and exchanged back, all or nothing; one notice per record.
TEST(ExactSteps, TextsAreExchangedAndExchangedBack)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    const auto before = Contents(doc);
    Recorder recorder;
    doc.AddObserver(&recorder);
    std::vector<TextExchange> exchanges{{6, RecordField::Name, "New"},
                                        {6, RecordField::Notes, std::string(1000, 'n')},
                                        {6, RecordField::Name, "Newer"},
                                        {2, RecordField::Membership, "A"}};
    ASSERT_TRUE(doc.ExchangeTexts(exchanges));
    EXPECT_EQ(doc.FindRecord(6)->name, "Newer");
    EXPECT_EQ(doc.FindRecord(6)->notes, std::string(1000, 'n'));
    EXPECT_EQ(doc.FindRecord(2)->membership, "A");
    EXPECT_EQ(exchanges[0].text, "I6");
    EXPECT_EQ(exchanges[2].text, "New");
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"texts 6", "texts 2"}));

    ASSERT_TRUE(doc.ExchangeTexts(exchanges, true));
    EXPECT_EQ(Contents(doc), before);
    ASSERT_TRUE(doc.ExchangeTexts(exchanges));
    EXPECT_EQ(doc.FindRecord(6)->name, "Newer");
    ASSERT_TRUE(doc.ExchangeTexts(exchanges, true));

    recorder.log.clear();
    std::vector<TextExchange> unknown{{6, RecordField::Name, "X"}, {99, RecordField::Name, "Y"}};
    std::vector<TextExchange> place{{6, RecordField::Place, "X"}};
    EXPECT_FALSE(doc.ExchangeTexts(unknown));
    EXPECT_FALSE(doc.ExchangeTexts(place));
    EXPECT_EQ(Contents(doc), before);
    EXPECT_TRUE(recorder.log.empty());
    doc.RemoveObserver(&recorder);
}

TEST(ExactSteps, ExchangesToAnotherRecordsTextsNameOnlyWhatDiffers)
{
    TreeRecord stored = MakeItem("Name", "Syn");
    stored.recordId = 4;
    stored.notes = "notes";
    TreeRecord texts = stored;
    texts.recordId = 99; // the stored record's id counts
    texts.parentId = 7;  // as do its place and kind
    texts.kind = RecordKind::Folder;
    EXPECT_TRUE(TextExchangesTo(stored, texts).empty());
    texts.membership = "S";
    texts.synonym.clear();
    texts.notes = "other";
    const auto exchanges = TextExchangesTo(stored, texts);
    ASSERT_EQ(exchanges.size(), 3u);
    EXPECT_EQ(exchanges[0].recordId, 4u);
    EXPECT_EQ(exchanges[0].field, RecordField::Membership);
    EXPECT_EQ(exchanges[0].text, "S");
    EXPECT_EQ(exchanges[1].field, RecordField::Synonym);
    EXPECT_EQ(exchanges[1].text, "");
    EXPECT_EQ(exchanges[2].field, RecordField::Notes);
}

// The next sibling, else the previous one, else the parent.
TEST(ExactSteps, TheSelectionGoesToANeighbour)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    EXPECT_EQ(doc.RecordAfterRemoval(2), 3u);  // next sibling, a section
    EXPECT_EQ(doc.RecordAfterRemoval(3), 7u);  // past its own subtree
    EXPECT_EQ(doc.RecordAfterRemoval(8), 7u);  // the last child: the one before
    EXPECT_EQ(doc.RecordAfterRemoval(5), 4u);  // before it, an entry
    EXPECT_EQ(doc.RecordAfterRemoval(6), 5u);  // an only child: its parent
    EXPECT_EQ(doc.RecordAfterRemoval(1), 9u);  // top level
    EXPECT_EQ(doc.RecordAfterRemoval(10), 9u); // the last at the top: the one before
    EXPECT_EQ(doc.RecordAfterRemoval(12), 11u);
    EXPECT_EQ(doc.RecordAfterRemoval(99), 0u);
    doc.DeleteRecord(7);
    EXPECT_EQ(doc.RecordAfterRemoval(8), 3u); // before it the last of F3's subtree: F3
    CZETbrowserDoc single;
    AddChild(single, 0, MakeItem("Only"));
    EXPECT_EQ(single.RecordAfterRemoval(1), 0u);
}
