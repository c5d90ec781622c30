#pragma once

#include "StructureTreeItem.h"
#include "TreeRecord.h"

#include <QIcon>
#include <QTreeWidget>

#include <array>
#include <functional>
#include <memory>
#include <utility>

class BranchPainter;
class BulkTreeEdit;
class CZETbrowserDoc;
class DeepExpansion;
class DocumentReferenceTransfer;
class DocumentHistory;
class DocumentRegistry;
class DragScroller;
class IDocumentView;
class QMimeData;
class RecordEditsQuestion;
class RightButtonDrag;
class SideFollower;
class StructureTreeCommands;
class StructureTreeMirror;
class UserPrompts;

// The document's sections and records as a tree, and the user's instrument on the structure.
// This class is the widget: its keys, its menu and the publishing of its selection. Its other
// jobs are parts of their own: the items as a mirror of the document (StructureTreeMirror), the
// structure commands (StructureTreeCommands), the right-button drag (RightButtonDrag), references
// to documents dragged or put on the clipboard (DocumentReferenceTransfer), opening deep sections
// (DeepExpansion), following the selection sideways (SideFollower) and the branch lines
// (BranchPainter).
class CStructureTreeCtrl : public QTreeWidget
{
    Q_OBJECT

public:
    // Indexes into the image list.
    enum Image { ClosedSection = 0, OpenSection = 1, RecordImage = 2 };
    // Context-menu commands; copy and move are also CopySubtree's commands.
    enum Command {
        CmdCancel = 1000,
        CmdCopy = 1001,
        CmdCopyToRoot = 1002,
        CmdMove = 1003,
        CmdMoveToRoot = 1004,
        CmdFolderInCurrent = 1005,
        CmdFolderAtRoot = 1006,
        CmdItemInCurrent = 1007,
        CmdItemAtRoot = 1008,
        CmdDelete = 1009,
        CmdSearch = 1010,
    };
    static constexpr int kRecordIdRole = StructureTreeItem::kRecordIdRole;
    static constexpr int kImageRole = StructureTreeItem::kImageRole;
    // The view lays out open sections recursively, one call per level, and overflowed the
    // 8 MB stack at about 27,000 open levels. Sections below this level never open, nor below
    // what a smaller stack allows (maxOpenDepth()).
    static constexpr int kMaxOpenDepth = 10000;
    // The MIME type of the reference to a document that drags and the clipboard carry.
    static const QString kDocRefFormat;

    // `view` is the sender of the selection updates (the owning tree view).
    CStructureTreeCtrl(CZETbrowserDoc* doc, IDocumentView* view, UserPrompts& prompts,
                       QWidget* parent = nullptr);
    ~CStructureTreeCtrl() override;

    void setImages(const std::array<QIcon, 3>& images);
    // The deepest level a section may open at: kMaxOpenDepth, or less on a smaller stack.
    int maxOpenDepth() const;
    // Runs the context search modally on the document (the view sets the real dialog);
    // afterwards the tree selects the record named by jumpToId.
    void setSearchRunner(std::function<void(CZETbrowserDoc&)> runner)
    {
        m_searchRunner = std::move(runner);
    }
    // The question about the input form's unapplied edits (the frame's); without one nothing is
    // asked.
    void setRecordEditsQuestion(RecordEditsQuestion* question) { m_editsQuestion = question; }
    // The document's undo history (the frame's), which every structure command goes through;
    // without one the tree keeps a history of its own. Only for a tree with a document.
    void setHistory(DocumentHistory* history) { m_history = history; }
    DocumentHistory& history();

    static TreeItemHandle handleOf(QTreeWidgetItem* item)
    {
        return reinterpret_cast<TreeItemHandle>(item);
    }
    static QTreeWidgetItem* itemOf(TreeItemHandle handle)
    {
        return handle == 0 || handle == kTreeRootHandle
                   ? nullptr
                   : reinterpret_cast<QTreeWidgetItem*>(handle);
    }
    static QString ItemLabel(const TreeRecord& record);
    // The label of a record with this name and synonym.
    static QString ItemLabel(const QString& name, const QString& synonym);
    static std::uint32_t recordIdOf(const QTreeWidgetItem* item)
    {
        return item ? item->data(0, kRecordIdRole).toUInt() : 0;
    }
    static int imageOf(const QTreeWidgetItem* item)
    {
        return item ? item->data(0, kImageRole).toInt() : -1;
    }

    // Filling and relabelling by update hint.
    void Rebuild();
    void Relabel(const TreeRecord& hint);
    // The hint's item gets `label`.
    void Relabel(const TreeRecord& hint, const QString& label);

    // --- the selection -------------------------------------------------------------------
    // Publishes the current item as the document's current record; false while publishing is
    // held (BulkTreeEdit) or nothing is selected.
    bool NotifySelection();
    // Publishing is not held.
    bool publishesSelection() const { return m_bNotifySelection; }
    // Selects the record `id` and shows it in the other panes, as a search's choice does: the
    // form's unapplied edits are asked about first when the selection moves. False when the
    // record has no item or the user kept the edits.
    bool selectRecord(std::uint32_t id);
    // Asks whether to apply the input form's unapplied edits: Yes applies, No drops them, Cancel
    // keeps them. Returns the answer (QMessageBox::Yes, No or Cancel; Cancel also when the form
    // could not apply), or 0 when nothing was asked.
    // Virtual so a test can stand in for the input form's answer.
    virtual int PromptSaveRecord();

