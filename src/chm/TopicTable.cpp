#include "TopicTable.h"

#include "LittleEndian.h"

namespace chm {

namespace {

constexpr std::size_t kBlockSize = 4096;
constexpr std::size_t kUrlEntry = 12;

// Flags of a topic: listed in the contents or not.
constexpr std::uint16_t kInContents = 2;
constexpr std::uint16_t kNotInContents = 6;

} // namespace

TopicTable::TopicTable() : m_urlStrings(1, '\0') {}

std::uint32_t TopicTable::add(std::uint32_t titleOffset, std::string_view url, bool inContents)
{
    using namespace LittleEndian;
    url = url.substr(0, url.find('\0'));
    url = url.substr(0, kBlockSize - 10);

    // Address strings, like table entries, never cross a block; each block starts with a zero.
    const std::size_t room = kBlockSize - m_urlStrings.size() % kBlockSize;
    if (8 + url.size() + 1 > room)
        m_urlStrings.append(room, '\0');
    if (m_urlStrings.size() % kBlockSize == 0)
        m_urlStrings.push_back('\0');
    const auto urlOffset = static_cast<std::uint32_t>(m_urlStrings.size());
    appendU32(m_urlStrings, 0); // the address of a frame's topic: none
    appendU32(m_urlStrings, 0); // the frame's name: none
    m_urlStrings.append(url).push_back('\0');

    if (kBlockSize - m_urlTable.size() % kBlockSize < kUrlEntry)
        m_urlTable.append(kBlockSize - m_urlTable.size() % kBlockSize, '\0');
    const auto tableOffset = static_cast<std::uint32_t>(m_urlTable.size());
    const std::uint32_t topic = m_count++;
    appendU32(m_urlTable, 0);
    appendU32(m_urlTable, topic);
    appendU32(m_urlTable, urlOffset);

    appendU32(m_topics, 0); // no binary table of contents
    appendU32(m_topics, titleOffset);
    appendU32(m_topics, tableOffset);
    appendU16(m_topics, inContents ? kInContents : kNotInContents);
    appendU16(m_topics, 0);
    return topic;
}

} // namespace chm
