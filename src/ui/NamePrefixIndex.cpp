#include "NamePrefixIndex.h"

#include "Cp1251.h"

#include <algorithm>
#include <limits>

void NamePrefixIndex::assign(const std::vector<std::string_view>& names)
{
    m_keys.clear();
    m_keys.reserve(names.size());
    for (std::size_t row = 0; row < names.size(); ++row)
        m_keys.push_back({Cp1251::FoldCase(names[row]), int(row)});
    std::sort(m_keys.begin(), m_keys.end(), [](const Key& a, const Key& b) {
        const int order = a.folded.compare(b.folded);
        return order != 0 ? order < 0 : a.row < b.row;
    });
}

int NamePrefixIndex::select(std::string_view text) const
{
    const std::string prefix = Cp1251::FoldCase(text);
    // Every name beginning with the prefix sorts at or after it, and before any name that does
    // not begin with it but sorts after it.
    const auto first =
        std::lower_bound(m_keys.begin(), m_keys.end(), prefix,
                         [](const Key& key, const std::string& p) { return key.folded < p; });
    const auto last = std::partition_point(first, m_keys.end(), [&](const Key& key) {
        return key.folded.compare(0, prefix.size(), prefix) == 0;
    });
    if (first == last)
        return -1;
    int best = std::numeric_limits<int>::max();
    for (auto it = first; it != last && best > 1; ++it) {
        if (it->row != 0)
            best = std::min(best, it->row);
    }
    return best == std::numeric_limits<int>::max() ? 0 : best;
}
