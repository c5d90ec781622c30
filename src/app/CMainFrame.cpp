#include "CMainFrame.h"

#include "BookFindPanel.h"
#include "CAboutDlg.h"
#include "CChildFrame.h"
#include "CRecentFileList.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "DocumentManager.h"
#include "FileDropOpener.h"
#include "MainStatusBar.h"
#include "MdiArrangement.h"
#include "ProgramInfo.h"
#include "UserPrompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStyle>
#include <QToolBar>
#include <QUndoGroup>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kAppTitle = QStringLiteral(ZET_PROGRAM_NAME);
const QString kRecentPrompt = QStringLiteral("Открыть этот документ");

// Entries of the menu and toolbar lists besides command ids.
constexpr int kSeparator = 0;
constexpr int kRecentFiles = -1;       // the recent files, or a grayed placeholder, and a separator
constexpr int kDocumentStatusBar = -2; // the document menus' own status-bar toggle

} // namespace

CMainFrame::CMainFrame(UserPrompts& prompts, CRecentFileList& recentFiles, QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_settings(recentFiles.settings())
{
    setWindowTitle(kAppTitle);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    m_documents = new DocumentManager(*this, *m_mdiArea, prompts, recentFiles);
    connect(m_documents, &DocumentManager::stateChanged, this, &CMainFrame::refreshFrameState);
    connect(m_documents, &DocumentManager::recentFilesChanged, this,
            &CMainFrame::updateRecentMenus);
    m_undoGroup = new QUndoGroup(this);
    connect(m_documents, &DocumentManager::windowAdded, this, [this](CChildFrame* child) {
        m_undoGroup->addStack(&child->history().stack());
        if (isVisible())
            fitNewChild(child);
        else
            m_pendingFit.append(child);
    });

    m_findPanel = new BookFindPanel(prompts, this);
    m_findPanel->setFrames([docs = m_documents] { return docs->childFrames(); },
                           [docs = m_documents] { return docs->activeChild(); });
    m_findPanel->setSettings(&m_settings);
    addDockWidget(Qt::BottomDockWidgetArea, m_findPanel);
    m_findPanel->hide();
    connect(m_documents, &DocumentManager::stateChanged, m_findPanel,
            &BookFindPanel::onBooksChanged);

    createActions();
    m_menusWithoutDocument = {
        createMenu(QStringLiteral("&Файл"),
                   {ID_FILE_NEW, ID_FILE_OPEN, kSeparator, kRecentFiles, ID_APP_EXIT},
                   QStringLiteral("Повторно открыть")),
        createMenu(QStringLiteral("&Вид"), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}),
        createMenu(QStringLiteral("&?"), {ID_APP_ABOUT})};
    m_documentMenus = {createMenu(QStringLiteral("&Файл"),
                                  {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE,
                                   ID_FILE_SAVE_AS, kSeparator, kRecentFiles, ID_APP_EXIT},
                                  QStringLiteral("Повторно открыть файл")),
                       createMenu(QStringLiteral("&Правка"),
                                  {ID_EDIT_UNDO, ID_EDIT_REDO, kSeparator, ID_EDIT_FIND_IN_BOOK,
                                   ID_EDIT_FIND_NEXT, ID_EDIT_FIND_PREVIOUS}),
                       createMenu(QStringLiteral("&Вид"), {ID_VIEW_TOOLBAR, kDocumentStatusBar}),
                       m_windowMenu = createMenu(QStringLiteral("&Окно"),
                                                 {ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ}),
                       createMenu(QStringLiteral("Сервис"), {ID_CREATE_HELP}),
                       createMenu(QStringLiteral("&?"), {ID_APP_ABOUT})};
    QAction* panelToggle = m_findPanel->toggleViewAction();
    panelToggle->setText(QStringLiteral("Панель «Поиск в &книге»"));
    panelToggle->setStatusTip(QStringLiteral("Показать или спрятать панель поиска в книге"));
    m_documentMenus.at(2)->addAction(panelToggle);
    m_documentMenuShown = true; // so the first refresh installs the menus without a document

    m_toolBar = new QToolBar(QStringLiteral("Панель инструментов"), this);
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    for (int id :
         std::initializer_list<int>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, kSeparator,
                                    ID_EDIT_UNDO, ID_EDIT_REDO, kSeparator, ID_APP_ABOUT}) {
        if (id == kSeparator)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(commandAction(id));
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    // Closing the toolbar by other means (floating window, context menu) keeps the check right.
    connect(m_toolBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
        if (!isHidden() || visible)
            commandAction(ID_VIEW_TOOLBAR)->setChecked(visible);
    });

    for (const auto signal : {&QUndoGroup::canUndoChanged, &QUndoGroup::canRedoChanged})
        connect(m_undoGroup, signal, this, &CMainFrame::updateHistoryActions);
    for (const auto signal : {&QUndoGroup::undoTextChanged, &QUndoGroup::redoTextChanged})
        connect(m_undoGroup, signal, this, &CMainFrame::updateHistoryActions);
    updateHistoryActions();

    m_statusBar = new MainStatusBar(this);
    setStatusBar(m_statusBar);
    new FileDropOpener(*this, *m_documents);
    updateRecentMenus();
    refreshFrameState();
}

