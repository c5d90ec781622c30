#include "FullTextIndexWriter.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace chm {

namespace {

constexpr std::size_t kLeafHeaderSize = 8;
constexpr std::size_t kIndexHeaderSize = 2;

std::size_t varintSize(std::uint64_t value)
{
    std::size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

template <typename Bytes> void put16(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

template <typename Bytes> void put32(Bytes& bytes, std::size_t at, std::uint64_t value)
{
    const auto v = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
    for (unsigned i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class NodeBytes
{
public:
    NodeBytes(std::array<std::uint8_t, FullTextIndexWriter::kNodeSize>& node, std::size_t& used)
        : m_node(node), m_used(used)
    {}
    void byte(std::uint64_t b) { m_node[m_used++] = static_cast<std::uint8_t>(b); }
    void bytes(std::string_view text)
    {
        for (const char c : text)
            byte(static_cast<unsigned char>(c));
    }
    void u16(std::uint32_t value)
    {
        put16(m_node, m_used, value);
        m_used += 2;
    }
    void u32(std::uint32_t value)
    {
        put32(m_node, m_used, value);
        m_used += 4;
    }
    void varint(std::uint64_t value)
    {
        while (value >= 0x80) {
            byte((value & 0x7F) | 0x80);
            value >>= 7;
        }
        byte(value);
    }

private:
    std::array<std::uint8_t, FullTextIndexWriter::kNodeSize>& m_node;
    std::size_t& m_used;
};

std::size_t sharedPrefix(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min({a.size(), b.size(), std::size_t{255}});
    std::size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

std::size_t indexEntrySize(std::string_view word, std::size_t shared)
{
    return 2 + (word.size() - shared) + 4 + 2;
}

void writeIndexEntry(NodeBytes& node, std::string_view word, std::size_t shared,
                     std::uint32_t child)
{
    node.byte(word.size() - shared + 1);
    node.byte(shared);
    node.bytes(word.substr(shared));
    node.u32(child);
    node.u16(0);
}

std::size_t leafEntrySize(std::size_t suffix, const FullTextIndexWriter::Entry& entry)
{
    return 2 + suffix + 1 + varintSize(entry.topics) + 4 + 2 + varintSize(entry.wlcs.size());
}

} // namespace

FullTextIndexWriter::FullTextIndexWriter(Roots roots) : m_roots(roots)
{
    m_out.assign(kHeaderSize, 0);
}

std::uint32_t FullTextIndexWriter::appendWlcs(std::span<const std::uint8_t> wlcs)
{
    if (m_out.size() + wlcs.size() + 2 * kNodeSize > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the full-text index exceeds 4 GB");
    const auto offset = static_cast<std::uint32_t>(m_out.size());
    m_out.insert(m_out.end(), wlcs.begin(), wlcs.end());
    return offset;
}

void FullTextIndexWriter::addWord(std::string_view word, const Entry& body, const Entry* title)
{
    if (word.empty() || word.size() > kLongestWord)
        throw std::invalid_argument("a word of the full-text index is empty or too long");
    std::size_t shared = m_leafUsed > kLeafHeaderSize ? sharedPrefix(m_leafLastWord, word) : 0;
    const auto sizeNeeded = [&] {
        return leafEntrySize(word.size() - shared, body) + (title ? leafEntrySize(0, *title) : 0);
    };
    if (m_leafUsed > kLeafHeaderSize && m_leafUsed + sizeNeeded() > kNodeSize) {
        flushLeaf();
        shared = 0;
    }
    if (m_leafUsed == 0)
        m_leafUsed = kLeafHeaderSize;

    NodeBytes leaf(m_leaf, m_leafUsed);
    leaf.byte(word.size() - shared + 1);
    leaf.byte(shared);
    leaf.bytes(word.substr(shared));
    leaf.byte(0);
    leaf.varint(body.topics);
    leaf.u32(appendWlcs(body.wlcs));
    leaf.u16(0);
    leaf.varint(body.wlcs.size());
    if (title) {
        leaf.byte(1);
        leaf.byte(word.size());
        leaf.byte(1);
        leaf.varint(title->topics);
        leaf.u32(appendWlcs(title->wlcs));
        leaf.u16(0);
        leaf.varint(title->wlcs.size());
    }
    m_leafLastWord.assign(word);
}

std::uint32_t FullTextIndexWriter::appendNode(std::array<std::uint8_t, kNodeSize>& node,
                                              std::size_t used)
{
    std::fill(node.begin() + static_cast<std::ptrdiff_t>(used), node.end(), 0);
    if (m_out.size() + kNodeSize > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the full-text index exceeds 4 GB");
    const auto offset = static_cast<std::uint32_t>(m_out.size());
    m_out.insert(m_out.end(), node.begin(), node.end());
    return offset;
}

void FullTextIndexWriter::flushLeaf()
{
    if (m_leafUsed == 0)
        m_leafUsed = kLeafHeaderSize; // an index without words still has its (empty) leaf
    m_lastLeafFree = static_cast<std::uint32_t>(kNodeSize - m_leafUsed);
    put32(m_leaf, 0, 0);
    put16(m_leaf, 4, 0);
    put16(m_leaf, 6, m_lastLeafFree);
    const std::uint32_t offset = appendNode(m_leaf, m_leafUsed);
    if (!m_leaves.empty())
        put32(m_out, m_leaves.back().offset, offset);
    m_leaves.push_back({m_leafLastWord, offset});
    m_leafUsed = 0;
    m_leafLastWord.clear();
}

std::vector<FullTextIndexWriter::NodeKey>
FullTextIndexWriter::writeIndexLevel(const std::vector<NodeKey>& children)
{
    std::vector<NodeKey> parents;
    std::array<std::uint8_t, kNodeSize> node{};
    std::size_t used = kIndexHeaderSize;
    std::string_view previous;
    const auto flush = [&] {
        put16(node, 0, static_cast<std::uint32_t>(kNodeSize - used));
        parents.push_back({std::string(previous), appendNode(node, used)});
        used = kIndexHeaderSize;
    };
    for (const NodeKey& child : children) {
        std::size_t shared = used > kIndexHeaderSize ? sharedPrefix(previous, child.word) : 0;
        if (used + indexEntrySize(child.word, shared) > kNodeSize) {
            flush();
            shared = 0;
        }
        NodeBytes bytes(node, used);
        writeIndexEntry(bytes, child.word, shared, child.offset);
        previous = child.word;
    }
    flush();
    return parents;
}

// The search of python3-chm and xchm keeps its read position from one index node to the next
// on the way down. With two index levels it therefore reads the lower node from the offset at
// which it found the entry in the root. So every lower node's own entries start exactly there;
// the bytes before them are entries no search goes wrong by: keys that are prefixes of its
// first key, leading to its first child. The root begins with eight entries of an empty key
// (no word is at most that, so none is ever followed) to leave room for them in every node.
bool FullTextIndexWriter::writeThreeLevelsAligned()
{
    constexpr std::size_t kRootPadding = 8;
    constexpr std::size_t kPaddingEntrySize = 8; // an empty key
    const std::size_t mark = m_out.size();
    std::vector<NodeKey> children;
    std::vector<std::size_t> shares;
    std::size_t rootUsed = kIndexHeaderSize + kRootPadding * kPaddingEntrySize;
    std::array<std::uint8_t, kNodeSize> node{};

    for (std::size_t next = 0; next < m_leaves.size();) {
        const std::size_t start = rootUsed;
        std::size_t used = kIndexHeaderSize;
        NodeBytes bytes(node, used);
        const NodeKey& first = m_leaves[next];
        const std::size_t gap = start - kIndexHeaderSize; // at least 64: room enough
        const std::size_t fillers = gap / kPaddingEntrySize;
        const std::size_t longer = gap % kPaddingEntrySize;
        for (std::size_t k = 0; k < fillers; ++k) {
            const std::size_t keyLength = k >= fillers - longer ? 1 : 0;
            writeIndexEntry(bytes, std::string_view(first.word).substr(0, keyLength), 0,
                            first.offset);
        }
        std::string_view previous;
        const std::size_t firstEntry = next;
        for (; next < m_leaves.size(); ++next) {
            const std::string& word = m_leaves[next].word;
            const std::size_t shared = next > firstEntry ? sharedPrefix(previous, word) : 0;
            if (used + indexEntrySize(word, shared) > kNodeSize)
                break;
            writeIndexEntry(bytes, word, shared, m_leaves[next].offset);
            previous = word;
        }
        if (next == firstEntry) {
            m_out.resize(mark);
            return false;
        }
        put16(node, 0, static_cast<std::uint32_t>(kNodeSize - used));
        children.push_back({std::string(previous), appendNode(node, used)});
        const std::size_t shared =
            children.size() > 1 ? sharedPrefix(children[children.size() - 2].word, previous) : 0;
        shares.push_back(shared);
        rootUsed += indexEntrySize(previous, shared);
        if (rootUsed > kNodeSize) {
            m_out.resize(mark);
            return false;
        }
    }

    std::size_t used = kIndexHeaderSize;
    NodeBytes bytes(node, used);
    for (std::size_t k = 0; k < kRootPadding; ++k)
        writeIndexEntry(bytes, {}, 0, children.front().offset);
    for (std::size_t k = 0; k < children.size(); ++k)
        writeIndexEntry(bytes, children[k].word, shares[k], children[k].offset);
    put16(node, 0, static_cast<std::uint32_t>(kNodeSize - used));
    appendNode(node, used);
    return true;
}

void FullTextIndexWriter::writeIndex()
{
    m_depth = 1;
    if (m_leaves.size() == 1)
        return;
    std::vector<NodeKey> level = writeIndexLevel(m_leaves);
    ++m_depth;
    if (level.size() == 1)
        return;
    // More than one index node: start again with the layout above if it holds them all.
    m_out.resize(m_leaves.back().offset + kNodeSize);
    if (writeThreeLevelsAligned()) {
        m_depth = 3;
        return;
    }
    level = writeIndexLevel(m_leaves);
    while (level.size() > 1) {
        level = writeIndexLevel(level);
        ++m_depth;
    }
}

void FullTextIndexWriter::writeHeader(const Totals& totals)
{
    std::vector<std::uint8_t>& h = m_out;
    const auto root = static_cast<std::uint32_t>(m_out.size() - kNodeSize);
    put32(h, 0x00, 0x00280000);
    put32(h, 0x04, totals.topicCount);
    put32(h, 0x08, root);
    put32(h, 0x0C, 0);
    put32(h, 0x10, m_leaves.size());
    put32(h, 0x14, root);
    put16(h, 0x18, m_depth);
    put32(h, 0x1A, 7);
    const unsigned roots[] = {m_roots.document, m_roots.count, m_roots.location};
    for (unsigned i = 0; i < 3; ++i) {
        h[0x1E + 2 * i] = 2; // the scale
        h[0x1F + 2 * i] = static_cast<std::uint8_t>(roots[i]);
    }
    put32(h, 0x2E, kNodeSize);
    put32(h, 0x3E, totals.longestWord);
    put32(h, 0x42, totals.occurrences);
    put32(h, 0x46, totals.distinctWords);
    put32(h, 0x4A, totals.occurrenceBytes & 0xFFFFFFFFu);
    put32(h, 0x4E, totals.occurrenceBytes >> 32);
    put32(h, 0x52, totals.distinctBytes);
    put32(h, 0x56, m_lastLeafFree);
    put32(h, 0x5E, totals.topicCount > 0 ? totals.topicCount - 1 : 0);
    put32(h, 0x7A, totals.codePage);
    put32(h, 0x7E, totals.lcid);
}

std::vector<std::uint8_t> FullTextIndexWriter::finish(const Totals& totals)
{
    if (m_leafUsed > 0 || m_leaves.empty())
        flushLeaf();
    writeIndex();
    writeHeader(totals);
    return std::move(m_out);
}

} // namespace chm
