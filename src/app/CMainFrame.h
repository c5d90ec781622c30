#pragma once

#include "IDocumentHost.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <array>

class CChildFrame;
class CKeyboardLocks;
class CRecentFileList;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QToolBar;
class UserPrompts;

// The main window: an MDI area for the document windows, the two menu sets (no document /
// document active), toolbar, status bar with the lock indicators, and the document commands.
class CMainFrame : public QMainWindow, private IDocumentHost
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
        ID_WINDOW_CASCADE = 57650,
        ID_WINDOW_TILE_HORZ = 57651,
        ID_APP_ABOUT = 57664,
        ID_APP_EXIT = 57665,
        ID_NEXT_PANE = 57680,
        ID_PREV_PANE = 57681,
        ID_VIEW_TOOLBAR = 59392,
        ID_VIEW_STATUS_BAR = 59393,
        ID_CREATE_HELP = 32773,
    };

    static const QString kAppTitle;
    static const QString kIdleMessage;
    static const QString kDocumentFilter;

    CMainFrame(UserPrompts& prompts, CRecentFileList& recentFiles, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The message pane; an empty text clears it.
    void SetStatusText(const QString& text);
    QString statusText() const;

    // --- document commands ---------------------------------------------------------------
    CChildFrame* OnFileNew();
    void OnFileOpen();
    // Opens `path`, or activates its window when it is already open. Null (after the
    // document reported why) when the file cannot be read; then no window is left behind.
    CChildFrame* OpenDocumentFile(const QString& path);
    bool OnFileSave(CChildFrame* child);
    bool OnFileSaveAs(CChildFrame* child);
    void OnFileClose();
    // Asks whether to save a modified document; false when the user cancels or saving fails.
    bool SaveModified(CChildFrame* child);
    void OnAppAbout();
    static QString AboutText();

    // --- state ---------------------------------------------------------------------------
    QMdiArea* mdiArea() const { return m_mdiArea; }
    CChildFrame* activeChild() const;
    QList<CChildFrame*> childFrames() const;
    QAction* commandAction(int id) const { return m_actions.value(id); }
    // The status-bar toggle of the document menu, worded differently from the other one.
    QAction* documentStatusBarAction() const { return m_statusBarAction129; }
    bool showsDocumentMenu() const { return m_documentMenuShown; }
    QToolBar* toolBar() const { return m_toolBar; }
    const std::array<QLabel*, 3>& lockPanes() const { return m_lockPanes; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool saveDocument(CChildFrame& frame) override { return OnFileSave(&frame); }
    bool queryClose(CChildFrame& frame) override { return m_closingAll || SaveModified(&frame); }
    bool runHelpDialog(CChildFrame&) override { return false; }

    struct RecentPlace
    {
        QMenu* menu = nullptr;
        QAction* placeholder = nullptr;
        QAction* after = nullptr;
        QList<QAction*> entries;
    };

    QAction* makeAction(int id, const QString& text, const QString& prompt);
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    RecentPlace createRecentPlace(QMenu* menu, const QString& placeholderText);
    void updateRecentMenus();
    void openRecentFile(int index);
    void updateMenuSet();
    void updateCommandStates();
    void updateTitle();
    void updateLockPanes();
    void attachChild(CChildFrame* child);
    CChildFrame* findOpenDocument(const QString& path) const;
    bool acceptsDrop(const QPoint& pos, const QMimeData* data) const;
    void fitNewChild(QMdiSubWindow* child);
    void fitPendingChildren();

    UserPrompts& m_prompts;
    CRecentFileList& m_recentFiles;
    QMdiArea* m_mdiArea = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_messagePane = nullptr;
    std::array<QLabel*, 3> m_lockPanes{};
    CKeyboardLocks* m_locks = nullptr;
    QHash<int, QAction*> m_actions;
    QAction* m_statusBarAction129 = nullptr;
    QList<QMenu*> m_menus128;
    QList<QMenu*> m_menus129;
    std::array<RecentPlace, 2> m_recentPlaces;
    // Windows opened before the frame was first shown; sized once the MDI area has its size.
    QList<QPointer<QMdiSubWindow>> m_pendingFit;
    bool m_documentMenuShown = false;
    bool m_closingAll = false;
    int m_untitledCount = 0;
};
