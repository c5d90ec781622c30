#include "SideScroll.h"

#include <algorithm>

int SideScroll::offsetFor(const Item& item, int width, int current)
{
    // The least offset that shows the start of the label, and the most that keeps the box.
    const int least = std::max(0, item.labelStart - width);
    const int most = std::max(0, item.box);
    if (least > most) {
        // Too narrow for box and label start together: the picture and as much of the start as
        // fit.
        return std::min(least, std::max(0, item.picture));
    }
    if (current >= least && current <= most)
        return current;
    if (least == 0)
        return 0;
    // Scrolling anyway: a label that fits after the box is shown whole.
    if (item.labelEnd - item.box <= width)
        return std::clamp(item.labelEnd - width, least, most);
    return least;
}
