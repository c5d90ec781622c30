#include "DocumentManager.h"

#include "CChildFrame.h"
#include "CCreateHelpDialog.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DesktopHelpPlatform.h"
#include "DocumentFileUi.h"
#include "OpenFileWatcher.h"
#include "QtUiServices.h"
#include "RoundTripCheck.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <unistd.h>
#include <utility>

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

// "пользователь nobody"; by number when the system knows no name for it.
QString userText(std::uint32_t uid)
{
    const std::string name = UserName(uid);
    return name.empty() ? QStringLiteral("пользователь с номером %1").arg(uid)
                        : QStringLiteral("пользователь %1").arg(QString::fromStdString(name));
}

} // namespace

DocumentManager::DocumentManager(CMainFrame& frame, QMdiArea& area, UserPrompts& prompts,
                                 CRecentFileList& recentFiles)
    : QObject(&frame), m_frame(frame), m_area(area), m_prompts(prompts), m_recentFiles(recentFiles),
      m_desktopHelpPlatform(std::make_unique<DesktopHelpPlatform>()),
      m_helpPlatform(m_desktopHelpPlatform.get()),
      m_openDocuments(QCoreApplication::applicationPid())
{
    connect(&m_area, &QMdiArea::subWindowActivated, this, &DocumentManager::stateChanged);
    m_watcher = new OpenFileWatcher(this);
    connect(m_watcher, &OpenFileWatcher::filesChanged, this, &DocumentManager::checkFilesOnDisk);
    // Windows come and go and Save As names new files: the watched set follows.
    connect(this, &DocumentManager::stateChanged, this, &DocumentManager::watchOpenFiles);
}

void DocumentManager::watchOpenFiles()
{
    QStringList paths;
    const auto children = childFrames();
    for (CChildFrame* child : children) {
        const std::string& path = child->GetDocument()->GetPathName();
        if (!path.empty())
            paths.append(QString::fromStdString(path));
    }
    m_watcher->setFiles(paths);
    for (auto it = m_declinedReloads.begin(); it != m_declinedReloads.end();) {
        if (paths.contains(it.key()))
            ++it;
        else
            it = m_declinedReloads.erase(it);
    }
}

