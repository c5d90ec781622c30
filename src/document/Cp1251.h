#pragma once

#include <string>
#include <string_view>

// Windows-1251 helpers for the core, which has no Qt. Conversions go through iconv.
class Cp1251
{
public:
    static char ToUpper(char c);
    static std::string ToUpper(std::string_view text);
    // Case folding used for comparisons without regard to case (Latin and Cyrillic alike).
    static std::string FoldCase(std::string_view text);
    static bool EqualsIgnoreCase(std::string_view a, std::string_view b);

    static std::string ToUtf8(std::string_view cp1251);
    // Characters the code page cannot hold become '?'; `lossless` (if given) tells whether any did.
    static std::string FromUtf8(std::string_view utf8, bool* lossless = nullptr);
};
