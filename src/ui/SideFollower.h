#pragma once

#include <QPersistentModelIndex>

class CStructureTreeCtrl;
class QHelpEvent;

// Keeps the selected item in sight sideways. Labels are never shortened, so the column is as
// wide as the rows about the visible ones need and the view scrolls sideways; the view scrolls
// only as far as the item's own box, picture and label start need (SideScroll), and a label
// the pane cuts off shows whole in a tooltip.
class SideFollower
{
public:
    explicit SideFollower(CStructureTreeCtrl& tree);

    // The view scrolled to `index`: it is brought into view sideways.
    void follow(const QModelIndex& index);
    // Fits the column once the current layout pass is over.
    void scheduleColumnFit();
    // Shows the tooltip of the item under the mouse; false when there is none to show.
    bool showLabelTip(const QHelpEvent& help);

private:
    void fitColumn();
    void showHorizontally(const QModelIndex& index);
    // The width the item's picture and whole label take.
    int labelWidth(const QModelIndex& index) const;

    CStructureTreeCtrl& m_tree;
    bool m_columnFitPending = false;
    // The item the view last scrolled to, and the view's width then.
    QPersistentModelIndex m_followed;
    int m_followedWidth = 0;
};
