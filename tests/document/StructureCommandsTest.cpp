#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Records without their tree handles, which the commands leave for the tree to set.
std::vector<TreeRecord> Contents(const CZETbrowserDoc& doc)
{
    std::vector<TreeRecord> records(doc.records().begin(), doc.records().end());
    for (TreeRecord& record : records)
        record.treeItem = record.parentTreeItem = 0;
    return records;
}

std::vector<std::string> Names(const CZETbrowserDoc& doc)
{
    std::vector<std::string> names;
    for (const TreeRecord& r : doc.records())
        names.push_back(r.name);
    return names;
}

// F1 { I2, F3 { I4, F5 { I6 } }, I7, E8 {} }, I9, F10 { F11 { I12 } }; every record carries a
// distinct tree handle, as after the tree has shown the book.
void BuildBook(CZETbrowserDoc& doc)
{
    const auto f1 = AddChild(doc, 0, MakeFolder("F1", "syn"));
    AddChild(doc, f1, MakeItem("I2"));
    const auto f3 = AddChild(doc, f1, MakeFolder("F3"));
    AddChild(doc, f3, MakeItem("I4"));
    const auto f5 = AddChild(doc, f3, MakeFolder("F5"));
    TreeRecord i6 = MakeItem("I6");
    i6.membership = "M6";
    i6.syntax = "S()\r\n";
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

bool Inside(const CZETbrowserDoc& doc, std::uint32_t id, std::uint32_t ancestor)
{
    for (const TreeRecord* r = doc.FindRecord(id); r; r = doc.FindRecord(r->parentId)) {
        if (r->recordId == ancestor)
            return true;
    }
    return false;
}

// The copy and move command as the tree composed it from InsertRecord and CollectChildren, one
// record at a time: the reference the document's own commands must match.
std::vector<std::uint32_t> ReferenceCopy(CZETbrowserDoc& doc, std::uint32_t sourceId,
                                         std::uint32_t targetId, bool move)
{
    if (targetId != 0 && Inside(doc, targetId, sourceId))
        return {};
    const TreeRecord source = *doc.FindRecord(sourceId);
    const TreeRecord* target = doc.FindRecord(targetId);
    TreeRecord top = source;
    InsertPosition position = InsertPosition::LastChild();
    top.parentId = 0;
    if (target && target->isFolder()) {
        top.parentId = targetId;
        if (targetId == source.parentId)
            position = InsertPosition::FirstChild();
    } else if (target) {
        top.parentId = target->parentId;
        position = InsertPosition::AfterItem(target->treeItem);
    }
    std::uintptr_t handle = 0x9000;
    std::vector<std::uint32_t> ids;
    TreeRecord* inserted = doc.InsertRecord(&top, position);
    inserted->treeItem = handle++;
    ids.push_back(inserted->recordId);
    std::vector<std::pair<TreeRecord, std::uint32_t>> pending;
    auto pushChildren = [&](std::uint32_t from, std::uint32_t to) {
        CZETbrowserDoc::RecordList children;
        doc.CollectChildren(children, from, false);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(*it, to);
    };
    if (source.isFolder())
        pushChildren(sourceId, inserted->recordId);
    while (!pending.empty()) {
        auto [child, parent] = pending.back();
        pending.pop_back();
        TreeRecord copy = child;
        copy.parentId = parent;
        TreeRecord* made = doc.InsertRecord(&copy, InsertPosition::LastChild());
        made->treeItem = handle++;
        ids.push_back(made->recordId);
        if (child.isFolder())
            pushChildren(child.recordId, made->recordId);
    }
    if (move)
        doc.DeleteRecord(sourceId);
    return ids;
}

} // namespace

