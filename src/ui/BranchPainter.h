#pragma once

class CStructureTreeCtrl;
class QModelIndex;
class QPainter;
class QRect;

// The branch lines left of a row of the structure tree. The base view draws one piece per
// ancestor of every row painted: at 5,000 levels millions of style calls per paint. Only the
// pieces inside the viewport are drawn, walking out from the item only as far as the viewport's
// left edge.
class BranchPainter
{
public:
    static void paint(const CStructureTreeCtrl& tree, QPainter& painter, const QRect& rect,
                      const QModelIndex& index);
};
