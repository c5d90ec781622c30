#include "CZETTreeView.h"

#include "CContextSearchDlg.h"
#include "CStructureTreeCtrl.h"
#include "IWorkingRecordSource.h"
#include "UserPrompts.h"

#include <QVBoxLayout>

CZETTreeView::CZETTreeView(CZETbrowserDoc* doc, UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_pDoc(doc), m_imageList(loadImages())
{
    m_tree = new CStructureTreeCtrl(doc, this, prompts, this);
    m_tree->setImages(m_imageList);
    m_tree->setSearchRunner([this, &prompts](CZETbrowserDoc& searched) {
        CContextSearchDlg dialog(&searched, this);
        prompts.exec(dialog);
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    setFocusProxy(m_tree);
    setAcceptDrops(false);
}

std::array<QIcon, 3> CZETTreeView::loadImages()
{
    return {QIcon(QStringLiteral(":/tree/folder-closed.png")),
            QIcon(QStringLiteral(":/tree/folder-open.png")),
            QIcon(QStringLiteral(":/tree/record.png"))};
}

void CZETTreeView::OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint)
{
    if (lHint != UpdateHint::Refresh)
        return;
    if (!hint) {
        m_tree->Rebuild();
        return;
    }
    // The form's working copy holds '?' for what the book cannot hold; the label shows the
    // text as typed.
    if (m_source && hint == m_source->GetWorkingRecord())
        m_tree->Relabel(
            *hint, CStructureTreeCtrl::ItemLabel(m_source->typedName(), m_source->typedSynonym()));
    else
        m_tree->Relabel(*hint);
}

void CZETTreeView::OnDocumentTitleChanged()
{
    emit documentTitleChanged();
}
