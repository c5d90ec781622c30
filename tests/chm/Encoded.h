#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace chm::test {

// Converts text between UTF-8 (the tests' own) and a code page, through iconv.
inline std::string convert(std::string_view text, const char* from, const char* to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no conversion to ") + to);
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        throw std::runtime_error("text the code page cannot hold");
    out.resize(out.size() - outLeft);
    return out;
}

// UTF-8 text in the code page (CP1251 unless told).
inline std::string encoded(std::string_view utf8, const char* codePage = "CP1251")
{
    return convert(utf8, "UTF-8", codePage);
}

inline std::string decoded(std::string_view bytes, const char* codePage = "CP1251")
{
    return convert(bytes, codePage, "UTF-8");
}

} // namespace chm::test
