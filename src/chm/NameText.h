#pragma once

#include <optional>
#include <string>
#include <string_view>

// File names between the project's code page, the file system's UTF-8 and the ASCII that every
// viewer opens.
namespace chm::NameText {

bool isAscii(std::string_view text);
bool isUtf8(std::string_view text);

// `text` in the code page named as iconv names it ("CP1251") converted to UTF-8, or nothing when
// it is not valid there or iconv does not know the code page.
std::optional<std::string> toUtf8(std::string_view text, const std::string& codePage);
// UTF-8 `text` converted to the code page; nothing when a character has no place there.
std::optional<std::string> fromUtf8(std::string_view text, const std::string& codePage);

// A UTF-8 name spelled in ASCII: Cyrillic letters transliterated, other characters outside
// ASCII and those a link would misread ("#", "%", "&", control characters) as "_".
std::string transliterated(std::string_view utf8);

} // namespace chm::NameText
