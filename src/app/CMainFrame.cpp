#include "CMainFrame.h"

#include "CChildFrame.h"
#include "CKeyboardLocks.h"
#include "CRecentFileList.h"
#include "CZETbrowserDoc.h"
#include "QtUiServices.h"
#include "UserPrompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <memory>

#ifndef ZET_VERSION
#define ZET_VERSION "0.0"
#endif

const QString CMainFrame::kAppTitle = QStringLiteral("ZET browser");
const QString CMainFrame::kIdleMessage = QStringLiteral("Готов");
const QString CMainFrame::kDocumentFilter = QStringLiteral("Файлы синтаксис-помощника(*.zet)");

namespace {

const QString kUntitledName = QStringLiteral("ZET");
const QString kDefaultSuffix = QStringLiteral("zet");
const QString kAllFilesFilter = QStringLiteral("Все файлы (*)");
const QString kRecentPrompt = QStringLiteral("Открыть этот документ");
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

} // namespace

CMainFrame::CMainFrame(UserPrompts& prompts, CRecentFileList& recentFiles, QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_recentFiles(recentFiles)
{
    setWindowTitle(kAppTitle);
    setAcceptDrops(true);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] {
        updateMenuSet();
        updateCommandStates();
        updateTitle();
    });

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    updateRecentMenus();
    updateMenuSet();
    updateCommandStates();
}

CMainFrame::~CMainFrame()
{
    // Document windows go first, while the actions and menus they may reach still exist.
    m_closingAll = true;
    const auto children = childFrames();
    for (CChildFrame* child : children)
        delete child;
}

