#pragma once

#include <QString>

// Makes ".zet" files open with this program for the current user: the desktop entry, the file
// type and the icons under $XDG_DATA_HOME, copied only where missing. Failures are ignored.
class CDesktopIntegration
{
public:
    // `dataHome` empty: the XDG data home, and nothing is written there when the program is
    // installed for the whole system (a package's copies would only shadow the system's and
    // outlive the package). Returns how many files were written.
    static int RegisterForUser(const QString& dataHome = QString());
    // Whether a desktop entry of the program lies in one of the system's data folders.
    static bool InstalledSystemWide();

    // The desktop entry with its Exec line pointing at `executable`.
    static QByteArray DesktopEntry(const QString& executable);
};
