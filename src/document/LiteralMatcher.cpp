#include "LiteralMatcher.h"

#include "Cp1251.h"

#include <cstring>

std::unique_ptr<LiteralMatcher> LiteralMatcher::Create(const FindQuery& query, FindStatus& status)
{
    if (query.pattern.empty()) {
        status = FindStatus::EmptyPattern;
        return nullptr;
    }
    bool lossless = true;
    std::string pattern = Cp1251::FromUtf8(query.pattern, &lossless);
    if (!lossless) {
        status = FindStatus::NotInCodePage;
        return nullptr;
    }
    if (pattern.find_first_of("\r\n") != std::string::npos) {
        status = FindStatus::LineBreakInPattern;
        return nullptr;
    }
    status = FindStatus::Ready;
    return std::make_unique<LiteralMatcher>(std::move(pattern), query);
}

LiteralMatcher::LiteralMatcher(std::string pattern, const FindQuery& query)
    : m_pattern(std::move(pattern)), m_fold(query.caseSensitive, query.yoMatchesYe),
      m_wholeWord(query.wholeWord)
{
    m_folded.reserve(m_pattern.size());
    for (const char c : m_pattern)
        m_folded += static_cast<char>(m_fold(c));
    const std::size_t m = m_folded.size();
    m_shift.fill(m);
    for (std::size_t j = 0; j + 1 < m; ++j)
        m_shift[static_cast<unsigned char>(m_folded[j])] = m - 1 - j;
}

std::size_t LiteralMatcher::Next(std::string_view text, std::size_t from) const
{
    const std::size_t m = m_folded.size();
    const std::size_t n = text.size();
    if (m == 0 || from > n || n - from < m)
        return std::string_view::npos;
    if (m_fold.identity()) {
        const void* found = memmem(text.data() + from, n - from, m_folded.data(), m);
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                     : std::string_view::npos;
    }
    const char* data = text.data();
    const char* pattern = m_folded.data();
    const unsigned char lastByte = static_cast<unsigned char>(pattern[m - 1]);
    for (std::size_t i = from; i + m <= n;) {
        const unsigned char c = m_fold(data[i + m - 1]);
        if (c == lastByte) {
            std::size_t j = 0;
            while (j + 1 < m && m_fold(data[i + j]) == static_cast<unsigned char>(pattern[j]))
                ++j;
            if (j + 1 == m)
                return i;
        }
        i += m_shift[c];
    }
    return std::string_view::npos;
}

bool LiteralMatcher::WholeWordAt(std::string_view text, std::size_t offset) const
{
    auto between = [&text](std::size_t at) {
        return at > 0 && at < text.size() && FoldTable::IsWordByte(text[at - 1]) &&
               FoldTable::IsWordByte(text[at]);
    };
    return !between(offset) && !between(offset + m_pattern.size());
}

void LiteralMatcher::FindMatches(std::string_view text, std::vector<TextSpan>& matches,
                                 std::vector<TextSpan>* groups) const
{
    const std::size_t m = m_pattern.size();
    for (std::size_t from = 0;;) {
        const std::size_t at = Next(text, from);
        if (at == std::string_view::npos)
            return;
        if (m_wholeWord && !WholeWordAt(text, at)) {
            from = at + 1;
            continue;
        }
        matches.push_back({at, m});
        if (groups)
            groups->push_back({at, m});
        from = at + m;
    }
}
