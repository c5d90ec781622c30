#include "NameText.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <utility>

namespace chm::NameText {

namespace {

std::optional<std::string> convert(std::string_view text, const char* to, const char* from)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string result;
    std::string input(text);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[1024];
    bool ok = true;
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, out - buffer);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(converter);
    if (!ok)
        return std::nullopt;
    return result;
}

// The next code point of UTF-8 text, or nothing for a byte that starts none (it is skipped).
std::optional<std::uint32_t> nextCodePoint(std::string_view text, std::size_t& i)
{
    const auto byte = static_cast<unsigned char>(text[i]);
    int length;
    std::uint32_t code;
    if (byte < 0x80) {
        ++i;
        return byte;
    } else if ((byte & 0xE0) == 0xC0) {
        length = 2;
        code = byte & 0x1F;
    } else if ((byte & 0xF0) == 0xE0) {
        length = 3;
        code = byte & 0x0F;
    } else if ((byte & 0xF8) == 0xF0) {
        length = 4;
        code = byte & 0x07;
    } else {
        ++i;
        return std::nullopt;
    }
    if (i + length > text.size()) {
        ++i;
        return std::nullopt;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return std::nullopt;
        }
        code = code << 6 | (next & 0x3F);
    }
    i += length;
    return code;
}

} // namespace

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (!nextCodePoint(text, i))
            return false;
    }
    return true;
}

std::optional<std::string> toUtf8(std::string_view text, const std::string& codePage)
{
    return convert(text, "UTF-8", codePage.c_str());
}

std::optional<std::string> fromUtf8(std::string_view text, const std::string& codePage)
{
    return convert(text, codePage.c_str(), "UTF-8");
}

std::string transliterated(std::string_view utf8)
{
    // А to я (U+0410 to U+044F), the capital's first letter upper-case.
    static constexpr std::string_view kLetters[32] = {
        "a", "b", "v", "g", "d", "e",  "zh", "z",  "i",  "y",    "k", "l", "m", "n", "o",  "p",
        "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "",  "y", "",  "e", "yu", "ya"};
    static constexpr std::pair<std::uint32_t, std::string_view> kOthers[] = {
        {0x0401, "Yo"}, {0x0451, "yo"}, {0x0406, "I"},  {0x0456, "i"},
        {0x0407, "Yi"}, {0x0457, "yi"}, {0x0404, "Ye"}, {0x0454, "ye"},
        {0x0490, "G"},  {0x0491, "g"},  {0x040E, "U"},  {0x045E, "u"}};
    std::string result;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<std::uint32_t> code = nextCodePoint(utf8, i);
        if (!code || *code < 0x20 || *code == '#' || *code == '%' || *code == '&') {
            result += '_';
        } else if (*code < 0x80) {
            result += static_cast<char>(*code);
        } else if (*code >= 0x0430 && *code <= 0x044F) {
            result += kLetters[*code - 0x0430];
        } else if (*code >= 0x0410 && *code <= 0x042F) {
            std::string capital(kLetters[*code - 0x0410]);
            if (!capital.empty())
                capital[0] = static_cast<char>(capital[0] - 'a' + 'A');
            result += capital;
        } else {
            std::string_view latin = "_";
            for (const auto& [letter, spelling] : kOthers) {
                if (letter == *code)
                    latin = spelling;
            }
            result += latin;
        }
    }
    return result;
}

} // namespace chm::NameText
