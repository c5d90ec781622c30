#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// An xdg-open of the test's own, first on PATH while this lives: a shell script with `body`
// (e.g. "exit 3"), which also leaves its arguments in arguments.txt beside it.
class FakeXdgOpen
{
public:
    explicit FakeXdgOpen(const QByteArray& body) : m_path(qgetenv("PATH"))
    {
        if (!m_dir.isValid())
            return;
        QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
        const QByteArray text = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" +
                                m_dir.filePath(QStringLiteral("arguments.txt")).toLocal8Bit() +
                                "\"\n" + body + "\n";
        m_valid = script.open(QIODevice::WriteOnly) && script.write(text) == text.size();
        script.close();
        m_valid = m_valid &&
                  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QDir::toNativeSeparators(m_dir.path()).toLocal8Bit() + ':' + m_path);
    }
    ~FakeXdgOpen() { qputenv("PATH", m_path); }
    FakeXdgOpen(const FakeXdgOpen&) = delete;
    FakeXdgOpen& operator=(const FakeXdgOpen&) = delete;

    bool isValid() const { return m_valid; }
    // What the last run was given, one argument a line; empty before it ran.
    QByteArray arguments() const
    {
        QFile file(m_dir.filePath(QStringLiteral("arguments.txt")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QByteArray m_path;
    QTemporaryDir m_dir;
    bool m_valid = false;
};
