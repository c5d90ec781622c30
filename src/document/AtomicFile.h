#pragma once

#include "FreeSpace.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

// Writes a file so that it is replaced only when every byte reached the disk: the data goes to
// a temporary file beside the target, which is synced and then renamed over the target. If
// anything fails the target stays as it was and errorString() tells why (with the system's
// reason). The temporary file is removed unless commit() succeeded.
//
// A target reached through symbolic links is the file the chain ends at, which need not exist
// yet; the links stay. A replaced file keeps its permissions and, as far as the system lets
// the writer give them away, its owner and group.
class AtomicFile
{
public:
    // Why the last operation failed, beyond the system's error code.
    enum class Problem {
        None,
        System,            // errorCode() says why
        LinkLoop,          // the symbolic links to the target form a loop (ELOOP)
        FolderNotWritable, // the file may be written but its folder takes no new file
        NoRoom,            // the expected size is more than the free space (ENOSPC)
    };

    explicit AtomicFile(std::string targetPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Where the free space is asked for; the system by default.
    void setFreeSpaceProvider(FreeSpaceProvider provider) { m_freeSpace = std::move(provider); }

    // Creates the temporary file. With `expectedBytes`, first makes sure they fit in the free
    // space of the target's folder. False (with errorString()) when it cannot be created.
    bool open(std::optional<std::uint64_t> expectedBytes = std::nullopt);
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
    // The file that is replaced: the target, or the file its symbolic links lead to.
    const std::string& writePath() const { return m_writePath; }
    const std::string& temporaryPath() const { return m_tempPath; }
    // "<target>: <system's reason>" after a failure, else empty.
    const std::string& errorString() const { return m_error; }
    // The errno of the failure, or 0.
    int errorCode() const { return m_errorCode; }
    Problem problem() const { return m_problem; }
    // The folder of the file that is replaced.
    std::string folder() const;
    // After Problem::NoRoom: the bytes expected and the bytes free.
    std::uint64_t neededBytes() const { return m_neededBytes; }
    std::uint64_t freeBytes() const { return m_freeBytes; }

private:
    bool Fail(int error, Problem problem = Problem::System, const std::string& detail = {});

    std::string m_targetPath;
    std::string m_writePath; // the target, or the file its symbolic links lead to
    std::string m_tempPath;
    int m_fd = -1;
    bool m_finished = false;
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    FreeSpaceProvider m_freeSpace = SystemFreeSpace;
    std::string m_error;
    int m_errorCode = 0;
    Problem m_problem = Problem::None;
    std::uint64_t m_neededBytes = 0;
    std::uint64_t m_freeBytes = 0;
};
