#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace chm {

// The full-text index's "scale and root" integers (scale 2, the only one readers take), written
// most significant bit first. With root r a value below 2^r is a 0 bit and its r bits; a value
// of b > r bits is (b - r) 1 bits, a 0 bit and its lowest (b - 1) bits (the top bit is implied).
class ScaleRootCoder
{
public:
    // Counts of values by their bit length (0 for the value 0, up to 32).
    using Histogram = std::array<std::uint64_t, 33>;

    static unsigned bitLength(std::uint32_t value)
    {
        return static_cast<unsigned>(std::bit_width(value));
    }
    static void count(Histogram& histogram, std::uint32_t value) { ++histogram[bitLength(value)]; }
    // The bits `root` takes for a value of the given bit length.
    static unsigned cost(unsigned bitLength, unsigned root);
    // The root in [kMinRoot, kMaxRoot] that codes the counted values in the fewest bits.
    static unsigned bestRoot(const Histogram& histogram);
    static constexpr unsigned kMinRoot = 1;
    static constexpr unsigned kMaxRoot = 24;

    explicit ScaleRootCoder(std::vector<std::uint8_t>& out) : m_out(out) {}

    void put(std::uint32_t value, unsigned root)
    {
        const unsigned length = bitLength(value);
        if (length <= root) {
            bits(value, root + 1); // a 0 bit, then the root's bits
            return;
        }
        putLong(value, length, root);
    }
    // Pads the last byte with 0 bits: every document's entry starts on a byte.
    void align()
    {
        if (m_bits > 0)
            bits(0, 8 - m_bits);
    }

private:
    void putLong(std::uint32_t value, unsigned length, unsigned root);
    void bits(std::uint64_t value, unsigned count) // count <= 56 - 7, value has no more bits
    {
        m_buffer = (m_buffer << count) | value;
        m_bits += count;
        while (m_bits >= 8) {
            m_bits -= 8;
            m_out.push_back(static_cast<std::uint8_t>(m_buffer >> m_bits));
        }
        m_buffer &= (1ull << m_bits) - 1;
    }

    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_buffer = 0;
    unsigned m_bits = 0; // in m_buffer, below 8 between calls
};

} // namespace chm