QAction* CMainFrame::makeAction(int id, const QString& text, const QString& prompt)
{
    auto* action = new QAction(text, this);
    const QStringList parts = prompt.split(u'\n');
    action->setStatusTip(parts.value(0));
    if (parts.size() > 1)
        action->setToolTip(parts.at(1));
    action->setData(id);
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::createActions()
{
    auto* newAct = makeAction(ID_FILE_NEW, QStringLiteral("Созд&ать\tCtrl+N"),
                              QStringLiteral("Создать новый документ\nНовый"));
    newAct->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    newAct->setIcon(QIcon(QStringLiteral(":/toolbar/new.png")));
    connect(newAct, &QAction::triggered, this, [this] { OnFileNew(); });

    auto* openAct = makeAction(ID_FILE_OPEN, QStringLiteral("&Открыть...\tCtrl+O"),
                               QStringLiteral("Открыть существующий документ\nОткрыть"));
    openAct->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    openAct->setIcon(QIcon(QStringLiteral(":/toolbar/open.png")));
    connect(openAct, &QAction::triggered, this, &CMainFrame::OnFileOpen);

    auto* closeAct = makeAction(ID_FILE_CLOSE, QStringLiteral("&Закрыть"),
                                QStringLiteral("Закрыть документ\nЗакрыть"));
    connect(closeAct, &QAction::triggered, this, &CMainFrame::OnFileClose);

    auto* saveAct = makeAction(ID_FILE_SAVE, QStringLiteral("&Сохранить\tCtrl+S"),
                               QStringLiteral("Сохранить текущий документ\nСохранить"));
    saveAct->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAct->setIcon(QIcon(QStringLiteral(":/toolbar/save.png")));
    connect(saveAct, &QAction::triggered, this, [this] {
        if (CChildFrame* child = activeChild())
            OnFileSave(child);
    });

    auto* saveAsAct =
        makeAction(ID_FILE_SAVE_AS, QStringLiteral("Сохранить &как..."),
                   QStringLiteral("Сохранить текущий документ под новым именем\nСохранить как"));
    connect(saveAsAct, &QAction::triggered, this, [this] {
        if (CChildFrame* child = activeChild())
            OnFileSaveAs(child);
    });

    auto* exitAct = makeAction(ID_APP_EXIT, QStringLiteral("В&ыход"),
                               QStringLiteral("Выход из программы\nЗавершить работу"));
    connect(exitAct, &QAction::triggered, this, &QWidget::close);

    auto* toolBarAct = makeAction(
        ID_VIEW_TOOLBAR, QStringLiteral("Панели &инструментов"),
        QStringLiteral("Показать или спрятать панель инструментов\nПанель инструментов"));
    toolBarAct->setCheckable(true);
    toolBarAct->setChecked(true);

    const QString statusPrompt =
        QStringLiteral("Показать или спрятать строку сосотояния\nСтрока состояния");
    auto* statusAct =
        makeAction(ID_VIEW_STATUS_BAR, QStringLiteral("Строка &статуса"), statusPrompt);
    m_statusBarAction129 = new QAction(QStringLiteral("Полоса &статуса"), this);
    m_statusBarAction129->setStatusTip(statusAct->statusTip());
    m_statusBarAction129->setToolTip(statusAct->toolTip());
    for (QAction* act : {statusAct, m_statusBarAction129}) {
        act->setCheckable(true);
        act->setChecked(true);
        connect(act, &QAction::toggled, this, [this](bool on) {
            statusBar()->setVisible(on);
            m_actions.value(ID_VIEW_STATUS_BAR)->setChecked(on);
            m_statusBarAction129->setChecked(on);
        });
    }

    auto* cascadeAct = makeAction(
        ID_WINDOW_CASCADE, QStringLiteral("&Каскад"),
        QStringLiteral("Выстроить окна так, чтоб они перекрывали друг друга каскадом\nКаскад"));
    connect(cascadeAct, &QAction::triggered, m_mdiArea, &QMdiArea::cascadeSubWindows);
    auto* tileAct = makeAction(
        ID_WINDOW_TILE_HORZ, QStringLiteral("&Черепица"),
        QStringLiteral("Выстроить окна так, чтоб они не перекрывали друг друга\nЧерепица"));
    connect(tileAct, &QAction::triggered, m_mdiArea, &QMdiArea::tileSubWindows);

    auto* helpAct = makeAction(ID_CREATE_HELP, QStringLiteral("Создать справку в формате CHM"),
                               QStringLiteral("Создать справку в формате CHM"));
    connect(helpAct, &QAction::triggered, this, [this] {
        if (CChildFrame* child = activeChild())
            child->OnCreateHelp();
    });

    auto* aboutAct = makeAction(
        ID_APP_ABOUT, QStringLiteral("&О программе ZET browser..."),
        QStringLiteral("Показать информацию о программе, ее версии и авторах\nО программе"));
    aboutAct->setIcon(QIcon(QStringLiteral(":/toolbar/about.png")));
    connect(aboutAct, &QAction::triggered, this, &CMainFrame::OnAppAbout);

    // Keys the accelerator table reserves without any command behind them: disabled, so the
    // key still reaches the focused widget (the tree copies with Ctrl+C).
    auto* copyAct = makeAction(ID_EDIT_COPY, QStringLiteral("Copy"), QString());
    copyAct->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copyAct->setEnabled(false);
    auto* printAct = makeAction(ID_FILE_PRINT, QStringLiteral("Print"), QString());
    printAct->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    printAct->setEnabled(false);

    auto* nextPane = makeAction(ID_NEXT_PANE, QStringLiteral("Next pane"), QString());
    nextPane->setShortcut(QKeySequence(Qt::Key_F6));
    connect(nextPane, &QAction::triggered, this, [this] {
        if (CChildFrame* child = activeChild())
            child->activateNextPane();
    });
    auto* prevPane = makeAction(ID_PREV_PANE, QStringLiteral("Previous pane"), QString());
    prevPane->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(prevPane, &QAction::triggered, this, [this] {
        if (CChildFrame* child = activeChild())
            child->activateNextPane(true);
    });
    for (QAction* act : {copyAct, printAct, nextPane, prevPane, newAct, openAct, saveAct}) {
        act->setShortcutContext(Qt::WindowShortcut);
        addAction(act);
    }
}

CMainFrame::RecentPlace CMainFrame::createRecentPlace(QMenu* menu, const QString& placeholderText)
{
    RecentPlace place;
    place.menu = menu;
    place.placeholder = menu->addAction(placeholderText);
    place.placeholder->setEnabled(false);
    place.placeholder->setStatusTip(kRecentPrompt);
    place.after = menu->addSeparator();
    return place;
}

void CMainFrame::createMenus()
{
    // Menu 128: no document open.
    auto* file128 = new QMenu(QStringLiteral("&Файл"), this);
    file128->addAction(m_actions.value(ID_FILE_NEW));
    file128->addAction(m_actions.value(ID_FILE_OPEN));
    file128->addSeparator();
    m_recentPlaces[0] = createRecentPlace(file128, QStringLiteral("Повторно открыть"));
    file128->addAction(m_actions.value(ID_APP_EXIT));
    auto* view128 = new QMenu(QStringLiteral("&Вид"), this);
    view128->addAction(m_actions.value(ID_VIEW_TOOLBAR));
    view128->addAction(m_actions.value(ID_VIEW_STATUS_BAR));
    auto* help128 = new QMenu(QStringLiteral("&?"), this);
    help128->addAction(m_actions.value(ID_APP_ABOUT));
    m_menus128 = {file128, view128, help128};

    // Menu 129: a document window is active.
    auto* file129 = new QMenu(QStringLiteral("&Файл"), this);
    file129->addAction(m_actions.value(ID_FILE_NEW));
    file129->addAction(m_actions.value(ID_FILE_OPEN));
    file129->addAction(m_actions.value(ID_FILE_CLOSE));
    file129->addAction(m_actions.value(ID_FILE_SAVE));
    file129->addAction(m_actions.value(ID_FILE_SAVE_AS));
    file129->addSeparator();
    m_recentPlaces[1] = createRecentPlace(file129, QStringLiteral("Повторно открыть файл"));
    file129->addAction(m_actions.value(ID_APP_EXIT));
    auto* view129 = new QMenu(QStringLiteral("&Вид"), this);
    view129->addAction(m_actions.value(ID_VIEW_TOOLBAR));
    view129->addAction(m_statusBarAction129);
    auto* window129 = new QMenu(QStringLiteral("&Окно"), this);
    window129->addAction(m_actions.value(ID_WINDOW_CASCADE));
    window129->addAction(m_actions.value(ID_WINDOW_TILE_HORZ));
    auto* service129 = new QMenu(QStringLiteral("Сервис"), this);
    service129->addAction(m_actions.value(ID_CREATE_HELP));
    auto* help129 = new QMenu(QStringLiteral("&?"), this);
    help129->addAction(m_actions.value(ID_APP_ABOUT));
    m_menus129 = {file129, view129, window129, service129, help129};

    for (QMenu* menu : m_menus128 + m_menus129)
        menu->setToolTipsVisible(false);
    m_documentMenuShown = true; // forces the first updateMenuSet to install menu 128
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("Панель инструментов"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar128"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->addAction(m_actions.value(ID_FILE_NEW));
    m_toolBar->addAction(m_actions.value(ID_FILE_OPEN));
    m_toolBar->addAction(m_actions.value(ID_FILE_SAVE));
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_actions.value(ID_APP_ABOUT));
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    QAction* toggle = m_actions.value(ID_VIEW_TOOLBAR);
    connect(toggle, &QAction::toggled, m_toolBar, &QWidget::setVisible);
    // Closing the toolbar by other means (floating window, context menu) keeps the check right.
    connect(m_toolBar, &QToolBar::visibilityChanged, this, [this, toggle](bool visible) {
        if (!isHidden() || visible)
            toggle->setChecked(visible);
    });
}

void CMainFrame::createStatusBar()
{
    QStatusBar* bar = statusBar();
    m_messagePane = new QLabel(kIdleMessage, bar);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    bar->addWidget(m_messagePane, 1);
    const QStringList texts = {QStringLiteral("ВР"), QStringLiteral("ЦИФ"), QStringLiteral("СКРЛ")};
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(texts.at(i), bar);
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(texts.at(i)) + 12);
        bar->addPermanentWidget(pane);
        m_lockPanes[i] = pane;
    }
    // A prompt shown while hovering a command ends with the idle text, as it always has.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            m_messagePane->setText(kIdleMessage);
    });
    m_locks = new CKeyboardLocks(this);
    connect(m_locks, &CKeyboardLocks::changed, this, &CMainFrame::updateLockPanes);
    updateLockPanes();
}

