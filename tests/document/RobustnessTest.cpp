#include "SyntaxHelperWriter.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// Counts what is written without keeping it.
class CountingBuffer : public std::streambuf
{
public:
    std::size_t count = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override
    {
        count += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            ++count;
        return traits_type::not_eof(c);
    }
};

std::string DeepBook(std::size_t depth)
{
    std::string bytes = "{\"Shell\",";
    bytes.reserve(depth * 22 + 16);
    for (std::size_t i = 0; i < depth; ++i)
        bytes += "{\"Folder\",\"\",\"\",\"\",";
    bytes += "{\"Item\",\"\",\"leaf\",\"\",\"\",\"\",\"x\"}";
    bytes.append(depth + 1, '}');
    return bytes;
}

// A small book with every construct the reader knows.
std::string SampleBook()
{
    return "{\"Shell\",\r\n {\"Folder\",\"AST\",\"F\",\"S\",\r\n"
           "  {\"Item\",\"AST\",\"I\",\"\",\"sp\",\"en\",\r\n\"" +
           W("@Синтаксис:\r\nS\r\n@Назначение:\r\nP\r\n@Параметры:\r\nA\r\n@Пример:\r\nx\r\n") +
           "\"\r\n  }\r\n  {\"Folder\",\"AST\",\"G\",\"\",\r\n   {\"Item\",\"AST\",\"J\",\"\",\"\","
           "\"\",\r\n\"\"\r\n   }\r\n  },\r\n },\r\n {\"Item\",\"AST\",\"K\",\"\",\"\",\"\",\r\n"
           "\"notes only\"\r\n }\r\n}";
}

std::string Write(CZETbrowserDoc& doc)
{
    std::ostringstream out;
    EXPECT_TRUE(WriteSyntaxHelper(doc, out));
    return out.str();
}

// Whatever parsed without error must save and read back as the same tree with the same short
// fields. (The long fields need not: splitting a text into sections drops text before the first
// marker and joins unheaded notes to the preceding section.)
void ExpectStableRoundTrip(std::string_view bytes)
{
    ReadResult first = ReadSyntaxHelper(bytes);
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(first.records));
    const std::uint64_t size = WrittenSize(doc);
    const std::string written = Write(doc);
    EXPECT_EQ(size, written.size());
    const ReadResult second = ReadSyntaxHelper(written);
    ASSERT_FALSE(second.error);
    ASSERT_EQ(second.records.size(), doc.RecordCount());
    auto it = doc.records().begin();
    for (const TreeRecord& r : second.records) {
        EXPECT_EQ(r.parentId, it->parentId);
        EXPECT_EQ(r.kind, it->kind);
        EXPECT_EQ(r.membership, it->membership);
        EXPECT_EQ(r.name, it->name);
        EXPECT_EQ(r.synonym, it->synonym);
        EXPECT_EQ(r.spelling, it->spelling);
        EXPECT_EQ(r.englishSpelling, it->englishSpelling);
        ++it;
    }
}

} // namespace

TEST(DeepBooks, MillionLevelsReadCollectAndDelete)
{
    constexpr std::size_t depth = 1000000;
    ReadResult r = ReadSyntaxHelper(DeepBook(depth));
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), depth + 1);
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(r.records));
    const TreeRecord* leaf = doc.FindRecord(depth + 1);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->parentId, depth);
    EXPECT_EQ(doc.RecordDepth(*leaf), static_cast<int>(depth + 1));
    EXPECT_EQ(doc.RecordPath(depth + 1, false).size(), depth + 4);
    EXPECT_EQ(doc.SubtreeEnd(1), depth + 1);
    EXPECT_EQ(doc.SubtreeEnd(0), depth + 1);

    CZETbrowserDoc::RecordList children;
    doc.CollectChildren(children, depth / 2, true);
    EXPECT_EQ(children.size(), depth / 2 + 1);
    doc.CollectChildren(children, 1, false);
    EXPECT_EQ(children.size(), 1u);

    TreeRecord extra = MakeItem("extra");
    extra.parentId = 1;
    ASSERT_NE(doc.InsertRecord(&extra, InsertPosition::LastChild()), nullptr);
    EXPECT_EQ(doc.records().back().name, "extra");

    EXPECT_TRUE(doc.DeleteRecord(depth / 2));
    EXPECT_EQ(doc.RecordCount(), depth / 2 - 1 + 1);
    EXPECT_EQ(doc.FindRecord(depth + 1), nullptr);
    EXPECT_TRUE(doc.DeleteRecord(1));
    EXPECT_EQ(doc.RecordCount(), 0u);
}

TEST(DeepBooks, MillionBlocksNestedInItemsAndShellsKeepTheirFolder)
{
    // Each record inside the Folder, however deep in Items and Shells, belongs to the Folder;
    // the record after every block is closed is back at the top.
    constexpr std::size_t levels = 1000000;
    std::string bytes = "{\"Shell\",{\"Folder\",\"\",\"F\",\"\",";
    bytes.reserve(levels * 40);
    for (std::size_t i = 0; i < levels; ++i)
        bytes += i % 2 == 0 ? "{\"Item\",\"\",\"i\",\"\",\"\",\"\",\"x\"" : "{\"Shell\",";
    bytes.append(levels + 1, '}');
    bytes += "{\"Item\",\"\",\"top\",\"\",\"\",\"\",\"x\"}}";
    const ReadResult r = ReadSyntaxHelper(bytes);
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), levels / 2 + 2);
    std::size_t inFolder = 0;
    for (const TreeRecord& record : r.records)
        inFolder += record.parentId == 1 ? 1 : 0;
    EXPECT_EQ(inFolder, levels / 2);
    EXPECT_EQ(r.records.back().name, "top");
    EXPECT_EQ(r.records.back().parentId, 0u);
}

