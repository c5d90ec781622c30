#include "LzxHuffman.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

namespace {

using chm::LzxHuffman;

// Kraft sum of the lengths, in units of 2^-limit: complete trees give exactly 2^limit.
std::uint64_t kraft(const std::vector<std::uint8_t>& lengths, unsigned limit)
{
    std::uint64_t sum = 0;
    for (std::uint8_t length : lengths) {
        if (length)
            sum += std::uint64_t{1} << (limit - length);
    }
    return sum;
}

std::vector<std::uint8_t> lengthsFor(const std::vector<std::uint32_t>& frequencies, unsigned limit)
{
    std::vector<std::uint8_t> lengths(frequencies.size(), 99);
    LzxHuffman::buildLengths(frequencies, limit, lengths);
    return lengths;
}

TEST(LzxHuffmanTest, NoSymbolGivesAnEmptyTree)
{
    const auto lengths = lengthsFor(std::vector<std::uint32_t>(20, 0), 15);
    EXPECT_EQ(std::accumulate(lengths.begin(), lengths.end(), 0), 0);
}

// The decoders reject a tree of one code; a partner makes it complete.
TEST(LzxHuffmanTest, OneSymbolGetsAPartner)
{
    for (std::size_t used : {std::size_t{0}, std::size_t{7}}) {
        std::vector<std::uint32_t> frequencies(8, 0);
        frequencies[used] = 100;
        const auto lengths = lengthsFor(frequencies, 7);
        EXPECT_EQ(lengths[used], 1);
        EXPECT_EQ(kraft(lengths, 7), 128u);
    }
}

// Fibonacci frequencies make the unlimited code 30 bits deep.
TEST(LzxHuffmanTest, LengthsStayWithinTheLimitAndTheTreeComplete)
{
    std::vector<std::uint32_t> frequencies = {1, 1};
    while (frequencies.size() < 32)
        frequencies.push_back(frequencies[frequencies.size() - 1] +
                              frequencies[frequencies.size() - 2]);
    for (unsigned limit : {7u, 15u, 16u}) {
        if ((1u << limit) < frequencies.size())
            continue;
        const auto lengths = lengthsFor(frequencies, limit);
        for (std::uint8_t length : lengths) {
            EXPECT_GE(length, 1);
            EXPECT_LE(length, limit);
        }
        EXPECT_EQ(kraft(lengths, limit), std::uint64_t{1} << limit) << limit;
        // More frequent symbols never get longer codes.
        for (std::size_t i = 1; i < lengths.size(); ++i)
            EXPECT_LE(lengths[i], lengths[i - 1]);
    }
}

TEST(LzxHuffmanTest, RandomFrequenciesGiveCompleteLimitedTrees)
{
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint32_t> frequencies(1 + random() % 656);
        for (std::uint32_t& f : frequencies)
            f = random() % 3 ? 0 : (random() % 5 ? random() % 10 : random() % 1000000);
        const auto lengths = lengthsFor(frequencies, 16);
        const auto used = std::count_if(frequencies.begin(), frequencies.end(),
                                        [](std::uint32_t f) { return f > 0; });
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            if (frequencies[i]) {
                EXPECT_GT(lengths[i], 0);
            }
        }
        if (used == 0) {
            EXPECT_EQ(kraft(lengths, 16), 0u);
        } else if (frequencies.size() > 1) {
            EXPECT_EQ(kraft(lengths, 16), 65536u);
        }
    }
}

// Codes by length, then by symbol, as the decoders' tables assign them.
TEST(LzxHuffmanTest, CodesAreCanonical)
{
    const std::vector<std::uint8_t> lengths = {3, 3, 3, 3, 3, 2, 4, 4, 0};
    std::vector<std::uint16_t> codes(lengths.size());
    LzxHuffman::buildCodes(lengths, codes);
    const std::vector<std::uint16_t> expected = {0b010, 0b011,  0b100,  0b101, 0b110,
                                                 0b00,  0b1110, 0b1111, 0};
    EXPECT_EQ(codes, expected);
}

} // namespace
