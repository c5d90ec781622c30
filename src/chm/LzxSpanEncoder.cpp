#include "LzxSpanEncoder.h"

#include "LzxBitWriter.h"
#include "LzxFormat.h"

namespace chm {

class LzxSpanEncoder::Impl
{
public:
    explicit Impl(unsigned windowBits) : m_windowBits(windowBits) {}

    void encode(std::span<const std::uint8_t> span, std::vector<std::uint8_t>& out,
                std::vector<std::uint32_t>& frameStarts)
    {
        const std::size_t base = out.size();
        LzxBitWriter bits(out);
        bits.put(0, 1); // no E8 translation
        bits.put(lzx::blockUncompressed, 3);
        bits.put(static_cast<std::uint32_t>(span.size()), 24);
        // The decoders skip 1..16 bits to reach a word boundary.
        if (bits.aligned())
            bits.put(0, 16);
        bits.alignToWord();
        const std::uint8_t repeats[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
        bits.putBytes(repeats, sizeof repeats);
        for (std::size_t frame = 0; frame < span.size(); frame += lzx::frameSize) {
            frameStarts.push_back(frame == 0 ? 0 : static_cast<std::uint32_t>(out.size() - base));
            bits.putBytes(span.data() + frame, lzx::frameSize);
        }
    }

private:
    unsigned m_windowBits;
};

LzxSpanEncoder::LzxSpanEncoder(unsigned windowBits) : m_impl(std::make_unique<Impl>(windowBits)) {}

LzxSpanEncoder::~LzxSpanEncoder() = default;

void LzxSpanEncoder::encode(std::span<const std::uint8_t> span, std::vector<std::uint8_t>& out,
                            std::vector<std::uint32_t>& frameStarts)
{
    m_impl->encode(span, out, frameStarts);
}

} // namespace chm