CMainFrame::~CMainFrame()
{
    // Document windows go first, while the actions and menus they may reach still exist.
    qDeleteAll(m_documents->childFrames());
}

CChildFrame* CMainFrame::activeChild() const
{
    return m_documents->activeChild();
}

QList<CChildFrame*> CMainFrame::childFrames() const
{
    return m_documents->childFrames();
}

void CMainFrame::createActions()
{
    DocumentManager* docs = m_documents;
    // A command of the active document window.
    const auto inActive = [docs](void (CChildFrame::*run)()) {
        return [docs, run](bool) {
            if (CChildFrame* child = docs->activeChild())
                (child->*run)();
        };
    };
    const QKeyCombination noKey;
    struct Row
    {
        int id;
        const char* text;   // the menu text, with the key after a tab
        const char* prompt; // the status-bar prompt, then after "\n" the tooltip
        QKeyCombination key;
        const char* icon; // in :/toolbar
        int flags;
        std::function<void(bool checked)> run;
    };
    const Row rows[] = {
        {ID_FILE_NEW, "Созд&ать\tCtrl+N", "Создать новый документ\nНовый", Qt::CTRL | Qt::Key_N,
         "new", Always, [docs](bool) { docs->OnFileNew(); }},
        {ID_FILE_OPEN, "&Открыть...\tCtrl+O", "Открыть существующий документ\nОткрыть",
         Qt::CTRL | Qt::Key_O, "open", Always, [docs](bool) { docs->OnFileOpen(); }},
        {ID_FILE_CLOSE, "&Закрыть", "Закрыть документ\nЗакрыть", noKey, nullptr, NeedsDocument,
         [docs](bool) { docs->OnFileClose(); }},
        {ID_FILE_SAVE, "&Сохранить\tCtrl+S", "Сохранить текущий документ\nСохранить",
         Qt::CTRL | Qt::Key_S, "save", NeedsChanges,
         [docs](bool) { docs->OnFileSave(docs->activeChild()); }},
        {ID_FILE_SAVE_AS, "Сохранить &как...",
         "Сохранить текущий документ под новым именем\nСохранить как", noKey, nullptr,
         NeedsDocument, [docs](bool) { docs->OnFileSaveAs(docs->activeChild()); }},
        {ID_APP_EXIT, "В&ыход", "Выход из программы\nЗавершить работу", noKey, nullptr, Always,
         [this](bool) { close(); }},
        {ID_VIEW_TOOLBAR, "Панели &инструментов",
         "Показать или спрятать панель инструментов\nПанель инструментов", noKey, nullptr, Toggle,
         [this](bool on) { m_toolBar->setVisible(on); }},
        {ID_VIEW_STATUS_BAR, "Строка &статуса",
         "Показать или спрятать строку сосотояния\nСтрока состояния", noKey, nullptr, Toggle,
         [this](bool on) { showStatusBar(on); }},
        {ID_WINDOW_CASCADE, "&Каскад",
         "Выстроить окна так, чтоб они перекрывали друг друга каскадом\nКаскад", noKey, nullptr,
         NeedsDocument, [this](bool) { cascadeWindows(); }},
        {ID_WINDOW_TILE_HORZ, "&Черепица",
         "Выстроить окна так, чтоб они не перекрывали друг друга\nЧерепица", noKey, nullptr,
         NeedsDocument, [this](bool) { tileWindowsHorizontally(); }},
        {ID_EDIT_UNDO, "&Отменить\tCtrl+Z", "Отменить последнее действие\nОтменить",
         Qt::CTRL | Qt::Key_Z, "undo", FollowsHistory, inActive(&CChildFrame::OnEditUndo)},
        {ID_EDIT_REDO, "&Повторить\tCtrl+Y", "Повторить отменённое действие\nПовторить",
         Qt::CTRL | Qt::Key_Y, "redo", FollowsHistory, inActive(&CChildFrame::OnEditRedo)},
        {ID_CREATE_HELP, "Создать справку в формате CHM", "Создать справку в формате CHM", noKey,
         nullptr, NeedsDocument, inActive(&CChildFrame::OnCreateHelp)},
        {ID_EDIT_FIND_IN_BOOK, "&Найти в книге...\tCtrl+Shift+F",
         "Найти и заменить текст во всех записях книги\nНайти в книге",
         Qt::CTRL | Qt::SHIFT | Qt::Key_F, nullptr, NeedsDocument,
         [this](bool) { m_findPanel->activate(); }},
        {ID_EDIT_FIND_NEXT, "Найти &далее\tF3", "Перейти к следующему найденному\nНайти далее",
         Qt::Key_F3, nullptr, NeedsDocument, [this](bool) { m_findPanel->findNext(); }},
        {ID_EDIT_FIND_PREVIOUS, "Найти &ранее\tShift+F3",
         "Перейти к предыдущему найденному\nНайти ранее", Qt::SHIFT | Qt::Key_F3, nullptr,
         NeedsDocument, [this](bool) { m_findPanel->findPrevious(); }},
        {ID_APP_ABOUT, "&О программе " ZET_PROGRAM_NAME "...",
         "Показать информацию о программе, ее версии и авторах\nО программе", noKey, "about",
         Always, [this](bool) { OnAppAbout(); }},
        // Keys the accelerator table reserves without any command behind them: disabled, so
        // the key still reaches the focused widget (the tree copies with Ctrl+C).
        {ID_EDIT_COPY, "Copy", "", Qt::CTRL | Qt::Key_C, nullptr, Reserved, nullptr},
        {ID_FILE_PRINT, "Print", "", Qt::CTRL | Qt::Key_P, nullptr, Reserved, nullptr},
        {ID_NEXT_PANE, "Next pane", "", Qt::Key_F6, nullptr, NeedsDocument,
         inActive(&CChildFrame::activateNextPane)},
        {ID_PREV_PANE, "Previous pane", "", Qt::SHIFT | Qt::Key_F6, nullptr, NeedsDocument,
         inActive(&CChildFrame::activatePreviousPane)},
        {ID_NEXT_WINDOW, "Next window", "", Qt::CTRL | Qt::Key_F6, nullptr, NeedsDocument,
         [this](bool) { m_mdiArea->activateNextSubWindow(); }},
        {ID_PREV_WINDOW, "Previous window", "", Qt::CTRL | Qt::SHIFT | Qt::Key_F6, nullptr,
         NeedsDocument, [this](bool) { m_mdiArea->activatePreviousSubWindow(); }},
    };
    for (const Row& row : rows) {
        auto* action = new QAction(QString::fromUtf8(row.text), this);
        const QStringList prompt = QString::fromUtf8(row.prompt).split(u'\n');
        action->setStatusTip(prompt.value(0));
        if (prompt.size() > 1)
            action->setToolTip(prompt.at(1));
        action->setData(row.id);
        if (row.icon != nullptr)
            action->setIcon(QIcon(QStringLiteral(":/toolbar/%1.png").arg(row.icon)));
        action->setCheckable(row.flags & Toggle);
        action->setChecked(row.flags & Toggle);
        if (row.run)
            connect(action, &QAction::triggered, this, row.run);
        // Keys work whichever menu set is shown, even for commands in neither.
        if (row.key.toCombined() != 0) {
            action->setShortcut(QKeySequence(row.key));
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action);
        }
        m_commands.insert(row.id, {action, row.flags});
    }
    // Redo has the other editors' key as well. On a Russian layout the keys are the letters on
    // the same keys (the window's own key handling, where no Latin layout lets Qt match them).
    commandAction(ID_EDIT_REDO)
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

    // On a Russian layout the key of F gives А.
    QAction* findInBook = commandAction(ID_EDIT_FIND_IN_BOOK);
    findInBook->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(0x0410))});
    // The keys work in the panel also when it floats as a window of its own.
    for (const int id : {ID_EDIT_FIND_IN_BOOK, ID_EDIT_FIND_NEXT, ID_EDIT_FIND_PREVIOUS})
        m_findPanel->addAction(commandAction(id));
    // The document menus word the status-bar toggle differently; the two stay in step.
    const QAction* statusBarAction = commandAction(ID_VIEW_STATUS_BAR);
    m_documentStatusBarAction = new QAction(QStringLiteral("Полоса &статуса"), this);
    m_documentStatusBarAction->setStatusTip(statusBarAction->statusTip());
    m_documentStatusBarAction->setToolTip(statusBarAction->toolTip());
    m_documentStatusBarAction->setCheckable(true);
    m_documentStatusBarAction->setChecked(true);
    connect(m_documentStatusBarAction, &QAction::triggered, this, &CMainFrame::showStatusBar);
}

