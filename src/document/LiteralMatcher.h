#pragma once

#include "FindQuery.h"
#include "FoldTable.h"
#include "IFieldMatcher.h"

#include <array>
#include <memory>
#include <string>

// Literal text, found on the Windows-1251 bytes as they are: the pattern is converted once, and
// both sides are compared through a FoldTable. The scan is Boyer-Moore-Horspool on the folded
// bytes (the C library's memmem when nothing is folded).
class LiteralMatcher : public IFieldMatcher
{
public:
    // The matcher of `query` (its regex flag is not looked at), or null with `status` telling
    // why the pattern can match nothing.
    static std::unique_ptr<LiteralMatcher> Create(const FindQuery& query, FindStatus& status);

    // `pattern`: Windows-1251 bytes, not empty.
    LiteralMatcher(std::string pattern, const FindQuery& query);

    int CaptureCount() const override { return 0; }
    void FindMatches(std::string_view text, std::vector<TextSpan>& matches,
                     std::vector<TextSpan>* groups = nullptr) const override;

    const std::string& pattern() const { return m_pattern; }

private:
    // The first match at or after `from`, or npos.
    std::size_t Next(std::string_view text, std::size_t from) const;
    bool WholeWordAt(std::string_view text, std::size_t offset) const;

    std::string m_pattern; // as given
    std::string m_folded;  // each byte's stand-in
    FoldTable m_fold;
    bool m_wholeWord;
    std::array<std::size_t, 256> m_shift{}; // by the folded byte under the pattern's last byte
};
