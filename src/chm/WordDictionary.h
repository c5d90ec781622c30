#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

// The distinct words of the index, numbered in the order they first occur. The words' bytes are
// kept end to end in one buffer and found through an open-addressing hash table, so a word
// costs a dozen bytes besides its text.
class WordDictionary
{
public:
    WordDictionary();

    // The number of `word`, added if new. Words are at most 255 bytes long.
    std::uint32_t add(std::string_view word);

    std::size_t size() const { return m_words.size(); }
    std::string_view word(std::uint32_t id) const
    {
        const Entry& e = m_words[id];
        return std::string_view(m_text).substr(e.offset, e.length);
    }
    // The bytes of all distinct words together.
    std::uint64_t totalLength() const { return m_text.size(); }
    std::size_t longestWord() const { return m_longest; }

    // All words' numbers in the order of their bytes (unsigned), as the index stores them.
    std::vector<std::uint32_t> sortedIds() const;

private:
    struct Entry
    {
        std::uint32_t offset;
        std::uint32_t hash;
        std::uint8_t length;
    };

    void grow();

    std::string m_text;
    std::vector<Entry> m_words;
    std::vector<std::uint32_t> m_slots; // a word's number plus one; 0 is empty
    std::size_t m_longest = 0;
};

} // namespace chm