QMenu* CMainFrame::createMenu(const QString& title, std::initializer_list<int> items,
                              const QString& recentPlaceholder)
{
    auto* menu = new QMenu(title, this);
    menu->setToolTipsVisible(false);
    for (int item : items) {
        if (item == kSeparator) {
            menu->addSeparator();
        } else if (item == kDocumentStatusBar) {
            menu->addAction(m_documentStatusBarAction);
        } else if (item == kRecentFiles) {
            RecentPlace place{menu, menu->addAction(recentPlaceholder), nullptr, {}};
            place.placeholder->setEnabled(false);
            place.placeholder->setStatusTip(kRecentPrompt);
            place.after = menu->addSeparator();
            m_recentPlaces.append(place);
        } else {
            menu->addAction(commandAction(item));
        }
    }
    return menu;
}

void CMainFrame::showStatusBar(bool on)
{
    statusBar()->setVisible(on);
    commandAction(ID_VIEW_STATUS_BAR)->setChecked(on);
    m_documentStatusBarAction->setChecked(on);
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_statusBar->setMessageText(text);
}

QString CMainFrame::statusText() const
{
    return m_statusBar->messageText();
}

const std::array<QLabel*, 3>& CMainFrame::lockPanes() const
{
    return m_statusBar->lockPanes();
}