void CMainFrame::updateLockPanes()
{
    for (int i = 0; i < 3; ++i)
        m_lockPanes[i]->setEnabled(m_locks->isOn(static_cast<CKeyboardLocks::Lock>(i)));
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_messagePane->setText(text);
    // Long operations block the event loop; show the text before they start.
    m_messagePane->repaint();
}

QString CMainFrame::statusText() const
{
    return m_messagePane->text();
}

void CMainFrame::updateRecentMenus()
{
    const QStringList& files = m_recentFiles.files();
    for (RecentPlace& place : m_recentPlaces) {
        qDeleteAll(place.entries);
        place.entries.clear();
        place.placeholder->setVisible(files.isEmpty());
        for (int i = 0; i < files.size(); ++i) {
            auto* entry = new QAction(m_recentFiles.MenuText(i), place.menu);
            entry->setStatusTip(kRecentPrompt);
            entry->setData(ID_FILE_MRU_FILE1 + i);
            connect(entry, &QAction::triggered, this, [this, i] { openRecentFile(i); });
            place.menu->insertAction(place.after, entry);
            place.entries.append(entry);
        }
    }
}

void CMainFrame::openRecentFile(int index)
{
    const QString path = m_recentFiles.files().value(index);
    if (path.isEmpty())
        return;
    if (OpenDocumentFile(path) == nullptr) {
        // A file that can no longer be read leaves the list, as it always has.
        m_recentFiles.Remove(path);
        updateRecentMenus();
    }
}

