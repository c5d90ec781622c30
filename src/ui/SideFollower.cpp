#include "SideFollower.h"

#include "CStructureTreeCtrl.h"
#include "SideScroll.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

SideFollower::SideFollower(CStructureTreeCtrl& tree) : m_tree(tree) {}

void SideFollower::follow(const QModelIndex& index)
{
    m_followed = index;
    m_followedWidth = m_tree.viewport()->width();
    showHorizontally(index);
}

void SideFollower::scheduleColumnFit()
{
    if (m_columnFitPending)
        return;
    m_columnFitPending = true;
    QTimer::singleShot(0, &m_tree, [this] { fitColumn(); });
}

void SideFollower::fitColumn()
{
    m_columnFitPending = false;
    // Qt's hint measures the rows on screen and a thousand about them, indentation included.
    const int wanted = std::max(m_tree.viewport()->width(), m_tree.sizeHintForColumn(0));
    if (m_tree.header()->sectionSize(0) != wanted)
        m_tree.header()->resizeSection(0, wanted);
    // A scroll bar that came or went since the view last followed the selection changed the
    // room it has: the selected item is brought into view again.
    if (m_followed.isValid() && m_followedWidth != m_tree.viewport()->width()) {
        m_followedWidth = m_tree.viewport()->width();
        showHorizontally(m_followed);
    }
}

int SideFollower::labelWidth(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    m_tree.initViewItemOption(&option);
    return m_tree.itemDelegateForIndex(index)->sizeHint(option, index).width();
}

void SideFollower::showHorizontally(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // The base view scrolls the whole column into view, which for a column wider than the view
    // means its left edge; here the item itself is what must be seen (SideScroll). A cell that
    // starts beyond a column too narrow for it has a negative width: its left edge and height
    // still tell where it is.
    const QRect cell = m_tree.visualRect(index);
    if (cell.height() <= 0)
        return;
    const int offset = m_tree.horizontalOffset();
    const int label = labelWidth(index);
    const int columnNeeded = cell.left() + offset + label;
    if (m_tree.header()->sectionSize(0) < columnNeeded)
        m_tree.header()->resizeSection(0, columnNeeded);
    // The label's start: its picture and a few characters.
    const int start = std::min(label, m_tree.iconSize().width() + 8 +
                                          8 * m_tree.fontMetrics().averageCharWidth());
    SideScroll::Item item;
    item.picture = cell.left() + offset;
    item.box = item.picture - m_tree.indentation();
    item.labelStart = item.picture + start;
    item.labelEnd = item.picture + label;
    const int wanted = SideScroll::offsetFor(item, m_tree.viewport()->width(), offset);
    if (wanted == offset)
        return;
    // The scroll bar's range follows a wider column only at the next layout pass.
    m_tree.updateGeometries();
    m_tree.horizontalScrollBar()->setValue(wanted);
}

bool SideFollower::showLabelTip(const QHelpEvent& help)
{
    // A label the pane cuts off shows whole in a tooltip.
    QTreeWidgetItem* item = m_tree.itemUnder(help.pos());
    if (!item)
        return false;
    const QModelIndex index = m_tree.indexFromItem(item);
    const QRect cell = m_tree.visualRect(index);
    if (cell.left() >= 0 && cell.left() + labelWidth(index) <= m_tree.viewport()->width())
        return false;
    QToolTip::showText(help.globalPos(), item->text(0), m_tree.viewport(), cell);
    return true;
}
