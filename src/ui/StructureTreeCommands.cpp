#include "StructureTreeCommands.h"

#include "BulkTreeEdit.h"
#include "CStructureTreeCtrl.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "DocumentText.h"
#include "StructureTreeMirror.h"
#include "UserPrompts.h"
#include "WaitCursor.h"

#include <vector>

StructureTreeCommands::StructureTreeCommands(CStructureTreeCtrl& tree, StructureTreeMirror& mirror)
    : m_tree(tree), m_mirror(mirror), m_doc(tree.m_pDoc)
{}

void StructureTreeCommands::deleteCurrent()
{
    QTreeWidgetItem* item = m_tree.currentItem();
    if (!item || !m_doc)
        return;
    const std::uint32_t id = CStructureTreeCtrl::recordIdOf(item);
    const TreeRecord* record = m_doc->FindRecord(id);
    const bool folder = record && record->isFolder();
    const QMessageBox::StandardButton answer = m_tree.m_prompts.message(
        &m_tree, QMessageBox::Question,
        folder ? QStringLiteral("Удалить раздел?") : QStringLiteral("Удалить запись?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    m_tree.setFocus();
    if (answer != QMessageBox::Yes)
        return;
    // The items go with the records; the view has moved the selection on by itself.
    m_tree.history().deleteRecord(id);
    m_tree.markEdited();
    if (!m_tree.NotifySelection())
        m_tree.publishNoSelection(); // the last record has gone
}

void StructureTreeCommands::createNode(int command, QTreeWidgetItem* hItem)
{
    // The new node takes the selection: the form's edits are settled first.
    if (!m_doc || !m_tree.settleEdits())
        return;
    const bool folder = command == CStructureTreeCtrl::CmdFolderInCurrent ||
                        command == CStructureTreeCtrl::CmdFolderAtRoot;
    QTreeWidgetItem* target = nullptr;
    if (command == CStructureTreeCtrl::CmdFolderInCurrent ||
        command == CStructureTreeCtrl::CmdItemInCurrent) {
        const TreeRecord* current = m_doc->FindRecord(CStructureTreeCtrl::recordIdOf(hItem));
        if (current && current->isFolder())
            target = hItem;
        else if (hItem)
            target = hItem->parent();
    }
    const RecordKind kind = folder ? RecordKind::Folder : RecordKind::Item;
    if (target) {
        // Made at the top level and moved into the section: one repaint, one selection.
        const BulkTreeEdit quiet(m_tree);
        const WaitCursor wait;
        QTreeWidgetItem* item = m_mirror.itemFor(
            m_tree.history().createRecord(kind, CStructureTreeCtrl::recordIdOf(target)));
        if (!item)
            return;
        target->setExpanded(true);
        m_tree.setCurrentItem(item);
    } else {
        QTreeWidgetItem* item = m_mirror.itemFor(m_tree.history().createRecord(kind, 0));
        if (!item)
            return;
        m_tree.setCurrentItem(item);
    }
    m_tree.markEdited();
    m_tree.NotifySelection();
}

QTreeWidgetItem* StructureTreeCommands::CopySubtree(QTreeWidgetItem* hSource,
                                                    QTreeWidgetItem* hTarget, int nCommand)
{
    if (!hSource || !m_doc ||
        (nCommand != CStructureTreeCtrl::CmdCopy && nCommand != CStructureTreeCtrl::CmdMove))
        return nullptr;
    // The copy takes the selection, and the source may be the record being edited: the form's
    // edits are settled first.
    if (!m_tree.settleEdits())
        return nullptr;
    const std::uint32_t sourceId = CStructureTreeCtrl::recordIdOf(hSource);
    const std::uint32_t targetId = CStructureTreeCtrl::recordIdOf(hTarget);
    if (hTarget && !m_doc->FindRecord(targetId))
        return nullptr;
    QTreeWidgetItem* oldParent = hSource->parent();

    // Copies show what their source items show (a label may carry the form's unapplied edits):
    // the i-th record copied is the copy of the i-th of the source's subtree, the items' pre-order.
    // Taken now: a move takes the source's items away before the copies arrive.
    std::vector<std::pair<QString, int>> looks;
    for (std::vector<QTreeWidgetItem*> pending{hSource}; !pending.empty();) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        looks.emplace_back(item->text(0), CStructureTreeCtrl::imageOf(item));
        for (int i = item->childCount() - 1; i >= 0; --i)
            pending.push_back(item->child(i));
    }
    const bool sameShape = looks.size() == m_doc->SubtreeIds(sourceId).size();
    const auto look = [&](std::size_t i, const TreeRecord& record) -> std::pair<QString, int> {
        if (sameShape && i < looks.size())
            return looks[i];
        return {CStructureTreeCtrl::ItemLabel(record), record.isFolder()
                                                           ? CStructureTreeCtrl::ClosedSection
                                                           : CStructureTreeCtrl::RecordImage};
    };

    // The document refuses a target inside the source's own subtree: a node would chase its
    // own copies for ever, and a move would then delete the copy with the source.
    bool refused = false;
    for (const QTreeWidgetItem* up = hTarget; up && !refused; up = up->parent())
        refused = up == hSource;
    if (refused)
        return nullptr;
    // The target opens first, as the items arrive in it.
    if (hTarget)
        hTarget->setExpanded(true);
    const std::vector<std::uint32_t> ids = m_mirror.withLook(look, [&] {
        DocumentHistory& history = m_tree.history();
        return nCommand == CStructureTreeCtrl::CmdMove ? history.moveSubtree(sourceId, targetId)
                                                       : history.copySubtree(sourceId, targetId);
    });
    QTreeWidgetItem* top = ids.empty() ? nullptr : m_mirror.itemFor(ids.front());
    if (!top)
        return nullptr;
    m_tree.setCurrentItem(top);
    m_tree.NotifySelection();
    if (oldParent && oldParent->childCount() == 0)
        m_mirror.setImage(oldParent, CStructureTreeCtrl::ClosedSection);
    emit m_tree.documentEdited();
    return top;
}

QTreeWidgetItem* StructureTreeCommands::InsertForeignSubtree(QTreeWidgetItem* hParent,
                                                             const TreeRecord& record,
                                                             CZETbrowserDoc& source)
{
    if (!m_doc)
        return nullptr;
    const auto bareName = [](std::size_t, const TreeRecord& copy) -> std::pair<QString, int> {
        return {DocumentText::toQString(copy.name), copy.isFolder()
                                                        ? CStructureTreeCtrl::ClosedSection
                                                        : CStructureTreeCtrl::RecordImage};
    };
    const std::vector<std::uint32_t> ids = m_mirror.withLook(bareName, [&] {
        return m_tree.history().copyForeignSubtree(source, record.recordId,
                                                   CStructureTreeCtrl::recordIdOf(hParent));
    });
    return ids.empty() ? nullptr : m_mirror.itemFor(ids.front());
}

void StructureTreeCommands::pasteForeignAt(CZETbrowserDoc& source, const QPoint& globalPos)
{
    if (!m_doc || !m_tree.rect().contains(m_tree.mapFromGlobal(globalPos)))
        return;
    const std::uint32_t sourceId = source.currentId;
    QTreeWidgetItem* h = m_tree.itemUnder(m_tree.viewport()->mapFromGlobal(globalPos));
    std::uint32_t parentId = 0;
    if (h) {
        const TreeRecord* record = m_doc->FindRecord(CStructureTreeCtrl::recordIdOf(h));
        if (!record)
            return;
        if (record->isFolder())
            parentId = record->recordId;
        else if (record->parentId != 0)
            parentId = CStructureTreeCtrl::recordIdOf(h->parent());
    }
    if (!source.FindRecord(sourceId))
        return;
    // The copy takes the selection: the form's edits are settled first, and Cancel pastes
    // nothing. Yes may have stored the very record to be copied.
    if (!m_tree.settleEdits())
        return;
    const TreeRecord* sourceRecord = source.FindRecord(sourceId);
    QTreeWidgetItem* parent = parentId != 0 ? m_mirror.itemFor(parentId) : nullptr;
    if (!sourceRecord || (parentId != 0 && !parent))
        return;
    QTreeWidgetItem* item = nullptr;
    {
        const BulkTreeEdit quiet(m_tree);
        item = InsertForeignSubtree(parent, *sourceRecord, source);
        if (item)
            m_tree.setCurrentItem(item);
    }
    if (!item)
        return;
    m_tree.NotifySelection();
    m_tree.markEdited();
}

void StructureTreeCommands::historyStep(bool redo)
{
    if (!m_doc)
        return;
    DocumentHistory& history = m_tree.history();
    if (redo ? !history.stack().canRedo() : !history.stack().canUndo())
        return;
    // The step may take the form's record away or change it: its edits are settled first.
    // Applied, they are a step of their own, the newest: the user sees them stored, and the
    // next undo takes them back.
    const int answer = m_tree.PromptSaveRecord();
    if (answer == QMessageBox::Yes || answer == QMessageBox::Cancel)
        return;
    std::uint32_t shown = 0;
    {
        const BulkTreeEdit quiet(m_tree);
        const WaitCursor wait;
        shown = redo ? history.redo() : history.undo();
    }
    m_tree.showRecord(shown);
    emit m_tree.documentEdited();
}
