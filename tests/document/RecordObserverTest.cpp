#include "SyntaxHelperWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>

namespace {

// Writes down every notice, with what the document held while it was told.
class Recorder : public IRecordObserver
{
public:
    explicit Recorder(const CZETbrowserDoc& doc) : m_doc(doc) {}

    struct Inserted
    {
        std::uint32_t parentId;
        std::uint32_t nextSiblingId;
        std::vector<std::uint32_t> ids;
        bool operator==(const Inserted&) const = default;
    };
    std::vector<std::string> log;
    std::vector<Inserted> inserted;

    void OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                           const std::vector<std::uint32_t>& ids) override
    {
        log.push_back("inserted " + std::to_string(ids.front()));
        inserted.push_back({parentId, nextSiblingId, ids});
        for (const std::uint32_t id : ids)
            EXPECT_NE(m_doc.FindRecord(id), nullptr); // already there
    }
    void OnSubtreeRemoving(std::uint32_t id) override
    {
        log.push_back("removing " + std::to_string(id));
        EXPECT_NE(m_doc.FindRecord(id), nullptr); // still there
    }
    void OnRecordTextsChanged(std::uint32_t id) override
    {
        log.push_back("texts " + std::to_string(id));
    }
    void OnRecordsReset() override { log.push_back("reset"); }

private:
    const CZETbrowserDoc& m_doc;
};

// F1 { I2, F3 { I4 }, I5 }, I6, F7 {}
void BuildBook(CZETbrowserDoc& doc)
{
    const auto f1 = AddChild(doc, 0, MakeFolder("F1"));
    AddChild(doc, f1, MakeItem("I2"));
    const auto f3 = AddChild(doc, f1, MakeFolder("F3"));
    AddChild(doc, f3, MakeItem("I4"));
    AddChild(doc, f1, MakeItem("I5"));
    AddChild(doc, 0, MakeItem("I6"));
    AddChild(doc, 0, MakeFolder("F7"));
}

// The structure as something that knows only the notices would have it: each record's children
// in order, kept from OnRecordsInserted and OnSubtreeRemoving alone.
class Shadow : public IRecordObserver
{
public:
    std::map<std::uint32_t, std::vector<std::uint32_t>> children; // 0: the top level
    std::map<std::uint32_t, std::uint32_t> parentOf;

    void OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                           const std::vector<std::uint32_t>& ids) override
    {
        std::vector<std::uint32_t>& siblings = children[parentId];
        const auto next = std::find(siblings.begin(), siblings.end(), nextSiblingId);
        ASSERT_TRUE(nextSiblingId == 0 || next != siblings.end());
        siblings.insert(nextSiblingId == 0 ? siblings.end() : next, ids.front());
        parentOf[ids.front()] = parentId;
        for (std::size_t i = 1; i < ids.size(); ++i) {
            const std::uint32_t parent = recordParent(ids[i]);
            ASSERT_TRUE(std::find(ids.begin(), ids.begin() + std::ptrdiff_t(i), parent) !=
                        ids.begin() + std::ptrdiff_t(i));
            children[parent].push_back(ids[i]);
            parentOf[ids[i]] = parent;
        }
    }
    void OnSubtreeRemoving(std::uint32_t id) override
    {
        std::vector<std::uint32_t>& siblings = children[parentOf.at(id)];
        siblings.erase(std::find(siblings.begin(), siblings.end(), id));
        for (std::vector<std::uint32_t> pending{id}; !pending.empty();) {
            const std::uint32_t next = pending.back();
            pending.pop_back();
            const auto own = children.find(next);
            if (own != children.end()) {
                pending.insert(pending.end(), own->second.begin(), own->second.end());
                children.erase(own);
            }
            parentOf.erase(next);
        }
    }
    void OnRecordTextsChanged(std::uint32_t) override {}
    void OnRecordsReset() override
    {
        children.clear();
        parentOf.clear();
        for (const TreeRecord& r : doc->records()) {
            children[r.parentId].push_back(r.recordId);
            parentOf[r.recordId] = r.parentId;
        }
    }

    const CZETbrowserDoc* doc = nullptr;

