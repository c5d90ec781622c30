#pragma once

#include "ProgramInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Points HOME and every XDG folder into `home`, so nothing touches the real home: settings, the
// desktop files the program registers and its instance socket all land there.
inline void useTestHome(const QTemporaryDir& home)
{
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR"}) {
        const QString path = home.path() + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        qputenv(name, path.toLocal8Bit());
    }
    qputenv("XDG_DATA_DIRS", (home.path() + QStringLiteral("/share")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs a Qt Test class headless inside a temporary home.
template <typename TestClass> int runUiTest(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    useTestHome(home);
    QApplication app(argc, argv);
    // Named as the program names itself, so message boxes carry its title.
    QApplication::setApplicationName(QStringLiteral(ZET_PROGRAM_NAME));
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}
