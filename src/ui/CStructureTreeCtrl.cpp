#include "CStructureTreeCtrl.h"

#include "CZETbrowserDoc.h"
#include "ClipboardKeys.h"
#include "DocumentText.h"
#include "DragScroller.h"
#include "RecordEditsQuestion.h"
#include "RecordLabel.h"
#include "SideScroll.h"
#include "TreeLinesStyle.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <sys/resource.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// The levels the stack has room to lay out: Qt takes some 350 bytes of it per open level
// (measured); twice that is allowed, and a megabyte is kept for everything else.
int openDepthForStack(int cap)
{
    constexpr rlim_t kPerLevel = 700;
    constexpr rlim_t kReserve = rlim_t(1) << 20;
    rlimit stack{};
    if (getrlimit(RLIMIT_STACK, &stack) != 0 || stack.rlim_cur == RLIM_INFINITY)
        return cap;
    const rlim_t room = stack.rlim_cur > kReserve ? stack.rlim_cur - kReserve : 0;
    return int(std::clamp<rlim_t>(room / kPerLevel, 100, rlim_t(cap)));
}

} // namespace

CStructureTreeCtrl::CStructureTreeCtrl(CZETbrowserDoc* doc, IDocumentView* view,
                                       UserPrompts& prompts, QWidget* parent)
    : QTreeWidget(parent), m_pDoc(doc), m_pView(view), m_prompts(prompts),
      m_maxOpenDepth(openDepthForStack(kMaxOpenDepth))
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setMouseTracking(true); // hot tracking
    // Left-button drags carry a reference to the document (startDrag); drops take only such
    // references from other documents (dragMoveEvent).
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    m_dragScroller = new DragScroller(*this);
    // Scrolling under a still mouse during a drag moves the drop target.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_bDragging)
                trackRightDrag(m_dragPos);
            else if (m_foreignDragOver)
                trackForeignDrag(m_dragPos);
        });
    // Labels are never shortened: a deep item widens the column and the view scrolls sideways.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    auto* lines = new TreeLinesStyle;
    lines->setParent(this);
    setStyle(lines);

    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { onItemExpanded(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { onItemExpanded(item, false); });
    connect(
        this, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem*, QTreeWidgetItem* previous) { onCurrentItemChanged(previous); });
}

const QString CStructureTreeCtrl::kDocRefFormat = QStringLiteral("ZET_DOC_PTR");

CStructureTreeCtrl::~CStructureTreeCtrl()
{
    // Qt deletes item subtrees recursively; take them down here without that.
    m_bNotifySelection = false;
    clearItems();
}

TreeItemHandle CStructureTreeCtrl::handleOf(QTreeWidgetItem* item)
{
    return reinterpret_cast<TreeItemHandle>(item);
}

QTreeWidgetItem* CStructureTreeCtrl::itemOf(TreeItemHandle handle)
{
    if (handle == 0 || handle == kTreeRootHandle)
        return nullptr;
    return reinterpret_cast<QTreeWidgetItem*>(handle);
}

QString CStructureTreeCtrl::ItemLabel(const TreeRecord& record)
{
    return DocumentText::toQString(RecordLabel(record, NamelessLabel::SynonymInParentheses));
}

QString CStructureTreeCtrl::ItemLabel(const QString& name, const QString& synonym)
{
    // As RecordLabel names a record in the tree.
    return synonym.isEmpty() ? name : name + QStringLiteral(" ( ") + synonym + QStringLiteral(" )");
}

std::uint32_t CStructureTreeCtrl::recordIdOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kRecordIdRole).toUInt() : 0;
}

int CStructureTreeCtrl::imageOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kImageRole).toInt() : -1;
}

void CStructureTreeCtrl::setImage(QTreeWidgetItem* item, int image)
{
    item->setData(0, kImageRole, image); // the item's icon follows its image
}

QTreeWidgetItem* CStructureTreeCtrl::newItem(const QString& text, int image,
                                             std::uint32_t recordId) const
{
    return new StructureTreeItem(text, m_images, image, recordId);
}

void CStructureTreeCtrl::deleteWithDescendants(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const bool removing = std::exchange(m_bRemovingItems, true);
    if (QTreeWidgetItem* parent = item->parent())
        parent->removeChild(item);
    else
        takeTopLevelItem(indexOfTopLevelItem(item));
    m_bRemovingItems = removing;
    destroyDetached({item});
}

void CStructureTreeCtrl::clearItems()
{
    const bool removing = std::exchange(m_bRemovingItems, true);
    QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
    m_bRemovingItems = removing;
    destroyDetached(items);
}

void CStructureTreeCtrl::destroyDetached(const QList<QTreeWidgetItem*>& roots)
{
    // The nesting depth comes from the file, and Qt deletes an item's children recursively and
    // walks the whole subtree on every detach. So: list the items in pre-order with an explicit
    // stack, then delete them in reverse, when each is a leaf and its parent's last child.
    std::vector<QTreeWidgetItem*> order;
    std::vector<QTreeWidgetItem*> pending(roots.rbegin(), roots.rend());
    while (!pending.empty()) {
        QTreeWidgetItem* next = pending.back();
        pending.pop_back();
        order.push_back(next);
        for (int i = next->childCount() - 1; i >= 0; --i)
            pending.push_back(next->child(i));
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        QTreeWidgetItem* leaf = *it;
        if (QTreeWidgetItem* parent = leaf->parent()) {
            if (parent->child(parent->childCount() - 1) == leaf)
                parent->takeChild(parent->childCount() - 1);
            else
                parent->removeChild(leaf);
        }
        delete leaf;
    }
}

