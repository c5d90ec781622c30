#include "ScaleRootCoder.h"

#include <bit>
#include <limits>

namespace chm {

unsigned ScaleRootCoder::bitLength(std::uint32_t value)
{
    return static_cast<unsigned>(std::bit_width(value));
}

unsigned ScaleRootCoder::cost(unsigned bitLength, unsigned root)
{
    return bitLength <= root ? 1 + root : 2 * bitLength - root;
}

unsigned ScaleRootCoder::bestRoot(const Histogram& histogram)
{
    unsigned best = kMinRoot;
    std::uint64_t bestBits = std::numeric_limits<std::uint64_t>::max();
    for (unsigned root = kMinRoot; root <= kMaxRoot; ++root) {
        std::uint64_t total = 0;
        for (unsigned length = 0; length < histogram.size(); ++length)
            total += histogram[length] * cost(length, root);
        if (total < bestBits) {
            bestBits = total;
            best = root;
        }
    }
    return best;
}

void ScaleRootCoder::bits(std::uint32_t value, unsigned count)
{
    if (count == 0)
        return;
    const std::uint64_t mask = count == 32 ? 0xFFFFFFFFull : (1ull << count) - 1;
    m_buffer = (m_buffer << count) | (value & mask);
    m_bits += count;
    while (m_bits >= 8) {
        m_bits -= 8;
        m_out.push_back(static_cast<std::uint8_t>(m_buffer >> m_bits));
    }
    m_buffer &= (1ull << m_bits) - 1;
}

void ScaleRootCoder::put(std::uint32_t value, unsigned root)
{
    const unsigned length = bitLength(value);
    if (length <= root) {
        bits(0, 1);
        bits(value, root);
        return;
    }
    for (unsigned ones = length - root; ones > 0;) {
        const unsigned n = ones > 32 ? 32 : ones;
        bits(0xFFFFFFFFu, n);
        ones -= n;
    }
    bits(0, 1);
    bits(value, length - 1); // the top bit is implied by the prefix
}

void ScaleRootCoder::align()
{
    if (m_bits > 0)
        bits(0, 8 - m_bits);
}

} // namespace chm
