#include "DepthTracker.h"
#include "RecordLabel.h"
#include "RecordPathTracker.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(TreeRecordDefaults, FreshRecordIsAnAstItem)
{
    const TreeRecord r;
    EXPECT_EQ(r.membership, "AST");
    EXPECT_TRUE(r.name.empty() && r.synonym.empty() && r.spelling.empty() &&
                r.englishSpelling.empty() && r.purpose.empty() && r.syntax.empty() &&
                r.parameters.empty() && r.notes.empty());
    EXPECT_EQ(r.kind, RecordKind::Item);
    EXPECT_EQ(r.recordId, 0u);
    EXPECT_EQ(r.parentId, 0u);
    EXPECT_EQ(r.treeItem, 0u);
    EXPECT_EQ(r.parentTreeItem, 0u);
}

TEST(RecordIds, NewDocumentStartsAtOne)
{
    CZETbrowserDoc doc;
    EXPECT_EQ(doc.RecordCount(), 0u);
    EXPECT_EQ(doc.NewRecordId(), 1u);
    EXPECT_EQ(doc.NewRecordId(), 2u);
    EXPECT_EQ(doc.maxId(), 2u);
}

TEST(RecordIds, AfterReadingFiveRecordsNextIsSixAndDeletionDoesNotReuse)
{
    CZETbrowserDoc doc;
    LoadInto(doc,
             "{\"Shell\",{\"Folder\",\"a\",\"b\",\"c\",{\"Item\",\"1\",\"2\",\"3\",\"4\",\"5\",\"\""
             "\r\n}{\"Item\",\"1\",\"2\",\"3\",\"4\",\"5\",\"x\"}},{\"Folder\",\"\",\"\",\"\","
             "{\"Item\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n}}}");
    ASSERT_EQ(doc.RecordCount(), 5u);
    std::uint32_t expected = 1;
    for (const TreeRecord& r : doc.records())
        EXPECT_EQ(r.recordId, expected++);
    EXPECT_TRUE(doc.DeleteRecord(5));
    EXPECT_EQ(doc.NewRecordId(), 6u);
    EXPECT_EQ(doc.NewRecordId(), 7u);
}

TEST(RecordIds, ExhaustedCounterGivesSmallestUnusedId)
{
    CZETbrowserDoc doc;
    CZETbrowserDoc::RecordList list;
    for (std::uint32_t id : {1u, 2u, 4u, 0xFFFFFFFFu}) {
        TreeRecord r;
        r.recordId = id;
        list.push_back(r);
    }
    doc.SetRecords(list);
    EXPECT_EQ(doc.maxId(), 0xFFFFFFFFu);
    EXPECT_EQ(doc.NewRecordId(), 3u);
    EXPECT_EQ(doc.maxId(), 0xFFFFFFFFu);
    TreeRecord* inserted = doc.InsertRecord(nullptr, InsertPosition::End());
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->recordId, 3u);
    EXPECT_EQ(doc.NewRecordId(), 5u);
    EXPECT_EQ(doc.FindRecord(3), inserted);
}

TEST(FindRecord, UnknownAndZeroGiveNull)
{
    CZETbrowserDoc doc;
    EXPECT_EQ(doc.FindRecord(0), nullptr);
    AddChild(doc, 0, MakeItem("a"));
    EXPECT_NE(doc.FindRecord(1), nullptr);
    EXPECT_EQ(doc.FindRecord(2), nullptr);
    EXPECT_EQ(doc.FindRecord(0), nullptr);
}

TEST(DisplayName, AllCombinations)
{
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("", ""), true), "");
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("", ""), false), "");
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("N", ""), true), "N");
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("", "S"), true), "S");
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("", "S"), false), "");
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("N", "S"), true), "N ( S )");
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("N", "S"), false), "N");
}

