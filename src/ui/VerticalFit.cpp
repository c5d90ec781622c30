#include "VerticalFit.h"

#include <algorithm>
#include <cstddef>

std::vector<int> VerticalFit::Heights(const std::vector<int>& natural,
                                      const std::vector<int>& minimum, int excess)
{
    std::vector<int> heights = natural;
    const std::size_t count = std::min(natural.size(), minimum.size());
    long long room = 0;
    for (std::size_t i = 0; i < count; ++i)
        room += std::max(0, natural[i] - minimum[i]);
    if (excess <= 0 || room == 0)
        return heights;
    const long long take = std::min<long long>(excess, room);
    long long taken = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const long long share = take * std::max(0, natural[i] - minimum[i]) / room;
        heights[i] -= int(share);
        taken += share;
    }
    // What rounding left over, a pixel at a time from the first that still can give.
    for (std::size_t i = 0; taken < take; i = (i + 1) % count) {
        if (heights[i] > minimum[i]) {
            --heights[i];
            ++taken;
        }
    }
    return heights;
}
