#include "TemporaryHome.h"

#include <QDir>
#include <QFile>

TemporaryHome::TemporaryHome()
{
    if (!m_dir.isValid())
        return;
    qputenv("HOME", m_dir.path().toLocal8Bit());
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = m_dir.path() + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(path);
        // The runtime folder must be the user's alone, or Qt refuses it.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        qputenv(name, path.toLocal8Bit());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
