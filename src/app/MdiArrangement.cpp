#include "MdiArrangement.h"

#include <algorithm>

namespace {

// `total` pixels cut into `parts` runs, the remainder to the last; the start of run `i`.
int share(int total, int parts, int i)
{
    return i * (total / parts);
}

int length(int total, int parts, int i)
{
    return i == parts - 1 ? total - share(total, parts, i) : total / parts;
}

} // namespace

QList<QRect> MdiArrangement::cascade(const QRect& area, int count, int step)
{
    QList<QRect> result;
    if (count <= 0 || area.isEmpty())
        return result;
    step = std::max(step, 1);
    const int longestRun = 1 + std::min(area.width(), area.height()) / 2 / step;
    const int run = std::clamp(count, 1, longestRun);
    const QSize size(area.width() - (run - 1) * step, area.height() - (run - 1) * step);
    for (int i = 0; i < count; ++i) {
        const int offset = (i % run) * step;
        result.append(QRect(area.topLeft() + QPoint(offset, offset), size));
    }
    return result;
}

QList<QRect> MdiArrangement::tileHorizontally(const QRect& area, int count, int minHeight)
{
    QList<QRect> result;
    if (count <= 0 || area.isEmpty())
        return result;
    const int rowsThatFit = std::max(1, area.height() / std::max(minHeight, 1));
    const int columns = (count + rowsThatFit - 1) / rowsThatFit;
    // Earlier columns take the smaller share when the windows do not divide evenly.
    const int shorter = count / columns;
    const int longer = count % columns;
    for (int column = 0; column < columns; ++column) {
        const int rows = column < columns - longer ? shorter : shorter + 1;
        const int x = area.left() + share(area.width(), columns, column);
        const int width = length(area.width(), columns, column);
        for (int row = 0; row < rows; ++row)
            result.append(QRect(x, area.top() + share(area.height(), rows, row), width,
                                length(area.height(), rows, row)));
    }
    return result;
}
