#pragma once

#include <cstdint>

class CStructureTreeCtrl;
class CZETbrowserDoc;
class QPoint;
class QTreeWidgetItem;
class StructureTreeMirror;
struct TreeRecord;

// The structure commands as the tree sees them: create, delete, copy, move and paste, each the
// document's own operation on the records under the items the user pointed at, made as a step of
// the document's history; and undo and redo of those steps. The items follow the document by
// themselves (StructureTreeMirror); a command asks its questions first, then selects and
// publishes what it made (the history marks the document modified).
class StructureTreeCommands
{
public:
    StructureTreeCommands(CStructureTreeCtrl& tree, StructureTreeMirror& mirror);

    // Deletes the current item's record with its subtree once the user says Yes.
    void deleteCurrent();
    // "Создать раздел/запись в текущем/корневом разделе" (CmdFolderInCurrent to CmdItemAtRoot)
    // from the menu of `hItem` (null: empty space).
    void createNode(int command, QTreeWidgetItem* hItem);
    // Copies (CmdCopy) or moves (CmdMove) hSource with its subtree; hTarget null = top level.
    // Returns the new item, or null when nothing was done.
    QTreeWidgetItem* CopySubtree(QTreeWidgetItem* hSource, QTreeWidgetItem* hTarget, int nCommand);
    // Copies `record` of `source` with its subtree as the last child of `hParent` (null: top
    // level), each item labelled with the bare name; the new item, or null.
    QTreeWidgetItem* InsertForeignSubtree(QTreeWidgetItem* hParent, const TreeRecord& record,
                                          CZETbrowserDoc& source);
    // Copies the current record of `source` with its subtree to the place under `globalPos`,
    // if that is over the tree.
    void pasteForeignAt(CZETbrowserDoc& source, const QPoint& globalPos);
    // Undoes (redoes) the last step of the document's history once the form's edits are
    // settled, and shows the record it concerns.
    void historyStep(bool redo);

private:
    CStructureTreeCtrl& m_tree;
    StructureTreeMirror& m_mirror;
    CZETbrowserDoc* m_doc;
};
