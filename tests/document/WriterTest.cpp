#include "SyntaxHelperWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Write(CZETbrowserDoc& doc)
{
    std::ostringstream out;
    EXPECT_TRUE(WriteSyntaxHelper(doc, out));
    return out.str();
}

const std::string kFileStart = "{\"Shell\",\r\n";

} // namespace

TEST(Writer, WorkedExample)
{
    CZETbrowserDoc doc;
    TreeRecord folder = MakeFolder("FName", "FSyn");
    folder.membership = "FM";
    const auto f = AddChild(doc, 0, folder);
    TreeRecord item = MakeItem("IName", "ISyn");
    item.membership = "IM";
    item.spelling = "Sp";
    item.englishSpelling = "En";
    item.syntax = "Call(x)";
    AddChild(doc, f, item);
    TreeRecord empty = MakeItem("E", "");
    AddChild(doc, 0, empty);
    const std::string expected = kFileStart +                                                 // 1
                                 " {\"Folder\",\"FM\",\"FName\",\"FSyn\",\r\n" +              // 2
                                 "  {\"Item\",\"IM\",\"IName\",\"ISyn\",\"Sp\",\"En\",\r\n" + // 3
                                 "\"" + W("@Синтаксис:\r\n") +                                // 4
                                 "Call(x)\r\n" +                                              // 5
                                 "\"\r\n" +                                                   // 6
                                 "  }\r\n" +                                                  // 7
                                 " },\r\n" +                                                  // 8
                                 " {\"Item\",\"AST\",\"E\",\"\",\"\",\"\",\r\n" +             // 9
                                 "\"\"\r\n" +                                                 // 10
                                 " }\r\n" +                                                   // 11
                                 "}";                                                         // 12
    EXPECT_EQ(Write(doc), expected);
}

TEST(Writer, EmptyDocumentWritesNothingAndKeepsTheMark)
{
    CZETbrowserDoc doc;
    doc.SetTitle("x");
    doc.SetModifiedMark(true);
    EXPECT_EQ(Write(doc), "");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "x *");
    CZETbrowserDoc reread;
    LoadInto(reread, "");
    EXPECT_EQ(reread.RecordCount(), 0u);
}

TEST(Writer, ClearsTheMarkOfANonEmptyDocument)
{
    CZETbrowserDoc doc;
    doc.SetTitle("x");
    AddChild(doc, 0, MakeItem("a"));
    doc.SetModifiedMark(true);
    Write(doc);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "x");
}

TEST(Writer, TrimsNameAndSynonymInTheDocumentToo)
{
    CZETbrowserDoc doc;
    const auto id = AddChild(doc, 0, MakeItem(" \t\r\n\v\fN a\f\v\n\r\t ", "  S  "));
    TreeRecord* r = doc.FindRecord(id);
    r->spelling = "  keep  ";
    const std::string text = Write(doc);
    EXPECT_EQ(text, kFileStart +
                        " {\"Item\",\"AST\",\"N a\",\"S\",\"  keep  \",\"\",\r\n\"\"\r\n }\r\n}");
    EXPECT_EQ(r->name, "N a");
    EXPECT_EQ(r->synonym, "S");
    EXPECT_EQ(r->spelling, "  keep  ");
    doc.FindRecord(id)->name = "   ";
    Write(doc);
    EXPECT_EQ(r->name, "");
}

TEST(Writer, AllSectionsInOrderWithBreaksAddedOnlyWhereMissing)
{
    CZETbrowserDoc doc;
    TreeRecord item = MakeItem("n");
    item.syntax = "S\r\n";
    item.purpose = "P";
    item.parameters = "A\r\nB";
    item.notes = "@Note:\r\nN\n";
    AddChild(doc, 0, item);
    EXPECT_EQ(Write(doc), kFileStart + " {\"Item\",\"AST\",\"n\",\"\",\"\",\"\",\r\n\"" +
                              W("@Синтаксис:\r\n") + "S\r\n" + W("@Назначение:\r\n") + "P\r\n" +
                              W("@Параметры:\r\n") + "A\r\nB\r\n" + "@Note:\r\nN\n\r\n" +
                              "\"\r\n }\r\n}");
}

TEST(Writer, FolderStringsBeyondTheThreeAreNotWritten)
{
    CZETbrowserDoc doc;
    TreeRecord f = MakeFolder("F");
    f.syntax = "ignored";
    f.spelling = "ignored";
    AddChild(doc, 0, f);
    EXPECT_EQ(Write(doc), kFileStart + " {\"Folder\",\"AST\",\"F\",\"\",\r\n },\r\n}");
}

