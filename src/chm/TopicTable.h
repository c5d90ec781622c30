#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace chm {

// #TOPICS, #URLTBL and #URLSTR: one topic per page, each with its title (an offset into
// #STRINGS) and its address. Viewers take titles for search results and tabs from here.
class TopicTable
{
public:
    static constexpr std::uint32_t kNoTitle = 0xFFFFFFFF;

    TopicTable();

    // Adds the next topic; its number (0, 1, ...).
    std::uint32_t add(std::uint32_t titleOffset, std::string_view url, bool inContents);
    std::uint32_t count() const { return m_count; }

    const std::string& topics() const { return m_topics; }
    const std::string& urlTable() const { return m_urlTable; }
    const std::string& urlStrings() const { return m_urlStrings; }

private:
    std::string m_topics;
    std::string m_urlTable;
    std::string m_urlStrings;
    std::uint32_t m_count = 0;
};

} // namespace chm
