#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

// Watches the files of the open books and tells, once a burst of changes has settled, which of
// them may have changed on disk. A save that replaces a file (a new file renamed over the old
// name, as this program, editors and version control do) ends the system's watch, which
// follows the old file; the watch is set again on the new one, and each file's folder is
// watched so that a file removed and written anew is noticed too. The signal only says where
// to look: whether a file really changed is for the receiver to tell.
class OpenFileWatcher : public QObject
{
    Q_OBJECT

public:
    explicit OpenFileWatcher(QObject* parent = nullptr);

    // The files to watch (absolute paths), replacing the earlier set.
    void setFiles(const QStringList& paths);
    QStringList files() const;
    // Milliseconds of quiet before the signal; a writer's steps arrive as one change.
    void setSettleTime(int milliseconds) { m_settle.setInterval(milliseconds); }

signals:
    // Files of the set that were written, replaced, removed or created since the last signal.
    void filesChanged(const QStringList& paths);

private:
    void noteFileChange(const QString& path);
    void noteFolderChange(const QString& folder);
    void rearm();
    void flush();

    QFileSystemWatcher m_watcher;
    QSet<QString> m_files;
    QSet<QString> m_changed;
    QTimer m_settle;
};
