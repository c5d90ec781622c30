#include "StructureTreeMirror.h"

#include "BulkTreeEdit.h"
#include "CStructureTreeCtrl.h"
#include "CZETbrowserDoc.h"

#include <unordered_map>

StructureTreeMirror::StructureTreeMirror(CStructureTreeCtrl& tree, CZETbrowserDoc* doc)
    : m_tree(tree), m_doc(doc)
{
    if (m_doc)
        m_doc->AddObserver(this);
}

StructureTreeMirror::~StructureTreeMirror()
{
    if (m_doc)
        m_doc->RemoveObserver(this);
}

QTreeWidgetItem* StructureTreeMirror::newItem(const QString& text, int image,
                                              std::uint32_t recordId) const
{
    return new StructureTreeItem(text, m_pictures, image, recordId);
}

QTreeWidgetItem* StructureTreeMirror::itemFor(std::uint32_t id) const
{
    const TreeRecord* record = m_doc ? m_doc->FindRecord(id) : nullptr;
    return record ? CStructureTreeCtrl::itemOf(record->treeItem) : nullptr;
}

void StructureTreeMirror::setImage(QTreeWidgetItem* item, int image)
{
    item->setData(0, StructureTreeItem::kImageRole, image); // the item's icon follows its image
}

void StructureTreeMirror::showExpanded(QTreeWidgetItem* item, bool expanded)
{
    const TreeRecord* record =
        m_doc ? m_doc->FindRecord(CStructureTreeCtrl::recordIdOf(item)) : nullptr;
    if (record && record->isFolder())
        setImage(item,
                 expanded ? CStructureTreeCtrl::OpenSection : CStructureTreeCtrl::ClosedSection);
}

void StructureTreeMirror::rebuild()
{
    const BulkTreeEdit quiet(m_tree);
    removeAllItems();
    if (!m_doc)
        return;

    // Handles from an earlier fill must not be taken for parents: only items made in this pass
    // count, so a record whose parent comes later (or not at all) lands at the top level.
    std::unordered_map<std::uint32_t, QTreeWidgetItem*> made;
    made.reserve(m_doc->RecordCount());
    QList<QTreeWidgetItem*> topLevel;
    // The parent is found through the id index in one pass instead of scanning the list for every
    // record; records are in pre-order and ids unique, so the result is the same.
    for (const TreeRecord& constRecord : m_doc->records()) {
        TreeRecord* record = m_doc->FindRecord(constRecord.recordId);
        if (!record)
            continue;
        QTreeWidgetItem* parent = nullptr;
        if (record->parentId != 0) {
            const auto found = made.find(record->parentId);
            if (found != made.end())
                parent = found->second;
        }
        QTreeWidgetItem* item = newItem(CStructureTreeCtrl::ItemLabel(*record),
                                        record->isFolder() ? CStructureTreeCtrl::ClosedSection
                                                           : CStructureTreeCtrl::RecordImage,
                                        record->recordId);
        // Items are built detached and handed to the view at once: no per-item model signals.
        if (parent)
            parent->addChild(item);
        else
            topLevel.append(item);
        record->parentTreeItem = parent ? CStructureTreeCtrl::handleOf(parent) : kTreeRootHandle;
        record->treeItem = CStructureTreeCtrl::handleOf(item);
        made.emplace(record->recordId, item);
    }
    m_tree.addTopLevelItems(topLevel);
}

void StructureTreeMirror::clear()
{
    if (m_tree.topLevelItemCount() == 0)
        return;
    removeAllItems();
    forgetHandles();
}

void StructureTreeMirror::removeAllItems()
{
    const BulkTreeEdit quiet(m_tree);
    const QScopedValueRollback<bool> removing(m_removingItems, true);
    destroyDetached(m_tree.invisibleRootItem()->takeChildren());
}

void StructureTreeMirror::forgetHandles()
{
    if (!m_doc)
        return;
    for (const TreeRecord& constRecord : m_doc->records()) {
        if (TreeRecord* record = m_doc->FindRecord(constRecord.recordId))
            record->treeItem = record->parentTreeItem = 0;
    }
}

void StructureTreeMirror::relabel(const TreeRecord& hint, const QString& label)
{
    if (hint.treeItem == 0)
        return;
    // The hint may be a form's copy holding a handle from before a rebuild or a deletion; the
    // document's record of the same id names the live item.
    if (QTreeWidgetItem* item = itemFor(hint.recordId))
        item->setText(0, label);
}

