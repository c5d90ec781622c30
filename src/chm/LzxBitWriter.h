#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chm {

// LZX bit order: 16-bit little-endian words, each filled from its most significant bit.
class LzxBitWriter
{
public:
    explicit LzxBitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    // bits <= 32
    void put(std::uint32_t value, unsigned bits)
    {
        m_acc = (m_acc << bits) | (value & ((std::uint64_t{1} << bits) - 1));
        m_pending += bits;
        while (m_pending >= 16) {
            m_pending -= 16;
            const auto word = static_cast<std::uint16_t>(m_acc >> m_pending);
            m_out.push_back(static_cast<std::uint8_t>(word));
            m_out.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    }

    // Zero bits up to the next word boundary (nothing when already there).
    void alignToWord()
    {
        if (m_pending)
            put(0, 16 - m_pending);
    }

    bool aligned() const { return m_pending == 0; }

    // Raw bytes; only on a word boundary.
    void putBytes(const std::uint8_t* bytes, std::size_t count)
    {
        m_out.insert(m_out.end(), bytes, bytes + count);
    }

    std::size_t byteSize() const { return m_out.size(); }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_acc = 0;
    unsigned m_pending = 0;
};

} // namespace chm