TEST(RecordPath, WorkedExample)
{
    CZETbrowserDoc doc;
    const auto functions = AddChild(doc, 0, MakeFolder(W("Функции")));
    const auto strings = AddChild(doc, functions, MakeFolder(W("Строки")));
    const auto length = AddChild(doc, strings, MakeItem(W("Длина"), "Len"));
    EXPECT_EQ(doc.RecordPath(length, true), W("Функции\\Строки\\Длина ( Len )"));
    EXPECT_EQ(doc.RecordPath(length, false), W("Функции\\Строки\\Длина"));
    EXPECT_EQ(doc.RecordPath(functions, true), W("Функции"));
    EXPECT_EQ(doc.RecordPath(99, true), "");
    EXPECT_EQ(doc.RecordPath(0, false), "");
}

TEST(RecordPath, DanglingParentEndsTheWalk)
{
    CZETbrowserDoc doc;
    CZETbrowserDoc::RecordList list;
    TreeRecord r = MakeItem("orphan");
    r.recordId = 1;
    r.parentId = 42;
    list.push_back(r);
    doc.SetRecords(list);
    EXPECT_EQ(doc.RecordPath(1, false), "orphan");
    // A link to a missing record still counts for the depth.
    EXPECT_EQ(doc.RecordDepth(*doc.FindRecord(1)), 2);
}

TEST(RecordDepth, CountsLinks)
{
    CZETbrowserDoc doc;
    const auto a = AddChild(doc, 0, MakeFolder("a"));
    const auto b = AddChild(doc, a, MakeFolder("b"));
    const auto c = AddChild(doc, b, MakeItem("c"));
    EXPECT_EQ(doc.RecordDepth(*doc.FindRecord(a)), 1);
    EXPECT_EQ(doc.RecordDepth(*doc.FindRecord(b)), 2);
    EXPECT_EQ(doc.RecordDepth(*doc.FindRecord(c)), 3);
}

class TitleWatcher : public IDocumentView
{
public:
    void OnUpdate(IDocumentView*, UpdateHint, TreeRecord*) override { ++updates; }
    void OnDocumentTitleChanged() override { ++titleChanges; }
    int updates = 0;
    int titleChanges = 0;
};

TEST(SetModifiedMark, AddsAndRemovesOneMark)
{
    CZETbrowserDoc doc;
    TitleWatcher watcher;
    doc.AddView(&watcher);
    doc.SetTitle("book.zet");
    watcher.titleChanges = 0;
    doc.SetModifiedMark(true);
    doc.SetModifiedMark(true);
    EXPECT_EQ(doc.GetTitle(), "book.zet *");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(watcher.titleChanges, 1);
    doc.SetModifiedMark(false);
    EXPECT_EQ(doc.GetTitle(), "book.zet");
    EXPECT_FALSE(doc.IsModified());
    doc.SetModifiedMark(false);
    EXPECT_EQ(doc.GetTitle(), "book.zet");
    doc.SetTitle("star*");
    doc.SetModifiedMark(false);
    EXPECT_EQ(doc.GetTitle(), "star*");
    doc.RemoveView(&watcher);
}

TEST(Views, UpdateAllViewsSkipsTheSender)
{
    CZETbrowserDoc doc;
    TitleWatcher a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&b);
    EXPECT_EQ(doc.views().size(), 2u);
    doc.UpdateAllViews(&a, UpdateHint::Refresh, nullptr);
    EXPECT_EQ(a.updates, 0);
    EXPECT_EQ(b.updates, 1);
    doc.UpdateAllViews(nullptr, UpdateHint::OtherField, nullptr);
    EXPECT_EQ(a.updates, 1);
    EXPECT_EQ(b.updates, 2);
    doc.RemoveView(&a);
    doc.RemoveView(&b);
    EXPECT_TRUE(doc.views().empty());
}

TEST(SetPathName, TitleIsTheFileName)
{
    CZETbrowserDoc doc;
    doc.SetPathName("/tmp/some dir/Книга.zet");
    EXPECT_EQ(doc.GetPathName(), "/tmp/some dir/Книга.zet");
    EXPECT_EQ(doc.GetTitle(), "Книга.zet");
}

