// The compressor's output, read back through the container by chmlib and libmspack: content of
// every kind and size, over many reset intervals, with every window and interval readers accept.

#include "ChmTestFiles.h"
#include "ChmlibReader.h"
#include "FileBytes.h"
#include "LzxCompressor.h"
#include "MspackReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

namespace {

struct Case
{
    std::string label;
    std::string content;
};

// Splits the content into files at the given sizes (the rest in a last file), writes the .chm and
// expects both decoders to give every file back.
void expectRoundTrip(const TempDir& dir, const std::string& content,
                     const chm::ContainerOptions& options, std::vector<std::size_t> sizes = {})
{
    std::vector<ChmTestFile> files;
    std::size_t at = 0;
    for (std::size_t size : sizes) {
        size = std::min(size, content.size() - at);
        files.push_back({"/f" + std::to_string(files.size()) + ".html", content.substr(at, size)});
        at += size;
    }
    files.push_back({"/f" + std::to_string(files.size()) + ".html", content.substr(at)});
    const std::string path = dir.file("round.chm");
    ASSERT_EQ(writeChm(path, files, options), "");

    ChmlibReader chmlib(path);
    ASSERT_TRUE(chmlib.isOpen());
    MspackReader mspack(path);
    ASSERT_TRUE(mspack.isOpen());
    // Each file on its own (viewers decode from the nearest reset), then all in one pass.
    for (const ChmTestFile& file : files) {
        const std::optional<std::string> byChmlib = chmlib.read(file.name);
        ASSERT_TRUE(byChmlib) << "chmlib cannot read " << file.name;
        ASSERT_TRUE(*byChmlib == file.bytes) << "chmlib differs in " << file.name;
        const std::optional<std::string> byMspack = mspack.find(file.name);
        ASSERT_TRUE(byMspack) << "libmspack cannot extract " << file.name;
        ASSERT_TRUE(*byMspack == file.bytes) << "libmspack differs in " << file.name;
    }
    std::map<std::string, std::string> all;
    for (auto& [name, bytes] : MspackReader(path).readAll()) {
        ASSERT_TRUE(bytes) << "libmspack cannot extract " << name << " in one pass";
        all[name] = *bytes;
    }
    for (const ChmTestFile& file : files)
        ASSERT_TRUE(all[file.name] == file.bytes) << file.name << " in one pass";
    EXPECT_TRUE(mspack.messages().empty()) << mspack.messages().front();
}

class LzxRoundTripTest : public ::testing::Test
{
protected:
    TempDir m_dir;
};

TEST_F(LzxRoundTripTest, ContentOverManyResetIntervals)
{
    const std::size_t size = 20 * 65536 + 12345;
    // Real text: the sample book (Windows-1251) and this project's README, over and over.
    const std::string real = ReadBytes(std::filesystem::path(ZET_SAMPLES_DIR) / "luch.zet") +
                             ReadBytes(std::filesystem::path(ZET_SOURCE_DIR) / "README.md");
    ASSERT_GT(real.size(), 10000u);
    std::string book;
    while (book.size() < size)
        book += real;
    book.resize(size);
    const std::vector<Case> cases = {
        {"random", randomBytes(size, 11)},  {"repetitive", repetitiveBytes(size)},
        {"zeros", std::string(size, '\0')}, {"html-like", htmlLikeText(size, 12)},
        {"book and readme", book},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        expectRoundTrip(m_dir, c.content, {}, {1000, 70000, 200000, 0, 65536});
    }
}

// Stored frames between coded ones: the coded frames after them go on with the repeated offsets
// the stored block's header carries.
TEST_F(LzxRoundTripTest, StoredFramesAmongCodedFrames)
{
    std::string content;
    for (int i = 0; i < 6; ++i) {
        content += htmlLikeText(32768, 20 + i);
        content += randomBytes(32768 + (i % 2) * 32768, 30 + i);
        content += repetitiveBytes(16384) + htmlLikeText(16384, 40 + i);
    }
    for (unsigned interval : {2u, 4u, 16u}) {
        SCOPED_TRACE(interval);
        expectRoundTrip(m_dir, content, {.resetIntervalFrames = interval}, {5000, 100000});
    }
}

TEST_F(LzxRoundTripTest, EveryWindowAndResetIntervalTheReadersAccept)
{
    const std::string content =
        htmlLikeText(2 * 1024 * 1024, 50) + randomBytes(100000, 51) + repetitiveBytes(500000);
    const std::vector<std::pair<unsigned, unsigned>> settings = {
        {16, 1}, {16, 3}, {17, 2}, {18, 4}, {19, 16}, {20, 16}, {21, 32}};
    for (const auto& [window, interval] : settings) {
        SCOPED_TRACE(std::to_string(window) + "/" + std::to_string(interval));
        expectRoundTrip(m_dir, content, {.windowBits = window, .resetIntervalFrames = interval},
                        {777777, 1234567});
    }
}

// Sizes on either side of a frame and of a reset interval, random content of every sort, cut
// into files at random places.
TEST_F(LzxRoundTripTest, RandomContentAroundFrameAndIntervalBoundaries)
{
    std::mt19937 random(2024);
    const std::vector<std::size_t> sizes = {0,     1,      2,      3,      32767, 32768,
                                            32769, 65535,  65536,  65537,  98303, 98304,
                                            98305, 131071, 131072, 131073, 262145};
    for (std::size_t size : sizes) {
        for (int kind = 0; kind < 4; ++kind) {
            std::string content;
            while (content.size() < size) {
                const std::size_t piece = 1 + random() % 9000;
                switch ((kind + random()) % 4) {
                case 0:
                    content += randomBytes(piece, random());
                    break;
                case 1:
                    content += repetitiveBytes(piece);
                    break;
                case 2:
                    content += htmlLikeText(piece, random());
                    break;
                default:
                    content += std::string(piece, static_cast<char>(random()));
                }
            }
            content.resize(size);
            std::vector<std::size_t> cuts;
            for (int i = 0; i < 4; ++i)
                cuts.push_back(size ? random() % (size / 3 + 1) : 0);
            SCOPED_TRACE(std::to_string(size) + " bytes, kind " + std::to_string(kind));
            expectRoundTrip(m_dir, content,
                            {.resetIntervalFrames = 1u + static_cast<unsigned>(kind)}, cuts);
            if (HasFatalFailure())
                return;
        }
    }
}

// Content made to find the coder's edges: periods that put matches across frame boundaries and at
// the window's reach, runs that end where frames do, two-letter alphabets, and noise.
TEST_F(LzxRoundTripTest, ContentShapedAgainstTheCoder)
{
    std::mt19937 random(99);
    std::string content;
    for (std::size_t period :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{255},
          std::size_t{258}, std::size_t{32767}, std::size_t{32768}, std::size_t{32769},
          std::size_t{65533}, std::size_t{65534}, std::size_t{65535}}) {
        const std::string unit = randomBytes(period, static_cast<std::uint32_t>(period));
        const std::size_t total = std::max<std::size_t>(3 * period, 70000);
        for (std::size_t i = 0; i < total; ++i)
            content += unit[i % period];
        content += std::string(32768 - content.size() % 32768, 'z'); // a run up to a frame's end
        std::string twoLetters(20000, 'a');
        for (char& c : twoLetters)
            c = random() % 2 ? 'a' : 'b';
        content += twoLetters + randomBytes(random() % 5000, random());
    }
    for (unsigned interval : {1u, 2u, 4u}) {
        SCOPED_TRACE(interval);
        expectRoundTrip(m_dir, content, {.resetIntervalFrames = interval}, {32768, 32767, 1});
    }
}

