#include "SyntaxHelperWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint32_t> Ids(const CZETbrowserDoc::RecordList& list)
{
    std::vector<std::uint32_t> ids;
    for (const TreeRecord& r : list)
        ids.push_back(r.recordId);
    return ids;
}

std::vector<std::string> Names(const CZETbrowserDoc& doc)
{
    std::vector<std::string> names;
    for (const TreeRecord& r : doc.records())
        names.push_back(r.name);
    return names;
}

std::string Write(CZETbrowserDoc& doc)
{
    std::ostringstream out;
    EXPECT_TRUE(WriteSyntaxHelper(doc, out));
    return out.str();
}

// F1 { I2, F3 { I4, F5 { I6 } }, I7 }, I8
class EditingFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f1 = AddChild(doc, 0, MakeFolder("F1"));
        i2 = AddChild(doc, f1, MakeItem("I2"));
        f3 = AddChild(doc, f1, MakeFolder("F3"));
        i4 = AddChild(doc, f3, MakeItem("I4"));
        f5 = AddChild(doc, f3, MakeFolder("F5"));
        i6 = AddChild(doc, f5, MakeItem("I6"));
        i7 = AddChild(doc, f1, MakeItem("I7"));
        i8 = AddChild(doc, 0, MakeItem("I8"));
    }
    CZETbrowserDoc doc;
    std::uint32_t f1, i2, f3, i4, f5, i6, i7, i8;
};

} // namespace

TEST(InsertRecord, LastChildIntoEmptyDocumentAppendsWithIdOne)
{
    CZETbrowserDoc doc;
    TreeRecord* r = doc.InsertRecord(nullptr, InsertPosition::LastChild());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->recordId, 1u);
    EXPECT_EQ(r->membership, "AST");
    EXPECT_EQ(doc.RecordCount(), 1u);
    EXPECT_EQ(doc.FindRecord(1), r);
}

TEST(InsertRecord, FirstChildAtTopLevelGoesToTheHead)
{
    CZETbrowserDoc doc;
    const auto f = AddChild(doc, 0, MakeFolder("F"));
    AddChild(doc, f, MakeItem("child"));
    TreeRecord top = MakeItem("top");
    doc.InsertRecord(&top, InsertPosition::FirstChild());
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"top", "F", "child"}));
    CZETbrowserDoc empty;
    EXPECT_NE(empty.InsertRecord(&top, InsertPosition::FirstChild()), nullptr);
    EXPECT_EQ(empty.RecordCount(), 1u);
}

TEST_F(EditingFixture, BuiltInPreOrder)
{
    EXPECT_EQ(Names(doc),
              (std::vector<std::string>{"F1", "I2", "F3", "I4", "F5", "I6", "I7", "I8"}));
    EXPECT_EQ(doc.FindRecord(i6)->parentId, f5);
}

TEST_F(EditingFixture, LastChildGoesAfterTheLastDescendant)
{
    // F3's last child is F5, which has a child: the new record goes after I6.
    const auto n = AddChild(doc, f3, MakeItem("N"));
    EXPECT_EQ(Names(doc),
              (std::vector<std::string>{"F1", "I2", "F3", "I4", "F5", "I6", "N", "I7", "I8"}));
    EXPECT_EQ(n, 9u);
    // The written file shows it as F3's last child, at depth 3.
    const std::string text = Write(doc);
    EXPECT_NE(text.find("    }\r\n   },\r\n   {\"Item\",\"AST\",\"N\",\"\",\"\",\"\",\r\n\"\"\r\n"
                        "   }\r\n  },\r\n"),
              std::string::npos)
        << text;
    CZETbrowserDoc reread;
    LoadInto(reread, text);
    EXPECT_EQ(reread.FindRecord(7)->name, "N");
    EXPECT_EQ(reread.FindRecord(7)->parentId, 3u);
}

TEST_F(EditingFixture, LastChildAtTopLevelAppends)
{
    AddChild(doc, 0, MakeItem("N"));
    EXPECT_EQ(Names(doc).back(), "N");
    EXPECT_EQ(doc.SubtreeEnd(0), 9u);
}