TEST(OnNewDocument, IsEmpty)
{
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("a"));
    doc.lastFoundId = 1;
    doc.OnNewDocument();
    EXPECT_EQ(doc.RecordCount(), 0u);
    EXPECT_EQ(doc.FindRecord(1), nullptr);
    EXPECT_EQ(doc.lastFoundId, 0u);
    EXPECT_EQ(doc.NewRecordId(), 1u);
}

TEST(RecordLabel, NamelessRecordsDifferOnlyInTheirStatedWay)
{
    for (const NamelessLabel form :
         {NamelessLabel::SynonymAlone, NamelessLabel::SynonymInParentheses}) {
        EXPECT_EQ(RecordLabel(MakeItem("", ""), form), "");
        EXPECT_EQ(RecordLabel(MakeItem("N", ""), form), "N");
        EXPECT_EQ(RecordLabel(MakeFolder(W("Длина"), "Len"), form), W("Длина ( Len )"));
        // Surrounding blanks are the caller's business: a label never trims.
        EXPECT_EQ(RecordLabel(MakeItem(" N", "S "), form), " N ( S  )");
    }
    EXPECT_EQ(RecordLabel(MakeItem("", "S"), NamelessLabel::SynonymAlone), "S");
    EXPECT_EQ(RecordLabel(MakeItem("", "S"), NamelessLabel::SynonymInParentheses), " ( S )");
    // The display name is the first form.
    EXPECT_EQ(CZETbrowserDoc::DisplayName(MakeItem("", "S"), true), "S");
}

namespace {

// Records by id, parent and whether a Folder: a pre-order part, then records out of that order:
// a dangling parent, a child listed before its parent, an Item named as a parent and a return to
// a Folder whose block was already left, with a Folder in it. (A parent cycle, which no
// operation makes, only stays bounded.) Some names and synonyms are missing.
void FillOutOfOrder(CZETbrowserDoc& doc)
{
    const std::vector<std::tuple<std::uint32_t, std::uint32_t, bool>> shape = {
        {1, 0, true},  {2, 1, true},   {3, 2, false},  {4, 2, true},  {5, 4, false},
        {6, 1, false}, {7, 0, false},  {8, 99, true},  {9, 8, false}, {10, 11, false},
        {11, 0, true}, {12, 7, false}, {13, 4, false}, {14, 4, true}, {15, 14, false}};
    CZETbrowserDoc::RecordList list;
    for (const auto& [id, parent, folder] : shape) {
        const std::string n = id % 3 == 0 ? "" : "n" + std::to_string(id);
        const std::string s = id % 4 == 0 ? "" : "s" + std::to_string(id);
        TreeRecord r = folder ? MakeFolder(n, s) : MakeItem(n, s);
        r.recordId = id;
        r.parentId = parent;
        list.push_back(r);
    }
    doc.SetRecords(list);
}

} // namespace

TEST(DepthTracker, AgreesWithTheParentWalkInAndOutOfPreOrder)
{
    CZETbrowserDoc doc;
    FillOutOfOrder(doc);
    DepthTracker depths(doc);
    std::vector<int> tracked;
    std::vector<int> walked;
    for (const TreeRecord& r : doc.records()) {
        tracked.push_back(depths.Depth(r));
        walked.push_back(doc.RecordDepth(r));
    }
    EXPECT_EQ(tracked, walked);
    EXPECT_EQ(tracked[4], 4);  // record 5, three Folders down
    EXPECT_EQ(tracked[12], 4); // record 13, back inside Folder 4
}

TEST(RecordPathTracker, AgreesWithRecordPathInAndOutOfPreOrder)
{
    CZETbrowserDoc doc;
    FillOutOfOrder(doc);
    RecordPathTracker paths(doc);
    for (const TreeRecord& r : doc.records()) {
        paths.Visit(r);
        EXPECT_EQ(paths.Path(false), doc.RecordPath(r.recordId, false)) << r.recordId;
        EXPECT_EQ(paths.Path(true), doc.RecordPath(r.recordId, true)) << r.recordId;
    }
    EXPECT_EQ(paths.Path(false), "n1\\n2\\n4\\n14\\"); // record 15, nameless, came through
}