// Every source onto every target (and the top level), copied and moved: the same records in the
// same order with the same ids as the record-by-record command, or the same refusal.
TEST(StructureCommands, CopyAndMoveMatchTheRecordByRecordCommand)
{
    CZETbrowserDoc book;
    BuildBook(book);
    std::vector<std::uint32_t> ids;
    for (const TreeRecord& r : book.records())
        ids.push_back(r.recordId);
    std::vector<std::uint32_t> targets = ids;
    targets.push_back(0);
    int refused = 0;
    for (const bool move : {false, true}) {
        for (const std::uint32_t source : ids) {
            for (const std::uint32_t target : targets) {
                SCOPED_TRACE(testing::Message()
                             << (move ? "move " : "copy ") << source << " to " << target);
                CZETbrowserDoc expected;
                BuildBook(expected);
                CZETbrowserDoc actual;
                BuildBook(actual);
                const auto before = Contents(actual);
                const auto subtree = actual.SubtreeIds(source);
                const auto wanted = ReferenceCopy(expected, source, target, move);
                const auto made =
                    move ? actual.MoveSubtree(source, target) : actual.CopySubtree(source, target);
                EXPECT_EQ(made, wanted);
                EXPECT_EQ(Contents(actual), Contents(expected));
                EXPECT_EQ(actual.maxId(), made.empty() ? 12u : expected.maxId());
                if (made.empty()) {
                    ++refused;
                    EXPECT_EQ(Contents(actual), before);
                    continue;
                }
                // The i-th new record is the copy of the i-th record of the source's subtree.
                ASSERT_EQ(made.size(), subtree.size());
                for (std::size_t i = 0; i < made.size(); ++i) {
                    EXPECT_EQ(actual.FindRecord(made[i])->name, book.FindRecord(subtree[i])->name);
                    EXPECT_EQ(actual.FindRecord(made[i])->treeItem, 0u);
                }
            }
        }
    }
    // Each source onto itself and its descendants, both ways.
    EXPECT_EQ(refused, 2 * (12 + 7 + 3 + 1 + 2 + 1));
}

TEST(StructureCommands, UnknownSourceOrTargetChangesNothing)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    const auto before = Contents(doc);
    EXPECT_TRUE(doc.CopySubtree(99, 0).empty());
    EXPECT_TRUE(doc.CopySubtree(0, 1).empty());
    EXPECT_TRUE(doc.MoveSubtree(2, 99).empty());
    EXPECT_TRUE(doc.SubtreeIds(99).empty());
    EXPECT_EQ(Contents(doc), before);
    EXPECT_EQ(doc.maxId(), 12u);
}

TEST(StructureCommands, SubtreeMembershipStopsAtTheSubtreesEnd)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    auto expected = Contents(doc);
    // F3 holds I4, F5 and I6 (whose own letters differ); I7 after it is F1's, not F3's.
    doc.SetSubtreeMembership(3, "T");
    for (const std::size_t i : {2, 3, 4, 5})
        expected[i].membership = "T";
    EXPECT_EQ(Contents(doc), expected);
    EXPECT_FALSE(doc.IsModified());
    // An entry is a subtree of one; so is an empty section; an unknown id changes nothing.
    doc.SetSubtreeMembership(9, "O");
    doc.SetSubtreeMembership(8, "S");
    doc.SetSubtreeMembership(99, "A");
    expected[8].membership = "O";
    expected[7].membership = "S";
    EXPECT_EQ(Contents(doc), expected);
}

TEST(StructureCommands, CreateRecord)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    doc.FindRecord(1)->membership = "FN";
    // At the top level: last, "AST", the next id.
    const auto top = doc.CreateRecord(RecordKind::Folder, 0);
    EXPECT_EQ(top, 13u);
    EXPECT_EQ(doc.records().back().recordId, top);
    TreeRecord expected;
    expected.kind = RecordKind::Folder;
    expected.name = W("Новый раздел");
    expected.recordId = top;
    EXPECT_EQ(*doc.FindRecord(top), expected);
    // In a section: after its last descendant, with its membership, under the second of two
    // fresh ids (made at the top level and moved in).
    const auto inner = doc.CreateRecord(RecordKind::Item, 1);
    EXPECT_EQ(inner, 15u);
    EXPECT_EQ(doc.maxId(), 15u);
    EXPECT_EQ(doc.FindRecord(14), nullptr);
    const TreeRecord& made = *doc.FindRecord(inner);
    EXPECT_EQ(made.name, W("Новая запись"));
    EXPECT_EQ(made.kind, RecordKind::Item);
    EXPECT_EQ(made.membership, "FN");
    EXPECT_EQ(made.parentId, 1u);
    EXPECT_EQ(Names(doc),
              (std::vector<std::string>{"F1", "I2", "F3", "I4", "F5", "I6", "I7", "E8", made.name,
                                        "I9", "F10", "F11", "I12", W("Новый раздел")}));
    // Only a section takes new records.
    const auto count = doc.RecordCount();
    EXPECT_EQ(doc.CreateRecord(RecordKind::Item, 2), 0u);
    EXPECT_EQ(doc.CreateRecord(RecordKind::Item, 99), 0u);
    EXPECT_EQ(doc.RecordCount(), count);
}

