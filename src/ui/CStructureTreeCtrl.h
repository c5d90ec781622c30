#pragma once

#include "DocumentRegistry.h"
#include "StructureTreeItem.h"
#include "TreeRecord.h"

#include <QIcon>
#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class CZETbrowserDoc;
class DragScroller;
class IDocumentView;
class QHelpEvent;
class QLabel;
class QMimeData;
class UserPrompts;

// The document's sections and records as a tree. Every item carries its record's id; every
// structural edit goes through the document's editing operations and keeps the items in step.
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

    void setImages(const std::array<QIcon, 3>& images) { m_images = images; }
    // The deepest level a section may open at: kMaxOpenDepth, or less on a smaller stack.
    int maxOpenDepth() const { return m_maxOpenDepth; }
    // Runs the context search modally on the document (the view sets the real dialog);
    // afterwards the tree selects the record named by jumpToId.
    void setSearchRunner(std::function<void(CZETbrowserDoc&)> runner)
    {
        m_searchRunner = std::move(runner);
    }

    static TreeItemHandle handleOf(QTreeWidgetItem* item);
    static QTreeWidgetItem* itemOf(TreeItemHandle handle);
    static QString ItemLabel(const TreeRecord& record);
    // The label of a record with this name and synonym.
    static QString ItemLabel(const QString& name, const QString& synonym);
    static std::uint32_t recordIdOf(const QTreeWidgetItem* item);
    static int imageOf(const QTreeWidgetItem* item);

    // Filling and relabelling by update hint.
    void Rebuild();
    void Relabel(const TreeRecord& hint);
    // The hint's item gets `label`.
    void Relabel(const TreeRecord& hint, const QString& label);

    bool NotifySelection();
    // Asks whether to apply the input form's unapplied edits: Yes applies, No drops them, Cancel
    // keeps them. Returns the answer (QMessageBox::Yes, No or Cancel; Cancel also when the form
    // could not apply), or 0 when nothing was asked.
    // Virtual so a test can stand in for the input form's answer.
    virtual int PromptSaveRecord();
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
    bool isDragging() const { return m_bDragging; }
    // The item shown as the drop target, or null.
    QTreeWidgetItem* dropHighlight() const;
    // The drag image's window while a right-button drag runs.
    QWidget* dragImage() const;

    bool m_bNotifySelection = true;

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
    void setImage(QTreeWidgetItem* item, int image);
    QTreeWidgetItem* newItem(const QString& text, int image, std::uint32_t recordId) const;
    void deleteWithDescendants(QTreeWidgetItem* item);
    void clearItems();
    static void destroyDetached(const QList<QTreeWidgetItem*>& roots);
    void deleteCurrent();
    void createNode(int command, QTreeWidgetItem* hItem);
    // Text and image of the item for the i-th of the records a structure command made.
    using ItemLook = std::function<std::pair<QString, int>(std::size_t, const TreeRecord&)>;
    // Makes the items of the records a structure command made (ids in list order, as the
    // document returns them), each under its parent's, and stores their handles in the records.
    // Returns the top one, detached, for the caller to place; the items of Folders go to
    // `folders`.
    QTreeWidgetItem* mirrorRecords(const std::vector<std::uint32_t>& ids, const ItemLook& look,
                                   std::vector<QTreeWidgetItem*>& folders);
    void runSearch();
    void onItemExpanded(QTreeWidgetItem* item, bool expanded);
    // Opens `root` and the sections below it down to `levels` levels under it (negative: all),
    // at most down to maxOpenDepth().
    void expandSubtree(QTreeWidgetItem* root, int levels);
    // Publishes the new selection, after the form's edits are settled; Cancel goes back to the
    // record the form edits (`previous`).
    void onCurrentItemChanged(QTreeWidgetItem* previous);
    void restoreSelection(std::uint32_t id);
    // Asks about the form's unapplied edits before a command moves the selection; false when the
    // user cancelled, and the command then changes nothing.
    bool settleEdits();
    void markEdited();
    // The column is as wide as the rows about the visible ones need, labels in full (at least
    // as wide as the view); done once the current layout pass is over.
    void scheduleColumnFit();
    void fitColumn();
    void showHorizontally(const QModelIndex& index);
    // The width the item's picture and whole label take.
    int labelWidth(const QModelIndex& index) const;
    // Shows the tooltip of the item under the mouse; false when there is none to show.
    bool showLabelTip(const QHelpEvent& help);

    // Right-button drag: started once the mouse has moved far enough with the button held on
    // an item, ended by the release (with the drop menu) or by Escape.
    void beginRightDrag(QTreeWidgetItem* item, const QPoint& globalPos);
    void trackRightDrag(const QPoint& globalPos);
    void finishRightDrag(const QPoint& globalPos);
    void cancelRightDrag();
    void endRightDrag();
    void dropInTree(QTreeWidgetItem* hDrag, QTreeWidgetItem* hTarget, int nCommand);
    // The drop highlight is shown as the selection, the current item keeping its place; null
    // gives the selection back to the current item.
    void setDropHighlight(QTreeWidgetItem* item);
    // The item under a point of the viewport that is really on it, or null.
    QTreeWidgetItem* itemUnder(const QPoint& viewportPos) const;
    // The drop target under the mouse of a drag into this tree from another document.
    void trackForeignDrag(const QPoint& globalPos);
    QPixmap dragPixmap(const QTreeWidgetItem* item) const;
    bool handleClipboardKey(QKeyEvent* event);
    void pasteForeignAt(CZETbrowserDoc& source, const QPoint& globalPos);

    CZETbrowserDoc* m_pDoc = nullptr;
    IDocumentView* m_pView = nullptr;
    UserPrompts& m_prompts;
    std::array<QIcon, 3> m_images;
    std::function<void(CZETbrowserDoc&)> m_searchRunner;

    QPersistentModelIndex m_hDragItem; // the item of a right-button drag
    QPersistentModelIndex m_hDropItem; // the item under the mouse during it
    QLabel* m_pDragImage = nullptr;    // its drag image, a window of its own (child object)
    bool m_bDragging = false;
    bool m_rightPressed = false; // the right button went down here and is held
    QPoint m_rightPressPos;      // where, in the viewport
    QPersistentModelIndex m_rightPressItem;
    bool m_foreignDragOver = false;         // a drag from another document is over the tree
    QPoint m_dragPos;                       // the mouse during a drag over the tree, global
    DragScroller* m_dragScroller = nullptr; // child object
    QPersistentModelIndex m_dropHilite;
    DocumentRegistry* m_registry = nullptr;
    DocumentRegistry::Entry m_docEntry; // lists m_pDoc while the tree lives
    bool m_bRemovingItems = false;
    bool m_bRestoringSelection = false;
    int m_maxOpenDepth = kMaxOpenDepth;
    bool m_depthMeasured = false;
    bool m_columnFitPending = false;
    // The item the view last scrolled to, and the view's width then.
    QPersistentModelIndex m_followed;
    int m_followedWidth = 0;
};