void CMainFrame::updateMenuSet()
{
    const bool wantDocumentMenu = !m_mdiArea->subWindowList().isEmpty();
    if (wantDocumentMenu == m_documentMenuShown)
        return;
    QMenuBar* bar = menuBar();
    const auto current = bar->actions();
    for (QAction* act : current)
        bar->removeAction(act);
    for (QMenu* menu : wantDocumentMenu ? m_menus129 : m_menus128)
        bar->addMenu(menu);
    m_documentMenuShown = wantDocumentMenu;
}

void CMainFrame::updateCommandStates()
{
    CChildFrame* child = activeChild();
    m_actions.value(ID_FILE_SAVE)->setEnabled(child != nullptr && child->canSave());
    for (int id : {ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ,
                   ID_CREATE_HELP, ID_NEXT_PANE, ID_PREV_PANE})
        m_actions.value(id)->setEnabled(child != nullptr);
}

void CMainFrame::updateTitle()
{
    CChildFrame* child = activeChild();
    if (child != nullptr && child->GetDocument() != nullptr)
        setWindowTitle(kAppTitle + QStringLiteral(" - ") +
                       QString::fromStdString(child->GetDocument()->GetTitle()));
    else
        setWindowTitle(kAppTitle);
}

CChildFrame* CMainFrame::activeChild() const
{
    // The current window stays current while the application is inactive (a dialog is up).
    if (auto* child = qobject_cast<CChildFrame*>(m_mdiArea->currentSubWindow()))
        return child;
    if (auto* child = qobject_cast<CChildFrame*>(m_mdiArea->activeSubWindow()))
        return child;
    return nullptr;
}

QList<CChildFrame*> CMainFrame::childFrames() const
{
    QList<CChildFrame*> result;
    const auto windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* window : windows) {
        if (auto* child = qobject_cast<CChildFrame*>(window))
            result.append(child);
    }
    return result;
}

