#include "RightButtonDrag.h"

#include "BulkTreeEdit.h"
#include "CStructureTreeCtrl.h"
#include "DragPicture.h"
#include "DragScroller.h"
#include "UserPrompts.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

#include <utility>

namespace {

// Whether `item` lies below `ancestor`.
bool liesBelow(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* up = item ? item->parent() : nullptr; up; up = up->parent()) {
        if (up == ancestor)
            return true;
    }
    return false;
}

} // namespace

RightButtonDrag::RightButtonDrag(CStructureTreeCtrl& tree) : m_tree(tree) {}

RightButtonDrag::~RightButtonDrag() = default;

QWidget* RightButtonDrag::dragImage() const
{
    return m_pDragImage;
}

bool RightButtonDrag::press(QMouseEvent& event)
{
    // Other buttons do nothing while a drag runs.
    if (m_bDragging) {
        event.accept();
        return true;
    }
    if (event.button() != Qt::RightButton)
        return false;
    // The right button selects what it hits; the menu comes with the release, unless the mouse
    // moves on with the button held, which drags the item instead.
    const QPoint pos = event.position().toPoint();
    QTreeWidgetItem* item = m_tree.itemUnder(pos);
    if (item && item != m_tree.currentItem()) {
        // Kept on the record being edited, the press opens no menu and starts no drag: both
        // would be about the item pressed.
        if (!m_tree.settleEdits()) {
            event.accept();
            return true;
        }
        m_tree.setCurrentItem(item);
    }
    m_rightPressed = true;
    m_rightPressPos = pos;
    m_rightPressItem =
        item ? QPersistentModelIndex(m_tree.indexFromItem(item)) : QPersistentModelIndex();
    event.accept();
    return true;
}

