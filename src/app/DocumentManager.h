#pragma once

#include "DocumentRegistry.h"
#include "IDocumentHost.h"

#include "FileStamp.h"
#include "FileTarget.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class CChildFrame;
class CMainFrame;
class CRecentFileList;
class CZETbrowserDoc;
class IHelpPlatform;
class OpenFileWatcher;
class QMdiArea;
class UserPrompts;
struct RoundTripReport;

// The open documents and their life cycle: new (titled ZET1, ZET2, ...), open (or activate the
// window that already has the file), save, save as, the question before a modified document
// closes, and the recent-file list. Each document lives in its own CChildFrame in the main
// frame's MDI area; the main frame only dispatches its commands here. The open files are
// watched: a book changed on disk is offered for reloading while it holds no changes, and a save
// over a file changed since it was read asks first.
class DocumentManager : public QObject, public IDocumentHost
{
    Q_OBJECT

public:
    DocumentManager(CMainFrame& frame, QMdiArea& area, UserPrompts& prompts,
                    CRecentFileList& recentFiles);
    ~DocumentManager() override;

    CChildFrame* OnFileNew();
    // Asks for a file and opens it.
    void OnFileOpen();
    // Opens `path`, or activates its window when it is already open. Null (after the
    // document reported why) when the file cannot be read; then no window is left behind.
    CChildFrame* OpenDocumentFile(const QString& path);
    // Entry `index` of the recent-file list; a file that can no longer be read leaves the list.
    void openRecentFile(int index);
    bool OnFileSave(CChildFrame* child);
    bool OnFileSaveAs(CChildFrame* child);
    // Closes the active window, asking first.
    void OnFileClose();
    // Asks whether to save a modified document; false when the user cancels or saving fails.
    bool SaveModified(CChildFrame* child);
    // Asks about every modified document first, then closes every window; on the first Cancel
    // nothing is closed and the result is false.
    bool closeAll();

    // The window of the document kept in `path`, however the path is spelled.
    CChildFrame* findOpenDocument(const QString& path) const;
    // The active window; it stays active while a dialog has the focus.
    CChildFrame* activeChild() const;
    QList<CChildFrame*> childFrames() const;
    CRecentFileList& recentFiles() const { return m_recentFiles; }
    // The open documents, which drags and the clipboard name between windows.
    DocumentRegistry& openDocuments() { return m_openDocuments; }

    OpenFileWatcher& fileWatcher() const { return *m_watcher; }

    // Offers to reload the books kept in `paths` that changed on disk and hold no changes of
    // their own; what the watcher reports lands here. Waits while a dialog is open.
    void checkFilesOnDisk(const QStringList& paths);
    // Reads the window's file again into its document; false (after saying why) when it cannot
    // be read, and the document stays as it was.
    bool reloadDocument(CChildFrame& child);

    bool saveDocument(CChildFrame& frame) override;
    bool queryClose(CChildFrame& frame) override;
    bool runHelpDialog(CChildFrame& frame) override;
    // What the help dialog uses to find and remember the compiler and to open the help file;
    // the desktop's own unless replaced (tests). Null restores the desktop's.
    void setHelpPlatform(IHelpPlatform* platform);

signals:
    // A window came or went, or a document's title or modified flag may have changed.
    void stateChanged();
    // A new document window, in the MDI area and about to be shown.
    void windowAdded(CChildFrame* child);
    void recentFilesChanged();
    // The books kept in `paths` were looked at after a change on disk, and every question about
    // them was answered: nothing more comes of that change.
    void filesChecked(const QStringList& paths);

private:
    void attachChild(CChildFrame* child);
    bool saveTo(CChildFrame& child, const QString& path);
    // Before a save: asks when the document's own file is no longer the one read or last saved
    // (changed, replaced, or reached through a link put in its place), naming the file that
    // would really be written, and when the file replaced belongs to another user than the one
    // the book was read from, naming that user. False when the user keeps the file; else
    // `target` is the file agreed to, which the save then insists on.
    bool confirmSaveTarget(CChildFrame& child, const QString& path,
                           std::optional<FileTarget>& target);
    // The written bytes would read back otherwise for some records: asks, naming them.
    bool confirmRoundTripChanges(CChildFrame& child, const RoundTripReport& report);
    void watchOpenFiles();
    void addRecentFile(const QString& path);

    CMainFrame& m_frame;
    QMdiArea& m_area;
    UserPrompts& m_prompts;
    CRecentFileList& m_recentFiles;
    std::unique_ptr<IHelpPlatform> m_desktopHelpPlatform;
    IHelpPlatform* m_helpPlatform = nullptr;
    DocumentRegistry m_openDocuments;
    bool m_closingAll = false;
    int m_untitledCount = 0;
    OpenFileWatcher* m_watcher = nullptr;
    QStringList m_pendingChecks;
    // The state of each file whose reload the user declined; that change is not offered again.
    QHash<QString, FileStamp> m_declinedReloads;
};
