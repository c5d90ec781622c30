#include "StringTable.h"

namespace chm {

StringTable::StringTable() : m_bytes(1, '\0') {}

namespace {

// A string ends at its first zero byte for every reader, and fits in a block.
std::string_view storable(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    return text.substr(0, StringTable::kBlockSize - 1);
}

} // namespace

std::uint32_t StringTable::add(std::string_view text)
{
    text = storable(text);
    if (text.empty())
        return 0;
    const auto found = m_offsets.find(std::string(text));
    if (found != m_offsets.end())
        return found->second;
    const std::uint32_t offset = append(text);
    m_offsets.emplace(std::string(text), offset);
    return offset;
}

std::uint32_t StringTable::append(std::string_view text)
{
    text = storable(text);
    if (text.empty())
        return 0;
    const std::size_t room = kBlockSize - m_bytes.size() % kBlockSize;
    if (text.size() + 1 > room)
        m_bytes.append(room, '\0');
    const auto offset = static_cast<std::uint32_t>(m_bytes.size());
    m_bytes.append(text).push_back('\0');
    return offset;
}

} // namespace chm
