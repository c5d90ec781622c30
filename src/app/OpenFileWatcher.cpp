#include "OpenFileWatcher.h"

#include <QFileInfo>

namespace {

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

OpenFileWatcher::OpenFileWatcher(QObject* parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, &OpenFileWatcher::flush);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &OpenFileWatcher::noteFileChange);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &OpenFileWatcher::noteFolderChange);
}

void OpenFileWatcher::setFiles(const QStringList& paths)
{
    const QSet<QString> wanted(paths.begin(), paths.end());
    if (wanted == m_files)
        return;
    m_files = wanted;
    m_changed.intersect(m_files);
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    rearm();
}

QStringList OpenFileWatcher::files() const
{
    return QStringList(m_files.begin(), m_files.end());
}

void OpenFileWatcher::noteFileChange(const QString& path)
{
    if (!m_files.contains(path))
        return;
    m_changed.insert(path);
    m_settle.start();
}

void OpenFileWatcher::noteFolderChange(const QString& folder)
{
    // A file written anew under its old name shows only as a change of its folder.
    bool any = false;
    for (const QString& file : std::as_const(m_files)) {
        if (folderOf(file) == folder) {
            m_changed.insert(file);
            any = true;
        }
    }
    if (any)
        m_settle.start();
}

void OpenFileWatcher::rearm()
{
    const QStringList watchedFiles = m_watcher.files();
    const QStringList watchedFolders = m_watcher.directories();
    QStringList add;
    for (const QString& file : std::as_const(m_files)) {
        if (!watchedFiles.contains(file) && QFileInfo::exists(file))
            add.append(file);
        const QString folder = folderOf(file);
        if (!watchedFolders.contains(folder) && !add.contains(folder) && QFileInfo::exists(folder))
            add.append(folder);
    }
    if (!add.isEmpty())
        m_watcher.addPaths(add);
}

void OpenFileWatcher::flush()
{
    rearm();
    if (m_changed.isEmpty())
        return;
    QStringList changed(m_changed.begin(), m_changed.end());
    changed.sort();
    m_changed.clear();
    emit filesChanged(changed);
}