void CStructureTreeCtrl::Rebuild()
{
    const bool notify = m_bNotifySelection;
    m_bNotifySelection = false;
    setUpdatesEnabled(false);
    clearItems();
    if (!m_pDoc) {
        m_bNotifySelection = notify;
        setUpdatesEnabled(true);
        return;
    }

    // Handles from an earlier fill must not be taken for parents: only items made in this pass
    // count, so a record whose parent comes later (or not at all) lands at the top level.
    std::unordered_map<std::uint32_t, QTreeWidgetItem*> made;
    made.reserve(m_pDoc->RecordCount());
    QList<QTreeWidgetItem*> topLevel;
    // The parent is found through the id index in one pass instead of scanning the list for every
    // record; records are in pre-order and ids unique, so the result is the same.
    for (const TreeRecord& constRecord : m_pDoc->records()) {
        TreeRecord* record = m_pDoc->FindRecord(constRecord.recordId);
        if (!record)
            continue;
        QTreeWidgetItem* parent = nullptr;
        if (record->parentId != 0) {
            const auto found = made.find(record->parentId);
            if (found != made.end())
                parent = found->second;
        }
        QTreeWidgetItem* item = newItem(
            ItemLabel(*record), record->isFolder() ? ClosedSection : RecordImage, record->recordId);
        // Items are built detached and handed to the view at once: no per-item model signals.
        if (parent)
            parent->addChild(item);
        else
            topLevel.append(item);
        record->parentTreeItem = parent ? handleOf(parent) : kTreeRootHandle;
        record->treeItem = handleOf(item);
        made.emplace(record->recordId, item);
    }
    addTopLevelItems(topLevel);
    setUpdatesEnabled(true);
    m_bNotifySelection = notify;

    if (topLevelItemCount() > 0)
        setCurrentItem(topLevelItem(0));
}

void CStructureTreeCtrl::Relabel(const TreeRecord& hint)
{
    Relabel(hint, ItemLabel(hint));
}

void CStructureTreeCtrl::Relabel(const TreeRecord& hint, const QString& label)
{
    if (hint.treeItem == 0 || !m_pDoc)
        return;
    // The hint may be a form's copy holding a handle from before a rebuild or a deletion; the
    // document's record of the same id names the live item.
    const TreeRecord* record = m_pDoc->FindRecord(hint.recordId);
    if (!record)
        return;
    if (QTreeWidgetItem* item = itemOf(record->treeItem))
        item->setText(0, label);
}

namespace {

// 1 for a top-level item; counted no further than `limit` + 1.
int depthOf(const QTreeWidgetItem* item, int limit)
{
    int depth = 1;
    for (const QTreeWidgetItem* up = item->parent(); up && depth <= limit; up = up->parent())
        ++depth;
    return depth;
}

} // namespace

void CStructureTreeCtrl::onItemExpanded(QTreeWidgetItem* item, bool expanded)
{
    // Every way of opening a section ends here (keys, mouse, selecting a deep item, which opens
    // its ancestors); one too deep is closed again before the view lays it out with the rest.
    // Walking up from each item costs its depth: sections opened in one go (a subtree, the
    // ancestors of an item scrolled to) were measured as they were walked.
    if (expanded && !m_depthMeasured && depthOf(item, m_maxOpenDepth) > m_maxOpenDepth) {
        item->setExpanded(false);
        return;
    }
    const TreeRecord* record = m_pDoc ? m_pDoc->FindRecord(recordIdOf(item)) : nullptr;
    if (record && record->isFolder())
        setImage(item, expanded ? OpenSection : ClosedSection);
}

void CStructureTreeCtrl::expandSubtree(QTreeWidgetItem* root, int levels)
{
    if (!root)
        return;
    const int rootDepth = depthOf(root, m_maxOpenDepth);
    // One layout once everything is marked open, as the view's own "*" does.
    scheduleDelayedItemsLayout();
    std::vector<std::pair<QTreeWidgetItem*, int>> pending{{root, rootDepth}};
    const QScopedValueRollback<bool> measured(m_depthMeasured, true);
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        if (depth > m_maxOpenDepth)
            continue;
        item->setExpanded(true);
        if (levels >= 0 && depth - rootDepth >= levels)
            continue;
        for (int i = item->childCount() - 1; i >= 0; --i)
            pending.emplace_back(item->child(i), depth + 1);
    }
}

void CStructureTreeCtrl::expandAll()
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        expandSubtree(topLevelItem(i), -1);
}

void CStructureTreeCtrl::expandRecursively(const QModelIndex& index, int depth)
{
    if (depth >= -1)
        expandSubtree(itemFromIndex(index), depth);
}

void CStructureTreeCtrl::expandToDepth(int depth)
{
    collapseAll();
    for (int i = 0; i < topLevelItemCount(); ++i)
        expandSubtree(topLevelItem(i), depth);
}

void CStructureTreeCtrl::scheduleColumnFit()
{
    if (m_columnFitPending)
        return;
    m_columnFitPending = true;
    QTimer::singleShot(0, this, &CStructureTreeCtrl::fitColumn);
}

void CStructureTreeCtrl::fitColumn()
{
    m_columnFitPending = false;
    // Qt's hint measures the rows on screen and a thousand about them, indentation included.
    const int wanted = std::max(viewport()->width(), sizeHintForColumn(0));
    if (header()->sectionSize(0) != wanted)
        header()->resizeSection(0, wanted);
    // A scroll bar that came or went since the view last followed the selection changed the
    // room it has: the selected item is brought into view again.
    if (m_followed.isValid() && m_followedWidth != viewport()->width()) {
        m_followedWidth = viewport()->width();
        showHorizontally(m_followed);
    }
}

void CStructureTreeCtrl::updateGeometries()
{
    QTreeWidget::updateGeometries();
    scheduleColumnFit();
}

void CStructureTreeCtrl::scrollContentsBy(int dx, int dy)
{
    QTreeWidget::scrollContentsBy(dx, dy);
    if (dy != 0)
        scheduleColumnFit();
}

