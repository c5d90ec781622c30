#include "HelpIndex.h"

#include "Cp1251.h"

void HelpIndex::AddTopic(std::string_view keyword, std::string title, std::string local)
{
    auto [it, inserted] =
        m_byFoldedKeyword.try_emplace(Cp1251::FoldCase(keyword), m_entries.size());
    if (inserted)
        m_entries.push_back(IndexEntry{std::string(keyword), {}});
    m_entries[it->second].topics.push_back(IndexTopic{std::move(local), std::move(title)});
}

void HelpIndex::Reserve(std::size_t keywords)
{
    m_entries.reserve(keywords);
    m_byFoldedKeyword.reserve(keywords);
}