private:
    std::uint32_t recordParent(std::uint32_t id) const { return doc->FindRecord(id)->parentId; }
};

// The document's own structure in the same form.
std::map<std::uint32_t, std::vector<std::uint32_t>> ChildrenOf(const CZETbrowserDoc& doc)
{
    std::map<std::uint32_t, std::vector<std::uint32_t>> children;
    for (const TreeRecord& r : doc.records())
        children[r.parentId].push_back(r.recordId);
    return children;
}

std::map<std::uint32_t, std::vector<std::uint32_t>>
WithoutEmpty(std::map<std::uint32_t, std::vector<std::uint32_t>> children)
{
    std::erase_if(children, [](const auto& entry) { return entry.second.empty(); });
    return children;
}

} // namespace

// Where a copy lands is told as its parent and the sibling it comes before, in one notice for
// the whole subtree.
TEST(RecordObserver, CopiesAreToldOnceWithTheirPlace)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    Recorder recorder(doc);
    doc.AddObserver(&recorder);
    doc.AddObserver(&recorder); // once only

    const auto intoSection = doc.CopySubtree(1, 7);   // last (and only) child of F7
    const auto ontoOwnParent = doc.CopySubtree(5, 1); // first child of F1, before I2
    const auto afterItem = doc.CopySubtree(7, 2);     // after I2, before F3
    const auto afterLastItem = doc.CopySubtree(6, 5); // after I5, the last child of F1
    const auto toTop = doc.CopySubtree(3, 0);
    const auto pasted = doc.CopyForeignSubtree(doc, 3, 1); // last under F1
    ASSERT_EQ(intoSection.size(), 5u);
    EXPECT_EQ(recorder.inserted, (std::vector<Recorder::Inserted>{{7, 0, intoSection},
                                                                  {1, 2, ontoOwnParent},
                                                                  {1, 3, afterItem},
                                                                  {1, 0, afterLastItem},
                                                                  {0, 0, toTop},
                                                                  {1, 0, pasted}}));

    // Refused or unknown: nothing.
    const auto told = recorder.log.size();
    EXPECT_TRUE(doc.CopySubtree(1, 4).empty());
    EXPECT_TRUE(doc.MoveSubtree(1, 1).empty());
    EXPECT_TRUE(doc.CopySubtree(99, 0).empty());
    EXPECT_TRUE(doc.CopyForeignSubtree(doc, 1, 2).empty());
    EXPECT_FALSE(doc.DeleteRecord(99));
    EXPECT_EQ(recorder.log.size(), told);

    // Gone: nothing more.
    doc.RemoveObserver(&recorder);
    doc.CopySubtree(1, 0);
    EXPECT_EQ(recorder.log.size(), told);
}

// A move is the source going (told while it is still there), then its copy arriving; creating in
// a section is the same moves; a single record inserted is told as a run of one.
TEST(RecordObserver, MovesCreationsAndSingleRecords)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    Recorder recorder(doc);
    doc.AddObserver(&recorder);

    const auto moved = doc.MoveSubtree(3, 7);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"removing 3", "inserted 8"}));
    EXPECT_EQ(recorder.inserted.back(), (Recorder::Inserted{7, 0, moved}));
    EXPECT_EQ(doc.FindRecord(3), nullptr);

    recorder.log.clear();
    const auto created = doc.CreateRecord(RecordKind::Item, 1);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"inserted 10", "removing 10",
                                                      "inserted " + std::to_string(created)}));
    EXPECT_EQ(recorder.inserted.back(), (Recorder::Inserted{1, 0, {created}}));

    recorder.log.clear();
    TreeRecord head = MakeItem("Head");
    const TreeRecord* first = doc.InsertRecord(&head, InsertPosition::FirstChild());
    EXPECT_EQ(recorder.inserted.back(), (Recorder::Inserted{0, 1, {first->recordId}}));
    EXPECT_TRUE(doc.DeleteRecord(1));
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"inserted " + std::to_string(first->recordId),
                                                      "removing 1"}));
}

