#pragma once

#include <QString>

#include <functional>

// Opens a file or a link with the program the desktop has for it (xdg-open), without waiting for
// it: the answer comes later, on this thread. xdg-open tells a failure by its exit status, where
// QDesktopServices only says whether it could start xdg-open. Some programs keep xdg-open
// waiting until they are closed, so one still running after a few seconds counts as having the
// target open.
class DesktopOpener
{
public:
    enum class Outcome {
        Opened,
        NotFound,      // the file is not there
        NoProgram,     // nothing on this desktop opens it
        ProgramFailed, // the program for it could not open it
        NotStarted,    // there is no xdg-open to ask
    };
    using Done = std::function<void(Outcome)>;

    static constexpr int kRunningMeansOpenedMs = 5000;

    // Calls `done` once, from the event loop (never from within this call). The opener lives on
    // after the answer until xdg-open ends; it is stopped when the application quits.
    static void Open(const QString& target, Done done,
                     int runningMeansOpenedMs = kRunningMeansOpenedMs);
};
