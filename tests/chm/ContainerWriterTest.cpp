#include "ChmTestFiles.h"
#include "ChmlibReader.h"
#include "ContainerDirectory.h"
#include "FileBytes.h"
#include "MspackReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

std::uint32_t le32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string stored(const std::string& name)
{
    return name.starts_with('/') || name.starts_with("::") ? name : "/" + name;
}

// Both decoders read back exactly the files written, each whole.
void expectReadBack(const std::string& path, const std::vector<ChmTestFile>& files)
{
    std::map<std::string, std::string> expected;
    for (const ChmTestFile& file : files)
        expected[stored(file.name)] = file.bytes;

    ChmlibReader chmlib(path);
    ASSERT_TRUE(chmlib.isOpen()) << "chmlib cannot open " << path;
    std::map<std::string, std::string> byChmlib;
    for (auto& [name, bytes] : chmlib.readAll()) {
        ASSERT_TRUE(bytes.has_value()) << "chmlib cannot read " << name;
        byChmlib[name] = *bytes;
    }
    EXPECT_EQ(byChmlib.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
        auto found = byChmlib.find(name);
        ASSERT_NE(found, byChmlib.end()) << "chmlib does not list " << name;
        EXPECT_TRUE(found->second == bytes) << "chmlib reads other bytes for " << name;
    }

    MspackReader mspack(path);
    ASSERT_TRUE(mspack.isOpen()) << "libmspack cannot open " << path;
    std::map<std::string, std::string> byMspack;
    for (auto& [name, bytes] : mspack.readAll()) {
        ASSERT_TRUE(bytes.has_value()) << "libmspack cannot extract " << name;
        byMspack[name] = *bytes;
    }
    EXPECT_EQ(byMspack.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
        auto found = byMspack.find(name);
        ASSERT_NE(found, byMspack.end()) << "libmspack does not list " << name;
        EXPECT_TRUE(found->second == bytes) << "libmspack extracts other bytes for " << name;
    }
    EXPECT_TRUE(mspack.messages().empty()) << "libmspack warns: " << mspack.messages().front();
}

class ContainerWriterTest : public ::testing::Test
{
protected:
    std::string path(const std::string& name = "out.chm") const { return m_dir.file(name); }
    TempDir m_dir;
};

TEST_F(ContainerWriterTest, BothDecodersReadSmallFilesOfBothSections)
{
    const std::vector<ChmTestFile> files = {
        {"/index.html", "<html><body>Hello</body></html>"},
        {"/default.css", "div{text-align:'left';}\r\n"},
        {"#SYSTEM", std::string("\x03\x00\x00\x00", 4) + "system bytes"},
        {"/images/a.gif", randomBytes(1000, 1), false},
        {"/Sub/Deeper/page_1.html", htmlLikeText(5000, 2)},
    };
    ASSERT_EQ(writeChm(path(), files), "");
    expectReadBack(path(), files);

    // Found by name through the index as a viewer looks a link up.
    ChmlibReader chmlib(path());
    MspackReader mspack(path());
    for (const ChmTestFile& file : files) {
        EXPECT_EQ(chmlib.read(stored(file.name)), file.bytes) << file.name;
        EXPECT_EQ(mspack.find(stored(file.name)), file.bytes) << file.name;
    }
    EXPECT_EQ(chmlib.read("/INDEX.HTML"), files[0].bytes) << "lookups ignore letter case";
    EXPECT_FALSE(chmlib.read("/missing.html"));
    EXPECT_FALSE(mspack.find("/missing.html"));
}

TEST_F(ContainerWriterTest, HeadersNameChunkZeroFirstAndBothGuids)
{
    ASSERT_EQ(writeChm(path(), {{"/a.html", "a"}}, {.lcid = 0x419}), "");
    const std::string bytes = ReadBytes(path());
    ASSERT_GE(bytes.size(), 0x78u + 0x54u);
    EXPECT_EQ(bytes.substr(0, 4), "ITSF");
    EXPECT_EQ(le32(bytes, 4), 3u);
    EXPECT_EQ(le32(bytes, 0x14), 0x419u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0x18]), 0x10);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0x28]), 0x11);
    const std::size_t itsp = 0x78;
    EXPECT_EQ(bytes.substr(itsp, 4), "ITSP");
    EXPECT_EQ(le32(bytes, itsp + 0x20), 0u) << "the first listing chunk";
    EXPECT_EQ(le32(bytes, itsp + 0x1C), 0xFFFFFFFFu) << "no index chunk for one listing chunk";
    EXPECT_EQ(le32(bytes, itsp + 0x30), 0x409u) << "the directory's language is always 0x409";
    EXPECT_EQ(bytes.size(), le32(bytes, 0x60 + 8)) << "the file length in header section 0";
}

