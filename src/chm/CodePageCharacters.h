#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace chm {

// What each byte of a Windows code page is to the full-text index: which bytes make up words,
// their lower case in the language, and which byte holds a Unicode character (for character
// references). The single-byte Windows code pages are known in full; in the East Asian
// double-byte ones a lead byte and the byte after it are one character of a word; in any other
// code page every byte above 0x7F is taken for part of a word, unchanged.
class CodePageCharacters
{
public:
    enum Kind : std::uint8_t {
        kSeparator,  // spaces, punctuation, symbols, bytes the code page does not define
        kLetter,     // letters (and combining marks)
        kDigit,      // 0 to 9
        kApostrophe, // ' and the typographic apostrophe: inside a word they belong to it
        kDot,        // between digits it belongs to the number ("3.14")
        kIgnored,    // the soft hyphen, which splits no word
        kLeadByte,   // the first byte of a double-byte character
        kMarkup,     // "<"
        kReference,  // "&"
    };

    // lcid picks the language's own case rules (Turkish and Azeri dotted and dotless i).
    CodePageCharacters(unsigned codePage, std::uint32_t lcid);

    Kind kind(unsigned char byte) const { return m_kind[byte]; }
    unsigned char lower(unsigned char byte) const { return m_lower[byte]; }

    // The byte of the code page that holds `codePoint`, if one does (ASCII always does).
    std::optional<unsigned char> byteOf(char32_t codePoint) const;

    // The character a numeric reference in 0x80..0x9F stands for: HTML reads those as
    // Windows-1252, whatever the page's code page.
    static char32_t windows1252(char32_t codePoint);

    // Whether the single-byte code page is known character by character.
    bool knowsCodePage() const { return m_known; }

private:
    std::array<Kind, 256> m_kind{};
    std::array<unsigned char, 256> m_lower{};
    std::vector<std::pair<char32_t, unsigned char>> m_bytesByCodePoint; // sorted
    bool m_known = false;
};

} // namespace chm