void CStructureTreeCtrl::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // The base view opens the item's ancestors one by one from the bottom, each measured anew.
    // Here they are opened from the top, as deep as sections may open; an item below that is
    // represented by its deepest ancestor that can be shown.
    QModelIndex shown = index;
    QTreeWidgetItem* item = itemFromIndex(index);
    if (item != nullptr && state() == NoState && itemsExpandable()) {
        std::vector<QTreeWidgetItem*> ancestors;
        for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
            ancestors.push_back(up);
        const std::size_t openable = std::min(ancestors.size(), std::size_t(m_maxOpenDepth));
        {
            const QScopedValueRollback<bool> measured(m_depthMeasured, true);
            for (std::size_t level = 1; level <= openable; ++level) {
                QTreeWidgetItem* section = ancestors[ancestors.size() - level];
                if (!section->isExpanded())
                    section->setExpanded(true);
            }
        }
        if (ancestors.size() > openable)
            shown = indexFromItem(ancestors[ancestors.size() - openable - 1]);
    }
    QTreeWidget::scrollTo(shown, hint);
    m_followed = shown;
    m_followedWidth = viewport()->width();
    showHorizontally(shown);
}

int CStructureTreeCtrl::labelWidth(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return itemDelegateForIndex(index)->sizeHint(option, index).width();
}

void CStructureTreeCtrl::showHorizontally(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // The base view scrolls the whole column into view, which for a column wider than the view
    // means its left edge; here the item itself is what must be seen (SideScroll). A cell that
    // starts beyond a column too narrow for it has a negative width: its left edge and height
    // still tell where it is.
    const QRect cell = visualRect(index);
    if (cell.height() <= 0)
        return;
    const int offset = horizontalOffset();
    const int label = labelWidth(index);
    const int columnNeeded = cell.left() + offset + label;
    if (header()->sectionSize(0) < columnNeeded)
        header()->resizeSection(0, columnNeeded);
    // The label's start: its picture and a few characters.
    const int start =
        std::min(label, iconSize().width() + 8 + 8 * fontMetrics().averageCharWidth());
    SideScroll::Item item;
    item.picture = cell.left() + offset;
    item.box = item.picture - indentation();
    item.labelStart = item.picture + start;
    item.labelEnd = item.picture + label;
    const int wanted = SideScroll::offsetFor(item, viewport()->width(), offset);
    if (wanted == offset)
        return;
    // The scroll bar's range follows a wider column only at the next layout pass.
    updateGeometries();
    horizontalScrollBar()->setValue(wanted);
}

bool CStructureTreeCtrl::showLabelTip(const QHelpEvent& help)
{
    // A label the pane cuts off shows whole in a tooltip.
    QTreeWidgetItem* item = itemUnder(help.pos());
    if (!item)
        return false;
    const QModelIndex index = indexFromItem(item);
    const QRect cell = visualRect(index);
    if (cell.left() >= 0 && cell.left() + labelWidth(index) <= viewport()->width())
        return false;
    QToolTip::showText(help.globalPos(), item->text(0), viewport(), cell);
    return true;
}

void CStructureTreeCtrl::drawBranches(QPainter* painter, const QRect& rect,
                                      const QModelIndex& index) const
{
    // The base view draws one branch piece per ancestor of every row painted: at 5,000 levels
    // millions of style calls per paint. Only the pieces inside the viewport are drawn, walking
    // out from the item only as far as the viewport's left edge.
    const int indent = indentation();
    if (indent <= 0)
        return;
    const QRect visible = viewport()->rect();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QStyle::State common = QStyle::State_None;
    if (isEnabled())
        common |= QStyle::State_Enabled;
    if (hasFocus())
        common |= QStyle::State_Active;
    if (selectionModel() && selectionModel()->isSelected(index))
        common |= QStyle::State_Selected;
    const QAbstractItemModel* itemModel = model();
    const auto hasMoreSiblings = [itemModel](const QModelIndex& at) {
        return itemModel->rowCount(at.parent()) - 1 > at.row();
    };

    QRect piece(rect.right() + 1 - indent, rect.top(), indent, rect.height());
    if (piece.left() <= visible.right() && piece.right() >= visible.left()) {
        option.rect = piece;
        option.state = common | QStyle::State_Item;
        if (hasMoreSiblings(index))
            option.state |= QStyle::State_Sibling;
        if (itemModel->hasChildren(index))
            option.state |= QStyle::State_Children;
        if (isExpanded(index))
            option.state |= QStyle::State_Open;
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
    }
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        piece.translate(-indent, 0);
        if (piece.right() < visible.left())
            break;
        if (piece.left() > visible.right())
            continue;
        option.rect = piece;
        option.state = common;
        if (hasMoreSiblings(ancestor))
            option.state |= QStyle::State_Sibling;
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
    }
}

void CStructureTreeCtrl::onCurrentItemChanged(QTreeWidgetItem* previous)
{
    if (m_bRestoringSelection)
        return;
    // Items going away take the selection with them: the commands that remove them have asked
    // what they need to ask already.
    if (!m_bRemovingItems && previous && !settleEdits()) {
        // The edits stay, and so does the record they belong to (the form's, which the
        // selection left). The view finishes the click or key that moved the selection first.
        const std::uint32_t edited = m_pDoc ? RecordEditsQuestion::editedRecord(*m_pDoc) : 0;
        const std::uint32_t id = edited != 0 ? edited : recordIdOf(previous);
        QMetaObject::invokeMethod(
            this, [this, id] { restoreSelection(id); }, Qt::QueuedConnection);
        return;
    }
    NotifySelection();
}

void CStructureTreeCtrl::restoreSelection(std::uint32_t id)
{
    const TreeRecord* record = m_pDoc ? m_pDoc->FindRecord(id) : nullptr;
    QTreeWidgetItem* item = record ? itemOf(record->treeItem) : nullptr;
    if (!item || item == currentItem())
        return;
    m_bRestoringSelection = true;
    setCurrentItem(item);
    m_bRestoringSelection = false;
}

