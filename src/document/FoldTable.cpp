#include "FoldTable.h"

#include "Cp1251.h"

#include <string_view>

namespace {

constexpr unsigned char kUpperYo = 0xA8; // Ё
constexpr unsigned char kLowerYo = 0xB8; // ё
constexpr unsigned char kUpperYe = 0xC5; // Е
constexpr unsigned char kLowerYe = 0xE5; // е

unsigned char Lower(unsigned char c)
{
    const char byte = static_cast<char>(c);
    return static_cast<unsigned char>(Cp1251::FoldCase(std::string_view(&byte, 1)).front());
}

} // namespace

FoldTable::FoldTable(bool caseSensitive, bool yoMatchesYe)
{
    for (int i = 0; i < 256; ++i) {
        unsigned char c = static_cast<unsigned char>(i);
        if (yoMatchesYe && c == kUpperYo)
            c = kUpperYe;
        else if (yoMatchesYe && c == kLowerYo)
            c = kLowerYe;
        if (!caseSensitive)
            c = Lower(c);
        m_fold[std::size_t(i)] = c;
        m_identity = m_identity && c == i;
    }
}

const std::array<bool, 256>& FoldTable::WordBytes()
{
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> words{};
        for (int i = 0; i < 256; ++i) {
            const char c = static_cast<char>(i);
            // The code page's letters are exactly its bytes that have another case.
            const bool letter =
                Cp1251::ToUpper(c) != c || Lower(static_cast<unsigned char>(i)) != i;
            words[std::size_t(i)] = letter || (c >= '0' && c <= '9') || c == '_';
        }
        return words;
    }();
    return table;
}
