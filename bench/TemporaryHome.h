#pragma once

#include <QString>
#include <QTemporaryDir>

// A home folder of the benchmark's own for as long as it lives: HOME and the XDG folders point
// into a temporary folder, so that no setting, recent file or cache of the user's is read or
// written, and the offscreen platform is taken unless another one was asked for. Programs the
// benchmark starts inherit it.
class TemporaryHome
{
public:
    TemporaryHome();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
