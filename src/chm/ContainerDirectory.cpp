#include "ContainerDirectory.h"

#include <algorithm>
#include <cstring>

namespace chm {

namespace {

constexpr std::uint32_t listingHeaderSize = 20;
constexpr std::uint32_t indexHeaderSize = 8;
constexpr std::uint32_t quickrefSpacing = 1 + (1 << ContainerDirectory::density);

unsigned char folded(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

void put32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void put16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// The quickref area grows from the chunk's end: the entry count, then the offsets of entries
// 5, 10, ... libmspack also wants room for one more word than it stores (it counts entry 0).
std::uint32_t quickrefBytes(std::size_t entryCount)
{
    return 4 + 2 * static_cast<std::uint32_t>((entryCount - 1) / quickrefSpacing);
}

// Packs encoded entries into chunks of chunkSize; returns the index of each chunk's first entry.
class ChunkPacker
{
public:
    ChunkPacker(std::vector<std::uint8_t>& out, std::uint32_t headerSize, const char* signature)
        : m_out(out), m_headerSize(headerSize), m_signature(signature)
    {}

    // false when the chunk is full and must be flushed first
    bool fits(std::size_t entryBytes) const
    {
        return m_headerSize + m_used + entryBytes + quickrefBytes(m_offsets.size() + 1) <=
               ContainerDirectory::chunkSize;
    }

    bool empty() const { return m_offsets.empty(); }

    void add(const std::vector<std::uint8_t>& entry)
    {
        m_offsets.push_back(m_used);
        m_body.insert(m_body.end(), entry.begin(), entry.end());
        m_used += static_cast<std::uint32_t>(entry.size());
    }

    // Appends the chunk; returns its offset in out.
    std::size_t flush()
    {
        const std::size_t start = m_out.size();
        m_out.resize(start + ContainerDirectory::chunkSize, 0);
        std::uint8_t* chunk = m_out.data() + start;
        std::memcpy(chunk, m_signature, 4);
        // "Free space" covers everything after the entries, the quickref area included: chmlib
        // reads entries up to chunkSize - freeSpace.
        put32(chunk + 4, ContainerDirectory::chunkSize - m_headerSize - m_used);
        std::copy(m_body.begin(), m_body.end(), chunk + m_headerSize);
        std::uint8_t* end = chunk + ContainerDirectory::chunkSize;
        put16(end - 2, static_cast<std::uint32_t>(m_offsets.size()));
        for (std::size_t k = 1; k * quickrefSpacing < m_offsets.size(); ++k)
            put16(end - 2 - 2 * k, m_offsets[k * quickrefSpacing]);
        m_body.clear();
        m_offsets.clear();
        m_used = 0;
        return start;
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint32_t m_headerSize;
    const char* m_signature;
    std::vector<std::uint8_t> m_body;
    std::vector<std::uint32_t> m_offsets;
    std::uint32_t m_used = 0;
};

} // namespace

bool ContainerDirectory::nameLess(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ca = folded(static_cast<unsigned char>(a[i]));
        const unsigned char cb = folded(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

void ContainerDirectory::appendEncInt(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    std::uint8_t bytes[10];
    int count = 0;
    do {
        bytes[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(bytes[--count] | 0x80));
    out.push_back(bytes[0]);
}

ContainerDirectory::ContainerDirectory(const std::vector<DirectoryEntry>& entries)
{
    std::vector<IndexEntry> level = writeListing(entries);
    m_lastListing = chunkCount() - 1;
    while (level.size() > 1) {
        level = writeIndexLevel(level);
        ++m_depth;
        m_indexRoot = static_cast<std::int32_t>(chunkCount() - 1);
    }
}

std::vector<ContainerDirectory::IndexEntry>
ContainerDirectory::writeListing(const std::vector<DirectoryEntry>& entries)
{
    std::vector<IndexEntry> firsts;
    std::vector<std::size_t> starts;
    ChunkPacker packer(m_chunks, listingHeaderSize, "PMGL");
    std::vector<std::uint8_t> encoded;
    for (const DirectoryEntry& entry : entries) {
        encoded.clear();
        appendEncInt(encoded, entry.name.size());
        encoded.insert(encoded.end(), entry.name.begin(), entry.name.end());
        appendEncInt(encoded, entry.section);
        appendEncInt(encoded, entry.offset);
        appendEncInt(encoded, entry.length);
        if (!packer.fits(encoded.size()))
            starts.push_back(packer.flush());
        if (packer.empty())
            firsts.push_back({entry.name, static_cast<std::uint32_t>(firsts.size())});
        packer.add(encoded);
    }
    // An empty directory still has its one (empty) listing chunk.
    starts.push_back(packer.flush());
    const auto count = static_cast<std::int32_t>(starts.size());
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t* chunk = m_chunks.data() + starts[i];
        put32(chunk + 12, static_cast<std::uint32_t>(i - 1));                      // previous
        put32(chunk + 16, static_cast<std::uint32_t>(i + 1 < count ? i + 1 : -1)); // next
    }
    return firsts;
}

std::vector<ContainerDirectory::IndexEntry>
ContainerDirectory::writeIndexLevel(const std::vector<IndexEntry>& below)
{
    std::vector<IndexEntry> firsts;
    ChunkPacker packer(m_chunks, indexHeaderSize, "PMGI");
    std::vector<std::uint8_t> encoded;
    for (const IndexEntry& entry : below) {
        encoded.clear();
        appendEncInt(encoded, entry.name.size());
        encoded.insert(encoded.end(), entry.name.begin(), entry.name.end());
        appendEncInt(encoded, entry.chunk);
        if (!packer.fits(encoded.size()))
            packer.flush();
        if (packer.empty())
            firsts.push_back({entry.name, chunkCount()});
        packer.add(encoded);
    }
    packer.flush();
    return firsts;
}

} // namespace chm
