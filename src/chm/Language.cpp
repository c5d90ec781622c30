#include "Language.h"

namespace chm {

Language Language::fromLcid(std::uint32_t lcid)
{
    Language language;
    language.lcid = lcid;
    const std::uint32_t primary = lcid & 0x3FF;
    const std::uint32_t sub = (lcid >> 10) & 0x3F;
    unsigned codePage = 1252;
    switch (primary) {
    case 0x19: // Russian
    case 0x22: // Ukrainian
    case 0x23: // Belarusian
    case 0x02: // Bulgarian
    case 0x2F: // Macedonian
    case 0x3F: // Kazakh
    case 0x40: // Kyrgyz
    case 0x44: // Tatar
    case 0x50: // Mongolian
    case 0x28: // Tajik
    case 0x6D: // Bashkir
        codePage = 1251;
        break;
    case 0x1A: // Croatian, Bosnian and Serbian: Cyrillic or Latin by the sublanguage
        codePage = sub == 3 || sub == 7 || sub == 8 || sub == 10 || sub == 12 ? 1251 : 1250;
        break;
    case 0x43: // Uzbek
    case 0x2C: // Azerbaijani
        codePage = sub == 2 ? 1251 : 1254;
        break;
    case 0x05: // Czech
    case 0x0E: // Hungarian
    case 0x15: // Polish
    case 0x18: // Romanian
    case 0x1B: // Slovak
    case 0x24: // Slovenian
    case 0x1C: // Albanian
        codePage = 1250;
        break;
    case 0x08: // Greek
        codePage = 1253;
        break;
    case 0x1F: // Turkish
        codePage = 1254;
        break;
    case 0x0D: // Hebrew
        codePage = 1255;
        break;
    case 0x01: // Arabic
    case 0x29: // Persian
    case 0x20: // Urdu
        codePage = 1256;
        break;
    case 0x25: // Estonian
    case 0x26: // Latvian
    case 0x27: // Lithuanian
        codePage = 1257;
        break;
    case 0x2A: // Vietnamese
        codePage = 1258;
        break;
    case 0x1E: // Thai
        codePage = 874;
        break;
    case 0x11: // Japanese
        codePage = 932;
        break;
    case 0x12: // Korean
        codePage = 949;
        break;
    case 0x04: // Chinese: simplified for the mainland and Singapore, else traditional
        codePage = sub == 2 || sub == 4 ? 936 : 950;
        break;
    default:
        break;
    }
    language.codePage = codePage;
    language.dbcs = codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
    return language;
}

} // namespace chm