TEST(Writer, ThreeNestedFoldersClosedAtTheEnd)
{
    CZETbrowserDoc doc;
    const auto a = AddChild(doc, 0, MakeFolder("a"));
    const auto b = AddChild(doc, a, MakeFolder("b"));
    AddChild(doc, b, MakeFolder("c"));
    EXPECT_EQ(Write(doc), kFileStart + " {\"Folder\",\"AST\",\"a\",\"\",\r\n" +
                              "  {\"Folder\",\"AST\",\"b\",\"\",\r\n" +
                              "   {\"Folder\",\"AST\",\"c\",\"\",\r\n" + "   },\r\n" + "  },\r\n" +
                              " },\r\n" + "}");
}

TEST(Writer, FoldersCloseBeforeTheNextRecordOutsideThem)
{
    CZETbrowserDoc doc;
    const auto a = AddChild(doc, 0, MakeFolder("a"));
    const auto b = AddChild(doc, a, MakeFolder("b"));
    AddChild(doc, b, MakeItem("i"));
    AddChild(doc, 0, MakeFolder("z"));
    EXPECT_EQ(Write(doc), kFileStart + " {\"Folder\",\"AST\",\"a\",\"\",\r\n" +
                              "  {\"Folder\",\"AST\",\"b\",\"\",\r\n" +
                              "   {\"Item\",\"AST\",\"i\",\"\",\"\",\"\",\r\n\"\"\r\n   }\r\n" +
                              "  },\r\n" + " },\r\n" + " {\"Folder\",\"AST\",\"z\",\"\",\r\n" +
                              " },\r\n" + "}");
}

TEST(Writer, ValuesGoOutUnchanged)
{
    CZETbrowserDoc doc;
    TreeRecord item = MakeItem("a\"\"b", "{}");
    item.membership = "\xC0\xFF";
    item.notes = "%s%d";
    AddChild(doc, 0, item);
    EXPECT_EQ(Write(doc), kFileStart +
                              " {\"Item\",\"\xC0\xFF\",\"a\"\"b\",\"{}\",\"\",\"\",\r\n\"%s%d\r\n"
                              "\"\r\n }\r\n}");
}

TEST(Writer, DanglingParentStillCountsOneLevel)
{
    // A parent no record bears still counts one level.
    CZETbrowserDoc doc;
    CZETbrowserDoc::RecordList list;
    TreeRecord r = MakeItem("x");
    r.recordId = 1;
    r.parentId = 9;
    list.push_back(r);
    doc.SetRecords(list);
    EXPECT_EQ(Write(doc),
              kFileStart + "  {\"Item\",\"AST\",\"x\",\"\",\"\",\"\",\r\n\"\"\r\n  }\r\n}");
}

TEST(Writer, FailedStreamReturnsFalseAndKeepsTheMark)
{
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("a"));
    doc.SetModifiedMark(true);
    std::ofstream full("/dev/full", std::ios::binary);
    ASSERT_TRUE(full.is_open());
    EXPECT_FALSE(WriteSyntaxHelper(doc, full));
    EXPECT_TRUE(doc.IsModified());
    std::ostringstream bad;
    bad.setstate(std::ios::badbit);
    EXPECT_FALSE(WriteSyntaxHelper(doc, bad));
}

TEST(RoundTrip, EdgeCasesReadBackAsWritten)
{
    CZETbrowserDoc doc;
    const auto f = AddChild(doc, 0, MakeFolder(W("Раздел"), "Syn"));
    TreeRecord all = MakeItem(W("Всё"), W("Синоним"));
    all.membership = "M";
    all.spelling = "sp";
    all.englishSpelling = "en";
    all.syntax = "S1\r\nS2\r\n";
    all.purpose = "P\r\n";
    all.parameters = "A\r\n";
    AddChild(doc, f, all);
    AddChild(doc, f, MakeItem("empty"));
    TreeRecord noBreak = MakeItem("nobreak");
    noBreak.syntax = "S";
    AddChild(doc, 0, noBreak);
    TreeRecord notes = MakeItem("notes");
    notes.notes = "N\r\n";
    AddChild(doc, 0, notes);
    TreeRecord joined = MakeItem("joined");
    joined.syntax = "S\r\n";
    joined.notes = "tail\r\n";
    AddChild(doc, 0, joined);
    TreeRecord atNotes = MakeItem("atnotes");
    atNotes.purpose = "P\r\n";
    atNotes.notes = "@Пример:\r\nx\r\n";
    AddChild(doc, 0, atNotes);

    const std::string first = Write(doc);
    CZETbrowserDoc reread;
    LoadInto(reread, first);
    ASSERT_EQ(reread.RecordCount(), doc.RecordCount());
    auto expect = doc.records().begin();
    for (const TreeRecord& got : reread.records()) {
        TreeRecord want = *expect++;
        if (want.name == "nobreak")
            want.syntax = "S\r\n"; // the file gained the break
        if (want.name == "joined") {
            want.syntax = "S\r\ntail\r\n"; // notes without "@" join the last section
            want.notes.clear();
        }
        EXPECT_EQ(got, want) << want.name;
    }
    // Saving again adds nothing further.
    EXPECT_EQ(Write(reread), first);
}

