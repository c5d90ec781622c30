#include "TypedText.h"

#include <algorithm>

namespace TypedText {

std::string StoreTypedSpan(std::string_view field, std::size_t begin, std::size_t end)
{
    end = std::min(end, field.size());
    begin = std::min(begin, end);
    std::string stored;
    stored.reserve(field.size() + 16);
    stored.append(field.substr(0, begin));
    for (std::size_t i = begin; i < end;) {
        const char c = field[i];
        if (c == '{' || c == '}') {
            stored += c == '{' ? '<' : '>';
            ++i;
            continue;
        }
        if (c != '"') {
            stored += c;
            ++i;
            continue;
        }
        // A run of quotes, as it stands in the whole field.
        std::size_t runEnd = i;
        while (runEnd < field.size() && field[runEnd] == '"')
            ++runEnd;
        std::size_t runStart = i;
        while (runStart > 0 && field[runStart - 1] == '"')
            --runStart;
        const bool readsBack =
            runEnd - runStart == 2 && runStart > 0 && runEnd < field.size() && field[runEnd] != ',';
        // Only the typed quotes of the run are this span's to replace.
        const std::size_t typedEnd = std::min(runEnd, end);
        for (; i < typedEnd; ++i)
            stored += readsBack ? std::string_view("\"") : std::string_view("''");
    }
    stored.append(field.substr(end));
    return stored;
}

} // namespace TypedText