void CMainFrame::attachChild(CChildFrame* child)
{
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->setWindowIcon(QIcon(QStringLiteral(":/icons/16x16/application-x-zet-document.png")));
    connect(child, &CChildFrame::documentStateChanged, this, [this] {
        updateCommandStates();
        updateTitle();
    });
    // Queued: the MDI area forgets the window only after `destroyed`.
    connect(
        child, &QObject::destroyed, this,
        [this] {
            updateMenuSet();
            updateCommandStates();
            updateTitle();
        },
        Qt::QueuedConnection);
    m_mdiArea->addSubWindow(child);
    if (isVisible())
        fitNewChild(child);
    else
        m_pendingFit.append(child);
    child->show();
    m_mdiArea->setActiveSubWindow(child);
    updateMenuSet();
    updateCommandStates();
    updateTitle();
}

CChildFrame* CMainFrame::OnFileNew()
{
    auto doc = std::make_unique<CZETbrowserDoc>();
    doc->OnNewDocument();
    doc->SetTitle((kUntitledName + QString::number(++m_untitledCount)).toStdString());
    auto* child = new CChildFrame(std::move(doc), m_prompts, this);
    attachChild(child);
    return child;
}

void CMainFrame::OnFileOpen()
{
    const QString path =
        m_prompts.openFileName(this, QStringLiteral("Открыть"), QString(),
                               kDocumentFilter + QStringLiteral(";;") + kAllFilesFilter);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

CChildFrame* CMainFrame::findOpenDocument(const QString& path) const
{
    const QString wanted = canonical(path);
    const auto children = childFrames();
    for (CChildFrame* child : children) {
        const CZETbrowserDoc* doc = child->GetDocument();
        if (doc == nullptr || doc->GetPathName().empty())
            continue;
        if (canonical(QString::fromStdString(doc->GetPathName())) == wanted)
            return child;
    }
    return nullptr;
}

CChildFrame* CMainFrame::OpenDocumentFile(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (CChildFrame* open = findOpenDocument(absolute)) {
        if (open->isMinimized())
            open->showNormal();
        m_mdiArea->setActiveSubWindow(open);
        return open;
    }

    auto doc = std::make_unique<CZETbrowserDoc>();
    {
        QtUiServices ui(*this, m_prompts);
        if (!doc->OnOpenDocument(absolute.toStdString(), ui))
            return nullptr;
    }
    doc->SetPathName(absolute.toStdString());
    doc->SetModifiedFlag(false);
    auto* child = new CChildFrame(std::move(doc), m_prompts, this);
    attachChild(child);
    m_recentFiles.Add(absolute);
    updateRecentMenus();
    return child;
}

bool CMainFrame::OnFileSave(CChildFrame* child)
{
    CZETbrowserDoc* doc = child != nullptr ? child->GetDocument() : nullptr;
    if (doc == nullptr)
        return false;
    const QString path = QString::fromStdString(doc->GetPathName());
    if (path.isEmpty())
        return OnFileSaveAs(child);
    bool saved = false;
    {
        QtUiServices ui(*this, m_prompts);
        saved = doc->OnSaveDocument(path.toStdString(), ui);
    }
    child->UpdateDocumentState();
    updateCommandStates();
    updateTitle();
    return saved;
}

bool CMainFrame::OnFileSaveAs(CChildFrame* child)
{
    CZETbrowserDoc* doc = child != nullptr ? child->GetDocument() : nullptr;
    if (doc == nullptr)
        return false;
    QString proposed = QString::fromStdString(doc->GetPathName());
    if (proposed.isEmpty())
        proposed = withoutModifiedMark(QString::fromStdString(doc->GetTitle())) +
                   QStringLiteral(".") + kDefaultSuffix;
    QString path = m_prompts.saveFileName(this, QStringLiteral("Сохранить как"), proposed,
                                          kDocumentFilter + QStringLiteral(";;") + kAllFilesFilter);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".") + kDefaultSuffix;
    path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    bool saved = false;
    {
        QtUiServices ui(*this, m_prompts);
        saved = doc->OnSaveDocument(path.toStdString(), ui);
    }
    if (saved) {
        m_recentFiles.Add(path);
        updateRecentMenus();
    }
    child->UpdateDocumentState();
    updateCommandStates();
    updateTitle();
    return saved;
}

