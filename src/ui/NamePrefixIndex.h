#pragma once

#include <string>
#include <string_view>
#include <vector>

// Finds which entry of a list of names a typed text selects: the first entry, searching from the
// second one onwards and wrapping back to the first, whose name begins with the text without
// regard to letter case. Names and texts are Windows-1251.
//
// Scanning the names in list order costs a comparison per name for every keystroke; instead the
// case-folded names are kept sorted, so the names beginning with a text are one run found by
// binary search, and the answer is the smallest list row in that run other than the first row
// (the first row only when it is the run's only row). Same result, see the tests.
class NamePrefixIndex
{
public:
    // `names` in list order.
    void assign(const std::vector<std::string_view>& names);
    // The row `text` selects, or -1 when no name begins with it.
    int select(std::string_view text) const;
    int size() const { return int(m_keys.size()); }

private:
    struct Key
    {
        std::string folded;
        int row;
    };
    std::vector<Key> m_keys; // by folded name, then by row
};
