#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

ReadResult Read(std::string_view bytes)
{
    return ReadSyntaxHelper(bytes);
}

const TreeRecord& Nth(const ReadResult& r, std::size_t n)
{
    auto it = r.records.begin();
    std::advance(it, n);
    return *it;
}

// One Item whose text value is `text` (Windows-1251 bytes), at top level.
ReadResult ReadItemText(const std::string& text)
{
    return Read("{\"Shell\",\r\n {\"Item\",\"AST\",\"n\",\"s\",\"sp\",\"en\",\r\n\"" + text +
                "\"\r\n }\r\n}");
}

// The record of ReadItemText, by value (the result is a temporary).
TreeRecord ItemOf(const std::string& text)
{
    const ReadResult r = ReadItemText(text);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.records.size(), 1u);
    return r.records.empty() ? TreeRecord() : r.records.front();
}

} // namespace

TEST(Reader, EmptyFileIsAnEmptyDocument)
{
    const ReadResult r = Read("");
    EXPECT_TRUE(r.records.empty());
    EXPECT_FALSE(r.error);
}

TEST(Reader, ShellOnly)
{
    const ReadResult r = Read("{\"Shell\",\r\n}");
    EXPECT_TRUE(r.records.empty());
    EXPECT_FALSE(r.error);
}

TEST(Reader, ReadsFoldersAndItemsWithParentsAndIds)
{
    const ReadResult r = Read("{\"Shell\",\r\n"
                              " {\"Folder\",\"M1\",\"Name1\",\"Syn1\",\r\n"
                              "  {\"Item\",\"M2\",\"Name2\",\"Syn2\",\"Sp2\",\"En2\",\r\n"
                              "\"\"\r\n"
                              "  }\r\n"
                              " },\r\n"
                              " {\"Item\",\"M3\",\"Name3\",\"Syn3\",\"Sp3\",\"En3\",\r\n"
                              "\"plain\"\r\n"
                              " }\r\n"
                              "}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 3u);
    const TreeRecord& f = Nth(r, 0);
    EXPECT_EQ(f.kind, RecordKind::Folder);
    EXPECT_EQ(f.membership, "M1");
    EXPECT_EQ(f.name, "Name1");
    EXPECT_EQ(f.synonym, "Syn1");
    EXPECT_EQ(f.recordId, 1u);
    EXPECT_EQ(f.parentId, 0u);
    const TreeRecord& i = Nth(r, 1);
    EXPECT_EQ(i.kind, RecordKind::Item);
    EXPECT_EQ(i.membership, "M2");
    EXPECT_EQ(i.name, "Name2");
    EXPECT_EQ(i.synonym, "Syn2");
    EXPECT_EQ(i.spelling, "Sp2");
    EXPECT_EQ(i.englishSpelling, "En2");
    EXPECT_TRUE(i.syntax.empty() && i.purpose.empty() && i.parameters.empty() && i.notes.empty());
    EXPECT_EQ(i.recordId, 2u);
    EXPECT_EQ(i.parentId, 1u);
    EXPECT_EQ(i.treeItem, 0u);
    EXPECT_EQ(i.parentTreeItem, 0u);
    const TreeRecord& top = Nth(r, 2);
    EXPECT_EQ(top.parentId, 0u);
    EXPECT_EQ(top.recordId, 3u);
    EXPECT_EQ(top.notes, "plain");
}

TEST(Reader, KeywordsInAnyCaseWithBlanksAndBreaksBeforeTheQuote)
{
    const ReadResult r =
        Read("{ \r\n\"sHeLl\",{\n\r \"folder\",\"a\",\"b\",\"c\",{\"iTEm\",\"1\",\"2\",\"3\","
             "\"4\",\"5\",\"6\"}}}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(Nth(r, 0).kind, RecordKind::Folder);
    EXPECT_EQ(Nth(r, 1).parentId, 1u);
}

TEST(Reader, TabBeforeKeywordIsAStructureError)
{
    const ReadResult r = Read("{\"Shell\",\r\n{\"Item\",\"1\",\"2\",\"3\",\"4\",\"5\",\"6\"}\r\n{\t"
                              "\"Folder\",\"a\",\"b\",\"c\",}}");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->kind, ReadError::Kind::Structure);
    EXPECT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.error->line, 3);
    EXPECT_EQ(r.error->column, 2);
    EXPECT_EQ(r.error->offset, 46u);
}

