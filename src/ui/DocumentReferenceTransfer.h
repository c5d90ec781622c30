#pragma once

#include "DocumentRegistry.h"

#include <QPoint>

class CStructureTreeCtrl;
class CZETbrowserDoc;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QMimeData;

// References to documents between structure trees: a left-button drag from one tree, or Ctrl+C
// in it, carries a reference to its document (kDocRefFormat, naming a document listed in the
// program's DocumentRegistry); a drop on another document's tree, or Ctrl+V over a tree, copies
// the current record of the document named, with its subtree, to the place under the mouse. A
// reference that names no live document of this program is ignored.
class DocumentReferenceTransfer
{
public:
    explicit DocumentReferenceTransfer(CStructureTreeCtrl& tree);

    void setDocumentRegistry(DocumentRegistry* registry);
    // A new payload naming the tree's document; null without a registry.
    QMimeData* CreateDocRefData() const;
    // The live document of this program that `data` names, or null.
    CZETbrowserDoc* DocumentOf(const QMimeData* data) const;

    // The tree's left-button drag of its current item.
    void startDrag();
    // A drag over the tree (entering or moving): accepted, with the drop target highlighted,
    // when it carries a reference to another document.
    void dragMove(QDragMoveEvent& event);
    void dragLeave();
    void drop(QDropEvent& event);
    // The view scrolled under the still mouse of a drag: the target follows.
    void retrack();

    // Ctrl+C and Ctrl+V in their forms; false for any other key.
    bool handleClipboardKey(const QKeyEvent& event);
    // Puts a reference to the tree's document on the clipboard, in place of what it held.
    void CopyDocRef();
    // Pastes the current record of the document the clipboard names, where the mouse is.
    void PasteDocRef();
    void PasteForeignRecord(CZETbrowserDoc& source);

private:
    void trackForeignDrag(const QPoint& globalPos);
    void endForeignDrag();

    CStructureTreeCtrl& m_tree;
    DocumentRegistry* m_registry = nullptr;
    DocumentRegistry::Entry m_docEntry; // lists the tree's document while the tree lives
    bool m_foreignDragOver = false;     // a drag from another document is over the tree
    QPoint m_dragPos;                   // its mouse, global
};
