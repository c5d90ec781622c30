#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <initializer_list>

class BookFindPanel;
class CChildFrame;
class CRecentFileList;
class DocumentManager;
class MainStatusBar;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSettings;
class QToolBar;
class QUndoGroup;
class UserPrompts;

// The main window: an MDI area for the document windows, the two menu sets (no document /
// document active), toolbar and status bar. Its commands are dispatched to the document manager
// and the active document window; files dropped on it are opened.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    // Command ids of the menus, toolbar and accelerators; they name the actions.
    enum CommandId {
        ID_FILE_NEW = 57600,
        ID_FILE_OPEN = 57601,
        ID_FILE_CLOSE = 57602,
        ID_FILE_SAVE = 57603,
        ID_FILE_SAVE_AS = 57604,
        ID_FILE_PRINT = 57607,
        ID_FILE_MRU_FILE1 = 57616,
        ID_EDIT_COPY = 57634,
        ID_EDIT_UNDO = 57643,
        ID_EDIT_REDO = 57644,
        ID_WINDOW_CASCADE = 57650,
        ID_WINDOW_TILE_HORZ = 57651,
        ID_APP_ABOUT = 57664,
        ID_APP_EXIT = 57665,
        ID_NEXT_PANE = 57680,
        ID_PREV_PANE = 57681,
        ID_VIEW_TOOLBAR = 59392,
        ID_VIEW_STATUS_BAR = 59393,
        ID_CREATE_HELP = 32773,
        ID_EDIT_FIND_IN_BOOK = 32774,
        ID_EDIT_FIND_NEXT = 32775,
        ID_EDIT_FIND_PREVIOUS = 32776,
        // Ctrl+F6 and Ctrl+Shift+F6, the MDI window's next and previous window.
        ID_NEXT_WINDOW = 0xF040,
        ID_PREV_WINDOW = 0xF050,
    };
    // The "Окно" menu lists this many windows, then offers the rest in a dialog.
    static constexpr int kListedWindows = 9;

    CMainFrame(UserPrompts& prompts, CRecentFileList& recentFiles, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The message pane; an empty text clears it.
    void SetStatusText(const QString& text);
    QString statusText() const;

    DocumentManager& documents() const { return *m_documents; }
    // The document windows, as the document manager keeps them.
    CChildFrame* activeChild() const;
    QList<CChildFrame*> childFrames() const;
    void OnAppAbout();

    // "Каскад" and "Черепица": the document windows overlapping from the top-left corner, each
    // as large as the MDI area leaves it, or one above the other across the area's width.
    void cascadeWindows();
    void tileWindowsHorizontally();
    // "Другие окна...": picks any document window from a list and activates it.
    void chooseWindow();
    QMenu* windowMenu() const { return m_windowMenu; }

    // --- state ---------------------------------------------------------------------------
    QMdiArea* mdiArea() const { return m_mdiArea; }
    QAction* commandAction(int id) const { return m_commands.value(id).action; }
    QUndoGroup* undoGroup() const { return m_undoGroup; }
    // The status-bar toggle of the document menu, worded differently from the other one.
    QAction* documentStatusBarAction() const { return m_documentStatusBarAction; }
    bool showsDocumentMenu() const { return m_documentMenuShown; }
    QToolBar* toolBar() const { return m_toolBar; }
    // "Поиск в книге", docked under the document windows.
    BookFindPanel* findPanel() const { return m_findPanel; }
    const std::array<QLabel*, 3>& lockPanes() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // When a command is enabled.
    enum CommandFlag {
        Always = 0,
        NeedsDocument = 1,   // a document window is active
        NeedsChanges = 2,    // the active document holds unsaved changes
        Reserved = 4,        // a key without a command: never enabled
        Toggle = 8,          // checkable, initially checked
        FollowsHistory = 16, // enabled while the active document can undo (redo) a step
    };
    struct Command
    {
        QAction* action = nullptr;
        int flags = Always;
    };
    struct RecentPlace
    {
        QMenu* menu = nullptr;
        QAction* placeholder = nullptr;
        QAction* after = nullptr;
        QList<QAction*> entries;
    };

    void createActions();
    QMenu* createMenu(const QString& title, std::initializer_list<int> items,
                      const QString& recentPlaceholder = {});
    void updateRecentMenus();
    void showStatusBar(bool on);
    // Menu set, command states and caption, after anything that may change them.
    void refreshFrameState();
    void updateWindowMenu();
    // "Отменить" and "Повторить" name the step they would take, or are disabled.
    void updateHistoryActions();
    // The document windows to arrange, the topmost last; maximised ones are restored first.
    QList<QMdiSubWindow*> windowsToArrange();
    QRect arrangeArea() const;
    void fitNewChild(QMdiSubWindow* child);
    void fitPendingChildren();
    // The find panel as the last run left it: shown or not, floating or docked, its size.
    void restoreFindPanel();
    void saveFindPanel() const;

    UserPrompts& m_prompts;
    QSettings& m_settings;
    QMdiArea* m_mdiArea = nullptr;
    DocumentManager* m_documents = nullptr;
    QToolBar* m_toolBar = nullptr;
    MainStatusBar* m_statusBar = nullptr;
    BookFindPanel* m_findPanel = nullptr;
    bool m_findPanelRestored = false;
    QHash<int, Command> m_commands;
    // The histories of the open documents; the active window's is the one the menu acts on.
    QUndoGroup* m_undoGroup = nullptr;
    QAction* m_documentStatusBarAction = nullptr;
    QList<QMenu*> m_menusWithoutDocument;
    QList<QMenu*> m_documentMenus;
    QList<RecentPlace> m_recentPlaces;
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_windowEntries;
    // Windows opened before the frame was first shown; sized once the MDI area has its size.
    QList<QPointer<QMdiSubWindow>> m_pendingFit;
    bool m_documentMenuShown = false;
};
