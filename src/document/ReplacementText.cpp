#include "ReplacementText.h"

#include "Cp1251.h"

#include <algorithm>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the UTF-8 sequence starting at `text[i]` (1 for a stray byte).
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC0)
        length = 2;
    return std::min(length, text.size() - i);
}

} // namespace

ReplacementText::ReplacementText(std::string_view utf8, int captureCount)
{
    std::string literal;
    auto endLiteral = [&] {
        if (literal.empty())
            return;
        bool lossless = true;
        std::string bytes = Cp1251::FromUtf8(literal, &lossless);
        if (!lossless) {
            // Character by character, to name the ones that do not fit.
            for (std::size_t i = 0; i < literal.size();) {
                const std::size_t n = SequenceLength(literal, i);
                const std::string character = literal.substr(i, n);
                bool fits = true;
                Cp1251::FromUtf8(character, &fits);
                if (!fits && std::find(m_unencodable.begin(), m_unencodable.end(), character) ==
                                 m_unencodable.end())
                    m_unencodable.push_back(character);
                i += n;
            }
        }
        m_pieces.push_back({std::move(bytes), 0});
        literal.clear();
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\\' && i + 1 < utf8.size() && IsDigit(utf8[i + 1])) {
            int group = utf8[i + 1] - '0';
            if (group > 0 && group <= captureCount) {
                std::size_t used = 2;
                if (i + 2 < utf8.size() && IsDigit(utf8[i + 2]) &&
                    group * 10 + (utf8[i + 2] - '0') <= captureCount) {
                    group = group * 10 + (utf8[i + 2] - '0');
                    used = 3;
                }
                endLiteral();
                m_pieces.push_back({{}, group});
                i += used - 1;
                continue;
            }
        }
        literal += utf8[i];
    }
    endLiteral();
}

void ReplacementText::Expand(std::string_view field, const TextSpan* groups, std::string& out,
                             std::vector<TextSpan>& typed) const
{
    for (const Piece& piece : m_pieces) {
        if (piece.group == 0) {
            typed.push_back({out.size(), piece.bytes.size()});
            out += piece.bytes;
            continue;
        }
        const TextSpan& group = groups[piece.group];
        if (group.offset != TextSpan::npos && group.end() <= field.size())
            out.append(field.substr(group.offset, group.length));
    }
}
