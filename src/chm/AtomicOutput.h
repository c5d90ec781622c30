#pragma once

#include <string>

namespace chm {

// The help file is written to a temporary file beside it and renamed over it only when every
// byte reached the disk, so a failed or interrupted build leaves the earlier help file (or
// nothing) and no partial file. One at a time: the temporary file is also removed when the
// program is stopped by a signal (see removeOnSignals).
class AtomicOutput
{
public:
    explicit AtomicOutput(std::string target);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Creates the temporary file; false with the reason (naming the target) when it cannot.
    bool open(std::string& error);
    int fd() const { return m_fd; }
    const std::string& temporaryPath() const { return m_temporary; }
    // Syncs, closes and renames the temporary file over the target; the file gets the
    // permissions a new file gets (or the target's, if it exists). False with the reason.
    bool commit(std::string& error);
    // Removes the temporary file; the target is not touched.
    void discard();

    // Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the temporary file before the program
    // ends as the signal would end it.
    static void removeOnSignals();

private:
    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
};

} // namespace chm
