#pragma once

#include <string>
#include <string_view>

// Windows-1251 helpers for the core, which has no Qt. Conversions go through iconv.
namespace Cp1251 {

char ToUpper(char c);
std::string ToUpper(std::string_view text);
// Case folding used for comparisons without regard to case (Latin and Cyrillic alike).
std::string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

std::string ToUtf8(std::string_view cp1251);
// Characters the code page cannot hold become '?'; `lossless` (if given) tells whether any did.
std::string FromUtf8(std::string_view utf8, bool* lossless = nullptr);

} // namespace Cp1251