void CMainFrame::OnFileClose()
{
    if (CChildFrame* child = activeChild())
        child->close();
}

bool CMainFrame::SaveModified(CChildFrame* child)
{
    CZETbrowserDoc* doc = child != nullptr ? child->GetDocument() : nullptr;
    if (doc == nullptr || !doc->IsModified())
        return true;
    // Named by the file's name once it has one; the title's modified mark is no part of it.
    QString name = QString::fromStdString(doc->GetPathName());
    name = name.isEmpty() ? withoutModifiedMark(QString::fromStdString(doc->GetTitle()))
                          : QFileInfo(name).fileName();
    m_mdiArea->setActiveSubWindow(child);
    const auto answer = m_prompts.message(
        this, QMessageBox::Warning, QStringLiteral("Сохранить изменения в %1?").arg(name),
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

QString CMainFrame::AboutText()
{
    return QStringLiteral("<b>ZET browser</b><br>Версия %1<br><br>"
                          "Редактор книг синтаксис-помощника: структура книги в виде дерева, "
                          "правка записей и создание справки в формате CHM.")
        .arg(QStringLiteral(ZET_VERSION));
}

void CMainFrame::OnAppAbout()
{
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("О программе ZET browser"));
    box.setTextFormat(Qt::RichText);
    box.setText(AboutText());
    box.setIconPixmap(QPixmap(QStringLiteral(":/icons/48x48/zetbrowser.png")));
    box.setStandardButtons(QMessageBox::Ok);
    m_prompts.exec(box);
}

// A new window nearly fills the MDI area, unless the windows are maximised anyway.
void CMainFrame::fitNewChild(QMdiSubWindow* child)
{
    const QSize area = m_mdiArea->viewport()->size();
    if (!child->isMaximized() && area.width() > 0 && area.height() > 45)
        child->setGeometry(0, 0, area.width(), area.height() - 45);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitPendingChildren();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The MDI area gets its size when the layout runs, after this event.
    QMetaObject::invokeMethod(this, &CMainFrame::fitPendingChildren, Qt::QueuedConnection);
}

void CMainFrame::fitPendingChildren()
{
    if (!isVisible() || m_pendingFit.isEmpty())
        return;
    for (const QPointer<QMdiSubWindow>& child : std::as_const(m_pendingFit)) {
        if (child != nullptr)
            fitNewChild(child);
    }
    m_pendingFit.clear();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Every modified document is asked about first; one Cancel keeps everything open.
    const auto children = childFrames();
    for (CChildFrame* child : children) {
        if (!SaveModified(child)) {
            event->ignore();
            return;
        }
    }
    m_closingAll = true;
    bool allClosed = true;
    for (CChildFrame* child : children)
        allClosed = child->close() && allClosed;
    m_closingAll = false;
    if (!allClosed) {
        event->ignore();
        return;
    }
    event->accept();
}

bool CMainFrame::acceptsDrop(const QPoint& pos, const QMimeData* data) const
{
    if (data == nullptr || !data->hasUrls())
        return false;
    // Document windows decide about drops themselves; what reaches us over one is refused.
    for (QWidget* w = childAt(pos); w != nullptr && w != this; w = w->parentWidget()) {
        if (qobject_cast<CChildFrame*>(w) != nullptr)
            return false;
    }
    const auto urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrop(event->position().toPoint(), event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop(event->position().toPoint(), event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (!acceptsDrop(event->position().toPoint(), event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QStringList paths;
    const auto urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    // Opening may ask questions; let the drag finish first.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            activateWindow();
            for (const QString& path : paths)
                OpenDocumentFile(path);
        },
        Qt::QueuedConnection);
}
