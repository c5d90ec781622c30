// The parts the full-text index is coded with: scale-and-root integers, the posting pool and
// the word dictionary.

#include "PostingPool.h"
#include "ScaleRootCoder.h"
#include "WordDictionary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using chm::PostingPool;
using chm::ScaleRootCoder;
using chm::WordDictionary;

namespace {

// Reads scale-and-root integers as python3-chm's search does: count 1 bits up to a 0, then
// read root (+ ones - 1) bits and add the implied top bit.
class BitReader
{
public:
    explicit BitReader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    unsigned bit()
    {
        const unsigned b = (m_bytes.at(m_bit / 8) >> (7 - m_bit % 8)) & 1;
        ++m_bit;
        return b;
    }
    std::uint64_t number(unsigned root)
    {
        unsigned ones = 0;
        while (bit() == 1)
            ++ones;
        const unsigned count = ones == 0 ? root : root + ones - 1;
        std::uint64_t value = 0;
        for (unsigned i = 0; i < count; ++i)
            value = value << 1 | bit();
        return ones == 0 ? value : value | std::uint64_t{1} << count;
    }
    void align() { m_bit = (m_bit + 7) / 8 * 8; }
    std::size_t bitPosition() const { return m_bit; }

private:
    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_bit = 0;
};

} // namespace

TEST(ScaleRootCoder, KnownBitPatterns)
{
    std::vector<std::uint8_t> out;
    ScaleRootCoder coder(out);
    coder.put(5, 2); // three bits with root 2: 1 0 01
    coder.put(0, 1); // 0 0
    coder.put(1, 1); // 0 1
    coder.align();   // 1001 0001 -> 0x91
    coder.put(2, 1); // 1 0 0
    coder.align();   // 1000 0000
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x91, 0x80}));
}

TEST(ScaleRootCoder, BoundaryValuesReadBackForEveryRoot)
{
    std::vector<std::uint32_t> values = {0, 1, 2, 3, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu};
    for (unsigned shift = 1; shift < 32; ++shift) {
        values.push_back((1u << shift) - 1);
        values.push_back(1u << shift);
    }
    for (unsigned root = ScaleRootCoder::kMinRoot; root <= ScaleRootCoder::kMaxRoot; ++root) {
        std::vector<std::uint8_t> out;
        ScaleRootCoder coder(out);
        std::size_t bits = 0;
        for (const std::uint32_t v : values) {
            coder.put(v, root);
            bits += ScaleRootCoder::cost(ScaleRootCoder::bitLength(v), root);
        }
        coder.align();
        EXPECT_EQ(out.size(), (bits + 7) / 8) << "root " << root;
        BitReader reader(out);
        for (const std::uint32_t v : values)
            ASSERT_EQ(reader.number(root), v) << "root " << root;
        EXPECT_EQ(reader.bitPosition(), bits);
    }
}

TEST(ScaleRootCoder, BestRootCodesInTheFewestBits)
{
    ScaleRootCoder::Histogram histogram{};
    std::mt19937 random(7);
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 5000; ++i) {
        const std::uint32_t v = random() % 3 == 0 ? random() % 100000 : random() % 20;
        values.push_back(v);
        ScaleRootCoder::count(histogram, v);
    }
    const unsigned best = ScaleRootCoder::bestRoot(histogram);
    const auto size = [&](unsigned root) {
        std::vector<std::uint8_t> out;
        ScaleRootCoder coder(out);
        for (const std::uint32_t v : values)
            coder.put(v, root);
        coder.align();
        return out.size();
    };
    for (unsigned root = ScaleRootCoder::kMinRoot; root <= ScaleRootCoder::kMaxRoot; ++root)
        EXPECT_LE(size(best), size(root)) << "root " << root;
}

TEST(PostingPool, InterleavedListsReadBackAcrossSlicesAndBlocks)
{
    PostingPool pool;
    constexpr int kLists = 3000;
    std::vector<PostingPool::List> lists(kLists);
    std::vector<std::vector<std::uint32_t>> expected(kLists);
    std::mt19937 random(11);
    // Short and very long lists together, grown in turns, more than one block in all.
    for (int round = 0; round < 1500; ++round) {
        for (int l = 0; l < kLists; ++l) {
            if (l % 100 != 0 && round % (1 + l % 50) != 0)
                continue;
            const std::uint32_t value = random() >> (random() % 32);
            pool.appendVarint(lists[l], value);
            expected[l].push_back(value);
        }
    }
    EXPECT_GT(pool.capacity(), std::size_t{1} << 20);
    for (int l = 0; l < kLists; ++l) {
        PostingPool::Reader reader(pool, lists[l]);
        for (const std::uint32_t value : expected[l])
            ASSERT_EQ(reader.varint(), value) << "list " << l;
        EXPECT_TRUE(reader.atEnd());
    }
    PostingPool::List empty;
    EXPECT_TRUE(PostingPool::Reader(pool, empty).atEnd());
}

TEST(PostingPool, ListEndingExactlyAtASliceEnd)
{
    PostingPool pool;
    PostingPool::List list;
    for (std::uint8_t b = 0; b < 12; ++b) // the first slice holds 12 bytes
        pool.append(list, b);
    PostingPool::Reader reader(pool, list);
    for (std::uint8_t b = 0; b < 12; ++b)
        EXPECT_EQ(reader.byte(), b);
    EXPECT_TRUE(reader.atEnd());
    pool.append(list, 99);
    PostingPool::Reader again(pool, list);
    for (int i = 0; i < 12; ++i)
        again.byte();
    EXPECT_EQ(again.byte(), 99);
    EXPECT_TRUE(again.atEnd());
}

TEST(WordDictionary, NumbersWordsOnceThroughGrowth)
{
    WordDictionary dictionary;
    std::vector<std::string> words;
    for (int i = 0; i < 20000; ++i)
        words.push_back("w" + std::to_string(i * 7919 % 20000));
    for (std::size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(dictionary.add(words[i]), i);
    for (std::size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(dictionary.add(words[i]), i);
    EXPECT_EQ(dictionary.size(), words.size());
    EXPECT_EQ(dictionary.word(123), words[123]);
}

TEST(WordDictionary, SortsBytesAsUnsigned)
{
    WordDictionary dictionary;
    // Windows-1251 "я", "а", then ASCII: Cyrillic bytes sort after every ASCII one.
    for (const char* w : {"\xff", "\xe0", "z", "a1", "a", "ab", "\xe0\xe0"})
        dictionary.add(w);
    std::vector<std::string> sorted;
    for (const std::uint32_t id : dictionary.sortedIds())
        sorted.emplace_back(dictionary.word(id));
    EXPECT_EQ(sorted, (std::vector<std::string>{"a", "a1", "ab", "z", "\xe0", "\xe0\xe0", "\xff"}));
    EXPECT_EQ(dictionary.longestWord(), 2u);
    EXPECT_EQ(dictionary.totalLength(), 10u);
}
