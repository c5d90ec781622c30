#include "CStructureTreeCtrl.h"

#include "BranchPainter.h"
#include "BulkTreeEdit.h"
#include "CZETbrowserDoc.h"
#include "ClipboardKeys.h"
#include "DeepExpansion.h"
#include "DocumentHistory.h"
#include "DocumentReferenceTransfer.h"
#include "DocumentText.h"
#include "DragScroller.h"
#include "RecordEditsQuestion.h"
#include "RecordLabel.h"
#include "RightButtonDrag.h"
#include "SideFollower.h"
#include "StructureTreeCommands.h"
#include "StructureTreeMirror.h"
#include "TreeLinesStyle.h"
#include "UserPrompts.h"
#include "WaitCursor.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// A drag image never grows wider than this; a longer label is cut short.

} // namespace

const QString CStructureTreeCtrl::kDocRefFormat = QStringLiteral("ZET_DOC_PTR");

CStructureTreeCtrl::CStructureTreeCtrl(CZETbrowserDoc* doc, IDocumentView* view,
                                       UserPrompts& prompts, QWidget* parent)
    : QTreeWidget(parent), m_pDoc(doc), m_pView(view), m_prompts(prompts),
      m_mirror(std::make_unique<StructureTreeMirror>(*this, doc)),
      m_commands(std::make_unique<StructureTreeCommands>(*this, *m_mirror)),
      m_expansion(std::make_unique<DeepExpansion>(*this)),
      m_follower(std::make_unique<SideFollower>(*this)),
      m_rightDrag(std::make_unique<RightButtonDrag>(*this)),
      m_transfer(std::make_unique<DocumentReferenceTransfer>(*this))
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
            if (m_rightDrag->isDragging())
                m_rightDrag->retrack();
            else
                m_transfer->retrack();
        });
    // Labels are never shortened: a deep item widens the column and the view scrolls sideways.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    auto* lines = new TreeLinesStyle;
    lines->setParent(this);
    setStyle(lines);

    const auto expanded = [this](QTreeWidgetItem* item, bool open) {
        // Every way of opening a section ends here; one too deep is closed again before the
        // view lays it out with the rest.
        if (open && !m_expansion->mayOpen(item)) {
            item->setExpanded(false);
            return;
        }
        m_mirror->showExpanded(item, open);
    };
    connect(this, &QTreeWidget::itemExpanded, this,
            [expanded](QTreeWidgetItem* item) { expanded(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [expanded](QTreeWidgetItem* item) { expanded(item, false); });
    connect(
        this, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem*, QTreeWidgetItem* previous) { onCurrentItemChanged(previous); });
}

CStructureTreeCtrl::~CStructureTreeCtrl()
{
    // Qt deletes item subtrees recursively; take them down here without that.
    m_bNotifySelection = false;
    m_mirror->clear();
}

void CStructureTreeCtrl::setImages(const std::array<QIcon, 3>& images)
{
    m_mirror->setPictures(images);
}

int CStructureTreeCtrl::maxOpenDepth() const
{
    return m_expansion->maxOpenDepth();
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

void CStructureTreeCtrl::Rebuild()
{
    m_mirror->rebuild();
    if (topLevelItemCount() > 0)
        setCurrentItem(topLevelItem(0));
}

void CStructureTreeCtrl::Relabel(const TreeRecord& hint)
{
    Relabel(hint, ItemLabel(hint));
}

void CStructureTreeCtrl::Relabel(const TreeRecord& hint, const QString& label)
{
    m_mirror->relabel(hint, label);
}

// --- the view's behaviour, handed to the parts ---------------------------------------------

void CStructureTreeCtrl::expandAll()
{
    m_expansion->expandAll();
}

void CStructureTreeCtrl::expandRecursively(const QModelIndex& index, int depth)
{
    if (depth >= -1)
        m_expansion->expandSubtree(itemFromIndex(index), depth);
}

void CStructureTreeCtrl::expandToDepth(int depth)
{
    collapseAll();
    m_expansion->expandToDepth(depth);
}

void CStructureTreeCtrl::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const QModelIndex shown = m_expansion->openAncestors(index);
    QTreeWidget::scrollTo(shown, hint);
    m_follower->follow(shown);
}

