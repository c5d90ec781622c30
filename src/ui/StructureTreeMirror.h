#pragma once

#include "IRecordObserver.h"
#include "StructureTreeItem.h"

#include <QScopedValueRollback>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class CStructureTreeCtrl;
class CZETbrowserDoc;
class QTreeWidgetItem;
struct TreeRecord;

// The structure tree's items as a mirror of the document's records: one item per record, under
// its parent's item, in list order. Every record holds its item's handle (treeItem) and its
// parent's (parentTreeItem), which is how an id leads to its item. Filled whole on request, and
// then kept in step by the document's own notices of what its operations change, whoever runs
// them; the tree's commands only choose and select.
//
// Items are built detached and handed to the view in one piece, and taken down without
// recursion: the nesting comes from the book.
class StructureTreeMirror : public IRecordObserver
{
public:
    // The text and image of the item for the i-th of the records a document operation inserts.
    using ItemLook = std::function<std::pair<QString, int>(std::size_t, const TreeRecord&)>;

    // Registers with `doc` (which may be null) until destroyed.
    StructureTreeMirror(CStructureTreeCtrl& tree, CZETbrowserDoc* doc);
    ~StructureTreeMirror() override;
    StructureTreeMirror(const StructureTreeMirror&) = delete;
    StructureTreeMirror& operator=(const StructureTreeMirror&) = delete;

    // Closed section, open section, record; they outlive every item.
    void setPictures(const StructureTreeItem::Pictures& pictures) { m_pictures = pictures; }

    // Every item made anew from the document's records. A record whose parent comes later in
    // the list, or not at all, is shown at the top level.
    void rebuild();
    // Every item gone, and no record names one.
    void clear();
    // The item of the record `hint.recordId` gets `label` (the hint may be a copy holding a stale
    // handle).
    void relabel(const TreeRecord& hint, const QString& label);
    // The item of record `id`, or null.
    QTreeWidgetItem* itemFor(std::uint32_t id) const;
    void setImage(QTreeWidgetItem* item, int image);
    // A section's image follows its opening and closing.
    void showExpanded(QTreeWidgetItem* item, bool expanded);
    // Items are being taken out: the selection moving off them is no choice of the user's.
    bool isRemovingItems() const { return m_removingItems; }

    // Runs `change`, a document operation, with the records it inserts shown as `look` tells
    // instead of by their labels; returns what `change` returns.
    template <typename Change> auto withLook(ItemLook look, Change&& change)
    {
        const QScopedValueRollback<std::optional<ItemLook>> rollback(m_look, std::move(look));
        return change();
    }

    // IRecordObserver
    void OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                           const std::vector<std::uint32_t>& ids) override;
    void OnSubtreeRemoving(std::uint32_t id) override;
    void OnRecordTextsChanged(std::uint32_t id) override;
    void OnRecordsReset() override;

private:
    QTreeWidgetItem* newItem(const QString& text, int image, std::uint32_t recordId) const;
    void removeItem(QTreeWidgetItem* item);
    void removeAllItems();
    void forgetHandles();
    // Deletes detached subtrees leaf first, each item its parent's last child when it goes.
    static void destroyDetached(const QList<QTreeWidgetItem*>& roots);

    CStructureTreeCtrl& m_tree;
    CZETbrowserDoc* m_doc;
    StructureTreeItem::Pictures m_pictures;
    std::optional<ItemLook> m_look;
    bool m_removingItems = false;
};