void StructureTreeMirror::OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                                            const std::vector<std::uint32_t>& ids)
{
    if (!m_doc || ids.empty())
        return;
    const BulkTreeEdit quiet(m_tree);
    const auto look = [this](std::size_t i, const TreeRecord& record) -> std::pair<QString, int> {
        if (m_look)
            return (*m_look)(i, record);
        return {CStructureTreeCtrl::ItemLabel(record), record.isFolder()
                                                           ? CStructureTreeCtrl::ClosedSection
                                                           : CStructureTreeCtrl::RecordImage};
    };

    // Built detached and handed to the view in one piece; each record's parent is the top or
    // was made before it (the ids are in list order).
    std::unordered_map<std::uint32_t, QTreeWidgetItem*> made;
    made.reserve(ids.size());
    std::vector<QTreeWidgetItem*> folders;
    QTreeWidgetItem* top = nullptr;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        TreeRecord* record = m_doc->FindRecord(ids[i]);
        if (!record)
            continue;
        const auto [text, image] = look(i, *record);
        QTreeWidgetItem* item =
            newItem(text, image < 0 ? CStructureTreeCtrl::RecordImage : image, record->recordId);
        record->treeItem = CStructureTreeCtrl::handleOf(item);
        if (!top) {
            top = item;
        } else {
            const auto parent = made.find(record->parentId);
            QTreeWidgetItem* parentItem = parent != made.end() ? parent->second : top;
            parentItem->addChild(item);
            record->parentTreeItem = CStructureTreeCtrl::handleOf(parentItem);
        }
        made.emplace(record->recordId, item);
        if (record->isFolder())
            folders.push_back(item);
    }
    if (!top)
        return;
    // New items start closed, and a section that has children shows it while the items are
    // still detached: no signal per item.
    for (QTreeWidgetItem* folder : folders) {
        if (folder->childCount() > 0 &&
            CStructureTreeCtrl::imageOf(folder) != CStructureTreeCtrl::ClosedSection)
            setImage(folder, CStructureTreeCtrl::ClosedSection);
    }

    // Under the parent's item (the top level when it has none), before the next sibling's.
    QTreeWidgetItem* parent = parentId != 0 ? itemFor(parentId) : nullptr;
    QTreeWidgetItem* next = nextSiblingId != 0 ? itemFor(nextSiblingId) : nullptr;
    if (next && next->parent() != parent)
        next = nullptr;
    if (parent)
        parent->insertChild(next ? parent->indexOfChild(next) : parent->childCount(), top);
    else
        m_tree.insertTopLevelItem(
            next ? m_tree.indexOfTopLevelItem(next) : m_tree.topLevelItemCount(), top);
    if (TreeRecord* record = m_doc->FindRecord(ids.front()))
        record->parentTreeItem = parent ? CStructureTreeCtrl::handleOf(parent) : kTreeRootHandle;
}

void StructureTreeMirror::OnSubtreeRemoving(std::uint32_t id)
{
    if (QTreeWidgetItem* item = itemFor(id)) {
        const BulkTreeEdit quiet(m_tree);
        QTreeWidgetItem* parent = item->parent();
        removeItem(item);
        // A section left empty shows closed, whatever took its last child.
        if (parent && parent->childCount() == 0)
            setImage(parent, CStructureTreeCtrl::ClosedSection);
    }
}

void StructureTreeMirror::OnRecordTextsChanged(std::uint32_t id)
{
    const TreeRecord* record = m_doc ? m_doc->FindRecord(id) : nullptr;
    if (QTreeWidgetItem* item = record ? CStructureTreeCtrl::itemOf(record->treeItem) : nullptr)
        item->setText(0, CStructureTreeCtrl::ItemLabel(*record));
}

void StructureTreeMirror::OnRecordsReset()
{
    // The new records' handles came from wherever they were made: none names an item here.
    removeAllItems();
    forgetHandles();
}

void StructureTreeMirror::removeItem(QTreeWidgetItem* item)
{
    {
        const QScopedValueRollback<bool> removing(m_removingItems, true);
        if (QTreeWidgetItem* parent = item->parent())
            parent->removeChild(item);
        else
            m_tree.takeTopLevelItem(m_tree.indexOfTopLevelItem(item));
    }
    destroyDetached({item});
}

void StructureTreeMirror::destroyDetached(const QList<QTreeWidgetItem*>& roots)
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
