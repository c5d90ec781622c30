#pragma once

#include <cstdint>
#include <string>

namespace chm {

// What a project's language id (its LCID, "Language=0x419") means for the help file: the
// Windows code page its texts are in and whether that code page uses double bytes.
struct Language
{
    std::uint32_t lcid = 0x409;
    unsigned codePage = 1252;
    bool dbcs = false;

    static Language fromLcid(std::uint32_t lcid);
    // The code page's name for iconv ("CP1251").
    std::string iconvName() const { return "CP" + std::to_string(codePage); }
};

} // namespace chm