bool CStructureTreeCtrl::NotifySelection()
{
    if (!m_bNotifySelection || !m_pDoc)
        return false;
    QTreeWidgetItem* item = currentItem();
    if (!item)
        return false;
    const TreeRecord* record = m_pDoc->FindRecord(recordIdOf(item));
    if (!record)
        return false;
    if (record->isFolder() && item->childCount() == 0)
        setImage(item, ClosedSection);
    m_pDoc->currentId = record->recordId;
    m_pDoc->UpdateAllViews(m_pView, UpdateHint::Refresh, nullptr);
    return true;
}

int CStructureTreeCtrl::PromptSaveRecord()
{
    if (!m_pDoc)
        return 0;
    const RecordEditsQuestion::Answer answer = RecordEditsQuestion::ask(*m_pDoc, m_prompts, this);
    if (answer == RecordEditsQuestion::Answer::NotAsked)
        return 0;
    setFocus();
    switch (answer) {
    case RecordEditsQuestion::Answer::Applied:
        return QMessageBox::Yes;
    case RecordEditsQuestion::Answer::Discarded:
        return QMessageBox::No;
    default:
        return QMessageBox::Cancel;
    }
}

bool CStructureTreeCtrl::settleEdits()
{
    const int answer = PromptSaveRecord();
    constexpr int kIdCancel = 2;
    return answer != kIdCancel && answer != int(QMessageBox::Cancel);
}

bool CStructureTreeCtrl::event(QEvent* event)
{
    // Tab belongs to the tree (it hands the focus to the form), not to the focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            keyPressEvent(key);
            return true;
        }
    }
    // The clipboard keys belong to the tree before any shortcut of the window.
    if (event->type() == QEvent::ShortcutOverride &&
        clipboardKeyOf(*static_cast<QKeyEvent*>(event)) != ClipboardKey::None) {
        event->accept();
        return true;
    }
    return QTreeWidget::event(event);
}

void CStructureTreeCtrl::keyPressEvent(QKeyEvent* event)
{
    if (m_bDragging && event->key() == Qt::Key_Escape) {
        cancelRightDrag();
        event->accept();
        return;
    }
    if (handleClipboardKey(event))
        return;
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit formFocusRequested();
        event->accept();
        return;
    }
    if (key == Qt::Key_Delete) {
        deleteCurrent();
        event->accept();
        return;
    }
    if (key == Qt::Key_Asterisk && currentItem()) {
        // The view's own "*" opens every level below; the rest of its key handling (the
        // keyboard search) stays.
        expandSubtree(currentItem(), -1);
        QAbstractItemView::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        if (QTreeWidgetItem* item = currentItem()) {
            const QRect rect = visualItemRect(item);
            ShowContextMenu(item, viewport()->mapToGlobal(rect.bottomLeft()));
        }
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CStructureTreeCtrl::mousePressEvent(QMouseEvent* event)
{
    // Other buttons do nothing while a right-button drag runs.
    if (m_bDragging) {
        event->accept();
        return;
    }
    if (event->button() != Qt::RightButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    // The right button selects what it hits; the menu comes with the release, unless the mouse
    // moves on with the button held, which drags the item instead.
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* item = itemUnder(pos);
    if (item && item != currentItem()) {
        // Kept on the record being edited, the press opens no menu and starts no drag: both
        // would be about the item pressed.
        if (!settleEdits()) {
            event->accept();
            return;
        }
        setCurrentItem(item);
    }
    m_rightPressed = true;
    m_rightPressPos = pos;
    m_rightPressItem = item ? QPersistentModelIndex(indexFromItem(item)) : QPersistentModelIndex();
    event->accept();
}

void CStructureTreeCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const bool rightHeld = event->buttons().testFlag(Qt::RightButton);
    if (m_bDragging) {
        // A release that never came here (the mouse taken by another window) ends the drag.
        if (rightHeld)
            trackRightDrag(event->globalPosition().toPoint());
        else
            cancelRightDrag();
        event->accept();
        return;
    }
    if (m_rightPressed) {
        if (!rightHeld) {
            m_rightPressed = false;
        } else {
            const QPoint pos = event->position().toPoint();
            QTreeWidgetItem* item = itemFromIndex(m_rightPressItem);
            if (item &&
                (pos - m_rightPressPos).manhattanLength() >= QApplication::startDragDistance()) {
                m_rightPressed = false;
                beginRightDrag(item, event->globalPosition().toPoint());
                trackRightDrag(event->globalPosition().toPoint());
            }
            event->accept();
            return;
        }
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CStructureTreeCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        if (!m_bDragging)
            QTreeWidget::mouseReleaseEvent(event);
        event->accept();
        return;
    }
    event->accept();
    const QPoint globalPos = event->globalPosition().toPoint();
    if (m_bDragging) {
        finishRightDrag(globalPos);
        return;
    }
    if (!std::exchange(m_rightPressed, false))
        return;
    // A click: the menu for what is under the mouse now, while it is still over the items.
    const QPoint pos = event->position().toPoint();
    if (viewport()->rect().contains(pos))
        ShowContextMenu(itemUnder(pos), globalPos);
}

void CStructureTreeCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // The menu key arrives as a key press too and is handled there; the mouse's menu opens on
    // the release of the right button.
    if (event->reason() != QContextMenuEvent::Other)
        return;
    ShowContextMenu(itemUnder(event->pos()), event->globalPos());
}

