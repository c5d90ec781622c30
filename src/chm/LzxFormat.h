#pragma once

// Constants of the LZX bit stream as the CHM readers decode it (chmlib's lzx.c, libmspack's
// lzxd.c). Frames are 32 KB of output; the decoders re-align the input to 16 bits after each.

#include <array>
#include <bit>
#include <cstdint>

namespace chm::lzx {

inline constexpr unsigned frameSize = 32768;
inline constexpr unsigned minMatch = 2;
inline constexpr unsigned maxMatch = 257;
inline constexpr unsigned numChars = 256;
// A main symbol above the literals is 256 + slot * 8 + min(length - 2, 7); 7 means "read the
// rest of the length from the length tree".
inline constexpr unsigned numPrimaryLengths = 7;
inline constexpr unsigned numSecondaryLengths = 249;
inline constexpr unsigned numAlignedSymbols = 8;
inline constexpr unsigned numPretreeSymbols = 20;
inline constexpr unsigned maxSlots = 50;
inline constexpr unsigned maxMainSymbols = numChars + maxSlots * 8;
// Code lengths travel as deltas modulo 17, so 16 is the longest code; the pretree's lengths are
// plain 4-bit fields and the aligned tree's 3-bit fields.
inline constexpr unsigned maxCodeLength = 16;
inline constexpr unsigned maxPretreeCodeLength = 15;
inline constexpr unsigned maxAlignedCodeLength = 7;

inline constexpr unsigned blockVerbatim = 1;
inline constexpr unsigned blockAligned = 2;
inline constexpr unsigned blockUncompressed = 3;

// Position slots per window: the first slot whose base reaches the window size. Both decoders use
// 30, 32, 34, 36, 38, 42, 50 for windows of 2^15 .. 2^21 bytes.
constexpr unsigned slotCount(unsigned windowBits)
{
    constexpr std::array<unsigned, 7> slots{30, 32, 34, 36, 38, 42, 50};
    return slots[windowBits - 15];
}

constexpr unsigned extraBits(unsigned slot)
{
    if (slot < 4)
        return 0;
    return slot >= 36 ? 17 : slot / 2 - 1;
}

constexpr std::array<std::uint32_t, maxSlots + 1> makePositionBases()
{
    std::array<std::uint32_t, maxSlots + 1> bases{};
    for (unsigned slot = 0; slot < maxSlots; ++slot)
        bases[slot + 1] = bases[slot] + (1u << extraBits(slot));
    return bases;
}

inline constexpr std::array<std::uint32_t, maxSlots + 1> positionBase = makePositionBases();

// The slot of a "formatted" offset: a real match offset plus 2 (0..2 name the repeated offsets).
inline unsigned slotOf(std::uint32_t formatted)
{
    if (formatted < 4)
        return formatted;
    if (formatted >= positionBase[36])
        return 36 + ((formatted - positionBase[36]) >> 17);
    const unsigned high = 31 - static_cast<unsigned>(std::countl_zero(formatted));
    return 2 * high + ((formatted >> (high - 1)) & 1);
}

} // namespace chm::lzx
