#include "DesktopHelpPlatform.h"

#include "DesktopOpener.h"

#include <QDesktopServices>
#include <QStandardPaths>
#include <QUrl>

bool DesktopHelpPlatform::OpenDocument(const std::string& path)
{
    return OpenDocumentWatching(path, {});
}

bool DesktopHelpPlatform::OpenDocumentWatching(const std::string& path,
                                               const std::function<void()>& failedLater)
{
    const QString file = QString::fromStdString(path);
    // Without xdg-open (a desktop that opens files through its portal) Qt's own way is all
    // there is, and it tells no more than whether it could ask.
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    DesktopOpener::Open(file, [failedLater](DesktopOpener::Outcome outcome) {
        if (outcome != DesktopOpener::Outcome::Opened && failedLater)
            failedLater();
    });
    return true;
}
