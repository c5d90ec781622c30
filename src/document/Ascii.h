#pragma once

#include <string>
#include <string_view>

// Byte-level text helpers that depend on no code page: white space, and the case of the Latin
// letters (the file format's keywords, ".chm" in a help file name).
namespace Ascii {

// Blank, tab, CR, LF, vertical tab or form feed.
constexpr bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// `text` without leading and trailing white space.
constexpr std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Removes leading and trailing white space in place.
inline void Trim(std::string& text)
{
    const std::string_view kept = Trimmed(text);
    const std::size_t start = static_cast<std::size_t>(kept.data() - text.data());
    text.erase(start + kept.size());
    text.erase(0, start);
}

constexpr char ToUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string ToUpper(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = ToUpper(c);
    return result;
}

// Equal when the Latin letters are compared without regard to case; other bytes as they are.
constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToUpper(a[i]) != ToUpper(b[i]))
            return false;
    }
    return true;
}

} // namespace Ascii
