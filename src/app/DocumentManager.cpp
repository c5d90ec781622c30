#include "DocumentManager.h"

#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CZETbrowserDoc.h"
#include "QtUiServices.h"
#include "UserPrompts.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>

#include <memory>

namespace {

const QString kUntitledName = QStringLiteral("ZET");
const QString kDefaultSuffix = QStringLiteral("zet");
const QString kFileFilter = QStringLiteral("Файлы синтаксис-помощника(*.zet);;Все файлы (*)");
const QString kModifiedMark = QStringLiteral(" *");

QString withoutModifiedMark(QString title)
{
    if (title.endsWith(kModifiedMark))
        title.chop(kModifiedMark.size());
    return title;
}

QString canonical(const QString& path)
{
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
}

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

DocumentManager::DocumentManager(CMainFrame& frame, QMdiArea& area, UserPrompts& prompts,
                                 CRecentFileList& recentFiles)
    : QObject(&frame), m_frame(frame), m_area(area), m_prompts(prompts), m_recentFiles(recentFiles)
{
    connect(&m_area, &QMdiArea::subWindowActivated, this, &DocumentManager::stateChanged);
}

CChildFrame* DocumentManager::activeChild() const
{
    // The current window stays current while the application is inactive (a dialog is up).
    if (auto* child = qobject_cast<CChildFrame*>(m_area.currentSubWindow()))
        return child;
    return qobject_cast<CChildFrame*>(m_area.activeSubWindow());
}

QList<CChildFrame*> DocumentManager::childFrames() const
{
    QList<CChildFrame*> result;
    const auto windows = m_area.subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* window : windows) {
        if (auto* child = qobject_cast<CChildFrame*>(window))
            result.append(child);
    }
    return result;
}

CChildFrame* DocumentManager::findOpenDocument(const QString& path) const
{
    const QString wanted = canonical(path);
    const auto children = childFrames();
    for (CChildFrame* child : children) {
        const std::string& name = child->GetDocument()->GetPathName();
        if (!name.empty() && canonical(QString::fromStdString(name)) == wanted)
            return child;
    }
    return nullptr;
}

void DocumentManager::attachChild(CChildFrame* child)
{
    child->setWindowIcon(QIcon(QStringLiteral(":/icons/16x16/application-x-zet-document.png")));
    connect(child, &CChildFrame::documentStateChanged, this, &DocumentManager::stateChanged);
    // Maximising or restoring changes the main window's title.
    connect(child, &QMdiSubWindow::windowStateChanged, this, &DocumentManager::stateChanged);
    // Queued: the MDI area forgets the window only after `destroyed`.
    connect(child, &QObject::destroyed, this, &DocumentManager::stateChanged, Qt::QueuedConnection);
    m_area.addSubWindow(child);
    emit windowAdded(child);
    child->show();
    m_area.setActiveSubWindow(child);
    emit stateChanged();
}

CChildFrame* DocumentManager::OnFileNew()
{
    auto doc = std::make_unique<CZETbrowserDoc>();
    doc->OnNewDocument();
    doc->SetTitle((kUntitledName + QString::number(++m_untitledCount)).toStdString());
    auto* child = new CChildFrame(std::move(doc), m_prompts, this);
    attachChild(child);
    return child;
}

void DocumentManager::OnFileOpen()
{
    const QString path =
        m_prompts.openFileName(&m_frame, QStringLiteral("Открыть"), QString(), kFileFilter);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

CChildFrame* DocumentManager::OpenDocumentFile(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    const QString file = absolute(path);
    if (CChildFrame* open = findOpenDocument(file)) {
        if (open->isMinimized())
            open->showNormal();
        m_area.setActiveSubWindow(open);
        return open;
    }

    auto doc = std::make_unique<CZETbrowserDoc>();
    {
        QtUiServices ui(m_frame, m_prompts);
        if (!doc->OnOpenDocument(file.toStdString(), ui))
            return nullptr;
    }
    doc->SetPathName(file.toStdString());
    doc->SetModifiedFlag(false);
    auto* child = new CChildFrame(std::move(doc), m_prompts, this);
    attachChild(child);
    addRecentFile(file);
    return child;
}

void DocumentManager::openRecentFile(int index)
{
    const QString path = m_recentFiles.files().value(index);
    if (path.isEmpty())
        return;
    if (OpenDocumentFile(path) == nullptr) {
        // A file that can no longer be read leaves the list, as it always has.
        m_recentFiles.Remove(path);
        emit recentFilesChanged();
    }
}

bool DocumentManager::saveTo(CChildFrame& child, const QString& path)
{
    bool saved = false;
    {
        QtUiServices ui(m_frame, m_prompts);
        saved = child.GetDocument()->OnSaveDocument(path.toStdString(), ui);
    }
    child.UpdateDocumentState();
    return saved;
}

bool DocumentManager::OnFileSave(CChildFrame* child)
{
    if (child == nullptr)
        return false;
    const QString path = QString::fromStdString(child->GetDocument()->GetPathName());
    return path.isEmpty() ? OnFileSaveAs(child) : saveTo(*child, path);
}

bool DocumentManager::OnFileSaveAs(CChildFrame* child)
{
    if (child == nullptr)
        return false;
    const CZETbrowserDoc& doc = *child->GetDocument();
    QString proposed = QString::fromStdString(doc.GetPathName());
    if (proposed.isEmpty())
        proposed = withoutModifiedMark(QString::fromStdString(doc.GetTitle())) +
                   QStringLiteral(".") + kDefaultSuffix;
    QString path =
        m_prompts.saveFileName(&m_frame, QStringLiteral("Сохранить как"), proposed, kFileFilter);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".") + kDefaultSuffix;
    path = absolute(path);
    const bool saved = saveTo(*child, path);
    if (saved)
        addRecentFile(path);
    return saved;
}

void DocumentManager::OnFileClose()
{
    if (CChildFrame* child = activeChild())
        child->close();
}

bool DocumentManager::SaveModified(CChildFrame* child)
{
    if (child == nullptr || !child->GetDocument()->IsModified())
        return true;
    const CZETbrowserDoc& doc = *child->GetDocument();
    // Named by the file's name once it has one; the title's modified mark is no part of it.
    QString name = QString::fromStdString(doc.GetPathName());
    name = name.isEmpty() ? withoutModifiedMark(QString::fromStdString(doc.GetTitle()))
                          : QFileInfo(name).fileName();
    m_area.setActiveSubWindow(child);
    const auto answer = m_prompts.message(
        &m_frame, QMessageBox::Warning, QStringLiteral("Сохранить изменения в %1?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes:
        return OnFileSave(child);
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

bool DocumentManager::closeAll()
{
    // Every modified document is asked about first; one Cancel keeps everything open.
    const auto children = childFrames();
    for (CChildFrame* child : children) {
        if (!SaveModified(child))
            return false;
    }
    m_closingAll = true;
    bool allClosed = true;
    for (CChildFrame* child : children)
        allClosed = child->close() && allClosed;
    m_closingAll = false;
    return allClosed;
}

void DocumentManager::addRecentFile(const QString& path)
{
    m_recentFiles.Add(path);
    emit recentFilesChanged();
}

bool DocumentManager::saveDocument(CChildFrame& frame)
{
    return OnFileSave(&frame);
}

bool DocumentManager::queryClose(CChildFrame& frame)
{
    return m_closingAll || SaveModified(&frame);
}

bool DocumentManager::runHelpDialog(CChildFrame&)
{
    // The help creation dialog is yet to come; the window points to zettool meanwhile.
    return false;
}