void CMainFrame::updateRecentMenus()
{
    const CRecentFileList& recent = m_documents->recentFiles();
    const QStringList& files = recent.files();
    for (RecentPlace& place : m_recentPlaces) {
        qDeleteAll(place.entries);
        place.entries.clear();
        place.placeholder->setVisible(files.isEmpty());
        for (int i = 0; i < files.size(); ++i) {
            auto* entry = new QAction(recent.MenuText(i), place.menu);
            entry->setStatusTip(kRecentPrompt);
            entry->setData(ID_FILE_MRU_FILE1 + i);
            connect(entry, &QAction::triggered, m_documents,
                    [this, i] { m_documents->openRecentFile(i); });
            place.menu->insertAction(place.after, entry);
            place.entries.append(entry);
        }
    }
}

void CMainFrame::refreshFrameState()
{
    CChildFrame* child = m_documents->activeChild();
    const bool wantDocumentMenu = !m_mdiArea->subWindowList().isEmpty();
    if (wantDocumentMenu != m_documentMenuShown) {
        QMenuBar* bar = menuBar();
        const auto current = bar->actions();
        for (QAction* act : current)
            bar->removeAction(act);
        for (QMenu* menu : wantDocumentMenu ? m_documentMenus : m_menusWithoutDocument)
            bar->addMenu(menu);
        m_documentMenuShown = wantDocumentMenu;
    }

    for (const Command& command : std::as_const(m_commands)) {
        if (command.flags & (NeedsDocument | NeedsChanges | Reserved))
            command.action->setEnabled(!(command.flags & Reserved) && child != nullptr &&
                                       (!(command.flags & NeedsChanges) || child->canSave()));
    }

    m_undoGroup->setActiveStack(child != nullptr ? &child->history().stack() : nullptr);

    // A maximised document window's title goes in brackets, as the MDI frame always showed it.
    QString title = kAppTitle;
    if (child != nullptr) {
        const QString document = QString::fromStdString(child->GetDocument()->GetTitle());
        title += child->isMaximized() ? QStringLiteral(" - [%1]").arg(document)
                                      : QStringLiteral(" - ") + document;
    }
    // Qt reads "[*]" in a title as its modified placeholder; a file name may hold it.
    const QString before = windowTitle();
    setWindowTitle(title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
    m_statusBar->followCaption(before, windowTitle());
    updateWindowMenu();
}

void CMainFrame::updateHistoryActions()
{
    struct Entry
    {
        int id;
        QString verb;
        QString key;
        bool enabled;
        QString step;
    };
    const Entry entries[] = {
        {ID_EDIT_UNDO, QStringLiteral("Отменить"), QStringLiteral("Ctrl+Z"), m_undoGroup->canUndo(),
         m_undoGroup->undoText()},
        {ID_EDIT_REDO, QStringLiteral("Повторить"), QStringLiteral("Ctrl+Y"),
         m_undoGroup->canRedo(), m_undoGroup->redoText()},
    };
    for (const Entry& entry : entries) {
        QAction* action = commandAction(entry.id);
        const QString step = entry.enabled ? entry.step : QString();
        const QString named = step.isEmpty() ? entry.verb : entry.verb + QLatin1Char(' ') + step;
        QString menuText = named;
        menuText.replace(QLatin1Char('&'), QStringLiteral("&&"));
        action->setText(QLatin1Char('&') + menuText + QLatin1Char('\t') + entry.key);
        action->setToolTip(named);
        action->setEnabled(entry.enabled);
    }
}

void CMainFrame::updateWindowMenu()
{
    // An entry may be the one whose click brought us here: let it finish first.
    for (QAction* entry : std::as_const(m_windowEntries)) {
        m_windowMenu->removeAction(entry);
        entry->deleteLater();
    }
    m_windowEntries.clear();
    const QList<CChildFrame*> children = m_documents->childFrames();
    if (children.isEmpty())
        return;
    // Numbered in the order they were opened; the active one is always among those listed.
    CChildFrame* active = m_documents->activeChild();
    QList<CChildFrame*> listed = children.mid(0, kListedWindows);
    if (active != nullptr && !listed.contains(active))
        listed.last() = active;
    m_windowEntries.append(m_windowMenu->addSeparator());
    for (int i = 0; i < listed.size(); ++i) {
        CChildFrame* child = listed.at(i);
        QString name = QString::fromStdString(child->GetDocument()->GetTitle());
        auto* entry = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(
            QString::number(i + 1), name.replace(QStringLiteral("&"), QStringLiteral("&&"))));
        entry->setCheckable(true);
        entry->setChecked(child == active);
        entry->setStatusTip(QStringLiteral("Перейти к этому окну"));
        connect(entry, &QAction::triggered, this, [this, window = QPointer<CChildFrame>(child)] {
            if (window != nullptr)
                m_mdiArea->setActiveSubWindow(window);
        });
        m_windowEntries.append(entry);
    }
    if (children.size() > kListedWindows) {
        QAction* more = m_windowMenu->addAction(QStringLiteral("&Другие окна..."));
        more->setStatusTip(QStringLiteral("Выбрать окно из списка всех открытых окон"));
        connect(more, &QAction::triggered, this, &CMainFrame::chooseWindow);
        m_windowEntries.append(more);
    }
}

