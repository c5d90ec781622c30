#pragma once

#include "IFieldMatcher.h"

#include <string>
#include <string_view>
#include <vector>

// The text that replaces a match, built from what the user typed (UTF-8) as QString::replace
// builds it for a QRegularExpression: a backslash followed by the number of a capturing group, 1
// to the pattern's count, stands for what that group matched (two digits when the pattern has
// that many groups: "\12" is group 12 only when there are 12; a group that took no part is
// empty); any other backslash, "\0" and "$1" included, is itself. Literal text has no groups, so
// for it the typed text is all.
class ReplacementText
{
public:
    ReplacementText(std::string_view utf8, int captureCount);

    // The characters of the typed text Windows-1251 cannot hold (UTF-8, each once, in order of
    // appearance); while there are any the text cannot be used.
    const std::vector<std::string>& unencodable() const { return m_unencodable; }

    // Appends to `out` what replaces a match in `field`, given the match's `groups`
    // (CaptureCount() + 1 spans of the field: the match, then its groups). The parts that come
    // from the typed text are appended to `typed` as spans of `out`.
    void Expand(std::string_view field, const TextSpan* groups, std::string& out,
                std::vector<TextSpan>& typed) const;

private:
    struct Piece
    {
        std::string bytes; // Windows-1251, when group is 0
        int group = 0;
    };
    std::vector<Piece> m_pieces;
    std::vector<std::string> m_unencodable;
};
