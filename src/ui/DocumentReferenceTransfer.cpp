#include "DocumentReferenceTransfer.h"

#include "CStructureTreeCtrl.h"
#include "ClipboardKeys.h"
#include "DragPicture.h"
#include "DragScroller.h"
#include "StructureTreeCommands.h"

#include <QClipboard>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

DocumentReferenceTransfer::DocumentReferenceTransfer(CStructureTreeCtrl& tree) : m_tree(tree) {}

void DocumentReferenceTransfer::setDocumentRegistry(DocumentRegistry* registry)
{
    m_docEntry = {};
    m_registry = registry;
    if (m_registry && m_tree.m_pDoc)
        m_docEntry = m_registry->add(*m_tree.m_pDoc);
}

QMimeData* DocumentReferenceTransfer::CreateDocRefData() const
{
    if (m_docEntry.reference().empty())
        return nullptr;
    auto* data = new QMimeData;
    const std::string& reference = m_docEntry.reference();
    data->setData(CStructureTreeCtrl::kDocRefFormat,
                  QByteArray(reference.data(), qsizetype(reference.size())));
    return data;
}

CZETbrowserDoc* DocumentReferenceTransfer::DocumentOf(const QMimeData* data) const
{
    if (!m_registry || !data || !data->hasFormat(CStructureTreeCtrl::kDocRefFormat))
        return nullptr;
    const QByteArray bytes = data->data(CStructureTreeCtrl::kDocRefFormat);
    return m_registry->resolve(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// --- left-button drags between documents ---------------------------------------------------

void DocumentReferenceTransfer::startDrag()
{
    QTreeWidgetItem* item = m_tree.currentItem();
    QMimeData* data = item ? CreateDocRefData() : nullptr;
    if (!data)
        return;
    // The drag names the document; a drop copies its current record, the one just pressed.
    auto* drag = new QDrag(&m_tree);
    drag->setMimeData(data);
    drag->setPixmap(DragPicture::of(m_tree, *item));
    drag->setHotSpot(-CStructureTreeCtrl::kDragImageOffset);
    // Whatever the target reports, the source stays as it is.
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
}

void DocumentReferenceTransfer::dragMove(QDragMoveEvent& event)
{
    // Inside one document the right-button drag serves; a reference that names no open
    // document of this program is refused as well.
    CZETbrowserDoc* source = DocumentOf(event.mimeData());
    if (!source || source == m_tree.m_pDoc) {
        endForeignDrag();
        event.ignore();
        return;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    m_foreignDragOver = true;
    trackForeignDrag(m_tree.viewport()->mapToGlobal(event.position().toPoint()));
}

void DocumentReferenceTransfer::trackForeignDrag(const QPoint& globalPos)
{
    QTreeWidgetItem* item = m_tree.itemUnder(m_tree.viewport()->mapFromGlobal(globalPos));
    m_tree.setDropHighlight(item == m_tree.currentItem() ? nullptr : item);
    m_dragPos = globalPos;
    m_tree.m_dragScroller->track(globalPos);
}

void DocumentReferenceTransfer::retrack()
{
    if (m_foreignDragOver)
        trackForeignDrag(m_dragPos);
}

void DocumentReferenceTransfer::endForeignDrag()
{
    m_foreignDragOver = false;
    m_tree.m_dragScroller->stop();
    m_tree.setDropHighlight(nullptr);
}

void DocumentReferenceTransfer::dragLeave()
{
    endForeignDrag();
}

void DocumentReferenceTransfer::drop(QDropEvent& event)
{
    endForeignDrag();
    CZETbrowserDoc* source = DocumentOf(event.mimeData());
    if (!source || source == m_tree.m_pDoc) {
        event.ignore();
        return;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    // The paste may ask about the form's edits: it runs once the drag has ended, if the source
    // is still open then.
    const QByteArray reference = event.mimeData()->data(CStructureTreeCtrl::kDocRefFormat);
    const QPoint globalPos = m_tree.viewport()->mapToGlobal(event.position().toPoint());
    QMetaObject::invokeMethod(
        &m_tree,
        [this, reference, globalPos] {
            QMimeData data;
            data.setData(CStructureTreeCtrl::kDocRefFormat, reference);
            CZETbrowserDoc* doc = DocumentOf(&data);
            if (doc && doc != m_tree.m_pDoc)
                m_tree.m_commands->pasteForeignAt(*doc, globalPos);
        },
        Qt::QueuedConnection);
}

// --- clipboard -------------------------------------------------------------------------------

bool DocumentReferenceTransfer::handleClipboardKey(const QKeyEvent& event)
{
    switch (clipboardKeyOf(event)) {
    case ClipboardKey::Copy:
        CopyDocRef();
        return true;
    case ClipboardKey::Paste:
        PasteDocRef();
        return true;
    case ClipboardKey::None:
        break;
    }
    return false;
}

void DocumentReferenceTransfer::CopyDocRef()
{
    if (!m_tree.currentItem())
        return;
    // The reference alone replaces what the clipboard held. Keeping that would mean reading it
    // now, from a program that may answer slowly or never, and copying what may be huge.
    if (QMimeData* data = CreateDocRefData())
        QGuiApplication::clipboard()->setMimeData(data);
}

void DocumentReferenceTransfer::PasteDocRef()
{
    // Pasting into the document copied from duplicates its current record.
    if (CZETbrowserDoc* source = DocumentOf(QGuiApplication::clipboard()->mimeData()))
        PasteForeignRecord(*source);
}

void DocumentReferenceTransfer::PasteForeignRecord(CZETbrowserDoc& source)
{
    m_tree.m_commands->pasteForeignAt(source, QCursor::pos());
}
