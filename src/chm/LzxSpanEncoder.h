#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace chm {

// Compresses one reset interval: whole 32 KB frames, starting from the coder's reset state
// (repeated offsets 1, code lengths zero, the E8 header bit re-read). Holds large scratch tables,
// so each worker keeps one.
class LzxSpanEncoder
{
public:
    explicit LzxSpanEncoder(unsigned windowBits);
    ~LzxSpanEncoder();
    LzxSpanEncoder(const LzxSpanEncoder&) = delete;
    LzxSpanEncoder& operator=(const LzxSpanEncoder&) = delete;

    // span.size() is a multiple of the frame size. Appends the compressed bytes to out and the
    // offset (from the span's first compressed byte) of every frame to frameStarts, and counts the
    // blocks written by their type (1 verbatim, 2 aligned, 3 stored) in blocks.
    void encode(std::span<const std::uint8_t> span, std::vector<std::uint8_t>& out,
                std::vector<std::uint32_t>& frameStarts, std::array<std::uint64_t, 4>& blocks);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace chm