bool RightButtonDrag::move(QMouseEvent& event)
{
    const bool rightHeld = event.buttons().testFlag(Qt::RightButton);
    if (m_bDragging) {
        // A release that never came here (the mouse taken by another window) ends the drag.
        if (rightHeld)
            track(event.globalPosition().toPoint());
        else
            cancel();
        event.accept();
        return true;
    }
    if (!m_rightPressed)
        return false;
    if (!rightHeld) {
        m_rightPressed = false;
        return false;
    }
    const QPoint pos = event.position().toPoint();
    QTreeWidgetItem* item = m_tree.itemFromIndex(m_rightPressItem);
    if (item && (pos - m_rightPressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_rightPressed = false;
        begin(item, event.globalPosition().toPoint());
        track(event.globalPosition().toPoint());
    }
    event.accept();
    return true;
}

bool RightButtonDrag::release(QMouseEvent& event)
{
    if (event.button() != Qt::RightButton) {
        if (!m_bDragging)
            return false;
        event.accept();
        return true;
    }
    event.accept();
    const QPoint globalPos = event.globalPosition().toPoint();
    if (m_bDragging) {
        finish(globalPos);
        return true;
    }
    if (!std::exchange(m_rightPressed, false))
        return true;
    // A click: the menu for what is under the mouse now, while it is still over the items.
    const QPoint pos = event.position().toPoint();
    if (m_tree.viewport()->rect().contains(pos))
        m_tree.ShowContextMenu(m_tree.itemUnder(pos), globalPos);
    return true;
}

void RightButtonDrag::begin(QTreeWidgetItem* item, const QPoint& globalPos)
{
    m_hDropItem = QPersistentModelIndex();
    m_hDragItem = m_tree.indexFromItem(item);
    // The image follows the mouse over the whole screen, so it is a window of its own that
    // never takes the mouse or the focus.
    m_pDragImage =
        new QLabel(&m_tree, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                Qt::WindowDoesNotAcceptFocus);
    m_pDragImage->setAttribute(Qt::WA_ShowWithoutActivating);
    m_pDragImage->setPixmap(DragPicture::of(m_tree, *item));
    m_pDragImage->setWindowOpacity(0.8);
    m_pDragImage->adjustSize();
    m_pDragImage->move(globalPos + CStructureTreeCtrl::kDragImageOffset);
    m_pDragImage->show();
    // No tooltips while dragging.
    QToolTip::hideText();
    m_bDragging = true;
    m_dragPos = globalPos;
}

void RightButtonDrag::track(const QPoint& globalPos)
{
    if (m_pDragImage)
        m_pDragImage->move(globalPos + CStructureTreeCtrl::kDragImageOffset);
    // Over no item nothing is highlighted either: what is highlighted is the target.
    QTreeWidgetItem* item = m_tree.itemUnder(m_tree.viewport()->mapFromGlobal(globalPos));
    m_hDropItem =
        item ? QPersistentModelIndex(m_tree.indexFromItem(item)) : QPersistentModelIndex();
    m_tree.setDropHighlight(item);
    m_dragPos = globalPos;
    m_tree.m_dragScroller->track(globalPos);
}

void RightButtonDrag::retrack()
{
    if (m_bDragging)
        track(m_dragPos);
}

void RightButtonDrag::end()
{
    m_bDragging = false;
    m_rightPressed = false;
    m_tree.m_dragScroller->stop();
    delete m_pDragImage;
    m_pDragImage = nullptr;
}

void RightButtonDrag::cancel()
{
    if (!m_bDragging)
        return;
    end();
    m_tree.setDropHighlight(nullptr);
    m_hDragItem = QPersistentModelIndex();
    m_hDropItem = QPersistentModelIndex();
}

void RightButtonDrag::finish(const QPoint& globalPos)
{
    end();
    QTreeWidgetItem* hDrag = m_tree.itemFromIndex(m_hDragItem);
    QTreeWidgetItem* hDrop = m_tree.itemFromIndex(m_hDropItem);
    m_hDragItem = QPersistentModelIndex();
    m_hDropItem = QPersistentModelIndex();
    // No menu for a drop onto the item itself, outside the tree or into the item's own subtree.
    if (!hDrag || hDrop == hDrag || !m_tree.rect().contains(m_tree.mapFromGlobal(globalPos)) ||
        liesBelow(hDrop, hDrag)) {
        m_tree.setDropHighlight(nullptr);
        return;
    }

    QMenu menu(&m_tree);
    auto add = [&menu](const QString& text, int command) {
        menu.addAction(text)->setData(command);
    };
    add(QStringLiteral("Переместить в выделенный раздел"), CStructureTreeCtrl::CmdMove);
    add(QStringLiteral("Скопировать в выделенный раздел"), CStructureTreeCtrl::CmdCopy);
    if (!hDrop || !hDrop->parent()) {
        add(QStringLiteral("Переместить в корневой раздел"), CStructureTreeCtrl::CmdMoveToRoot);
        add(QStringLiteral("Скопировать в корневой раздел"), CStructureTreeCtrl::CmdCopyToRoot);
    }
    menu.addSeparator();
    add(QStringLiteral("Отмена"), CStructureTreeCtrl::CmdCancel);
    // The target stays highlighted while the menu is up.
    const QPersistentModelIndex dragIndex(m_tree.indexFromItem(hDrag));
    const QPersistentModelIndex dropIndex(hDrop ? m_tree.indexFromItem(hDrop) : QModelIndex());
    QAction* chosen = m_tree.m_prompts.popupMenu(menu, globalPos);
    m_tree.setDropHighlight(nullptr);
    if (!chosen)
        return;
    const int command = chosen->data().toInt();
    const bool toRoot = command == CStructureTreeCtrl::CmdMoveToRoot ||
                        command == CStructureTreeCtrl::CmdCopyToRoot;
    const bool move =
        command == CStructureTreeCtrl::CmdMove || command == CStructureTreeCtrl::CmdMoveToRoot;
    if (!toRoot && !move && command != CStructureTreeCtrl::CmdCopy)
        return;
    if (!m_tree.settleEdits())
        return;
    // The items may have gone while the menu and the question were up.
    hDrag = m_tree.itemFromIndex(dragIndex);
    hDrop = m_tree.itemFromIndex(dropIndex);
    if (!hDrag || (!toRoot && dropIndex.isValid() && !hDrop))
        return;
    drop(hDrag, toRoot ? nullptr : hDrop,
         move ? CStructureTreeCtrl::CmdMove : CStructureTreeCtrl::CmdCopy);
}

void RightButtonDrag::drop(QTreeWidgetItem* hDrag, QTreeWidgetItem* hTarget, int nCommand)
{
    // One redraw and one published selection for the whole copy.
    {
        const BulkTreeEdit quiet(m_tree);
        const WaitCursor wait;
        m_tree.CopySubtree(hDrag, hTarget, nCommand);
    }
    m_tree.NotifySelection();
}