TEST_F(EditingFixture, FirstChildGoesDirectlyAfterTheFolder)
{
    TreeRecord n = MakeItem("N");
    n.parentId = f3;
    doc.InsertRecord(&n, InsertPosition::FirstChild());
    EXPECT_EQ(Names(doc),
              (std::vector<std::string>{"F1", "I2", "F3", "N", "I4", "F5", "I6", "I7", "I8"}));
}

TEST_F(EditingFixture, AfterItemFindsTheFirstRecordWithTheHandle)
{
    doc.FindRecord(i4)->treeItem = 0x4444;
    doc.FindRecord(i7)->treeItem = 0x4444;
    TreeRecord n = MakeItem("N");
    n.parentId = f3;
    doc.InsertRecord(&n, InsertPosition::AfterItem(0x4444));
    EXPECT_EQ(Names(doc),
              (std::vector<std::string>{"F1", "I2", "F3", "I4", "N", "F5", "I6", "I7", "I8"}));
}

TEST_F(EditingFixture, AfterItemWithUnknownHandleAppends)
{
    TreeRecord n = MakeItem("N");
    doc.InsertRecord(&n, InsertPosition::AfterItem(0xDEAD));
    EXPECT_EQ(Names(doc).back(), "N");
}

TEST_F(EditingFixture, EndAppends)
{
    TreeRecord n = MakeItem("N");
    doc.InsertRecord(&n, InsertPosition::End());
    EXPECT_EQ(Names(doc).back(), "N");
}

TEST_F(EditingFixture, LastChildOfUnknownParentAppends)
{
    TreeRecord n = MakeItem("N");
    n.parentId = 77;
    doc.InsertRecord(&n, InsertPosition::LastChild());
    EXPECT_EQ(Names(doc).back(), "N");
    TreeRecord m = MakeItem("M");
    m.parentId = 78;
    doc.InsertRecord(&m, InsertPosition::FirstChild());
    EXPECT_EQ(Names(doc).front(), "M");
}

TEST_F(EditingFixture, CopyGetsANewIdAndKeepsEverythingElse)
{
    TreeRecord source = *doc.FindRecord(i4);
    source.treeItem = 0x10;
    source.parentTreeItem = 0x20;
    source.syntax = "s";
    TreeRecord* copy = doc.InsertRecord(&source, InsertPosition::LastChild());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->recordId, i4);
    EXPECT_EQ(copy->recordId, 9u);
    TreeRecord expected = source;
    expected.recordId = copy->recordId;
    EXPECT_EQ(*copy, expected);
    EXPECT_EQ(doc.FindRecord(i4)->syntax, "");
}

TEST_F(EditingFixture, SubtreeStartAndEnd)
{
    EXPECT_EQ(doc.SubtreeStart(f3), f3);
    EXPECT_EQ(doc.SubtreeStart(i2), i2);
    EXPECT_EQ(doc.SubtreeStart(0), f1);
    EXPECT_EQ(doc.SubtreeStart(99), 0u);
    EXPECT_EQ(doc.SubtreeEnd(f1), i7);
    EXPECT_EQ(doc.SubtreeEnd(f3), i6);
    EXPECT_EQ(doc.SubtreeEnd(f5), i6);
    EXPECT_EQ(doc.SubtreeEnd(i4), i4);
    EXPECT_EQ(doc.SubtreeEnd(0), i8);
    EXPECT_EQ(doc.SubtreeEnd(99), 0u);
    CZETbrowserDoc empty;
    EXPECT_EQ(empty.SubtreeStart(0), 0u);
    EXPECT_EQ(empty.SubtreeEnd(0), 0u);
}

TEST_F(EditingFixture, SubtreeEndOfEmptyFolderIsTheFolder)
{
    const auto e = AddChild(doc, f1, MakeFolder("E"));
    EXPECT_EQ(doc.SubtreeEnd(e), e);
    EXPECT_EQ(doc.SubtreeEnd(f1), e);
}