    // --- commands ------------------------------------------------------------------------
    // "Отменить" and "Повторить": the form's edits are asked about first (Cancel stops, and
    // edits applied are the newest step then, which the next undo takes back); then the step,
    // and the record it concerns selected, scrolled into view and shown.
    void OnEditUndo();
    void OnEditRedo();
    // Selects and publishes the record `id`, or when it is not there the current item (the
    // first one when there is none; no selection in an empty book).
    void showRecord(std::uint32_t id);
    void ShowContextMenu(QTreeWidgetItem* hItem, const QPoint& globalPos);
    // Copies (CmdCopy) or moves (CmdMove) hSource with its subtree; hTarget null = top level.
    // Returns the new item, or null when nothing was done.
    QTreeWidgetItem* CopySubtree(QTreeWidgetItem* hSource, QTreeWidgetItem* hTarget, int nCommand);

    // --- drag and drop, clipboard -------------------------------------------------------
    // Lists the document in `registry`, the program's open documents, so drags and the
    // clipboard can name it and find the documents they name; null (the default) leaves the
    // tree without them.
    void setDocumentRegistry(DocumentRegistry* registry);
    // Puts a reference to this document on the clipboard, in place of what it held.
    void CopyDocRef();
    // Pastes the current record of the document the clipboard names, where the mouse is.
    void PasteDocRef();
    // Copies the current record of `source` with its subtree to the place under the mouse:
    // into the section there, beside the record there, or to the top level over empty space;
    // nothing while the mouse is not over the tree.
    void PasteForeignRecord(CZETbrowserDoc& source);
    // Copies `record` of `source` with its subtree as the last child of `hParent` (null: top
    // level), each item labelled with the bare name; the new item, or null.
    QTreeWidgetItem* InsertForeignSubtree(QTreeWidgetItem* hParent, const TreeRecord& record,
                                          CZETbrowserDoc& source);
    // A new drag payload naming this document; null without a registry.
    QMimeData* CreateDocRefData() const;
    // The live document of this program that `data` names, or null.
    CZETbrowserDoc* DocumentOf(const QMimeData* data) const;

    // A right-button drag is under way.
    bool isDragging() const;
    // The item shown as the drop target, or null.
    QTreeWidgetItem* dropHighlight() const;
    // The drag image's window while a right-button drag runs.
    QWidget* dragImage() const;

public slots:
    // The view's own versions of these open every level below the start; these stop at
    // maxOpenDepth() and walk the tree without recursion. A negative depth means every level.
    void expandAll();
    void expandRecursively(const QModelIndex& index, int depth = -1);
    void expandToDepth(int depth);

signals:
    // Tab or Enter: the input form should take the focus.
    void formFocusRequested();
    // A structural edit changed the document (and its modified mark).
    void documentEdited();

protected:
    // Sideways too: the selected item's label is brought into view however deep it is.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The parts reach the view's protected members and one another through the tree.
    friend class BranchPainter;
    friend class BulkTreeEdit;
    friend class DeepExpansion;
    friend class DocumentReferenceTransfer;
    friend class RightButtonDrag;
    friend class SideFollower;
    friend class StructureTreeCommands;

    // Asks about the form's unapplied edits before a command moves the selection; false when the
    // user cancelled, and the command then changes nothing.
    bool settleEdits();
    // Nothing left to select: the form and the preview let go of their record.
    void publishNoSelection();
    // The document is marked modified and the window told.
    void markEdited();
    void runSearch();
    // Publishes the new selection, after the form's edits are settled; Cancel goes back to the
    // record the form edits (`previous`).
    void onCurrentItemChanged(QTreeWidgetItem* previous);
    void restoreSelection(std::uint32_t id);
    // The drop highlight is shown as the selection, the current item keeping its place; null
    // gives the selection back to the current item.
    void setDropHighlight(QTreeWidgetItem* item);
    // The item under a point of the viewport that is really on it, or null.
    QTreeWidgetItem* itemUnder(const QPoint& viewportPos) const;
    static constexpr QPoint kDragImageOffset{15, 15};

    CZETbrowserDoc* m_pDoc = nullptr;
    IDocumentView* m_pView = nullptr;
    UserPrompts& m_prompts;
    std::function<void(CZETbrowserDoc&)> m_searchRunner;
    RecordEditsQuestion* m_editsQuestion = nullptr;
    DocumentHistory* m_history = nullptr;
    std::unique_ptr<DocumentHistory> m_ownHistory;
    bool m_bNotifySelection = true; // held by BulkTreeEdit
    bool m_bRestoringSelection = false;
    QPersistentModelIndex m_dropHilite;
    DragScroller* m_dragScroller = nullptr; // child object

    std::unique_ptr<StructureTreeMirror> m_mirror;
    std::unique_ptr<StructureTreeCommands> m_commands;
    std::unique_ptr<DeepExpansion> m_expansion;
    std::unique_ptr<SideFollower> m_follower;
    std::unique_ptr<RightButtonDrag> m_rightDrag;
    std::unique_ptr<DocumentReferenceTransfer> m_transfer;
};
