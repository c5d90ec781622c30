#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The most-recently-used files, newest first, kept in the profile under the names the program
// has always used ("Recent File List", File1 ... FileN).
class CRecentFileList
{
public:
    CRecentFileList(QSettings& settings, int maxSize);

    const QStringList& files() const { return m_files; }
    int maxSize() const { return m_maxSize; }
    // The program's profile the list is kept in.
    QSettings& settings() const { return m_settings; }

    // Moves `path` to the front (adding it when new) and drops the oldest beyond the limit.
    void Add(const QString& path);
    void Remove(const QString& path);

    // The menu text of entry `index` (0-based): "&1 path", with "&" in the path escaped.
    QString MenuText(int index) const;

    void ReadList();
    void WriteList() const;

private:
    static QString normalized(const QString& path);

    QSettings& m_settings;
    int m_maxSize;
    QStringList m_files;
};