TEST(Reader, StructureErrors)
{
    struct Case
    {
        const char* bytes;
        std::size_t records;
    };
    const Case cases[] = {
        {"{", 0},                                                           // sentinel after "{"
        {"{x\"Shell\"", 0},                                                 // byte before the quote
        {"{\"\"", 0},                                                       // empty keyword
        {"{\"Shell", 0},                                                    // keyword never closed
        {"{\"Shell\",{\"Folder\",\"a\",\"b", 0},                            // value never closed
        {"{\"Shell\",{\"Folder\",\"a\",\"b\",}", 0},                        // too few values
        {"{\"Shell\",{\"Folder\",\"a\",\"b\",\"c\",{\"Item\",\"1\"}}}", 1}, // "}" as a value
        {"{\"Shell\",{\"Folder\",\"a\",\"b\"", 0},                          // then the sentinel
        {"{\"Shell\",{\"Item\",x\"1\",\"2\",\"3\",\"4\",\"5\",\"6\"}", 0},
        {"{\"Shell\",{\"Folder\", \"a\" ,\t\"b\",\"c\"}", 0}, // tab between values
    };
    for (const Case& c : cases) {
        const ReadResult r = Read(c.bytes);
        ASSERT_TRUE(r.error) << c.bytes;
        EXPECT_EQ(r.error->kind, ReadError::Kind::Structure) << c.bytes;
        EXPECT_EQ(r.records.size(), c.records) << c.bytes;
    }
}

TEST(Reader, FolderWithTwoValuesKeepsRecordsBefore)
{
    const ReadResult r =
        Read("{\"Shell\",\r\n {\"Folder\",\"a\",\"A\",\"\",\r\n  {\"Item\",\"1\","
             "\"2\",\"3\",\"4\",\"5\",\"\"\r\n  }\r\n },\r\n {\"Folder\",\"b\",\"B\""
             ",\r\n }\r\n}");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->kind, ReadError::Kind::Structure);
    EXPECT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.error->line, 7);
    EXPECT_EQ(r.error->column, 2);
}

TEST(Reader, EmptyValues)
{
    // Two quotes and a comma, and two quotes before a line break, are empty values.
    const ReadResult r = Read("{\"Shell\",{\"Folder\",\"m\",\"n\",\"\",\r\n{\"Folder\",\"\",\"\","
                              "\"\"\r\n}}}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(Nth(r, 0).synonym, "");
    EXPECT_EQ(Nth(r, 0).name, "n");
    EXPECT_EQ(Nth(r, 1).membership, "");
    EXPECT_EQ(Nth(r, 1).synonym, "");
    EXPECT_EQ(Nth(r, 1).parentId, 1u);
}

TEST(Reader, ItemWithEmptyText)
{
    const ReadResult r = ReadItemText("");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 1u);
    const TreeRecord& i = Nth(r, 0);
    EXPECT_TRUE(i.syntax.empty() && i.purpose.empty() && i.parameters.empty() && i.notes.empty());
    EXPECT_EQ(i.spelling, "sp");
    EXPECT_EQ(i.englishSpelling, "en");
}

TEST(Reader, ValuesAreTakenByteForByte)
{
    // A doubled quote stays doubled; braces inside a value are not structure.
    const ReadResult r = Read("{\"Shell\",{\"Folder\",\"a\"\"b\",\"{x}\",\"\xC0\xFF\x01\",}}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(Nth(r, 0).membership, "a\"\"b");
    EXPECT_EQ(Nth(r, 0).name, "{x}");
    EXPECT_EQ(Nth(r, 0).synonym, "\xC0\xFF\x01");
}

TEST(Reader, TextSectionsSyntaxAndPurpose)
{
    const ReadResult r = ReadItemText(W("@Синтаксис:\r\nS line\r\n@Назначение:\r\nP line\r\n"));
    ASSERT_FALSE(r.error);
    const TreeRecord& i = Nth(r, 0);
    EXPECT_EQ(i.syntax, "S line\r\n");
    EXPECT_EQ(i.purpose, "P line\r\n");
    EXPECT_EQ(i.parameters, "");
    EXPECT_EQ(i.notes, "");
}