// Pasting between documents: last under the parent, fresh ids in pre-order, the source only read;
// the same order and ids as the record-by-record paste.
TEST(StructureCommands, CopyForeignSubtree)
{
    CZETbrowserDoc source;
    BuildBook(source);
    const auto sourceBefore = Contents(source);
    for (const std::uint32_t parent : {0u, 1u, 3u, 8u, 10u}) {
        SCOPED_TRACE(parent);
        CZETbrowserDoc target;
        BuildBook(target);
        CZETbrowserDoc expected;
        BuildBook(expected);
        // The reference: InsertRecord with LastChild for the top, then each source child in turn.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> pending{{1, parent}};
        std::vector<std::uint32_t> wanted;
        while (!pending.empty()) {
            auto [from, to] = pending.back();
            pending.pop_back();
            TreeRecord copy = *source.FindRecord(from);
            copy.parentId = to;
            wanted.push_back(expected.InsertRecord(&copy, InsertPosition::LastChild())->recordId);
            CZETbrowserDoc::RecordList children;
            source.CollectChildren(children, from, false);
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                pending.emplace_back(it->recordId, wanted.back());
        }
        EXPECT_EQ(target.CopyForeignSubtree(source, 1, parent), wanted);
        EXPECT_EQ(Contents(target), Contents(expected));
    }
    EXPECT_EQ(Contents(source), sourceBefore);

    CZETbrowserDoc target;
    BuildBook(target);
    const auto before = Contents(target);
    EXPECT_TRUE(target.CopyForeignSubtree(source, 99, 0).empty());
    EXPECT_TRUE(target.CopyForeignSubtree(source, 1, 2).empty()); // an Item is no parent
    EXPECT_TRUE(target.CopyForeignSubtree(source, 1, 99).empty());
    EXPECT_EQ(Contents(target), before);
}

// The same document as its own source, pasted inside the copied section: the section as it was
// is copied once, instead of the copy being copied again for ever.
TEST(StructureCommands, PasteIntoOwnSubtreeCopiesWhatWasThere)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    const auto made = doc.CopyForeignSubtree(doc, 10, 11);
    EXPECT_EQ(made, (std::vector<std::uint32_t>{13, 14, 15}));
    EXPECT_EQ(Names(doc),
              (std::vector<std::string>{"F1", "I2", "F3", "I4", "F5", "I6", "I7", "E8", "I9", "F10",
                                        "F11", "I12", "F10", "F11", "I12"}));
    EXPECT_EQ(doc.FindRecord(13)->parentId, 11u);
    EXPECT_EQ(doc.FindRecord(15)->parentId, 14u);
}

// No recursion anywhere: a chain nested 100,000 deep is copied, moved and pasted whole.
TEST(StructureCommands, DeepChain)
{
    constexpr std::uint32_t depth = 100000;
    CZETbrowserDoc::RecordList records;
    for (std::uint32_t id = 1; id <= depth; ++id) {
        TreeRecord r = MakeFolder("D");
        r.recordId = id;
        r.parentId = id - 1;
        records.push_back(r);
    }
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(records));
    EXPECT_TRUE(doc.CopySubtree(1, depth).empty()); // into its own depths
    const auto copy = doc.CopySubtree(1, 0);
    ASSERT_EQ(copy.size(), std::size_t(depth));
    EXPECT_EQ(doc.FindRecord(copy.back())->parentId, copy[depth - 2]);
    const auto moved = doc.MoveSubtree(2, copy.back());
    ASSERT_EQ(moved.size(), std::size_t(depth - 1));
    EXPECT_EQ(doc.RecordCount(), std::size_t(2 * depth));
    EXPECT_EQ(doc.FindRecord(moved.front())->parentId, copy.back());
    EXPECT_EQ(doc.records().back().recordId, moved.back());
    CZETbrowserDoc other;
    EXPECT_EQ(other.CopyForeignSubtree(doc, moved.front(), 0).size(), std::size_t(depth - 1));
    EXPECT_EQ(other.records().back().parentId, depth - 2);
}
