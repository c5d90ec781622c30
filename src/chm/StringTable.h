#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace chm {

// The help file's #STRINGS: zero-terminated strings that other files point to by offset. It
// starts with a zero byte, so offset 0 is "no string"; equal strings are stored once; no string
// crosses a 4096-byte block, because viewers read the file a block at a time.
class StringTable
{
public:
    static constexpr std::size_t kBlockSize = 4096;

    StringTable();

    // The offset of `text` (cut to what a block holds), or 0 for an empty text.
    std::uint32_t add(std::string_view text);
    // The same for a text that comes once (a page's title): stored without looking for it
    // among the others, which keeps a hundred thousand titles quick and small.
    std::uint32_t append(std::string_view text);
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    std::unordered_map<std::string, std::uint32_t> m_offsets;
};

} // namespace chm