void CStructureTreeCtrl::ShowContextMenu(QTreeWidgetItem* hItem, const QPoint& globalPos)
{
    if (!m_pDoc)
        return;
    const TreeRecord* record = hItem ? m_pDoc->FindRecord(recordIdOf(hItem)) : nullptr;
    if (hItem && !record)
        return;

    QMenu menu(this);
    auto add = [&menu](const QString& text, int command) {
        menu.addAction(text)->setData(command);
    };
    if (hItem) {
        add(QStringLiteral("Создать раздел в текущем разделе"), CmdFolderInCurrent);
        add(QStringLiteral("Создать запись в текущем разделе"), CmdItemInCurrent);
    }
    if (!hItem || !hItem->parent()) {
        add(QStringLiteral("Создать раздел в корневом разделе"), CmdFolderAtRoot);
        add(QStringLiteral("Создать запись в корневом разделе"), CmdItemAtRoot);
    }
    if (hItem)
        add(record->isFolder() ? QStringLiteral("Удалить раздел")
                               : QStringLiteral("Удалить запись"),
            CmdDelete);
    menu.addSeparator();
    add(QStringLiteral("Поиск"), CmdSearch);
    menu.addSeparator();
    add(QStringLiteral("Отмена"), CmdCancel);

    QAction* chosen = m_prompts.popupMenu(menu, globalPos);
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case CmdDelete:
        deleteCurrent();
        break;
    case CmdSearch:
        runSearch();
        break;
    case CmdFolderInCurrent:
    case CmdFolderAtRoot:
    case CmdItemInCurrent:
    case CmdItemAtRoot:
        createNode(chosen->data().toInt(), hItem);
        break;
    default:
        break;
    }
}

void CStructureTreeCtrl::deleteCurrent()
{
    QTreeWidgetItem* item = currentItem();
    if (!item || !m_pDoc)
        return;
    const std::uint32_t id = recordIdOf(item);
    const TreeRecord* record = m_pDoc->FindRecord(id);
    const bool folder = record && record->isFolder();
    const QMessageBox::StandardButton answer = m_prompts.message(
        this, QMessageBox::Question,
        folder ? QStringLiteral("Удалить раздел?") : QStringLiteral("Удалить запись?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    setFocus();
    if (answer != QMessageBox::Yes)
        return;
    deleteWithDescendants(item);
    m_pDoc->DeleteRecord(id);
    markEdited();
    if (!NotifySelection()) {
        // The last record has gone: the form and the preview let go of it.
        m_pDoc->currentId = 0;
        m_pDoc->UpdateAllViews(m_pView, UpdateHint::Refresh, nullptr);
    }
}

void CStructureTreeCtrl::runSearch()
{
    // The dialog shows the wait cursor while it builds its lists; over the open dialog it
    // would only mislead.
    if (m_searchRunner)
        m_searchRunner(*m_pDoc);
    if (m_pDoc->jumpToId == 0)
        return;
    // The chosen record may have gone since the search ran.
    const TreeRecord* record = m_pDoc->FindRecord(m_pDoc->jumpToId);
    QTreeWidgetItem* item = record ? itemOf(record->treeItem) : nullptr;
    if (!item || (item != currentItem() && !settleEdits()))
        return;
    setCurrentItem(item);
    NotifySelection();
    setFocus();
}

void CStructureTreeCtrl::createNode(int command, QTreeWidgetItem* hItem)
{
    // The new node takes the selection: the form's edits are settled first.
    if (!settleEdits())
        return;
    const bool folder = command == CmdFolderInCurrent || command == CmdFolderAtRoot;
    QTreeWidgetItem* target = nullptr;
    if (command == CmdFolderInCurrent || command == CmdItemInCurrent) {
        const TreeRecord* current = m_pDoc->FindRecord(recordIdOf(hItem));
        if (current && current->isFolder())
            target = hItem;
        else if (hItem)
            target = hItem->parent();
    }
    const std::uint32_t id =
        m_pDoc->CreateRecord(folder ? RecordKind::Folder : RecordKind::Item, recordIdOf(target));
    TreeRecord* record = id != 0 ? m_pDoc->FindRecord(id) : nullptr;
    if (!record)
        return;
    QTreeWidgetItem* item =
        newItem(DocumentText::toQString(record->name), folder ? ClosedSection : RecordImage, id);
    record->treeItem = handleOf(item);
    record->parentTreeItem = target ? handleOf(target) : kTreeRootHandle;

    if (target) {
        setUpdatesEnabled(false);
        m_bNotifySelection = false;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        target->setExpanded(true);
        target->addChild(item);
        setCurrentItem(item);
        QGuiApplication::restoreOverrideCursor();
        m_bNotifySelection = true;
        setUpdatesEnabled(true);
    } else {
        addTopLevelItem(item);
        setCurrentItem(item);
    }
    markEdited();
    NotifySelection();
}

QTreeWidgetItem* CStructureTreeCtrl::mirrorRecords(const std::vector<std::uint32_t>& ids,
                                                   const ItemLook& look,
                                                   std::vector<QTreeWidgetItem*>& folders)
{
    // Built detached and handed to the view in one piece; each record's parent is the top or
    // was made before it (the ids are in list order).
    std::unordered_map<std::uint32_t, QTreeWidgetItem*> made;
    made.reserve(ids.size());
    QTreeWidgetItem* top = nullptr;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        TreeRecord* record = m_pDoc->FindRecord(ids[i]);
        if (!record)
            continue;
        const auto [text, image] = look(i, *record);
        QTreeWidgetItem* item = newItem(text, image < 0 ? RecordImage : image, record->recordId);
        record->treeItem = handleOf(item);
        if (!top) {
            top = item;
        } else {
            const auto parent = made.find(record->parentId);
            QTreeWidgetItem* parentItem = parent != made.end() ? parent->second : top;
            parentItem->addChild(item);
            record->parentTreeItem = handleOf(parentItem);
        }
        made.emplace(record->recordId, item);
        if (record->isFolder())
            folders.push_back(item);
    }
    return top;
}

QTreeWidgetItem* CStructureTreeCtrl::CopySubtree(QTreeWidgetItem* hSource, QTreeWidgetItem* hTarget,
                                                 int nCommand)
{
    if (!hSource || !m_pDoc || (nCommand != CmdCopy && nCommand != CmdMove))
        return nullptr;
    // The copy takes the selection, and the source may be the record being edited: the form's
    // edits are settled first.
    if (!settleEdits())
        return nullptr;
    const std::uint32_t sourceId = recordIdOf(hSource);
    const std::uint32_t targetId = recordIdOf(hTarget);
    const TreeRecord* targetRecord = hTarget ? m_pDoc->FindRecord(targetId) : nullptr;
    if (hTarget && !targetRecord)
        return nullptr;
    const bool targetIsFolder = targetRecord && targetRecord->isFolder();
    QTreeWidgetItem* oldParent = hSource->parent();
    const QString sourceText = hSource->text(0);

    // Copies show what their source items show (a label may carry the form's unapplied edits),
    // found by record id rather than through the records' handles, which a document changed
    // behind the tree's back could leave stale.
    const std::vector<std::uint32_t> sourceIds = m_pDoc->SubtreeIds(sourceId);
    std::unordered_map<std::uint32_t, QTreeWidgetItem*> sourceItems;
    for (std::vector<QTreeWidgetItem*> pending{hSource}; !pending.empty();) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        sourceItems.emplace(recordIdOf(item), item);
        for (int i = 0; i < item->childCount(); ++i)
            pending.push_back(item->child(i));
    }

    // The document refuses a target inside the source's own subtree: a node would chase its
    // own copies for ever, and a move would then delete the copy with the source.
    const std::vector<std::uint32_t> ids = nCommand == CmdMove
                                               ? m_pDoc->MoveSubtree(sourceId, targetId)
                                               : m_pDoc->CopySubtree(sourceId, targetId);
    if (ids.empty())
        return nullptr;

    QTreeWidgetItem* parentItem = nullptr;
    int row = -1; // -1: last
    if (targetIsFolder) {
        parentItem = hTarget;
        if (hTarget == oldParent)
            row = 0;
    } else if (hTarget) {
        parentItem = hTarget->parent();
        row = (parentItem ? parentItem->indexOfChild(hTarget) : indexOfTopLevelItem(hTarget)) + 1;
    }
    if (hTarget)
        hTarget->setExpanded(true);

    std::vector<QTreeWidgetItem*> newFolders;
    QTreeWidgetItem* top = mirrorRecords(
        ids,
        [&](std::size_t i, const TreeRecord& record) -> std::pair<QString, int> {
            if (i == 0)
                return {sourceText, imageOf(hSource)};
            const auto found =
                i < sourceIds.size() ? sourceItems.find(sourceIds[i]) : sourceItems.end();
            if (found != sourceItems.end())
                return {found->second->text(0), imageOf(found->second)};
            return {ItemLabel(record), record.isFolder() ? ClosedSection : RecordImage};
        },
        newFolders);
    if (!top)
        return nullptr;
    if (parentItem)
        parentItem->insertChild(row < 0 ? parentItem->childCount() : row, top);
    else
        insertTopLevelItem(row < 0 ? topLevelItemCount() : row, top);
    if (TreeRecord* record = m_pDoc->FindRecord(ids.front()))
        record->parentTreeItem = parentItem ? handleOf(parentItem) : kTreeRootHandle;

    if (nCommand == CmdMove)
        deleteWithDescendants(hSource);
    m_pDoc->SetModifiedMark(true);
    setCurrentItem(top);
    NotifySelection();
    if (oldParent && oldParent->childCount() == 0)
        setImage(oldParent, ClosedSection);
    for (QTreeWidgetItem* folder : newFolders) {
        if (folder->childCount() > 0) {
            // New items start closed; asking the view to close one costs a search of its rows.
            if (folder->isExpanded())
                folder->setExpanded(false);
            setImage(folder, ClosedSection);
        }
    }
    emit documentEdited();
    return top;
}

