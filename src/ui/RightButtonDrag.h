#pragma once

#include <QPersistentModelIndex>
#include <QPoint>

class CStructureTreeCtrl;
class QLabel;
class QMouseEvent;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The right button on the structure tree: a click selects what it hits and opens the context
// menu on the release; with the mouse moved far enough while it is held, the item is dragged
// instead, its image following the mouse, and the release over another item offers to move or
// copy it there (or to the top level). Escape, a release elsewhere or the tree hidden end the
// drag without a change.
class RightButtonDrag
{
public:
    explicit RightButtonDrag(CStructureTreeCtrl& tree);
    ~RightButtonDrag();
    RightButtonDrag(const RightButtonDrag&) = delete;
    RightButtonDrag& operator=(const RightButtonDrag&) = delete;

    // The tree's mouse events; true when the event was this part's, false for the view's own.
    bool press(QMouseEvent& event);
    bool move(QMouseEvent& event);
    bool release(QMouseEvent& event);

    bool isDragging() const { return m_bDragging; }
    // The drag image's window while a drag runs.
    QWidget* dragImage() const;
    // The view scrolled under the still mouse: the target follows.
    void retrack();
    // Ends a drag without a change.
    void cancel();

private:
    void begin(QTreeWidgetItem* item, const QPoint& globalPos);
    void track(const QPoint& globalPos);
    void finish(const QPoint& globalPos);
    void end();
    void drop(QTreeWidgetItem* hDrag, QTreeWidgetItem* hTarget, int nCommand);

    CStructureTreeCtrl& m_tree;
    QPersistentModelIndex m_hDragItem; // the item dragged
    QPersistentModelIndex m_hDropItem; // the item under the mouse
    QLabel* m_pDragImage = nullptr;    // a window of its own (child object of the tree)
    bool m_bDragging = false;
    bool m_rightPressed = false; // the right button went down on the tree and is held
    QPoint m_rightPressPos;      // where, in the viewport
    QPersistentModelIndex m_rightPressItem;
    QPoint m_dragPos; // the mouse during the drag, global
};
