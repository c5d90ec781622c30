#include "CZETTreeView.h"

#include "CContextSearchDlg.h"
#include "CStructureTreeCtrl.h"

#include <QFile>
#include <QStyle>
#include <QVBoxLayout>

CZETTreeView::CZETTreeView(CZETbrowserDoc* doc, UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_pDoc(doc), m_imageList(loadImages(*this))
{
    m_tree = new CStructureTreeCtrl(doc, this, prompts, this);
    m_tree->setImages(m_imageList);
    m_tree->setSearchRunner([this, &prompts](CZETbrowserDoc& searched) {
        CContextSearchDlg dialog(&searched, this);
        dialog.exec(); // to become prompts.exec(dialog), so tests can answer it
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    setFocusProxy(m_tree);
    setAcceptDrops(false);
}

std::array<QIcon, 3> CZETTreeView::loadImages(const QWidget& widget)
{
    // The program's own pictures when its resources are linked in, the style's otherwise.
    const std::array<const char*, 3> paths{":/tree/folder-closed.png", ":/tree/folder-open.png",
                                           ":/tree/record.png"};
    const std::array<QStyle::StandardPixmap, 3> fallbacks{
        QStyle::SP_DirClosedIcon, QStyle::SP_DirOpenIcon, QStyle::SP_FileIcon};
    std::array<QIcon, 3> images;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const QString path = QString::fromLatin1(paths[i]);
        images[i] = QFile::exists(path) ? QIcon(path) : widget.style()->standardIcon(fallbacks[i]);
    }
    return images;
}

void CZETTreeView::OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint)
{
    if (lHint != UpdateHint::Refresh)
        return;
    if (hint)
        m_tree->Relabel(*hint);
    else
        m_tree->Rebuild();
}

void CZETTreeView::OnDocumentTitleChanged()
{
    emit documentTitleChanged();
}