void CStructureTreeCtrl::markEdited()
{
    m_pDoc->SetModifiedMark(true);
    emit documentEdited();
}

// --- drag and drop, clipboard ------------------------------------------------------------

namespace {

// The drag image sits this far below and right of the mouse.
constexpr QPoint kDragImageOffset(15, 15);
// A drag image never grows wider than this; a longer label is cut short.
constexpr int kMaxDragImageWidth = 480;

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

void CStructureTreeCtrl::setDocumentRegistry(DocumentRegistry* registry)
{
    m_docEntry = {};
    m_registry = registry;
    if (m_registry && m_pDoc)
        m_docEntry = m_registry->add(*m_pDoc);
}

QTreeWidgetItem* CStructureTreeCtrl::itemUnder(const QPoint& viewportPos) const
{
    // Below the viewport's edge the view would name rows scrolled out of sight.
    return viewport()->rect().contains(viewportPos) ? itemAt(viewportPos) : nullptr;
}

QTreeWidgetItem* CStructureTreeCtrl::dropHighlight() const
{
    return itemFromIndex(m_dropHilite);
}

QWidget* CStructureTreeCtrl::dragImage() const
{
    return m_pDragImage;
}

void CStructureTreeCtrl::setDropHighlight(QTreeWidgetItem* item)
{
    const QModelIndex index = item ? indexFromItem(item) : QModelIndex();
    if (index == QModelIndex(m_dropHilite))
        return;
    m_dropHilite = index;
    selectionModel()->select(index.isValid() ? index : currentIndex(),
                             QItemSelectionModel::ClearAndSelect);
}

QPixmap CStructureTreeCtrl::dragPixmap(const QTreeWidgetItem* item) const
{
    const QFontMetrics metrics(font());
    const int iconSide = iconSize().height();
    const int textWidth = kMaxDragImageWidth - iconSide - 8;
    const QString text = metrics.elidedText(item->text(0), Qt::ElideRight, textWidth);
    const QSize size(iconSide + 8 + metrics.horizontalAdvance(text),
                     std::max(iconSide, metrics.height()) + 4);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(palette().color(QPalette::Base));
    QPainter painter(&pixmap);
    item->icon(0).paint(&painter, QRect(2, (size.height() - iconSide) / 2, iconSide, iconSide));
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    painter.drawText(QRect(iconSide + 6, 0, size.width() - iconSide - 6, size.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    return pixmap;
}

void CStructureTreeCtrl::beginRightDrag(QTreeWidgetItem* item, const QPoint& globalPos)
{
    m_hDropItem = QPersistentModelIndex();
    m_hDragItem = indexFromItem(item);
    // The image follows the mouse over the whole screen, so it is a window of its own that
    // never takes the mouse or the focus.
    m_pDragImage =
        new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                             Qt::WindowDoesNotAcceptFocus);
    m_pDragImage->setAttribute(Qt::WA_ShowWithoutActivating);
    m_pDragImage->setPixmap(dragPixmap(item));
    m_pDragImage->setWindowOpacity(0.8);
    m_pDragImage->adjustSize();
    m_pDragImage->move(globalPos + kDragImageOffset);
    m_pDragImage->show();
    // No tooltips while dragging.
    QToolTip::hideText();
    m_bDragging = true;
    m_dragPos = globalPos;
}

void CStructureTreeCtrl::trackRightDrag(const QPoint& globalPos)
{
    if (m_pDragImage)
        m_pDragImage->move(globalPos + kDragImageOffset);
    // Over no item nothing is highlighted either: what is highlighted is the target.
    QTreeWidgetItem* item = itemUnder(viewport()->mapFromGlobal(globalPos));
    m_hDropItem = item ? QPersistentModelIndex(indexFromItem(item)) : QPersistentModelIndex();
    setDropHighlight(item);
    m_dragPos = globalPos;
    m_dragScroller->track(globalPos);
}

void CStructureTreeCtrl::endRightDrag()
{
    m_bDragging = false;
    m_rightPressed = false;
    m_dragScroller->stop();
    delete m_pDragImage;
    m_pDragImage = nullptr;
}

void CStructureTreeCtrl::cancelRightDrag()
{
    if (!m_bDragging)
        return;
    endRightDrag();
    setDropHighlight(nullptr);
    m_hDragItem = QPersistentModelIndex();
    m_hDropItem = QPersistentModelIndex();
}

void CStructureTreeCtrl::finishRightDrag(const QPoint& globalPos)
{
    endRightDrag();
    QTreeWidgetItem* hDrag = itemFromIndex(m_hDragItem);
    QTreeWidgetItem* hDrop = itemFromIndex(m_hDropItem);
    m_hDragItem = QPersistentModelIndex();
    m_hDropItem = QPersistentModelIndex();
    // No menu for a drop onto the item itself, outside the tree or into the item's own subtree.
    if (!hDrag || hDrop == hDrag || !rect().contains(mapFromGlobal(globalPos)) ||
        liesBelow(hDrop, hDrag)) {
        setDropHighlight(nullptr);
        return;
    }

    QMenu menu(this);
    auto add = [&menu](const QString& text, int command) {
        menu.addAction(text)->setData(command);
    };
    add(QStringLiteral("Переместить в выделенный раздел"), CmdMove);
    add(QStringLiteral("Скопировать в выделенный раздел"), CmdCopy);
    if (!hDrop || !hDrop->parent()) {
        add(QStringLiteral("Переместить в корневой раздел"), CmdMoveToRoot);
        add(QStringLiteral("Скопировать в корневой раздел"), CmdCopyToRoot);
    }
    menu.addSeparator();
    add(QStringLiteral("Отмена"), CmdCancel);
    // The target stays highlighted while the menu is up.
    const QPersistentModelIndex dragIndex(indexFromItem(hDrag));
    const QPersistentModelIndex dropIndex(hDrop ? indexFromItem(hDrop) : QModelIndex());
    QAction* chosen = m_prompts.popupMenu(menu, globalPos);
    setDropHighlight(nullptr);
    if (!chosen)
        return;
    const int command = chosen->data().toInt();
    if (command != CmdMove && command != CmdCopy && command != CmdMoveToRoot &&
        command != CmdCopyToRoot)
        return;
    const bool toRoot = command == CmdMoveToRoot || command == CmdCopyToRoot;
    const int nCommand = command == CmdMove || command == CmdMoveToRoot ? CmdMove : CmdCopy;
    if (!settleEdits())
        return;
    // The items may have gone while the menu and the question were up.
    hDrag = itemFromIndex(dragIndex);
    hDrop = itemFromIndex(dropIndex);
    if (!hDrag || (!toRoot && dropIndex.isValid() && !hDrop))
        return;
    dropInTree(hDrag, toRoot ? nullptr : hDrop, nCommand);
}

void CStructureTreeCtrl::dropInTree(QTreeWidgetItem* hDrag, QTreeWidgetItem* hTarget, int nCommand)
{
    // One redraw and one published selection for the whole copy.
    setUpdatesEnabled(false);
    m_bNotifySelection = false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    CopySubtree(hDrag, hTarget, nCommand);
    QGuiApplication::restoreOverrideCursor();
    m_bNotifySelection = true;
    setUpdatesEnabled(true);
    NotifySelection();
}

bool CStructureTreeCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip &&
        (m_bDragging || showLabelTip(*static_cast<QHelpEvent*>(event))))
        return true;
    return QTreeWidget::viewportEvent(event);
}

