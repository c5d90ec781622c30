#pragma once

#include <memory>
#include <ostream>
#include <string>

// Writes a file so that it is replaced only when every byte reached the disk: the data goes to
// a temporary file beside the target, which is synced and then renamed over the target. If
// anything fails the target stays as it was and errorString() tells why (with the system's
// reason). The temporary file is removed unless commit() succeeded.
class AtomicFile
{
public:
    explicit AtomicFile(std::string targetPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. False (with errorString()) when it cannot be created.
    bool open();
    // The stream to write to; valid after a successful open().
    std::ostream& stream();
    // Flushes and syncs the temporary file and closes it, without renaming it yet: it can then be
    // read back at temporaryPath(). False (with errorString()) on any failure.
    bool finishWriting();
    // Finishes writing unless done, then renames over the target. False (with errorString()) on
    // any failure.
    bool commit();
    // Drops the temporary file; the target is not touched.
    void discard();

    const std::string& targetPath() const { return m_targetPath; }
    const std::string& temporaryPath() const { return m_tempPath; }
    // "<target>: <system's reason>" after a failure, else empty.
    const std::string& errorString() const { return m_error; }
    // The errno of the failure, or 0.
    int errorCode() const { return m_errorCode; }

private:
    bool Fail(const std::string& what, int error);

    std::string m_targetPath;
    std::string m_writePath; // the target, or the file a symbolic link names
    std::string m_tempPath;
    int m_fd = -1;
    bool m_finished = false;
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    std::string m_error;
    int m_errorCode = 0;
};
