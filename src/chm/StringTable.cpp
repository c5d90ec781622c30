#include "StringTable.h"

namespace chm {

StringTable::StringTable() : m_bytes(1, '\0') {}

std::uint32_t StringTable::add(std::string_view text)
{
    // A string ends at its first zero byte for every reader.
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, kBlockSize - 1);
    if (text.empty())
        return 0;
    const auto found = m_offsets.find(std::string(text));
    if (found != m_offsets.end())
        return found->second;
    const std::size_t room = kBlockSize - m_bytes.size() % kBlockSize;
    if (text.size() + 1 > room)
        m_bytes.append(room, '\0');
    const auto offset = static_cast<std::uint32_t>(m_bytes.size());
    m_bytes.append(text).push_back('\0');
    m_offsets.emplace(std::string(text), offset);
    return offset;
}

} // namespace chm