void CStructureTreeCtrl::hideEvent(QHideEvent* event)
{
    cancelRightDrag();
    QTreeWidget::hideEvent(event);
}

// --- left-button drags between documents ---------------------------------------------------

QMimeData* CStructureTreeCtrl::CreateDocRefData() const
{
    if (m_docEntry.reference().empty())
        return nullptr;
    auto* data = new QMimeData;
    const std::string& reference = m_docEntry.reference();
    data->setData(kDocRefFormat, QByteArray(reference.data(), qsizetype(reference.size())));
    return data;
}

CZETbrowserDoc* CStructureTreeCtrl::DocumentOf(const QMimeData* data) const
{
    if (!m_registry || !data || !data->hasFormat(kDocRefFormat))
        return nullptr;
    const QByteArray bytes = data->data(kDocRefFormat);
    return m_registry->resolve(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void CStructureTreeCtrl::startDrag(Qt::DropActions)
{
    QTreeWidgetItem* item = currentItem();
    QMimeData* data = item ? CreateDocRefData() : nullptr;
    if (!data)
        return;
    // The drag names the document; a drop copies its current record, the one just pressed.
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(dragPixmap(item));
    drag->setHotSpot(-kDragImageOffset);
    // Whatever the target reports, the source stays as it is.
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
}

void CStructureTreeCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void CStructureTreeCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    // Inside one document the right-button drag serves; a reference that names no open
    // document of this program is refused as well.
    CZETbrowserDoc* source = DocumentOf(event->mimeData());
    if (!source || source == m_pDoc) {
        m_foreignDragOver = false;
        m_dragScroller->stop();
        setDropHighlight(nullptr);
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_foreignDragOver = true;
    trackForeignDrag(viewport()->mapToGlobal(event->position().toPoint()));
}

void CStructureTreeCtrl::trackForeignDrag(const QPoint& globalPos)
{
    QTreeWidgetItem* item = itemUnder(viewport()->mapFromGlobal(globalPos));
    setDropHighlight(item == currentItem() ? nullptr : item);
    m_dragPos = globalPos;
    m_dragScroller->track(globalPos);
}

void CStructureTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_foreignDragOver = false;
    m_dragScroller->stop();
    setDropHighlight(nullptr);
    event->accept();
}

void CStructureTreeCtrl::dropEvent(QDropEvent* event)
{
    m_foreignDragOver = false;
    m_dragScroller->stop();
    setDropHighlight(nullptr);
    CZETbrowserDoc* source = DocumentOf(event->mimeData());
    if (!source || source == m_pDoc) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The paste may ask about the form's edits: it runs once the drag has ended, if the source
    // is still open then.
    const QByteArray reference = event->mimeData()->data(kDocRefFormat);
    const QPoint globalPos = viewport()->mapToGlobal(event->position().toPoint());
    QMetaObject::invokeMethod(
        this,
        [this, reference, globalPos] {
            QMimeData data;
            data.setData(kDocRefFormat, reference);
            CZETbrowserDoc* doc = DocumentOf(&data);
            if (doc && doc != m_pDoc)
                pasteForeignAt(*doc, globalPos);
        },
        Qt::QueuedConnection);
}

// --- clipboard -------------------------------------------------------------------------------

bool CStructureTreeCtrl::handleClipboardKey(QKeyEvent* event)
{
    switch (clipboardKeyOf(*event)) {
    case ClipboardKey::Copy:
        CopyDocRef();
        break;
    case ClipboardKey::Paste:
        PasteDocRef();
        break;
    case ClipboardKey::None:
        return false;
    }
    event->accept();
    return true;
}

void CStructureTreeCtrl::CopyDocRef()
{
    if (!currentItem())
        return;
    // The reference alone replaces what the clipboard held. Keeping that would mean reading it
    // now, from a program that may answer slowly or never, and copying what may be huge.
    if (QMimeData* data = CreateDocRefData())
        QGuiApplication::clipboard()->setMimeData(data);
}

void CStructureTreeCtrl::PasteDocRef()
{
    // Pasting into the document copied from duplicates its current record.
    if (CZETbrowserDoc* source = DocumentOf(QGuiApplication::clipboard()->mimeData()))
        PasteForeignRecord(*source);
}

void CStructureTreeCtrl::PasteForeignRecord(CZETbrowserDoc& source)
{
    pasteForeignAt(source, QCursor::pos());
}

void CStructureTreeCtrl::pasteForeignAt(CZETbrowserDoc& source, const QPoint& globalPos)
{
    if (!m_pDoc || !rect().contains(mapFromGlobal(globalPos)))
        return;
    const std::uint32_t sourceId = source.currentId;
    QTreeWidgetItem* h = itemUnder(viewport()->mapFromGlobal(globalPos));
    std::uint32_t parentId = 0;
    if (h) {
        const TreeRecord* record = m_pDoc->FindRecord(recordIdOf(h));
        if (!record)
            return;
        if (record->isFolder())
            parentId = record->recordId;
        else if (record->parentId != 0)
            parentId = recordIdOf(h->parent());
    }
    if (!source.FindRecord(sourceId))
        return;
    // The copy takes the selection: the form's edits are settled first, and Cancel pastes
    // nothing. Yes may have stored the very record to be copied.
    if (!settleEdits())
        return;
    const TreeRecord* sourceRecord = source.FindRecord(sourceId);
    const TreeRecord* parentRecord = parentId != 0 ? m_pDoc->FindRecord(parentId) : nullptr;
    QTreeWidgetItem* parent = parentRecord ? itemOf(parentRecord->treeItem) : nullptr;
    if (!sourceRecord || (parentId != 0 && !parent))
        return;
    setUpdatesEnabled(false);
    m_bNotifySelection = false;
    QTreeWidgetItem* item = InsertForeignSubtree(parent, *sourceRecord, source);
    if (item)
        setCurrentItem(item);
    m_bNotifySelection = true;
    setUpdatesEnabled(true);
    if (!item)
        return;
    NotifySelection();
    markEdited();
}

QTreeWidgetItem* CStructureTreeCtrl::InsertForeignSubtree(QTreeWidgetItem* hParent,
                                                          const TreeRecord& record,
                                                          CZETbrowserDoc& source)
{
    if (!m_pDoc)
        return nullptr;
    const std::vector<std::uint32_t> ids =
        m_pDoc->CopyForeignSubtree(source, record.recordId, recordIdOf(hParent));
    if (ids.empty())
        return nullptr;
    std::vector<QTreeWidgetItem*> folders;
    QTreeWidgetItem* top = mirrorRecords(
        ids,
        [](std::size_t, const TreeRecord& copy) -> std::pair<QString, int> {
            return {DocumentText::toQString(copy.name),
                    copy.isFolder() ? ClosedSection : RecordImage};
        },
        folders);
    if (!top)
        return nullptr;
    if (hParent)
        hParent->addChild(top);
    else
        addTopLevelItem(top);
    if (TreeRecord* copy = m_pDoc->FindRecord(ids.front()))
        copy->parentTreeItem = hParent ? handleOf(hParent) : kTreeRootHandle;
    return top;
}
