#include "ContainerDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using chm::ContainerDirectory;

std::vector<std::uint8_t> encint(std::uint64_t value)
{
    std::vector<std::uint8_t> out;
    ContainerDirectory::appendEncInt(out, value);
    return out;
}

TEST(ContainerDirectoryTest, EncIntSendsSevenBitsABytesMostSignificantFirst)
{
    EXPECT_EQ(encint(0), std::vector<std::uint8_t>({0x00}));
    EXPECT_EQ(encint(0x7F), std::vector<std::uint8_t>({0x7F}));
    EXPECT_EQ(encint(0x80), std::vector<std::uint8_t>({0x81, 0x00}));
    EXPECT_EQ(encint(0x3FFF), std::vector<std::uint8_t>({0xFF, 0x7F}));
    EXPECT_EQ(encint(0x4000), std::vector<std::uint8_t>({0x81, 0x80, 0x00}));
    EXPECT_EQ(encint(5000000000ull), std::vector<std::uint8_t>({0x92, 0xD0, 0x97, 0xE4, 0x00}));
}

// chmlib compares with strcasecmp, libmspack with towlower in the C locale: ASCII letters fold
// to lower case, so "_" (0x5F) sorts before letters, and bytes above 0x7F stay as they are.
TEST(ContainerDirectoryTest, NamesSortAsTheReadersCompare)
{
    std::vector<std::string> names = {
        "/b.html", "/A.html",       "/a_b.html", "/ab.html",    "/a.html",        "/Ab.HTML",
        "/",       "::DataSpace/x", "/#SYSTEM",  "/$FIftiMain", "/\xD0\x90.html", "/z.html"};
    std::sort(names.begin(), names.end(), ContainerDirectory::nameLess);
    const std::vector<std::string> expected = {
        "/",        "/#SYSTEM", "/$FIftiMain", "/A.html", "/a.html",        "/a_b.html",
        "/Ab.HTML", "/ab.html", "/b.html",     "/z.html", "/\xD0\x90.html", "::DataSpace/x"};
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(ContainerDirectory::nameLess("/abc", "/abcd"));
    EXPECT_FALSE(ContainerDirectory::nameLess("/abc", "/abc"));
}

TEST(ContainerDirectoryTest, EmptyDirectoryIsOneEmptyListingChunk)
{
    const ContainerDirectory directory({});
    ASSERT_EQ(directory.chunkCount(), 1u);
    EXPECT_EQ(directory.indexRoot(), -1);
    EXPECT_EQ(directory.depth(), 1u);
    const auto& chunk = directory.chunks();
    EXPECT_EQ(std::string(chunk.begin(), chunk.begin() + 4), "PMGL");
    EXPECT_EQ(chunk[4] | (chunk[5] << 8), 4096 - 20) << "all of it free";
    EXPECT_EQ(chunk[4094] | (chunk[4095] << 8), 0) << "no entries";
}

// Quickref offsets of entries 5, 10, ... from the first entry, backwards from the chunk's end.
TEST(ContainerDirectoryTest, ListingChunkCarriesQuickrefAndFreeSpace)
{
    std::vector<chm::DirectoryEntry> entries;
    for (int i = 0; i < 12; ++i)
        entries.push_back({"/f" + std::string(1, char('a' + i)), 1, std::uint64_t(i) * 10, 10});
    const ContainerDirectory directory(entries);
    ASSERT_EQ(directory.chunkCount(), 1u);
    const auto& c = directory.chunks();
    const auto word = [&](std::size_t at) { return c[at] | (c[at + 1] << 8); };
    // each entry: length 3, name 3 bytes, section, offset (< 128 here), length
    const int entryBytes = 1 + 3 + 1 + 1 + 1;
    EXPECT_EQ(word(4), 4096 - 20 - 12 * entryBytes);
    EXPECT_EQ(word(4094), 12);
    EXPECT_EQ(word(4092), 5 * entryBytes);
    EXPECT_EQ(word(4090), 10 * entryBytes);
    EXPECT_EQ(word(12), 0xFFFF) << "no previous chunk";
    EXPECT_EQ(word(16), 0xFFFF) << "no next chunk";
}

} // namespace
