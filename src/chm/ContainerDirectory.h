#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

struct DirectoryEntry
{
    std::string name;
    std::uint32_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The ITSF directory: 4 KB listing chunks (PMGL) holding every name in the order readers
// binary-search, and, when there is more than one, a tree of index chunks (PMGI) above them.
class ContainerDirectory
{
public:
    static constexpr std::uint32_t chunkSize = 4096;
    // A quickref entry for every 1 + 2^density entries of a chunk.
    static constexpr std::uint32_t density = 2;

    // The readers' order: bytes compared with ASCII letters folded to lower case (chmlib's
    // strcasecmp, libmspack's towlower in the C locale), a name before its extensions; names
    // equal but for letter case in byte order.
    static bool nameLess(std::string_view a, std::string_view b);
    // ENCINT: 7 bits a byte, most significant first, 0x80 on every byte but the last.
    static void appendEncInt(std::vector<std::uint8_t>& out, std::uint64_t value);

    // entries must be sorted by nameLess and unique.
    explicit ContainerDirectory(const std::vector<DirectoryEntry>& entries);

    const std::vector<std::uint8_t>& chunks() const { return m_chunks; }
    std::uint32_t chunkCount() const
    {
        return static_cast<std::uint32_t>(m_chunks.size() / chunkSize);
    }
    std::uint32_t lastListingChunk() const { return m_lastListing; }
    // -1 without index chunks.
    std::int32_t indexRoot() const { return m_indexRoot; }
    // 1 without index chunks, 2 with one level of them, ...
    std::uint32_t depth() const { return m_depth; }

private:
    struct IndexEntry
    {
        std::string_view name;
        std::uint32_t chunk;
    };

    std::vector<IndexEntry> writeListing(const std::vector<DirectoryEntry>& entries);
    std::vector<IndexEntry> writeIndexLevel(const std::vector<IndexEntry>& below);

    std::vector<std::uint8_t> m_chunks;
    std::uint32_t m_lastListing = 0;
    std::int32_t m_indexRoot = -1;
    std::uint32_t m_depth = 1;
};

} // namespace chm