TEST(RoundTrip, SampleBooks)
{
    const std::filesystem::path dir = ZET_SAMPLES_DIR;
    if (!std::filesystem::exists(dir))
        GTEST_SKIP() << "no samples";
    int books = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".zet")
            continue;
        ++books;
        const std::string bytes = FileContents(entry.path());
        const ReadResult r = ReadSyntaxHelper(bytes);
        EXPECT_FALSE(r.error) << entry.path();
        EXPECT_FALSE(r.records.empty()) << entry.path();
        CZETbrowserDoc doc;
        doc.SetRecords(r.records);
        const std::string once = Write(doc);
        CZETbrowserDoc again;
        LoadInto(again, once);
        EXPECT_EQ(again.RecordCount(), doc.RecordCount());
        EXPECT_EQ(Write(again), once) << entry.path();
    }
    EXPECT_GT(books, 0);
}

TEST(Writer, ValuesThatWouldNotReadBackLoseTheirQuotesOnly)
{
    // Read from a file: the name ends in a doubled quote once trimmed, which written unchanged
    // would swallow the comma and shift every value after it.
    CZETbrowserDoc doc;
    LoadInto(doc, "{\"Shell\",{\"Folder\",\"m\",\"N,\"\"\r\",\"s\",}}");
    ASSERT_EQ(doc.RecordCount(), 1u);
    EXPECT_EQ(doc.records().front().name, "N,\"\"\r");
    const std::string text = Write(doc);
    EXPECT_EQ(text, kFileStart + " {\"Folder\",\"m\",\"N,''''\",\"s\",\r\n },\r\n}");
    EXPECT_EQ(doc.records().front().name, "N,''''"); // the document matches the file
    CZETbrowserDoc reread;
    LoadInto(reread, text);
    ASSERT_EQ(reread.RecordCount(), 1u);
    EXPECT_EQ(reread.records().front().synonym, "s");

    // Doubled quotes that do read back stay as they are, in short values and in the text.
    CZETbrowserDoc kept;
    TreeRecord item = MakeItem("a\"\"b");
    item.syntax = "x\"\"y\r\n";
    AddChild(kept, 0, item);
    EXPECT_EQ(Write(kept), kFileStart + " {\"Item\",\"AST\",\"a\"\"b\",\"\",\"\",\"\",\r\n\"" +
                               W("@Синтаксис:\r\n") + "x\"\"y\r\n\"\r\n }\r\n}");

    // A lone quote in a text would end it early: every quote of the sections is replaced.
    CZETbrowserDoc broken;
    TreeRecord bad = MakeItem("i");
    bad.syntax = "say \"hi\"\r\n";
    bad.notes = "n\"\"x";
    AddChild(broken, 0, bad);
    const std::string badText = Write(broken);
    EXPECT_EQ(broken.records().front().syntax, "say ''hi''\r\n");
    EXPECT_EQ(broken.records().front().notes, "n''''x");
    const ReadResult r = ReadSyntaxHelper(badText);
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records.front().syntax, "say ''hi''\r\nn''''x\r\n");
}

TEST(Writer, ReadsBackAsValue)
{
    EXPECT_TRUE(ReadsBackAsValue("", ","));
    EXPECT_TRUE(ReadsBackAsValue("", "\r\n"));
    EXPECT_TRUE(ReadsBackAsValue("plain {x}", ","));
    EXPECT_TRUE(ReadsBackAsValue("a\"\"b", ","));
    EXPECT_FALSE(ReadsBackAsValue("a\"b", ","));
    EXPECT_FALSE(ReadsBackAsValue("a\"\"", ","));
    EXPECT_FALSE(ReadsBackAsValue("\"\"a", ","));
    EXPECT_FALSE(ReadsBackAsValue("\"", "\r\n"));
}

TEST(Writer, WriteRecordsLeavesTheDocumentAsItIs)
{
    CZETbrowserDoc doc;
    doc.SetTitle("x");
    TreeRecord item = MakeItem("  N  ", "a\"b");
    item.syntax = "say \"hi\"";
    AddChild(doc, 0, item);
    doc.SetModifiedMark(true);
    const CZETbrowserDoc::RecordList before = doc.records();
    std::ostringstream out;
    ASSERT_TRUE(WriteRecords(doc, out));
    EXPECT_EQ(doc.records(), before);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(WrittenSize(doc), out.str().size());

    // A save's write then makes the document what the file holds.
    EXPECT_EQ(Write(doc), out.str());
    const TreeRecord& saved = doc.records().front();
    EXPECT_EQ(saved.name, "N");
    EXPECT_EQ(saved.synonym, "a''b");
    EXPECT_EQ(saved.syntax, "say ''hi''");
    EXPECT_FALSE(doc.IsModified());
}
