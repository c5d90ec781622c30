#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace chm {

struct LzxOptions
{
    // LZX window, 2^windowBits bytes (16..21; chmlib cannot read 15, see normalised()).
    unsigned windowBits = 16;
    // 32 KB frames between full resets of the coder (a power of two). Each reset interval is
    // compressed on its own, so it is also the unit of parallel work and of a viewer's random
    // access.
    unsigned resetIntervalFrames = 4;
    // Worker threads; 0 = one per core. The output is the same for every value.
    unsigned threads = 0;
};

// The LZX stream of a CHM's compressed section. The content arrives in pieces; every reset
// interval is an independent span compressed on a worker, and the spans are joined in order, so
// memory stays bounded by a few spans per worker. The stream is padded with zeros to a whole reset
// interval at the end, as the CHM decoders expect (they always decode whole 32 KB frames, and
// libmspack rounds the section's length up to the reset interval).
class LzxCompressor
{
public:
    // Receives the compressed bytes in stream order, always on the thread calling write()/finish().
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    LzxCompressor(const LzxOptions& options, Sink sink);
    ~LzxCompressor();
    LzxCompressor(const LzxCompressor&) = delete;
    LzxCompressor& operator=(const LzxCompressor&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    // Pads and compresses what is left and waits for the workers; nothing may be written after.
    void finish();

    // Bytes given to write() (without the padding).
    std::uint64_t uncompressedSize() const;
    std::uint64_t compressedSize() const;
    // The compressed offset of every 32 KB frame of the padded stream, the first being 0: the
    // CHM reset table. Complete after finish().
    const std::vector<std::uint64_t>& frameOffsets() const;
    // Blocks written so far by their LZX type: [1] verbatim, [2] aligned offsets, [3] stored.
    const std::array<std::uint64_t, 4>& blockCounts() const;
    // The options in force (see normalised()).
    const LzxOptions& options() const;

    // Clamps the window to 16..21 bits (chmlib cannot read 15) and rounds the reset interval up
    // to a power of two, and to at least half the window, so that both decoders agree on it.
    static LzxOptions normalised(LzxOptions options);
    // The ControlData field chmlib multiplies by (window / 64 KB, at least 1).
    static std::uint32_t windowsPerReset(const LzxOptions& options);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace chm
