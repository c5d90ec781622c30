#include "CDesktopIntegration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

bool writeIfMissing(const QString& path, const QByteArray& contents)
{
    if (QFileInfo::exists(path) || contents.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents);
    return file.commit();
}

QByteArray resource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void runIfPresent(const QString& program, const QString& argument)
{
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty())
        QProcess::startDetached(found, {argument});
}

// Exec lines quote with double quotes and escape these characters with a backslash.
QString quotedExec(const QString& executable)
{
    QString escaped;
    for (QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    escaped.replace(QStringLiteral("%"), QStringLiteral("%%"));
    // The value is itself an escaped string, so each backslash is written twice.
    escaped.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return u'"' + escaped + u'"';
}

} // namespace

QByteArray CDesktopIntegration::DesktopEntry(const QString& executable)
{
    QByteArray entry = resource(QStringLiteral(":/zetbrowser.desktop"));
    entry.replace("Exec=zetbrowser %f", "Exec=" + quotedExec(executable).toUtf8() + " %f");
    return entry;
}

bool CDesktopIntegration::InstalledSystemWide()
{
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& folder : folders) {
        if (folder != user && QFileInfo::exists(QDir(folder).filePath(
                                  QStringLiteral("applications/zetbrowser.desktop"))))
            return true;
    }
    return false;
}

int CDesktopIntegration::RegisterForUser(const QString& dataHome)
{
    if (dataHome.isEmpty() && InstalledSystemWide())
        return 0;
    const QString home = dataHome.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                             : dataHome;
    if (home.isEmpty())
        return 0;
    const QDir root(home);

    int written = 0;
    const bool mimeWritten =
        writeIfMissing(root.filePath(QStringLiteral("mime/packages/zetbrowser.xml")),
                       resource(QStringLiteral(":/zetbrowser.xml")));
    written += mimeWritten;
    const bool desktopWritten =
        writeIfMissing(root.filePath(QStringLiteral("applications/zetbrowser.desktop")),
                       DesktopEntry(QCoreApplication::applicationFilePath()));
    written += desktopWritten;
    for (const char* size : {"16x16", "32x32", "48x48", "64x64"}) {
        const QString s = QString::fromLatin1(size);
        written += writeIfMissing(
            root.filePath(QStringLiteral("icons/hicolor/%1/apps/zetbrowser.png").arg(s)),
            resource(QStringLiteral(":/icons/%1/zetbrowser.png").arg(s)));
        written += writeIfMissing(
            root.filePath(
                QStringLiteral("icons/hicolor/%1/mimetypes/application-x-zet-document.png").arg(s)),
            resource(QStringLiteral(":/icons/%1/application-x-zet-document.png").arg(s)));
    }

    if (mimeWritten)
        runIfPresent(QStringLiteral("update-mime-database"), root.filePath(QStringLiteral("mime")));
    if (desktopWritten)
        runIfPresent(QStringLiteral("update-desktop-database"),
                     root.filePath(QStringLiteral("applications")));
    return written;
}