void CMainFrame::chooseWindow()
{
    const QList<CChildFrame*> children = m_documents->childFrames();
    if (children.isEmpty())
        return;
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Выбор окна"));
    auto* list = new QListWidget(&dialog);
    for (CChildFrame* child : children)
        list->addItem(QString::fromStdString(child->GetDocument()->GetTitle()));
    list->setCurrentRow(std::max<int>(0, children.indexOf(m_documents->activeChild())));
    auto* label = new QLabel(QStringLiteral("&Окна:"), &dialog);
    label->setBuddy(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (m_prompts.exec(dialog) != QDialog::Accepted)
        return;
    // The list was made from these windows; one may have closed while the dialog ran.
    const QList<CChildFrame*> now = m_documents->childFrames();
    CChildFrame* chosen = children.value(list->currentRow());
    if (chosen != nullptr && now.contains(chosen))
        m_mdiArea->setActiveSubWindow(chosen);
}

QRect CMainFrame::arrangeArea() const
{
    // The whole of the MDI area: scroll bars shown for the windows as they are go once the
    // windows are arranged inside it.
    return QRect(QPoint(0, 0), m_mdiArea->contentsRect().size());
}

QList<QMdiSubWindow*> CMainFrame::windowsToArrange()
{
    QList<QMdiSubWindow*> windows;
    const auto stacked = m_mdiArea->subWindowList(QMdiArea::StackingOrder);
    for (QMdiSubWindow* window : stacked) {
        if (window->isMinimized() || window->isHidden())
            continue;
        if (window->isMaximized())
            window->showNormal();
        windows.append(window);
    }
    return windows;
}

void CMainFrame::cascadeWindows()
{
    const QList<QMdiSubWindow*> windows = windowsToArrange();
    if (windows.isEmpty())
        return;
    // One title bar lower and further right each, so every title stays in sight.
    const int step =
        windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.first()) +
        4;
    const QList<QRect> places = MdiArrangement::cascade(arrangeArea(), int(windows.size()), step);
    for (int i = 0; i < windows.size(); ++i) {
        windows.at(i)->setGeometry(places.at(i));
        windows.at(i)->raise();
    }
}

