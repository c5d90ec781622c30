#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

// Lays out "$FIftiMain": a 1 KB header, then for each leaf node the word location codes (WLCs)
// of its words followed by the leaf, then the index nodes, the root last. Nodes are 4 KB.
//
// A leaf entry is: the word's length plus one, the length it shares with the entry before in
// the same leaf, the rest of its bytes, 1 for a title entry else 0, the number of topics (an
// LEB128 integer), the offset of its WLCs (32 bits), 0 (16 bits), the WLCs' size (LEB128). A leaf
// starts with the next leaf's offset (32 bits, 0 for the last), 0 (16 bits) and its free bytes
// (16 bits). An index node starts with its free bytes (16 bits); its entries are the last word
// of each child (coded like a leaf's), the child's offset (32 bits) and 0 (16 bits).
//
// Each word has a body entry listing every topic it occurs on, title included, and, when it
// occurs in titles, a title entry right after it listing those topics: readers that stop at the
// first entry of a word find it everywhere, those searching titles find the title entry. Both
// stay in one leaf.
class FullTextIndexWriter
{
public:
    static constexpr std::size_t kNodeSize = 4096;
    static constexpr std::size_t kHeaderSize = 0x400;
    static constexpr std::size_t kLongestWord = 254; // its length plus one fits a byte

    struct Roots
    {
        unsigned document;
        unsigned count;
        unsigned location;
    };

    struct Entry
    {
        std::uint32_t topics;
        std::span<const std::uint8_t> wlcs;
    };

    struct Totals
    {
        std::uint32_t topicCount;
        unsigned codePage;
        std::uint32_t lcid;
        std::uint64_t occurrences;
        std::uint64_t occurrenceBytes;
        std::uint64_t distinctWords;
        std::uint64_t distinctBytes;
        std::size_t longestWord;
    };

    explicit FullTextIndexWriter(Roots roots);

    // Room for an index of about this many bytes.
    void reserve(std::size_t bytes) { m_out.reserve(bytes); }

    // Words in increasing order of their bytes (unsigned), each once, 1 to kLongestWord bytes long.
    void addWord(std::string_view word, const Entry& body, const Entry* title);

    std::vector<std::uint8_t> finish(const Totals& totals);

    // The tree's depth, once finished (1: the root is the only leaf).
    unsigned depth() const { return m_depth; }

private:
    struct NodeKey
    {
        std::string word; // the last word under the node
        std::uint32_t offset;
    };

    std::uint32_t appendWlcs(std::span<const std::uint8_t> wlcs);
    void flushLeaf();
    void writeIndex();
    bool writeThreeLevelsAligned();
    std::vector<NodeKey> writeIndexLevel(const std::vector<NodeKey>& children);
    std::uint32_t appendNode(std::array<std::uint8_t, kNodeSize>& node, std::size_t used);
    void writeHeader(const Totals& totals);

    Roots m_roots;
    std::vector<std::uint8_t> m_out;
    std::array<std::uint8_t, kNodeSize> m_leaf{};
    std::size_t m_leafUsed = 0; // 0: no leaf begun
    std::string m_leafLastWord;
    std::vector<NodeKey> m_leaves;
    std::uint32_t m_lastLeafFree = 0;
    unsigned m_depth = 0;
};

} // namespace chm