TEST(Reader, MarkersInAnyCaseAndLongerWords)
{
    const ReadResult r =
        ReadItemText(W("@синтаксис \r\n\r\n  s\r\n@ПараметрыФункции:\r\np1\r\n@назначение:\r\npp"));
    const TreeRecord& i = Nth(r, 0);
    EXPECT_EQ(i.syntax, "s\r\n");
    EXPECT_EQ(i.parameters, "p1\r\n");
    // The last byte ends the section; trailing bytes stay.
    EXPECT_EQ(i.purpose, "pp");
}

TEST(Reader, UnknownSectionsGoToNotesVerbatimInOrder)
{
    const ReadResult r =
        ReadItemText(W("@Синтаксис:\r\nS\r\n@Пример:\r\n  code\r\n@Смотри также:\r\nx\r\n"));
    const TreeRecord& i = Nth(r, 0);
    EXPECT_EQ(i.syntax, "S\r\n");
    EXPECT_EQ(i.notes, W("@Пример:\r\n  code\r\n@Смотри также:\r\nx\r\n"));
}

TEST(Reader, TextBeforeTheFirstMarkerIsDropped)
{
    const ReadResult r = ReadItemText(W("lead in\r\n@Синтаксис:\r\nS\r\n"));
    EXPECT_EQ(Nth(r, 0).syntax, "S\r\n");
    EXPECT_EQ(Nth(r, 0).notes, "");
}

TEST(Reader, MarkerFollowedByLfAloneRunsToTheNextBlankOrCr)
{
    const ReadResult r = ReadItemText(W("@Синтаксис:\nS1 rest\r\nmore\r\n"));
    const TreeRecord& i = Nth(r, 0);
    // The word is "@СИНТАКСИС:\nS1", which still begins with the syntax marker.
    EXPECT_EQ(i.syntax, "rest\r\nmore\r\n");
}

TEST(Reader, TextWithoutSectionsBecomesNotes)
{
    EXPECT_EQ(ItemOf("no markers\r\nat all").notes, "no markers\r\nat all");
    // The only "@" has no blank or CR after its word.
    EXPECT_EQ(ItemOf("mail@host\nx").notes, "mail@host\nx");
    EXPECT_EQ(ItemOf("@").notes, "@");
    EXPECT_EQ(ItemOf("x").notes, "x");
}

TEST(Reader, MarkerWithoutBodyAtTheEnd)
{
    const TreeRecord i = ItemOf(W("@Синтаксис:\r\n"));
    EXPECT_EQ(i.syntax, "");
    EXPECT_EQ(i.notes, "");
    // A blank as the very last byte never ends the word: no section at all.
    EXPECT_EQ(ItemOf(W("@Синтаксис: ")).notes, W("@Синтаксис: "));
}

TEST(Reader, TextStopsAtAZeroByte)
{
    const std::string text = W("@Синтаксис:\r\nS\r\n") + std::string(1, '\0') + "@X y";
    const TreeRecord i = ItemOf(text);
    EXPECT_EQ(i.syntax, "S\r\n");
    EXPECT_EQ(i.notes, "");
}

TEST(Reader, SectionEndedAgainKeepsItsBytesOnce)
{
    // After a section ends, its start and word stay until a new word is taken, so a second "@"
    // ends the same section again, now reaching further; its bytes replace those of the earlier
    // end instead of being added to the notes once more.
    EXPECT_EQ(ItemOf("@A x@B@C").notes, "@A x@B@C");
    EXPECT_EQ(ItemOf(W("@Пример: mail a@b.c")).notes, W("@Пример: mail a@b.c"));
    EXPECT_EQ(ItemOf(W("@Пример: a@b@c\r\n")).notes, W("@Пример: a@b@c\r\n"));
    // Only the section ended again changes: the ones before it stay in front of it.
    EXPECT_EQ(ItemOf("lead @X a @Y b@c").notes, "@X a @Y b@c");
    // The headed fields, being assigned, always took the last end.
    EXPECT_EQ(ItemOf(W("@Синтаксис:\r\nS@")).syntax, "S@");
    EXPECT_EQ(ItemOf(W("@Синтаксис:\r\nS@x@y")).syntax, "S@x@y");
    const TreeRecord i = ItemOf(W("@Синтаксис:\r\nS\r\n@Пример: x@y"));
    EXPECT_EQ(i.syntax, "S\r\n");
    EXPECT_EQ(i.notes, W("@Пример: x@y"));
}