TEST_F(LzxRoundTripTest, SameFileWhateverTheNumberOfThreads)
{
    std::vector<ChmTestFile> files;
    for (int i = 0; i < 300; ++i)
        files.push_back({"/p" + std::to_string(i) + ".html", htmlLikeText(4000 + i * 97, i)});
    files.push_back({"/random.bin", randomBytes(200000, 5)});
    std::string reference;
    for (unsigned threads : {1u, 2u, 7u}) {
        const std::string path = m_dir.file("t" + std::to_string(threads) + ".chm");
        ASSERT_EQ(writeChm(path, files, {.threads = threads}), "");
        const std::string bytes = ReadBytes(path);
        if (reference.empty())
            reference = bytes;
        else
            EXPECT_TRUE(bytes == reference) << threads << " threads wrote another file";
    }
}

// Offsets whose low three bits repeat (records of 8-byte fields) make aligned blocks pay.
TEST_F(LzxRoundTripTest, AlignedBlocksWhereOffsetsAreRegular)
{
    std::mt19937 random(77);
    std::string table;
    std::vector<std::string> fields;
    for (int i = 0; i < 64; ++i)
        fields.push_back(randomBytes(8, random()));
    while (table.size() < 1024 * 1024) {
        table += fields[random() % fields.size()];
        table += randomBytes(8, random());
    }
    chm::LzxCompressor compressor({}, {});
    compressor.write(asBytes(table));
    compressor.finish();
    EXPECT_GT(compressor.blockCounts()[2], 0u) << "no aligned block";
    expectRoundTrip(m_dir, table, {}, {300000});
}

} // namespace
