#pragma once

#include <QString>

// Makes ".zet" files open with this program for the current user: the desktop entry, the file
// type and the icons under $XDG_DATA_HOME, copied only where missing. Failures are ignored.
class CDesktopIntegration
{
public:
    // `dataHome` empty: the XDG data home. Returns how many files were written.
    static int RegisterForUser(const QString& dataHome = QString());

    // The desktop entry with its Exec line pointing at `executable`.
    static QByteArray DesktopEntry(const QString& executable);
};
