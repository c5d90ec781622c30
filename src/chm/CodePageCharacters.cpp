#include "CodePageCharacters.h"

#include "TextTables.h"

#include <algorithm>

namespace chm {

namespace {

const text::CodePageBytes* findCodePage(unsigned codePage)
{
    for (const text::CodePageBytes& table : text::kCodePages) {
        if (table.codePage == codePage)
            return &table;
    }
    return nullptr;
}

// The lead bytes of the East Asian double-byte code pages.
bool isLeadByte(unsigned codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return false;
    }
}

bool isDoubleByte(unsigned codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

constexpr std::uint32_t kLangTurkish = 0x1F;
constexpr std::uint32_t kLangAzeri = 0x2C;

} // namespace

CodePageCharacters::CodePageCharacters(unsigned codePage, std::uint32_t lcid)
{
    for (unsigned b = 0; b < 256; ++b) {
        m_kind[b] = kSeparator;
        m_lower[b] = static_cast<unsigned char>(b);
    }
    for (unsigned b = 'a'; b <= 'z'; ++b)
        m_kind[b] = kLetter;
    for (unsigned b = 'A'; b <= 'Z'; ++b) {
        m_kind[b] = kLetter;
        m_lower[b] = static_cast<unsigned char>(b - 'A' + 'a');
    }
    for (unsigned b = '0'; b <= '9'; ++b)
        m_kind[b] = kDigit;
    m_kind['\''] = kApostrophe;
    m_kind['.'] = kDot;
    m_kind['<'] = kMarkup;
    m_kind['&'] = kReference;

    if (const text::CodePageBytes* table = findCodePage(codePage)) {
        m_known = true;
        for (unsigned i = 0; i < 128; ++i) {
            const unsigned char byte = static_cast<unsigned char>(0x80 + i);
            switch (table->kind[i]) {
            case text::kLetter:
                m_kind[byte] = kLetter;
                m_lower[byte] = table->lower[i];
                break;
            case text::kApostrophe:
                m_kind[byte] = kApostrophe;
                break;
            case text::kIgnored:
                m_kind[byte] = kIgnored;
                break;
            default:
                break;
            }
            if (table->unicode[i] != 0)
                m_bytesByCodePoint.emplace_back(table->unicode[i], byte);
        }
        std::sort(m_bytesByCodePoint.begin(), m_bytesByCodePoint.end());
        if (codePage == 1254) {
            // İ has no one-character lower case in Unicode's default rules; in Turkish and
            // Azeri it is i, and I is ı.
            m_lower[0xDD] = 'i';
            const std::uint32_t language = lcid & 0x3FF;
            if (language == kLangTurkish || language == kLangAzeri)
                m_lower['I'] = 0xFD;
        }
    } else if (isDoubleByte(codePage)) {
        for (unsigned b = 0x80; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            if (isLeadByte(codePage, byte))
                m_kind[byte] = kLeadByte;
            else if (codePage == 932 && byte >= 0xA1 && byte <= 0xDF)
                m_kind[byte] = kLetter; // half-width katakana
        }
    } else {
        for (unsigned b = 0x80; b < 256; ++b)
            m_kind[b] = kLetter;
    }
}

std::optional<unsigned char> CodePageCharacters::byteOf(char32_t codePoint) const
{
    if (codePoint < 0x80)
        return static_cast<unsigned char>(codePoint);
    const auto found =
        std::lower_bound(m_bytesByCodePoint.begin(), m_bytesByCodePoint.end(), codePoint,
                         [](const std::pair<char32_t, unsigned char>& entry, char32_t c) {
                             return entry.first < c;
                         });
    if (found == m_bytesByCodePoint.end() || found->first != codePoint)
        return std::nullopt;
    return found->second;
}

char32_t CodePageCharacters::windows1252(char32_t codePoint)
{
    if (codePoint < 0x80 || codePoint > 0x9F)
        return codePoint;
    static const text::CodePageBytes* const table = findCodePage(1252);
    const char32_t mapped = table->unicode[codePoint - 0x80];
    return mapped != 0 ? mapped : codePoint;
}

} // namespace chm