TEST_F(EditingFixture, CollectChildren)
{
    CZETbrowserDoc::RecordList out{MakeItem("stale")};
    doc.CollectChildren(out, f1, false);
    EXPECT_EQ(Ids(out), (std::vector<std::uint32_t>{i2, f3, i7}));
    doc.CollectChildren(out, f1, true);
    EXPECT_EQ(Ids(out), (std::vector<std::uint32_t>{i2, f3, i4, f5, i6, i7}));
    doc.CollectChildren(out, f5, true);
    EXPECT_EQ(Ids(out), (std::vector<std::uint32_t>{i6}));
    doc.CollectChildren(out, 0, false);
    EXPECT_EQ(Ids(out), (std::vector<std::uint32_t>{f1, i8}));
    doc.CollectChildren(out, 0, true);
    EXPECT_EQ(out.size(), 8u);
    doc.CollectChildren(out, i2, true);
    EXPECT_TRUE(out.empty());
    out.push_back(MakeItem("stale"));
    doc.CollectChildren(out, 99, true);
    EXPECT_TRUE(out.empty());
    // Copies: changing them leaves the document alone.
    doc.CollectChildren(out, f1, false);
    out.front().name = "changed";
    EXPECT_EQ(doc.FindRecord(i2)->name, "I2");
}

TEST_F(EditingFixture, CollectChildrenOfEmptyFolder)
{
    const auto e = AddChild(doc, 0, MakeFolder("E"));
    CZETbrowserDoc::RecordList out;
    doc.CollectChildren(out, e, true);
    EXPECT_TRUE(out.empty());
}

TEST_F(EditingFixture, DeleteFolderRemovesEveryDescendant)
{
    EXPECT_TRUE(doc.DeleteRecord(f3));
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"F1", "I2", "I7", "I8"}));
    for (auto id : {f3, i4, f5, i6})
        EXPECT_EQ(doc.FindRecord(id), nullptr);
    EXPECT_EQ(doc.FindRecord(i7)->name, "I7");
    EXPECT_EQ(doc.NewRecordId(), 9u);
}

TEST_F(EditingFixture, DeleteItemAndUnknown)
{
    EXPECT_TRUE(doc.DeleteRecord(i8));
    EXPECT_EQ(doc.RecordCount(), 7u);
    EXPECT_FALSE(doc.DeleteRecord(i8));
    EXPECT_FALSE(doc.DeleteRecord(0));
    EXPECT_FALSE(doc.DeleteRecord(1234));
    EXPECT_EQ(doc.RecordCount(), 7u);
    EXPECT_TRUE(doc.DeleteRecord(f1));
    EXPECT_EQ(doc.RecordCount(), 0u);
    EXPECT_EQ(doc.SubtreeEnd(0), 0u);
}

// The tree's copy command: the source under a target, then each direct child under the copy.
TEST_F(EditingFixture, CopySubtreeAsTheTreeDoes)
{
    struct Job
    {
        std::uint32_t source;
        std::uint32_t target;
    };
    std::vector<Job> jobs{{f3, i8}};
    // i8 is an Item: its tree handle anchors the copy after it.
    doc.FindRecord(i8)->treeItem = 0x88;
    std::uintptr_t nextHandle = 0x1000;
    while (!jobs.empty()) {
        const Job job = jobs.back();
        jobs.pop_back();
        TreeRecord copy = *doc.FindRecord(job.source);
        const TreeRecord& target = *doc.FindRecord(job.target);
        InsertPosition pos = InsertPosition::LastChild();
        if (target.isFolder()) {
            copy.parentId = target.recordId;
        } else {
            copy.parentId = target.parentId;
            pos = InsertPosition::AfterItem(target.treeItem);
        }
        TreeRecord* inserted = doc.InsertRecord(&copy, pos);
        ASSERT_NE(inserted, nullptr);
        inserted->treeItem = nextHandle++;
        if (copy.isFolder()) {
            CZETbrowserDoc::RecordList children;
            doc.CollectChildren(children, job.source, false);
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                jobs.push_back({it->recordId, inserted->recordId});
        }
    }
    EXPECT_EQ(Names(doc), (std::vector<std::string>{"F1", "I2", "F3", "I4", "F5", "I6", "I7", "I8",
                                                    "F3", "I4", "F5", "I6"}));
    const std::string text = Write(doc);
    CZETbrowserDoc reread;
    LoadInto(reread, text);
    EXPECT_EQ(Write(reread), text);
    EXPECT_EQ(reread.FindRecord(12)->parentId, 11u);
    EXPECT_EQ(reread.FindRecord(9)->parentId, 0u);
}