void DocumentManager::checkFilesOnDisk(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!m_pendingChecks.contains(path))
            m_pendingChecks.append(path);
    }
    // No question over a dialog or a menu: it waits for them to end.
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        QTimer::singleShot(300, this, [this] { checkFilesOnDisk({}); });
        return;
    }
    const QStringList pending = std::exchange(m_pendingChecks, {});
    for (const QString& path : pending) {
        CChildFrame* child = nullptr;
        const auto children = childFrames();
        for (CChildFrame* candidate : children) {
            if (QString::fromStdString(candidate->GetDocument()->GetPathName()) == path)
                child = candidate;
        }
        if (child == nullptr)
            continue;
        const CZETbrowserDoc& doc = *child->GetDocument();
        // A book with changes of its own, applied or still in the form, is only warned about
        // when it is saved.
        if (doc.IsModified() || child->holdsUnappliedEdits() || !doc.FileChangedOnDisk())
            continue;
        const std::optional<FileStamp> stamp = StampOf(path.toStdString());
        if (!stamp)
            continue; // gone: nothing to read; a save asks before writing it anew
        const auto declined = m_declinedReloads.constFind(path);
        if (declined != m_declinedReloads.constEnd() && *declined == *stamp)
            continue;
        m_area.setActiveSubWindow(child);
        const QPointer<CChildFrame> asked(child);
        const auto answer = m_prompts.message(
            &m_frame, QMessageBox::Question,
            QStringLiteral("Файл \"%1\" изменён другой программой.\nПеречитать его?")
                .arg(QDir::toNativeSeparators(path)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (asked == nullptr)
            continue;
        if (answer == QMessageBox::Yes) {
            m_declinedReloads.remove(path);
            reloadDocument(*asked);
        } else {
            m_declinedReloads.insert(path, *stamp);
        }
    }
    emit filesChecked(pending);
}

bool DocumentManager::reloadDocument(CChildFrame& child)
{
    CZETbrowserDoc& doc = *child.GetDocument();
    const QString path = QString::fromStdString(doc.GetPathName());
    if (path.isEmpty())
        return false;
    const std::uint32_t current = doc.currentId;
    {
        QtUiServices ui(m_frame, m_prompts);
        if (!DocumentFileUi(ui).open(doc, path.toStdString()))
            return false;
    }
    doc.lastFoundId = 0;
    doc.jumpToId = 0;
    doc.UpdateAllViews(nullptr);
    // The same place in the book, as far as the ids (the records' order) still match.
    if (const TreeRecord* record = doc.FindRecord(current)) {
        if (QTreeWidgetItem* item = CStructureTreeCtrl::itemOf(record->treeItem))
            child.treeView()->GetTreeCtrl().setCurrentItem(item);
    }
    child.UpdateDocumentState();
    return true;
}

DocumentManager::~DocumentManager() = default;

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
    // Listed while its tree lives.
    child->treeView()->GetTreeCtrl().setDocumentRegistry(&m_openDocuments);
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
        if (!DocumentFileUi(ui).open(*doc, file.toStdString()))
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

bool DocumentManager::confirmSaveTarget(CChildFrame& child, const QString& path,
                                        std::optional<FileTarget>& target)
{
    const CZETbrowserDoc& doc = *child.GetDocument();
    target = TargetOf(path.toStdString());
    // Links in a loop, or a pipe or a device: nothing to ask, the save itself refuses them.
    if (!target || (target->stamp && !target->regularFile))
        return true;
    const std::optional<FileTarget>& read = doc.diskTarget();
    // Whose the book is: the owner of the file it was read from; a new book's, its writer's.
    const std::uint32_t bookOwner =
        read && read->stamp ? read->stamp->owner : static_cast<std::uint32_t>(geteuid());
    const bool foreignOwner = target->stamp && target->stamp->owner != bookOwner;
    const QString real = QDir::toNativeSeparators(QString::fromStdString(target->path));
    const QString owner = target->stamp ? userText(target->stamp->owner) : QString();
    // What Yes does, to the file that is really written.
    const QString consequence =
        !target->stamp
            ? QStringLiteral("Если сохранить документ, будет создан файл \"%1\".").arg(real)
        : foreignOwner
            ? QStringLiteral("Если сохранить документ, будет перезаписан файл \"%1\", владелец "
                             "которого — %2.")
                  .arg(real, owner)
            : QStringLiteral("Если сохранить документ, будет перезаписан файл \"%1\".").arg(real);

    QString text;
    const QString own = QString::fromStdString(doc.GetPathName());
    if (!own.isEmpty() && read &&
        (absolute(own) == absolute(path) || canonical(own) == canonical(path))) {
        // The document's own file: what its path leads to now against what was read.
        const FileTarget now = TargetOf(own.toStdString()).value_or(*target);
        if (now.sameFile(*read) && !doc.FileChangedOnDisk())
            return true;
        const QString name = QDir::toNativeSeparators(own);
        if (now.viaLink && !read->viaLink)
            text = QStringLiteral("Файл \"%1\" заменён символической ссылкой на файл \"%2\" после "
                                  "того, как был открыт или сохранён здесь.\n%3\nСохранить?")
                       .arg(name, real, consequence);
        else if (now.viaLink && now.path != read->path)
            text = QStringLiteral("Символическая ссылка \"%1\" ведёт теперь не к тому файлу, что "
                                  "был открыт или сохранён здесь, а к файлу \"%2\".\n%3\n"
                                  "Сохранить?")
                       .arg(name, real, consequence);
        else if (now.path != read->path && !read->viaLink)
            text = QStringLiteral("Путь \"%1\" ведёт теперь не к тому файлу, что был открыт или "
                                  "сохранён здесь, а к файлу \"%2\".\n%3\nСохранить?")
                       .arg(name, real, consequence);
        else if (!now.stamp)
            text = QStringLiteral("Файла \"%1\" больше нет на диске: его удалили или "
                                  "переименовали после того, как он был открыт или сохранён "
                                  "здесь.\nСохранить документ в этот файл?")
                       .arg(name);
        else
            text = QStringLiteral("Файл \"%1\" изменён на диске другой программой после того, "
                                  "как был открыт или сохранён здесь.\n%2Если сохранить "
                                  "документ, эти изменения будут потеряны.\nСохранить?")
                       .arg(name, foreignOwner
                                      ? QStringLiteral("Теперь владелец файла — %1.\n").arg(owner)
                                      : QString());
    } else if (foreignOwner) {
        // Another file, which is another user's.
        text = target->viaLink
                   ? QStringLiteral("Путь \"%1\" ведёт к файлу \"%2\", владелец которого — %3.\n"
                                    "Если сохранить документ, будет перезаписан файл \"%2\".\n"
                                    "Сохранить?")
                         .arg(QDir::toNativeSeparators(path), real, owner)
                   : QStringLiteral("Владелец файла \"%1\" — %2.\nЕсли сохранить документ, "
                                    "этот файл будет перезаписан.\nСохранить?")
                         .arg(QDir::toNativeSeparators(path), owner);
    } else {
        return true;
    }
    m_area.setActiveSubWindow(&child);
    // The save then insists on finding what the question named.
    return m_prompts.message(&m_frame, QMessageBox::Warning, text,
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) == QMessageBox::Yes;
}

bool DocumentManager::confirmRoundTripChanges(CChildFrame& child, const RoundTripReport& report)
{
    const QString changes = QString::fromStdString(
        DocumentFileUi::describeRoundTripChanges(*child.GetDocument(), report));
    const QString text =
        QStringLiteral("Текст некоторых записей нельзя записать в файл в точности: после "
                       "сохранения они прочитаются иначе, чем выглядят сейчас.\n\n%1\n"
                       "Сохранить?")
            .arg(changes);
    return m_prompts.message(&m_frame, QMessageBox::Warning, text,
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) == QMessageBox::Yes;
}

bool DocumentManager::saveTo(CChildFrame& child, const QString& path)
{
    std::optional<FileTarget> target;
    if (!confirmSaveTarget(child, path, target))
        return false;
    bool saved = false;
    {
        QtUiServices ui(m_frame, m_prompts);
        saved = DocumentFileUi(ui).save(
            *child.GetDocument(), path.toStdString(),
            [this, &child](const RoundTripReport& report) {
                return confirmRoundTripChanges(child, report);
            },
            target);
    }
    // Undone back to here, the book is as the file holds it again.
    if (saved)
        child.markSaved();
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
    // Every modified document is asked about first, after its record's unapplied edits (applied,
    // they are part of what is saved); one Cancel keeps everything open.
    const auto children = childFrames();
    for (CChildFrame* child : children) {
        if (!child->PromptRecordOnClose() || !SaveModified(child))
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

bool DocumentManager::runHelpDialog(CChildFrame& frame)
{
    QtUiServices ui(m_frame, m_prompts);
    CCreateHelpDialog dialog(*frame.GetDocument(), m_prompts, ui, *m_helpPlatform, &m_frame);
    m_prompts.exec(dialog);
    return true;
}

void DocumentManager::setHelpPlatform(IHelpPlatform* platform)
{
    m_helpPlatform = platform != nullptr ? platform : m_desktopHelpPlatform.get();
}
