#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Runs a Qt Test class with HOME and the XDG folders pointing into a temporary directory, so
// nothing touches the real home, and settings land there too.
template <typename TestClass> int runUiTest(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const QString path = home.path() + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(path);
        qputenv(name, path.toLocal8Bit());
    }
    const QString runtime = home.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("zet-tests"));
    QApplication::setApplicationName(QStringLiteral("ZET browser"));
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}
