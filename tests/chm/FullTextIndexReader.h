#pragma once

// A reader of "$FIftiMain" for the tests, written from the format's description, apart from the
// writer. It looks words up two ways: as a reader should (each index node read from its start)
// and as python3-chm and xchm do (keeping the read position from one index node to the next).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace chm::test {

struct TopicHit
{
    std::uint32_t topic;
    std::vector<std::uint32_t> locations;
    bool operator==(const TopicHit&) const = default;
};

struct WordEntry
{
    std::string word;
    bool title = false;
    std::vector<TopicHit> hits;
};

class FullTextIndexReader
{
public:
    explicit FullTextIndexReader(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes))
    {
        if (m_bytes.size() < 0x400 || u32(0) != 0x00280000)
            throw std::runtime_error("no $FIftiMain header");
        for (unsigned i = 0; i < 3; ++i) {
            if (m_bytes[0x1E + 2 * i] != 2)
                throw std::runtime_error("scale is not 2");
        }
        m_documentRoot = m_bytes[0x1F];
        m_countRoot = m_bytes[0x21];
        m_locationRoot = m_bytes[0x23];
        m_nodeSize = u32(0x2E);
        m_depth = u16(0x18);
        m_root = u32(0x14);
        if (u32(0x08) != m_root || m_root + m_nodeSize != m_bytes.size())
            throw std::runtime_error("the root is not the last node");
    }

    std::uint32_t u32(std::size_t at) const
    {
        check(at, 4);
        return m_bytes[at] | m_bytes[at + 1] << 8 | m_bytes[at + 2] << 16 |
               static_cast<std::uint32_t>(m_bytes[at + 3]) << 24;
    }
    std::uint16_t u16(std::size_t at) const
    {
        check(at, 2);
        return static_cast<std::uint16_t>(m_bytes[at] | m_bytes[at + 1] << 8);
    }
    unsigned depth() const { return m_depth; }
    unsigned documentRoot() const { return m_documentRoot; }
    unsigned locationRoot() const { return m_locationRoot; }

    // Every entry of every leaf, following the leaves' links from the first.
    std::vector<WordEntry> allEntries() const
    {
        std::uint32_t node = m_root;
        for (unsigned level = m_depth; level > 1; --level) {
            std::size_t at = node + 2;
            std::string key;
            indexEntry(at, key, node);
        }
        std::vector<WordEntry> entries;
        for (std::size_t leaves = 0; node != 0; ++leaves) {
            if (leaves > m_bytes.size() / m_nodeSize)
                throw std::runtime_error("the leaves' links loop");
            readLeaf(node, entries);
            node = u32(node);
        }
        return entries;
    }

    // The entries of `word` (lower case) found by descending the tree.
    std::vector<WordEntry> lookUp(const std::string& word, bool keepPosition) const
    {
        std::uint32_t node = m_root;
        std::size_t carried = 2;
        std::string key;
        for (unsigned level = m_depth; level > 1; --level) {
            std::size_t at = node + (keepPosition ? carried : 2);
            if (!keepPosition)
                key.clear();
            const std::size_t end = node + m_nodeSize - u16(node);
            std::optional<std::uint32_t> child;
            while (at < end) {
                const std::size_t entryStart = at;
                std::uint32_t offset = 0;
                indexEntry(at, key, offset);
                if (word <= key) {
                    child = offset;
                    carried = entryStart - node;
                    break;
                }
            }
            if (!child)
                return {};
            node = *child;
        }
        std::vector<WordEntry> found;
        readLeaf(node, found, &word);
        return found;
    }

private:
    void check(std::size_t at, std::size_t n) const
    {
        if (at + n > m_bytes.size())
            throw std::runtime_error("read past the end");
    }

    void word(std::size_t& at, std::string& key) const
    {
        check(at, 2);
        const unsigned length = m_bytes[at];
        const unsigned shared = m_bytes[at + 1];
        if (length == 0 || shared > key.size())
            throw std::runtime_error("bad word entry");
        check(at + 2, length - 1);
        key.resize(shared);
        key.append(reinterpret_cast<const char*>(&m_bytes[at + 2]), length - 1);
        at += 2 + length - 1;
    }

    void indexEntry(std::size_t& at, std::string& key, std::uint32_t& child) const
    {
        word(at, key);
        child = u32(at);
        at += 6;
    }

    std::uint64_t leb128(std::size_t& at) const
    {
        std::uint64_t value = 0;
        for (unsigned shift = 0;; shift += 7) {
            check(at, 1);
            const std::uint8_t b = m_bytes[at++];
            value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return value;
        }
    }

    // The leaf's entries, or only those of `only`.
    void readLeaf(std::uint32_t node, std::vector<WordEntry>& entries,
                  const std::string* only = nullptr) const
    {
        std::size_t at = node + 8;
        const std::size_t end = node + m_nodeSize - u16(node + 6);
        std::string key;
        while (at < end) {
            WordEntry e;
            word(at, key);
            e.word = key;
            e.title = m_bytes[at++] == 1;
            const std::uint64_t topics = leb128(at);
            const std::uint32_t offset = u32(at);
            at += 6;
            const std::uint64_t size = leb128(at);
            if (only && *only != key)
                continue;
            e.hits = wlcs(offset, size, topics);
            entries.push_back(std::move(e));
        }
    }

    // Scale-and-root integers, most significant bit first; a topic's entry ends on a byte.
    std::vector<TopicHit> wlcs(std::uint32_t offset, std::uint64_t size, std::uint64_t topics) const
    {
        check(offset, size);
        std::size_t bit = std::size_t{offset} * 8;
        const std::size_t endBit = (std::size_t{offset} + size) * 8;
        const auto next = [&]() -> unsigned {
            if (bit >= endBit)
                throw std::runtime_error("WLC past its size");
            const unsigned b = (m_bytes[bit / 8] >> (7 - bit % 8)) & 1;
            ++bit;
            return b;
        };
        const auto number = [&](unsigned root) {
            unsigned ones = 0;
            while (next() == 1)
                ++ones;
            const unsigned bits = ones == 0 ? root : root + ones - 1;
            std::uint64_t value = 0;
            for (unsigned i = 0; i < bits; ++i)
                value = value << 1 | next();
            if (ones > 0)
                value |= std::uint64_t{1} << bits;
            return value;
        };
        std::vector<TopicHit> hits;
        std::uint64_t topic = 0;
        for (std::uint64_t t = 0; t < topics; ++t) {
            topic += number(m_documentRoot);
            TopicHit hit{static_cast<std::uint32_t>(topic), {}};
            const std::uint64_t count = number(m_countRoot);
            std::uint64_t location = 0;
            for (std::uint64_t k = 0; k < count; ++k) {
                location += number(m_locationRoot);
                hit.locations.push_back(static_cast<std::uint32_t>(location));
            }
            hits.push_back(std::move(hit));
            bit = (bit + 7) / 8 * 8;
        }
        if (bit != endBit)
            throw std::runtime_error("WLC size does not match");
        return hits;
    }

    std::vector<std::uint8_t> m_bytes;
    unsigned m_documentRoot = 0;
    unsigned m_countRoot = 0;
    unsigned m_locationRoot = 0;
    std::uint32_t m_nodeSize = 0;
    unsigned m_depth = 0;
    std::uint32_t m_root = 0;
};

} // namespace chm::test