// Thousands of names fill many listing chunks and two levels of index chunks above them.
TEST_F(ContainerWriterTest, ThousandsOfNamesAreListedInOrderAndFoundThroughTheIndex)
{
    std::vector<ChmTestFile> files;
    std::vector<std::string> caseTwins;
    for (int i = 0; i < 6000; ++i) {
        const std::string n = std::to_string(i);
        files.push_back({"/dir" + std::to_string(i % 7) + "/Page_" + n + ".html", "page " + n});
        if (i % 40 == 0)
            files.push_back({"/long/" + std::string(300 + i % 200, 'x') + n, "long " + n});
        if (i % 10 == 0) {
            files.push_back({"/Case_" + n + ".html", "upper " + n});
            files.push_back({"/case_" + n + ".HTML", "lower " + n, false});
            caseTwins.push_back("/case_" + n + ".html");
        }
        if (i % 10 == 5) {
            files.push_back({"/Страница_" + n + ".html", "utf-8 " + n});
            files.push_back({"/\xD1\xF2\xF0_" + n + ".html", "cp1251 " + n});
        }
    }
    ASSERT_EQ(writeChm(path(), files), "");
    expectReadBack(path(), files);

    const std::string bytes = ReadBytes(path());
    const std::size_t itsp = 0x78;
    EXPECT_GE(le32(bytes, itsp + 0x18), 3u) << "index depth";
    EXPECT_EQ(le32(bytes, itsp + 0x20), 0u) << "the first listing chunk";
    const std::uint32_t lastListing = le32(bytes, itsp + 0x24);
    const std::uint32_t root = le32(bytes, itsp + 0x1C);
    EXPECT_GT(root, lastListing) << "index chunks follow the listing chunks";
    EXPECT_EQ(root + 1, le32(bytes, itsp + 0x2C)) << "the root is the last chunk";

    // chmlib walks the listing chunks in order: every name, folders included, sorted.
    ChmlibReader chmlib(path());
    std::vector<std::string> listed;
    for (const ChmlibReader::Item& item : chmlib.enumerate())
        listed.push_back(item.name);
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), chm::ContainerDirectory::nameLess));
    EXPECT_NE(std::find(listed.begin(), listed.end(), "/dir3/"), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "/"), listed.end());

    MspackReader mspack(path());
    for (const ChmTestFile& file : files) {
        std::string lower = file.name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool twin = std::find(caseTwins.begin(), caseTwins.end(), lower) != caseTwins.end();
        const bool utf8 = file.name.find('\xD1') == std::string::npos;
        if (twin) {
            // Case-insensitive lookups find one of the two.
            const std::optional<std::string> found = chmlib.read(file.name);
            ASSERT_TRUE(found) << file.name;
            EXPECT_TRUE(found->starts_with("upper") || found->starts_with("lower"));
            EXPECT_TRUE(mspack.find(file.name).has_value()) << file.name;
            continue;
        }
        EXPECT_EQ(chmlib.read(file.name), file.bytes) << file.name;
        if (utf8) { // libmspack's search decodes names as UTF-8
            EXPECT_EQ(mspack.find(file.name), file.bytes) << file.name;
        }
    }
    EXPECT_TRUE(mspack.messages().empty());
}

TEST_F(ContainerWriterTest, EmptyFileAndFiveMegabyteFile)
{
    const std::vector<ChmTestFile> files = {
        {"/empty.html", ""},
        {"/big.html", htmlLikeText(5 * 1024 * 1024, 3)},
        {"/empty-too.bin", "", false},
        {"/after.html", "after the big one"},
    };
    ASSERT_EQ(writeChm(path(), files), "");
    expectReadBack(path(), files);
}

// Beyond the memory limit the compressed stream waits in a temporary file.
TEST_F(ContainerWriterTest, CompressedStreamBeyondTheMemoryLimit)
{
    const std::vector<ChmTestFile> files = {
        {"/random.bin", randomBytes(600000, 8)},
        {"/text.html", htmlLikeText(300000, 9)},
        {"/stored.bin", "stored", false},
    };
    ASSERT_EQ(writeChm(path(), files, {.contentMemoryLimit = 100000}), "");
    expectReadBack(path(), files);
    // The same bytes as when it all stays in memory.
    ASSERT_EQ(writeChm(path("memory.chm"), files), "");
    EXPECT_TRUE(ReadBytes(path()) == ReadBytes(path("memory.chm")));
}

TEST_F(ContainerWriterTest, NoCompressedFilesAtAll)
{
    const std::vector<ChmTestFile> files = {{"/only.txt", "stored", false}};
    ASSERT_EQ(writeChm(path(), files), "");
    expectReadBack(path(), files);
}

TEST_F(ContainerWriterTest, BadNamesFailWithTheReason)
{
    EXPECT_NE(writeChm(path(), {{"", "x"}}).find("empty name"), std::string::npos);
    EXPECT_NE(writeChm(path(), {{"/" + std::string(600, 'a'), "x"}}).find("longer than 512"),
              std::string::npos);
    EXPECT_NE(writeChm(path(), {{std::string("/a\0b", 4), "x"}}).find("NUL"), std::string::npos);
    EXPECT_NE(writeChm(path(), {{"/folder/", "x"}}).find("ending in"), std::string::npos);
    EXPECT_NE(writeChm(path(), {{"/same.html", "1"}, {"same.html", "2", false}}).find("twice"),
              std::string::npos);
    EXPECT_NE(writeChm(path(), {{"::DataSpace/NameList", "x", false}}).find("keeps for itself"),
              std::string::npos);
    // 512 bytes exactly is still fine
    const std::vector<ChmTestFile> longest = {{"/" + std::string(511, 'n'), "x"}};
    ASSERT_EQ(writeChm(path(), longest), "");
    expectReadBack(path(), longest);
}

TEST_F(ContainerWriterTest, FullDiskIsReported)
{
    chm::ContainerWriter writer({});
    writer.addCompressedFile("/a.html", asBytes(htmlLikeText(100000, 4)));
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    std::string error;
    EXPECT_FALSE(writer.writeTo(fd, error));
    ::close(fd);
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    // Spent: a second attempt says so instead of writing half a file.
    EXPECT_FALSE(writer.writeTo(fd, error));
    EXPECT_NE(error.find("already"), std::string::npos) << error;
}

} // namespace