TEST(RecordObserver, TextsAndResets)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    doc.FindRecord(2)->treeItem = 0x1234;
    Recorder recorder(doc);
    doc.AddObserver(&recorder);

    TreeRecord texts = MakeFolder("Renamed", "syn"); // kind, id and parent ignored
    texts.recordId = 77;
    texts.parentId = 5;
    texts.membership = "FN";
    texts.notes = "N";
    ASSERT_TRUE(doc.SetRecordTexts(2, texts));
    const TreeRecord& changed = *doc.FindRecord(2);
    EXPECT_EQ(changed.name, "Renamed");
    EXPECT_EQ(changed.synonym, "syn");
    EXPECT_EQ(changed.membership, "FN");
    EXPECT_EQ(changed.notes, "N");
    EXPECT_EQ(changed.recordId, 2u);
    EXPECT_EQ(changed.parentId, 1u);
    EXPECT_EQ(changed.kind, RecordKind::Item);
    EXPECT_EQ(changed.treeItem, 0x1234u);
    // The same texts again: nothing changed, nothing told. An unknown record: refused.
    EXPECT_TRUE(doc.SetRecordTexts(2, texts));
    EXPECT_FALSE(doc.SetRecordTexts(99, texts));
    EXPECT_EQ(recorder.log, std::vector<std::string>{"texts 2"});

    doc.SetRecords({});
    EXPECT_EQ(recorder.log.back(), "reset");
}

// What a save rewrites in the records (a name's outer spaces) is told, so the tree's label
// shows what the file holds.
TEST(RecordObserver, SaveTellsOfTheTextsItRewrites)
{
    CZETbrowserDoc doc;
    const auto padded = AddChild(doc, 0, MakeItem(" Padded "));
    AddChild(doc, 0, MakeItem("Plain"));
    Recorder recorder(doc);
    doc.AddObserver(&recorder);
    std::ostringstream out;
    ASSERT_TRUE(WriteSyntaxHelper(doc, out));
    EXPECT_EQ(doc.FindRecord(padded)->name, "Padded");
    EXPECT_EQ(recorder.log, std::vector<std::string>{"texts " + std::to_string(padded)});
}

// Random commands: a structure kept from the notices alone is the document's at every step.
TEST(RecordObserver, NoticesAloneKeepAMirrorInStep)
{
    CZETbrowserDoc doc;
    Shadow shadow;
    shadow.doc = &doc;
    doc.AddObserver(&shadow);
    BuildBook(doc);
    std::mt19937 random(19);
    for (int step = 0; step < 400; ++step) {
        std::vector<std::uint32_t> ids;
        for (const TreeRecord& r : doc.records())
            ids.push_back(r.recordId);
        const auto any = [&]() -> std::uint32_t {
            return ids.empty() ? 0 : ids[random() % ids.size()];
        };
        const auto target = [&]() -> std::uint32_t { return random() % 5 == 0 ? 0 : any(); };
        switch (random() % 7) {
        case 0:
            doc.CopySubtree(any(), target());
            break;
        case 1:
        case 2:
            doc.MoveSubtree(any(), target());
            break;
        case 3:
            doc.CreateRecord(random() % 2 ? RecordKind::Folder : RecordKind::Item, target());
            break;
        case 4:
            if (doc.RecordCount() > 30)
                doc.DeleteRecord(any());
            break;
        case 5:
            doc.CopyForeignSubtree(doc, any(), target());
            break;
        default: {
            // Under a section or at the top level, as InsertRecord's callers place records.
            TreeRecord single = MakeItem("S");
            const TreeRecord* parent = doc.FindRecord(target());
            single.parentId = parent && parent->isFolder() ? parent->recordId : 0;
            doc.InsertRecord(&single, random() % 2 ? InsertPosition::FirstChild()
                                                   : InsertPosition::LastChild());
            break;
        }
        }
        if (doc.RecordCount() > 400)
            doc.DeleteRecord(doc.records().front().recordId);
        ASSERT_EQ(WithoutEmpty(shadow.children), ChildrenOf(doc)) << "step " << step;
    }
}
