#pragma once

#include <cstdint>
#include <span>

namespace chm {

// Canonical Huffman codes as both CHM decoders build them: codes assigned by length, then by
// symbol. The decoders accept only complete trees or entirely empty ones.
class LzxHuffman
{
public:
    // Code lengths (at most maxLength bits) for the frequencies; unused symbols get 0. A single
    // used symbol gets a partner so that the tree is complete; no used symbol gives all zeros.
    static void buildLengths(std::span<const std::uint32_t> frequencies, unsigned maxLength,
                             std::span<std::uint8_t> lengths);
    // The codes of complete (or empty) code lengths, to be sent most significant bit first.
    static void buildCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes);
};

} // namespace chm
