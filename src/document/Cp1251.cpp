#include "Cp1251.h"

#include <array>
#include <cerrno>
#include <iconv.h>

namespace {

struct CaseTables
{
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
};

// Upper/lower pairs of the code page outside the two contiguous alphabets.
constexpr unsigned char kCyrillicPairs[][2] = {
    {0x80, 0x90}, // Ђ ђ
    {0x81, 0x83}, // Ѓ ѓ
    {0x8A, 0x9A}, // Љ љ
    {0x8C, 0x9C}, // Њ њ
    {0x8D, 0x9D}, // Ќ ќ
    {0x8E, 0x9E}, // Ћ ћ
    {0x8F, 0x9F}, // Џ џ
    {0xA1, 0xA2}, // Ў ў
    {0xA3, 0xBC}, // Ј ј
    {0xA5, 0xB4}, // Ґ ґ
    {0xA8, 0xB8}, // Ё ё
    {0xAA, 0xBA}, // Є є
    {0xAF, 0xBF}, // Ї ї
    {0xB2, 0xB3}, // І і
    {0xBD, 0xBE}, // Ѕ ѕ
};

constexpr CaseTables MakeTables()
{
    CaseTables t;
    for (int i = 0; i < 256; ++i) {
        t.upper[i] = static_cast<unsigned char>(i);
        t.lower[i] = static_cast<unsigned char>(i);
    }
    auto pair = [&t](int up, int low) {
        t.upper[low] = static_cast<unsigned char>(up);
        t.lower[up] = static_cast<unsigned char>(low);
    };
    for (int i = 0; i < 26; ++i)
        pair('A' + i, 'a' + i);
    for (int i = 0; i < 32; ++i) // А..Я at 0xC0, а..я at 0xE0
        pair(0xC0 + i, 0xE0 + i);
    for (const auto& p : kCyrillicPairs)
        pair(p[0], p[1]);
    return t;
}

constexpr CaseTables kTables = MakeTables();

// Length of the UTF-8 sequence a lead byte announces (1 for a stray byte, so we always advance).
std::size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

class IconvHandle
{
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t get() const { return m_cd; }
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

private:
    iconv_t m_cd;
};

// Converts `input`; an unconvertible or malformed sequence becomes `replacement` and is skipped
// (by one byte, or by one UTF-8 sequence when the input is UTF-8).
std::string Convert(const IconvHandle& handle, std::string_view input, bool inputIsUtf8,
                    std::string_view replacement, bool* lossless)
{
    if (lossless)
        *lossless = true;
    std::string out;
    if (!handle.valid())
        return std::string(input);
    iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
    out.resize(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t rc = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (truncated sequence at the end): replace and go on.
        if (lossless)
            *lossless = false;
        std::size_t skip = inputIsUtf8 ? Utf8SequenceLength(static_cast<unsigned char>(*in)) : 1;
        if (skip > inLeft)
            skip = inLeft;
        in += skip;
        inLeft -= skip;
        if (out.size() - used < replacement.size())
            out.resize(out.size() * 2 + replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

} // namespace

char Cp1251::ToUpper(char c)
{
    return static_cast<char>(kTables.upper[static_cast<unsigned char>(c)]);
}

std::string Cp1251::ToUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = ToUpper(c);
    return out;
}

std::string Cp1251::FoldCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(kTables.lower[static_cast<unsigned char>(c)]);
    return out;
}

bool Cp1251::EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kTables.lower[static_cast<unsigned char>(a[i])] !=
            kTables.lower[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

std::string Cp1251::ToUtf8(std::string_view cp1251)
{
    thread_local IconvHandle handle("UTF-8", "CP1251");
    return Convert(handle, cp1251, false, "\xEF\xBF\xBD", nullptr); // U+FFFD for 0x98
}

std::string Cp1251::FromUtf8(std::string_view utf8, bool* lossless)
{
    thread_local IconvHandle handle("CP1251", "UTF-8");
    return Convert(handle, utf8, true, "?", lossless);
}
