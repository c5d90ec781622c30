#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace chm {

// Many byte lists that grow at their ends, the posting lists of the full-text index. A list is
// a chain of slices cut from large blocks, each slice twice as long as the one before (up to
// 4 KB) with the position of the next in its last four bytes: no allocation per list, little
// waste for the many short lists and few links for the long ones.
class PostingPool
{
public:
    struct List
    {
        std::uint32_t head = 0; // 0: empty
        std::uint32_t write = 0;
        std::uint32_t sliceEnd = 0; // where the current slice's link to the next one goes
        std::uint8_t level = 0;
    };

    class Reader
    {
    public:
        Reader(const PostingPool& pool, const List& list);
        bool atEnd() const { return m_position == m_end; }
        std::uint8_t byte()
        {
            if (m_position == m_sliceEnd)
                nextSlice();
            return m_pool.at(m_position++);
        }
        std::uint32_t varint()
        {
            std::uint32_t value = 0;
            for (unsigned shift = 0; shift < 35; shift += 7) {
                const std::uint8_t b = byte();
                value |= static_cast<std::uint32_t>(b & 0x7F) << shift;
                if ((b & 0x80) == 0)
                    break;
            }
            return value;
        }

    private:
        void nextSlice();

        const PostingPool& m_pool;
        std::uint32_t m_position;
        std::uint32_t m_sliceEnd;
        std::uint32_t m_end;
        std::uint8_t m_level = 0;
    };

    PostingPool();

    void append(List& list, std::uint8_t byte)
    {
        if (list.write == list.sliceEnd) // also when the list is empty
            newSlice(list);
        at(list.write++) = byte;
    }
    // LEB128: seven bits a byte, the lowest first.
    void appendVarint(List& list, std::uint32_t value)
    {
        while (value >= 0x80) {
            append(list, static_cast<std::uint8_t>(value | 0x80));
            value >>= 7;
        }
        append(list, static_cast<std::uint8_t>(value));
    }

    // The memory the lists hold.
    std::size_t capacity() const { return m_blocks.size() * kBlockSize; }

private:
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::uint32_t kBlockSize = 1u << kBlockBits;
    static constexpr unsigned kLevels = 9;
    static constexpr std::uint32_t sliceSize(unsigned level) { return 16u << level; }

    void newSlice(List& list);
    std::uint32_t allocate(std::uint32_t size);
    std::uint8_t& at(std::uint32_t offset) const
    {
        return m_blocks[offset >> kBlockBits][offset & (kBlockSize - 1)];
    }
    std::uint32_t link(std::uint32_t offset) const;
    void setLink(std::uint32_t offset, std::uint32_t target);

    std::vector<std::unique_ptr<std::uint8_t[]>> m_blocks;
    std::uint32_t m_used = 0; // in the last block
};

} // namespace chm