TEST(Reader, StrayClosingBracesAndMissingFinalBrace)
{
    const ReadResult r =
        Read("}}{\"Shell\",{\"Folder\",\"a\",\"b\",\"c\",}}}}{\"Item\",\"1\",\"2\","
             "\"3\",\"4\",\"5\",\"6\"");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(Nth(r, 1).parentId, 0u);
}

TEST(Reader, UnknownBlockClosesTheEnclosingFolder)
{
    const ReadResult r = Read("{\"Shell\",\r\n {\"Folder\",\"a\",\"F\",\"\",\r\n"
                              "  {\"Comment\", \"whatever\" }\r\n"
                              "  {\"Item\",\"1\",\"I\",\"3\",\"4\",\"5\",\"\"\r\n  }\r\n },\r\n}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(Nth(r, 1).name, "I");
    EXPECT_EQ(Nth(r, 1).parentId, 0u);
}

TEST(Reader, DoubledQuotesInsideAndBeforeAValue)
{
    // Inside a value, two quotes not followed by a comma are skipped with the byte after them.
    const ReadResult r = Read("{\"Shell\",{\"Folder\",\"a\"\"\"b\",\"n\",\"s\"}}");
    ASSERT_FALSE(r.error);
    EXPECT_EQ(Nth(r, 0).membership, "a\"\"\"b");
    // Before a value, such a pair is skipped too.
    const ReadResult skipped = Read("{\"Shell\",{\"Folder\",\"\"x\"m\",\"n\",\"s\"}}");
    ASSERT_FALSE(skipped.error);
    EXPECT_EQ(Nth(skipped, 0).membership, "m");
}

TEST(Reader, BlocksNestedInAnItemStayInsideTheEnclosingFolder)
{
    // Parent 0 here would put a top-level record inside F's run and a save would move F's later
    // children. The enclosing Folder keeps the order a tree.
    const ReadResult r = Read("{\"Shell\",{\"Folder\",\"a\",\"F\",\"\","
                              "{\"Item\",\"1\",\"I\",\"3\",\"4\",\"5\",\"\"\r\n"
                              "{\"Item\",\"1\",\"Nested\",\"3\",\"4\",\"5\",\"\"\r\n}"
                              "{\"Folder\",\"1\",\"NF\",\"3\",{\"Item\",\"1\",\"X\",\"\",\"\",\"\""
                              ",\"\"\r\n}}}"
                              "{\"Item\",\"1\",\"Later\",\"3\",\"4\",\"5\",\"\"\r\n}}}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 6u);
    EXPECT_EQ(Nth(r, 2).name, "Nested");
    EXPECT_EQ(Nth(r, 2).parentId, 1u);
    EXPECT_EQ(Nth(r, 3).name, "NF");
    EXPECT_EQ(Nth(r, 3).parentId, 1u);
    EXPECT_EQ(Nth(r, 4).parentId, 4u);
    EXPECT_EQ(Nth(r, 5).name, "Later");
    EXPECT_EQ(Nth(r, 5).parentId, 1u);
}

TEST(Reader, NestedShellDoesNotLiftRecordsOutOfAFolder)
{
    const ReadResult r = Read("{\"Shell\",{\"Folder\",\"a\",\"F\",\"\",{\"Shell\","
                              "{\"Item\",\"1\",\"I\",\"3\",\"4\",\"5\",\"\"\r\n}}}}");
    ASSERT_FALSE(r.error);
    EXPECT_EQ(Nth(r, 1).parentId, 1u);
}

TEST(Reader, EmptyLastValueRightBeforeABraceIsAStructureError)
{
    // Two quotes followed by neither a comma nor a line break are skipped with the next byte.
    const ReadResult r = Read("{\"Shell\",{\"Item\",\"\",\"\",\"\",\"\",\"\",\"\"}}");
    ASSERT_TRUE(r.error);
    EXPECT_TRUE(r.records.empty());
}

TEST(Reader, RecordsOutsideTheShellAreRead)
{
    const ReadResult r =
        Read("{\"Folder\",\"a\",\"b\",\"c\",{\"Item\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n}}");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(Nth(r, 1).parentId, 1u);
}
