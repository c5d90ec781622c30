#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The help file's binary structures are little-endian whatever the machine.
namespace chm::LittleEndian {

inline void appendU16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

inline void appendU32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

inline void appendU64(std::string& out, std::uint64_t value)
{
    for (int shift = 0; shift < 64; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

inline void putU32(std::string& out, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::uint16_t readU16(std::string_view in, std::size_t offset)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(in[offset]) |
                                      static_cast<unsigned char>(in[offset + 1]) << 8);
}

inline std::uint32_t readU32(std::string_view in, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(in[offset + i]);
    return value;
}

} // namespace chm::LittleEndian
