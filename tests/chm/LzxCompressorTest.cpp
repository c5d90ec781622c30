#include "LzxCompressor.h"
#include "ChmTestFiles.h"

#include <gtest/gtest.h>

namespace {

struct Compressed
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> frames;
    std::uint64_t uncompressed = 0;
};

Compressed compress(const std::string& input, const chm::LzxOptions& options, std::size_t piece = 0)
{
    Compressed result;
    chm::LzxCompressor compressor(options, [&](std::span<const std::uint8_t> bytes) {
        result.bytes.insert(result.bytes.end(), bytes.begin(), bytes.end());
    });
    const auto all = asBytes(input);
    if (piece == 0)
        piece = std::max<std::size_t>(1, all.size());
    for (std::size_t at = 0; at < all.size(); at += piece)
        compressor.write(all.subspan(at, std::min(piece, all.size() - at)));
    compressor.finish();
    EXPECT_EQ(compressor.compressedSize(), result.bytes.size());
    result.frames = compressor.frameOffsets();
    result.uncompressed = compressor.uncompressedSize();
    return result;
}

TEST(LzxCompressorTest, EmptyInputGivesAnEmptyStream)
{
    const Compressed result = compress("", {});
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_TRUE(result.frames.empty());
    EXPECT_EQ(result.uncompressed, 0u);
}

TEST(LzxCompressorTest, StreamIsPaddedToWholeResetIntervals)
{
    for (std::size_t size : {std::size_t{1}, std::size_t{32767}, std::size_t{32768},
                             std::size_t{32769}, std::size_t{65536}, std::size_t{65537}}) {
        const Compressed result = compress(htmlLikeText(size, 7), {.resetIntervalFrames = 2});
        const std::size_t intervals = (size + 65535) / 65536;
        ASSERT_EQ(result.frames.size(), 2 * intervals) << size;
        EXPECT_EQ(result.frames.front(), 0u);
        EXPECT_TRUE(std::is_sorted(result.frames.begin(), result.frames.end()));
        EXPECT_LT(result.frames.back(), result.bytes.size());
        for (std::uint64_t offset : result.frames)
            EXPECT_EQ(offset % 2, 0u) << "frames start on 16-bit words";
        EXPECT_EQ(result.uncompressed, size);
    }
}

TEST(LzxCompressorTest, SameBytesWhateverThePiecesAndThreads)
{
    const std::string input =
        htmlLikeText(700000, 8) + randomBytes(100000, 9) + repetitiveBytes(300000);
    const Compressed reference = compress(input, {.threads = 1});
    for (unsigned threads : {2u, 7u}) {
        const Compressed other = compress(input, {.threads = threads}, 10007);
        EXPECT_TRUE(other.bytes == reference.bytes) << threads << " threads";
        EXPECT_EQ(other.frames, reference.frames) << threads << " threads";
    }
}

TEST(LzxCompressorTest, OptionsAreMadeReadableByBothDecoders)
{
    using chm::LzxCompressor;
    EXPECT_EQ(LzxCompressor::normalised({.windowBits = 15}).windowBits, 16u);
    EXPECT_EQ(LzxCompressor::normalised({.windowBits = 30}).windowBits, 21u);
    EXPECT_EQ(LzxCompressor::normalised({.resetIntervalFrames = 0}).resetIntervalFrames, 1u);
    // A 128 KB window needs an even number of frames between resets, and says 2 windows a reset.
    const chm::LzxOptions wide =
        LzxCompressor::normalised({.windowBits = 17, .resetIntervalFrames = 3});
    EXPECT_EQ(wide.resetIntervalFrames, 4u);
    EXPECT_EQ(LzxCompressor::windowsPerReset(wide), 2u);
    EXPECT_EQ(LzxCompressor::windowsPerReset({.windowBits = 16}), 1u);
}

} // namespace
