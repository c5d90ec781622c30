#pragma once

#include <vector>

// Fits a column of controls into a height by shrinking the ones that may shrink: each gives up
// a share of the excess in proportion to how far it stands above its minimum, and none goes
// below its minimum. What cannot be taken that way stays (the column is then taller than the
// height, and scrolls).
class VerticalFit
{
public:
    // The heights of controls of `natural` height when `excess` pixels must go (none when it is
    // 0 or less). `minimum` holds each one's least height, no more than its natural one.
    static std::vector<int> Heights(const std::vector<int>& natural,
                                    const std::vector<int>& minimum, int excess);
};
