#include "CChildFrame.h"

#include "CInputForm.h"
#include "CPreviewWnd.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "IDocumentHost.h"
#include "RecordEditsQuestion.h"
#include "UndoKeys.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QSplitter>

namespace {

// The widget of a pane that takes the focus: the pane itself or its first focusable descendant.
QWidget* focusTarget(QWidget* pane)
{
    if (pane->focusPolicy() & Qt::TabFocus)
        return pane;
    const auto children = pane->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if ((child->focusPolicy() & Qt::TabFocus) && child->isVisibleTo(pane) && child->isEnabled())
            return child;
    }
    return nullptr;
}

} // namespace

CChildFrame::CChildFrame(std::unique_ptr<CZETbrowserDoc> doc, UserPrompts& prompts,
                         IDocumentHost* host, QWidget* parent)
    : QMdiSubWindow(parent), m_doc(std::move(doc)), m_prompts(prompts), m_host(host)
{
    if (!m_doc)
        m_doc = std::make_unique<CZETbrowserDoc>();
    m_history = std::make_unique<DocumentHistory>(*m_doc, DocumentHistory::configuredLimit());
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(false);

    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_treeView = new CZETTreeView(m_doc.get(), prompts, m_wndSplitter);
    // The views register with the document in pane order: the tree, the form, the preview.
    m_doc->AddView(m_treeView);
    m_form = new CInputForm(m_doc.get(), prompts, m_wndSplitter);
    auto* preview = new CPreviewWnd(m_doc.get(), m_wndSplitter);
    preview->setRecordSource(m_form);
    m_previewPane = preview;
    m_wndSplitter->addWidget(m_treeView);
    m_wndSplitter->addWidget(m_form);
    m_wndSplitter->addWidget(m_previewPane);
    m_wndSplitter->setSizes({250, 310, 240});
    // Width beyond those goes to the last pane, as with a static splitter.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 0);
    m_wndSplitter->setStretchFactor(2, 1);
    for (QWidget* pane :
         std::initializer_list<QWidget*>{m_wndSplitter, m_treeView, m_form, m_previewPane})
        pane->setAcceptDrops(false);
    setWidget(m_wndSplitter);
    resize(800, 500);

    // The tree asks about the form's edits before it takes the form off its record, and shows
    // the form's record as typed.
    CStructureTreeCtrl& tree = m_treeView->GetTreeCtrl();
    m_editsQuestion = std::make_unique<RecordEditsQuestion>(m_form, prompts);
    tree.setRecordEditsQuestion(m_editsQuestion.get());
    // Both change the book through its history.
    tree.setHistory(m_history.get());
    m_form->setHistory(m_history.get());
    m_treeView->setWorkingRecordSource(m_form);
    connect(&tree, &CStructureTreeCtrl::formFocusRequested, this, [this] {
        if (QWidget* field = m_form->firstField())
            field->setFocus(Qt::TabFocusReason);
    });
    connect(m_form, &CInputForm::treeFocusRequested, &tree,
            [&tree] { tree.setFocus(Qt::OtherFocusReason); });
    connect(&tree, &CStructureTreeCtrl::documentEdited, this, &CChildFrame::UpdateDocumentState);
    connect(m_treeView, &CZETTreeView::documentTitleChanged, this,
            &CChildFrame::UpdateDocumentState);

    setWindowTitle(windowTitleFor(*m_doc));
    m_treeView->OnUpdate(nullptr, UpdateHint::Refresh, nullptr);
    m_treeView->setFocus();
}

CChildFrame::~CChildFrame()
{
    // The panes refer to the document: take them down while it still exists, the preview
    // before the form whose record it draws.
    m_doc->RemoveView(m_treeView);
    delete m_previewPane;
    delete m_wndSplitter;
    m_wndSplitter = nullptr;
    m_treeView = nullptr;
    m_form = nullptr;
    m_previewPane = nullptr;
}

QWidget* CChildFrame::formPane() const
{
    return m_form;
}

bool CChildFrame::canSave() const
{
    return m_doc && m_doc->IsModified();
}

QString CChildFrame::windowTitleFor(const CZETbrowserDoc& doc)
{
    // Qt reads "[*]" in a window title as its modified placeholder; a file name may hold it.
    return QString::fromStdString(doc.GetTitle())
        .replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

void CChildFrame::UpdateDocumentState()
{
    setWindowTitle(windowTitleFor(*m_doc));
    emit documentStateChanged();
}

bool CChildFrame::PromptRecordOnClose()
{
    return m_editsQuestion->ask(this) != RecordEditsQuestion::Answer::Cancelled;
}

bool CChildFrame::holdsUnappliedEdits() const
{
    return m_editsQuestion->editedRecord() != 0;
}

void CChildFrame::OnCreateHelp()
{
    if (!PromptRecordOnClose())
        return;
    if (m_doc->IsModified()) {
        const QMessageBox::StandardButton answer =
            m_prompts.message(this, QMessageBox::Question,
                              QStringLiteral("Документ модифицирован! Записать документ?"),
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer != QMessageBox::Ok)
            return;
        const bool saved = m_host != nullptr && m_host->saveDocument(*this);
        UpdateDocumentState();
        // Help is only ever built from a saved document.
        if (!saved || m_doc->IsModified())
            return;
    }
    if (m_host != nullptr && m_host->runHelpDialog(*this))
        return;
    m_prompts.message(this, QMessageBox::Information,
                      QStringLiteral("Создание справки из программы пока недоступно. Файлы "
                                     "справки можно собрать командой zettool make-help."),
                      QMessageBox::Ok, QMessageBox::Ok);
}

void CChildFrame::OnEditUndo()
{
    m_treeView->GetTreeCtrl().OnEditUndo();
}

void CChildFrame::OnEditRedo()
{
    m_treeView->GetTreeCtrl().OnEditRedo();
}

void CChildFrame::markSaved()
{
    m_history->markSaved();
}

void CChildFrame::keyPressEvent(QKeyEvent* event)
{
    switch (undoKeyOf(*event)) {
    case UndoKey::Undo:
        OnEditUndo();
        event->accept();
        return;
    case UndoKey::Redo:
        OnEditRedo();
        event->accept();
        return;
    case UndoKey::None:
        break;
    }
    QMdiSubWindow::keyPressEvent(event);
}

void CChildFrame::cyclePanes(int step)
{
    const int count = m_wndSplitter->count();
    int current = -1;
    QWidget* focus = QApplication::focusWidget();
    for (int i = 0; i < count; ++i) {
        QWidget* pane = m_wndSplitter->widget(i);
        if (focus != nullptr && (focus == pane || pane->isAncestorOf(focus)))
            current = i;
    }
    // From outside the panes the first step lands on the first (or last) pane.
    int index = current < 0 ? (step < 0 ? count : -1) : current;
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        QWidget* pane = m_wndSplitter->widget(index);
        if (QWidget* target = pane == m_form ? m_form->firstField() : focusTarget(pane)) {
            target->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return;
        }
    }
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    // The record's edits first: applied, they are part of what the save question is about.
    if (!PromptRecordOnClose() || (m_host != nullptr && !m_host->queryClose(*this))) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void CChildFrame::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}

void CChildFrame::dropEvent(QDropEvent* event)
{
    event->ignore();
}
