#include "PostingPool.h"

#include <algorithm>
#include <stdexcept>

namespace chm {

PostingPool::PostingPool()
{
    // Offset 0 marks an empty list, so the first block starts a little in.
    m_blocks.push_back(std::make_unique<std::uint8_t[]>(kBlockSize));
    m_used = 16;
}

std::uint32_t PostingPool::allocate(std::uint32_t size)
{
    if (m_used + size > kBlockSize) {
        if (m_blocks.size() >= (std::size_t{1} << (32 - kBlockBits)))
            throw std::length_error("the full-text index's posting lists exceed 4 GB");
        m_blocks.push_back(std::make_unique<std::uint8_t[]>(kBlockSize));
        m_used = 0;
    }
    const std::uint32_t offset =
        (static_cast<std::uint32_t>(m_blocks.size() - 1) << kBlockBits) | m_used;
    m_used += size;
    return offset;
}

std::uint32_t PostingPool::link(std::uint32_t offset) const
{
    return static_cast<std::uint32_t>(at(offset)) |
           static_cast<std::uint32_t>(at(offset + 1)) << 8 |
           static_cast<std::uint32_t>(at(offset + 2)) << 16 |
           static_cast<std::uint32_t>(at(offset + 3)) << 24;
}

void PostingPool::setLink(std::uint32_t offset, std::uint32_t target)
{
    for (unsigned i = 0; i < 4; ++i)
        at(offset + i) = static_cast<std::uint8_t>(target >> (8 * i));
}

void PostingPool::newSlice(List& list)
{
    if (list.head == 0) {
        const std::uint32_t slice = allocate(sliceSize(0));
        list.head = list.write = slice;
        list.sliceEnd = slice + sliceSize(0) - 4;
        list.level = 0;
        return;
    }
    const unsigned level = std::min<unsigned>(list.level + 1u, kLevels - 1);
    const std::uint32_t slice = allocate(sliceSize(level));
    setLink(list.sliceEnd, slice);
    list.write = slice;
    list.sliceEnd = slice + sliceSize(level) - 4;
    list.level = static_cast<std::uint8_t>(level);
}

PostingPool::Reader::Reader(const PostingPool& pool, const List& list)
    : m_pool(pool), m_position(list.head), m_sliceEnd(list.head + sliceSize(0) - 4),
      m_end(list.write)
{}

void PostingPool::Reader::nextSlice()
{
    m_level = static_cast<std::uint8_t>(std::min<unsigned>(m_level + 1u, kLevels - 1));
    m_position = m_pool.link(m_sliceEnd);
    m_sliceEnd = m_position + sliceSize(m_level) - 4;
}

} // namespace chm
