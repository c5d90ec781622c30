#include "CRecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString kSection = QStringLiteral("Recent File List");
}

CRecentFileList::CRecentFileList(QSettings& settings, int maxSize)
    : m_settings(settings), m_maxSize(maxSize)
{}

QString CRecentFileList::normalized(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void CRecentFileList::Add(const QString& path)
{
    const QString entry = normalized(path);
    m_files.removeAll(entry);
    m_files.prepend(entry);
    while (m_files.size() > m_maxSize)
        m_files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(const QString& path)
{
    if (m_files.removeAll(normalized(path)) > 0)
        WriteList();
}

QString CRecentFileList::MenuText(int index) const
{
    if (index < 0 || index >= m_files.size())
        return {};
    QString shown = QDir::toNativeSeparators(m_files.at(index));
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

void CRecentFileList::ReadList()
{
    m_files.clear();
    m_settings.beginGroup(kSection);
    for (int i = 1; i <= m_maxSize; ++i) {
        const QString path = m_settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_files.contains(normalized(path)))
            m_files.append(normalized(path));
    }
    m_settings.endGroup();
}

void CRecentFileList::WriteList() const
{
    m_settings.beginGroup(kSection);
    m_settings.remove(QString());
    for (int i = 0; i < m_files.size(); ++i)
        m_settings.setValue(QStringLiteral("File%1").arg(i + 1), m_files.at(i));
    m_settings.endGroup();
    m_settings.sync();
}
