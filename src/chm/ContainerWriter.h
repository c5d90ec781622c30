#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace chm {

struct ContainerOptions
{
    std::uint32_t lcid = 0x409; // written in the ITSF header
    // LZX window, 2^windowBits bytes (16..21). 64 KB is what every compiler writes and every
    // reader expects; larger windows gain next to nothing on help pages.
    unsigned windowBits = 16;
    // 32 KB frames between coder resets (a power of two): a viewer decodes up to this many
    // frames to reach a page. 4 (128 KB) makes files about 6% smaller than Microsoft's 2 and
    // costs a viewer about a millisecond more per page.
    unsigned resetIntervalFrames = 4;
    unsigned threads = 0; // 0 = one per core; output byte-identical for any value
    // Compressed bytes kept in memory until writeTo(); beyond, they go to an unnamed temporary
    // file in $TMPDIR (or /tmp).
    std::size_t contentMemoryLimit = 64 * 1024 * 1024;
};

// Writes an ITSF (.chm) container: the directory, the uncompressed section 0 and the
// LZX-compressed section 1 ("MSCompressed") with its control data, reset table and transform
// list. Names are stored as given (UTF-8 is what readers expect); one without a leading "/" or
// "::" gets a "/". Names of at most 512 bytes (chmlib's limit), no NUL, not ending in "/",
// each once. A name that breaks these rules makes writeTo() fail with the reason. Not for use
// from several threads at once; it runs its own compression threads.
class ContainerWriter
{
public:
    explicit ContainerWriter(const ContainerOptions& options);
    ~ContainerWriter();
    ContainerWriter(const ContainerWriter&) = delete;
    ContainerWriter& operator=(const ContainerWriter&) = delete;

    // A file in the LZX-compressed section ("/page.html", "/#SYSTEM", "/$FIftiMain", ...). The
    // bytes are compressed in batches as they come, so memory stays bounded. Throws
    // std::bad_alloc when memory runs out.
    void addCompressedFile(std::string_view name, std::span<const std::uint8_t> bytes);
    // A file in the uncompressed section (held in memory until writeTo()).
    void addUncompressedFile(std::string_view name, std::span<const std::uint8_t> bytes);

    // Writes the whole .chm to an open file descriptor, from its current position; false with a
    // reason on failure (the descriptor then holds part of a file: write to a temporary file and
    // rename it when this succeeds). Once only: the writer is spent afterwards.
    bool writeTo(int fd, std::string& error);

    // The first problem with an added name, empty while there is none.
    const std::string& nameError() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace chm