void CMainFrame::tileWindowsHorizontally()
{
    QList<QMdiSubWindow*> windows = windowsToArrange();
    if (windows.isEmpty())
        return;
    // The topmost window takes the top place.
    std::reverse(windows.begin(), windows.end());
    const int titleBar =
        windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.first());
    const QList<QRect> places =
        MdiArrangement::tileHorizontally(arrangeArea(), int(windows.size()), 3 * titleBar);
    for (int i = 0; i < windows.size(); ++i)
        windows.at(i)->setGeometry(places.at(i));
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg about(m_prompts, this);
    m_prompts.exec(about);
}

// A new window lands exactly on the one it follows; the first nearly fills the MDI area. Windows
// maximised anyway keep that.
void CMainFrame::fitNewChild(QMdiSubWindow* child)
{
    if (child->isMaximized())
        return;
    const auto history = m_mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it) {
        QMdiSubWindow* previous = *it;
        if (previous == child || previous->isHidden())
            continue;
        if (!previous->isMinimized() && !previous->isMaximized()) {
            child->setGeometry(previous->geometry());
            return;
        }
        break;
    }
    const QSize area = m_mdiArea->viewport()->size();
    if (area.width() > 0 && area.height() > 45)
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
    restoreFindPanel();
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
    if (m_documents->closeAll()) {
        saveFindPanel();
        event->accept();
    } else {
        event->ignore();
    }
}

namespace {

const QString kPanelVisible = QStringLiteral("BookFind/visible");
const QString kPanelFloating = QStringLiteral("BookFind/floating");
const QString kPanelGeometry = QStringLiteral("BookFind/geometry");
const QString kPanelHeight = QStringLiteral("BookFind/height");

} // namespace

void CMainFrame::restoreFindPanel()
{
    if (m_findPanelRestored)
        return;
    m_findPanelRestored = true;
    if (!m_settings.value(kPanelVisible, false).toBool())
        return;
    if (m_settings.value(kPanelFloating, false).toBool()) {
        m_findPanel->setFloating(true);
        m_findPanel->restoreGeometry(m_settings.value(kPanelGeometry).toByteArray());
    }
    m_findPanel->show();
    const int height = m_settings.value(kPanelHeight, 0).toInt();
    if (!m_findPanel->isFloating() && height > 0)
        resizeDocks({m_findPanel}, {height}, Qt::Vertical);
}

void CMainFrame::saveFindPanel() const
{
    m_settings.setValue(kPanelVisible, m_findPanel->isVisible());
    m_settings.setValue(kPanelFloating, m_findPanel->isFloating());
    if (m_findPanel->isFloating())
        m_settings.setValue(kPanelGeometry, m_findPanel->saveGeometry());
    else if (m_findPanel->isVisible())
        m_settings.setValue(kPanelHeight, m_findPanel->height());
}
