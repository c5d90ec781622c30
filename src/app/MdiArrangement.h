#pragma once

#include <QList>
#include <QRect>

// Where the document windows go when the "Окно" menu arranges them. Pure geometry: the main
// frame applies it to the windows in its MDI area.
class MdiArrangement
{
public:
    // `count` overlapping windows from the area's top-left corner, each `step` pixels lower and
    // further right than the one before, all as large as the area leaves them. A run that would
    // make them smaller than half the area starts again at the corner.
    static QList<QRect> cascade(const QRect& area, int count, int step);
    // `count` windows one above the other across the area's full width. Windows that would be
    // lower than `minHeight` go into as few side-by-side columns as keep them that high.
    static QList<QRect> tileHorizontally(const QRect& area, int count, int minHeight);
};
