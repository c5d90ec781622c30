#include "WordDictionary.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace chm {

namespace {

// Words are short: a multiply-and-shift over eight bytes at a time is plenty.
std::uint32_t hashOf(std::string_view word)
{
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = word.size() * kMultiplier;
    std::size_t i = 0;
    for (; i + 8 <= word.size(); i += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, word.data() + i, 8);
        h = (h ^ chunk) * kMultiplier;
        h ^= h >> 29;
    }
    if (i < word.size()) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, word.data() + i, word.size() - i);
        h = (h ^ chunk) * kMultiplier;
        h ^= h >> 29;
    }
    h *= kMultiplier;
    return static_cast<std::uint32_t>(h >> 32);
}

// Words are short: comparing them in place beats a call to memcmp.
bool sameBytes(const char* a, const char* b, std::size_t n)
{
    for (; n >= 8; n -= 8, a += 8, b += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y)
            return false;
    }
    for (; n > 0; --n) {
        if (*a++ != *b++)
            return false;
    }
    return true;
}

constexpr std::size_t kInitialSlots = 1024;

} // namespace

WordDictionary::WordDictionary() : m_slots(kInitialSlots, 0) {}

std::uint32_t WordDictionary::add(std::string_view word)
{
    if (word.size() > 255)
        throw std::length_error("a word of the full-text index is longer than 255 bytes");
    const std::uint32_t hash = hashOf(word);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t stored = m_slots[slot];
        if (stored == 0) {
            if (m_text.size() + word.size() > 0xFFFFFFFFu || m_words.size() >= 0x7FFFFFFFu)
                throw std::length_error("the full-text index has too many words");
            const auto id = static_cast<std::uint32_t>(m_words.size());
            m_words.push_back({static_cast<std::uint32_t>(m_text.size()), hash,
                               static_cast<std::uint8_t>(word.size())});
            m_text.append(word);
            m_longest = std::max(m_longest, word.size());
            m_slots[slot] = id + 1;
            if (m_words.size() * 2 > m_slots.size())
                grow();
            return id;
        }
        const Entry& e = m_words[stored - 1];
        if (e.hash == hash && e.length == word.size() &&
            sameBytes(m_text.data() + e.offset, word.data(), word.size()))
            return stored - 1;
    }
}

void WordDictionary::grow()
{
    std::vector<std::uint32_t> slots(m_slots.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < m_words.size(); ++id) {
        std::size_t slot = m_words[id].hash & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = id + 1;
    }
    m_slots = std::move(slots);
}

std::vector<std::uint32_t> WordDictionary::sortedIds() const
{
    std::vector<std::uint32_t> ids(m_words.size());
    for (std::uint32_t id = 0; id < ids.size(); ++id)
        ids[id] = id;
    // std::string_view compares bytes as unsigned char.
    std::sort(ids.begin(), ids.end(),
              [this](std::uint32_t a, std::uint32_t b) { return word(a) < word(b); });
    return ids;
}

} // namespace chm
