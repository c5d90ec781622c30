#pragma once

#include "TreeRecord.h"

#include <QIcon>
#include <QTreeWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class CZETbrowserDoc;
class IDocumentView;
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
        CmdMove = 1003,
        CmdFolderInCurrent = 1005,
        CmdFolderAtRoot = 1006,
        CmdItemInCurrent = 1007,
        CmdItemAtRoot = 1008,
        CmdDelete = 1009,
        CmdSearch = 1010,
    };
    static constexpr int kRecordIdRole = Qt::UserRole;
    static constexpr int kImageRole = Qt::UserRole + 1;
    // The view lays out open sections recursively, one call per level, and overflowed the
    // 8 MB stack at about 27,000 open levels. Sections below this level never open, nor below
    // what a smaller stack allows (maxOpenDepth()).
    static constexpr int kMaxOpenDepth = 10000;

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
    static std::uint32_t recordIdOf(const QTreeWidgetItem* item);
    static int imageOf(const QTreeWidgetItem* item);

    // Filling and relabelling by update hint.
    void Rebuild();
    void Relabel(const TreeRecord& hint);

    bool NotifySelection();
    int PromptSaveRecord();
    void ShowContextMenu(QTreeWidgetItem* hItem, const QPoint& globalPos);
    // Copies (CmdCopy) or moves (CmdMove) hSource with its subtree; hTarget null = top level.
    // Returns the new item, or null when nothing was done.
    QTreeWidgetItem* CopySubtree(QTreeWidgetItem* hSource, QTreeWidgetItem* hTarget, int nCommand);

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
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void setImage(QTreeWidgetItem* item, int image);
    QTreeWidgetItem* newItem(const QString& text, int image) const;
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
    void onCurrentItemChanged();
    void markEdited();
    // The column is as wide as the rows about the visible ones need, labels in full (at least
    // as wide as the view); done once the current layout pass is over.
    void scheduleColumnFit();
    void fitColumn();
    void showHorizontally(const QModelIndex& index);

    CZETbrowserDoc* m_pDoc = nullptr;
    IDocumentView* m_pView = nullptr;
    UserPrompts& m_prompts;
    std::array<QIcon, 3> m_images;
    std::function<void(CZETbrowserDoc&)> m_searchRunner;
    int m_maxOpenDepth = kMaxOpenDepth;
    bool m_depthMeasured = false;
    bool m_columnFitPending = false;
    // The item the view last scrolled to, and the view's width then.
    QPersistentModelIndex m_followed;
    int m_followedWidth = 0;
};