TEST(DeepBooks, WriteTwentyThousandLevelsIntoACountingSink)
{
    // Each level is indented by its depth, so a book 1M deep would be ~10^12 bytes; 20k levels
    // exercise the same code paths.
    constexpr std::size_t depth = 20000;
    CZETbrowserDoc doc;
    LoadInto(doc, DeepBook(depth));
    ASSERT_EQ(doc.RecordCount(), depth + 1);
    CountingBuffer sink;
    std::ostream out(&sink);
    ASSERT_TRUE(WriteSyntaxHelper(doc, out));
    EXPECT_EQ(WrittenSize(doc), sink.count);
    const std::size_t folderLine = std::string("{\"Folder\",\"\",\"\",\"\",\r\n").size();
    const std::size_t closeLine = std::string("},\r\n").size();
    const std::size_t itemBytes =
        (depth + 1) +
        std::string("{\"Item\",\"\",\"leaf\",\"\",\"\",\"\",\r\n\"x\r\n\"\r\n").size() +
        (depth + 1) + std::string("}\r\n").size();
    std::size_t expected = std::string("{\"Shell\",\r\n").size() + itemBytes + 1;
    for (std::size_t d = 1; d <= depth; ++d)
        expected += d + folderLine + d + closeLine;
    EXPECT_EQ(sink.count, expected);
}

TEST(DeepBooks, TwoThousandLevelsRoundTrip)
{
    const std::string bytes = DeepBook(2000);
    CZETbrowserDoc doc;
    LoadInto(doc, bytes);
    const std::string written = Write(doc);
    EXPECT_TRUE(written.starts_with(
        "{\"Shell\",\r\n {\"Folder\",\"\",\"\",\"\",\r\n  {\"Folder\",\"\",\"\",\"\",\r\n   {"));
    ExpectStableRoundTrip(bytes);
}

TEST(LargeFiles, TwoHundredMegabytesOpen)
{
    TempDir dir;
    const std::string path = dir.file("large.zet");
    const std::string item = "{\"Item\",\"AST\",\"name\",\"syn\",\"sp\",\"en\",\r\n\"" +
                             W("@Синтаксис:\r\n") + std::string(2000, 's') + "\r\n\"\r\n }\r\n";
    const std::size_t count = 200u * 1024 * 1024 / item.size() + 1;
    {
        std::ofstream out(path, std::ios::binary);
        out << "{\"Shell\",\r\n";
        for (std::size_t i = 0; i < count; ++i)
            out << ' ' << item;
        out << '}';
        ASSERT_TRUE(out.good());
    }
    ASSERT_GE(std::filesystem::file_size(path), 200u * 1024 * 1024);
    CZETbrowserDoc doc;
    const OpenResult opened = doc.OnOpenDocument(path);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened.readError);
    EXPECT_EQ(doc.RecordCount(), count);
    EXPECT_EQ(doc.records().back().syntax.size(), 2002u);
}

TEST(BadInput, EveryTruncationOfABook)
{
    std::vector<std::string> books{SampleBook()};
    const std::filesystem::path samples = ZET_SAMPLES_DIR;
    if (std::filesystem::exists(samples)) {
        for (const auto& e : std::filesystem::directory_iterator(samples)) {
            if (e.path().extension() == ".zet" && std::filesystem::file_size(e.path()) < 200000)
                books.push_back(FileContents(e.path()));
        }
    }
    for (const std::string& book : books) {
        const std::size_t whole = ReadSyntaxHelper(book).records.size();
        std::size_t previous = 0;
        for (std::size_t n = 0; n <= book.size(); ++n) {
            const std::string_view prefix(book.data(), n);
            const ReadResult r = ReadSyntaxHelper(prefix);
            // A prefix never yields more records than a longer prefix.
            EXPECT_GE(r.records.size(), previous) << n;
            EXPECT_LE(r.records.size(), whole) << n;
            previous = r.records.size();
            if (r.error) {
                EXPECT_LE(r.error->offset, n);
                EXPECT_GE(r.error->line, 1);
                EXPECT_GE(r.error->column, 1);
            } else {
                ExpectStableRoundTrip(prefix);
            }
        }
    }
}

TEST(BadInput, RandomGarbage)
{
    std::mt19937 random(20261207);
    std::string alphabet = "{}\",@ \r\n\tFolderItemShellx\xC0\xE0";
    alphabet += '\0';
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(random() % 200, ' ');
        for (char& c : bytes) {
            c = (random() % 4 == 0) ? static_cast<char>(random() % 256)
                                    : alphabet[random() % alphabet.size()];
        }
        const ReadResult r = ReadSyntaxHelper(bytes);
        if (!r.error)
            ExpectStableRoundTrip(bytes);
    }
}

TEST(BadInput, RegressionsAndCorpusReplay)
{
    int files = 0;
    for (const char* dirName : {ZET_REGRESSIONS_DIR, ZET_FUZZ_CORPUS_DIR}) {
        const std::filesystem::path dir = dirName;
        if (!std::filesystem::exists(dir))
            continue;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (!e.is_regular_file() || e.path().filename().string().starts_with('.'))
                continue;
            ++files;
            const std::string bytes = FileContents(e.path());
            const ReadResult r = ReadSyntaxHelper(bytes);
            if (!r.error)
                ExpectStableRoundTrip(bytes);
        }
    }
    RecordProperty("files", files);
}
