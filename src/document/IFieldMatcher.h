#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A part of a field's text, in bytes (Windows-1251: one byte is one character).
struct TextSpan
{
    static constexpr std::size_t npos = std::string::npos;

    std::size_t offset = npos; // npos: a capturing group that took no part in the match
    std::size_t length = 0;

    std::size_t end() const { return offset + length; }
    bool operator==(const TextSpan&) const = default;
};

// Finds a search's pattern in the text of one record field. The book search and the replace
// call it field by field, from one thread at a time; a matcher keeps no state between calls
// that a caller could see.
class IFieldMatcher
{
public:
    virtual ~IFieldMatcher() = default;

    // The capturing groups of the pattern (0 for literal text).
    virtual int CaptureCount() const = 0;

    // Appends the matches in `text` (a whole field, Windows-1251) to `matches`: from the field's
    // start, in order, none overlapping another, none empty. With `groups`, appends for every
    // match CaptureCount() + 1 spans to it: the match, then each group.
    virtual void FindMatches(std::string_view text, std::vector<TextSpan>& matches,
                             std::vector<TextSpan>* groups = nullptr) const = 0;

    // The matches of several fields of one record at once, `matches[i]` receiving what
    // FindMatches would append for `texts[i]` (`matches` has one entry per text). A matcher with
    // a high cost per call may take them together.
    virtual void FindMatchesInFields(std::span<const std::string_view> texts,
                                     std::span<std::vector<TextSpan>> matches) const
    {
        for (std::size_t i = 0; i < texts.size(); ++i)
            FindMatches(texts[i], matches[i]);
    }
};