void CStructureTreeCtrl::drawBranches(QPainter* painter, const QRect& rect,
                                      const QModelIndex& index) const
{
    BranchPainter::paint(*this, *painter, rect, index);
}

void CStructureTreeCtrl::updateGeometries()
{
    QTreeWidget::updateGeometries();
    m_follower->scheduleColumnFit();
}

void CStructureTreeCtrl::scrollContentsBy(int dx, int dy)
{
    QTreeWidget::scrollContentsBy(dx, dy);
    if (dy != 0)
        m_follower->scheduleColumnFit();
}

bool CStructureTreeCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip &&
        (m_rightDrag->isDragging() || m_follower->showLabelTip(*static_cast<QHelpEvent*>(event))))
        return true;
    return QTreeWidget::viewportEvent(event);
}

void CStructureTreeCtrl::hideEvent(QHideEvent* event)
{
    m_rightDrag->cancel();
    QTreeWidget::hideEvent(event);
}

// --- the selection -------------------------------------------------------------------------

void CStructureTreeCtrl::onCurrentItemChanged(QTreeWidgetItem* previous)
{
    if (m_bRestoringSelection)
        return;
    // Items going away take the selection with them: the commands that remove them have asked
    // what they need to ask already.
    if (!m_mirror->isRemovingItems() && previous && !settleEdits()) {
        // The edits stay, and so does the record they belong to (the form's, which the
        // selection left). The view finishes the click or key that moved the selection first.
        const std::uint32_t edited = m_editsQuestion ? m_editsQuestion->editedRecord() : 0;
        const std::uint32_t id = edited != 0 ? edited : recordIdOf(previous);
        QMetaObject::invokeMethod(
            this, [this, id] { restoreSelection(id); }, Qt::QueuedConnection);
        return;
    }
    NotifySelection();
}

void CStructureTreeCtrl::restoreSelection(std::uint32_t id)
{
    QTreeWidgetItem* item = m_mirror->itemFor(id);
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
        m_mirror->setImage(item, ClosedSection);
    m_pDoc->currentId = record->recordId;
    m_pDoc->UpdateAllViews(m_pView, UpdateHint::Refresh, nullptr);
    return true;
}

void CStructureTreeCtrl::publishNoSelection()
{
    m_pDoc->currentId = 0;
    m_pDoc->UpdateAllViews(m_pView, UpdateHint::Refresh, nullptr);
}

int CStructureTreeCtrl::PromptSaveRecord()
{
    if (!m_editsQuestion)
        return 0;
    const RecordEditsQuestion::Answer answer = m_editsQuestion->ask(this);
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

void CStructureTreeCtrl::markEdited()
{
    // The history has marked the document.
    emit documentEdited();
}

DocumentHistory& CStructureTreeCtrl::history()
{
    if (m_history)
        return *m_history;
    if (!m_ownHistory)
        m_ownHistory = std::make_unique<DocumentHistory>(*m_pDoc);
    return *m_ownHistory;
}

void CStructureTreeCtrl::OnEditUndo()
{
    m_commands->historyStep(false);
}

void CStructureTreeCtrl::OnEditRedo()
{
    m_commands->historyStep(true);
}

void CStructureTreeCtrl::showRecord(std::uint32_t id)
{
    QTreeWidgetItem* item = id != 0 ? m_mirror->itemFor(id) : nullptr;
    // A removed ancestor of the selection takes the view's current item with it.
    if (!item)
        item = currentItem();
    if (!item && topLevelItemCount() > 0)
        item = topLevelItem(0);
    if (!item) {
        publishNoSelection();
        return;
    }
    {
        const BulkTreeEdit quiet(*this);
        setCurrentItem(item);
    }
    scrollToItem(item);
    NotifySelection();
}

// --- keys, mouse and menu ------------------------------------------------------------------

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
    if (m_rightDrag->isDragging() && event->key() == Qt::Key_Escape) {
        m_rightDrag->cancel();
        event->accept();
        return;
    }
    if (m_transfer->handleClipboardKey(*event)) {
        event->accept();
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit formFocusRequested();
        event->accept();
        return;
    }
    if (key == Qt::Key_Delete) {
        m_commands->deleteCurrent();
        event->accept();
        return;
    }
    if (key == Qt::Key_Asterisk && currentItem()) {
        // The view's own "*" opens every level below; the rest of its key handling (the
        // keyboard search) stays.
        m_expansion->expandSubtree(currentItem(), -1);
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
    if (!m_rightDrag->press(*event))
        QTreeWidget::mousePressEvent(event);
}

void CStructureTreeCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_rightDrag->move(*event))
        QTreeWidget::mouseMoveEvent(event);
}

void CStructureTreeCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_rightDrag->release(*event))
        return;
    QTreeWidget::mouseReleaseEvent(event);
    event->accept();
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
        m_commands->deleteCurrent();
        break;
    case CmdSearch:
        runSearch();
        break;
    case CmdFolderInCurrent:
    case CmdFolderAtRoot:
    case CmdItemInCurrent:
    case CmdItemAtRoot:
        m_commands->createNode(chosen->data().toInt(), hItem);
        break;
    default:
        break;
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
    if (selectRecord(m_pDoc->jumpToId))
        setFocus();
}

bool CStructureTreeCtrl::selectRecord(std::uint32_t id)
{
    QTreeWidgetItem* item = m_mirror->itemFor(id);
    if (!item || (item != currentItem() && !settleEdits()))
        return false;
    setCurrentItem(item);
    NotifySelection();
    return true;
}

QTreeWidgetItem* CStructureTreeCtrl::CopySubtree(QTreeWidgetItem* hSource, QTreeWidgetItem* hTarget,
                                                 int nCommand)
{
    return m_commands->CopySubtree(hSource, hTarget, nCommand);
}

// --- drag and drop, clipboard --------------------------------------------------------------

void CStructureTreeCtrl::setDocumentRegistry(DocumentRegistry* registry)
{
    m_transfer->setDocumentRegistry(registry);
}

void CStructureTreeCtrl::CopyDocRef()
{
    m_transfer->CopyDocRef();
}

void CStructureTreeCtrl::PasteDocRef()
{
    m_transfer->PasteDocRef();
}

void CStructureTreeCtrl::PasteForeignRecord(CZETbrowserDoc& source)
{
    m_transfer->PasteForeignRecord(source);
}

QTreeWidgetItem* CStructureTreeCtrl::InsertForeignSubtree(QTreeWidgetItem* hParent,
                                                          const TreeRecord& record,
                                                          CZETbrowserDoc& source)
{
    return m_commands->InsertForeignSubtree(hParent, record, source);
}

QMimeData* CStructureTreeCtrl::CreateDocRefData() const
{
    return m_transfer->CreateDocRefData();
}

CZETbrowserDoc* CStructureTreeCtrl::DocumentOf(const QMimeData* data) const
{
    return m_transfer->DocumentOf(data);
}

bool CStructureTreeCtrl::isDragging() const
{
    return m_rightDrag->isDragging();
}

QWidget* CStructureTreeCtrl::dragImage() const
{
    return m_rightDrag->dragImage();
}

void CStructureTreeCtrl::startDrag(Qt::DropActions)
{
    m_transfer->startDrag();
}

void CStructureTreeCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    m_transfer->dragMove(*event);
}

void CStructureTreeCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    m_transfer->dragMove(*event);
}

void CStructureTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_transfer->dragLeave();
    event->accept();
}

void CStructureTreeCtrl::dropEvent(QDropEvent* event)
{
    m_transfer->drop(*event);
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

void CStructureTreeCtrl::setDropHighlight(QTreeWidgetItem* item)
{
    const QModelIndex index = item ? indexFromItem(item) : QModelIndex();
    if (index == QModelIndex(m_dropHilite))
        return;
    m_dropHilite = index;
    selectionModel()->select(index.isValid() ? index : currentIndex(),
                             QItemSelectionModel::ClearAndSelect);
}
