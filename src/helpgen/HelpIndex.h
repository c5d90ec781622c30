#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct IndexTopic
{
    std::string local; // page file name, no directory
    std::string title; // the record's path
};

struct IndexEntry
{
    std::string keyword;
    std::vector<IndexTopic> topics;
};

// Keyword index of one generation, in the order keywords first occurred. Keywords match without
// regard to case (Windows-1251 Latin and Cyrillic letters alike).
class HelpIndex
{
public:
    void AddTopic(std::string_view keyword, std::string title, std::string local);
    const std::vector<IndexEntry>& entries() const { return m_entries; }
    // Room for `keywords` keywords without rehashing.
    void Reserve(std::size_t keywords);

private:
    std::vector<IndexEntry> m_entries;
    // Folded keyword -> position in m_entries; the same entry a scan from the first would find.
    std::unordered_map<std::string, std::size_t> m_byFoldedKeyword;
};
