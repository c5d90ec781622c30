#pragma once

#include "FileTarget.h"
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
// the writer give them away, its owner and group. A file with other hard links is not replaced
// but written over in place once the temporary file is complete, so that every name keeps
// showing the same file (see setLinkedFileOwner()).
//
// The file replaced is the one open() found: when the path leads elsewhere by commit() (a
// symbolic link or another file put in its place meanwhile), nothing is replaced.
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
        NotRegular,        // the target is a pipe, a device or a socket
        TargetChanged,     // the path leads to another file than expected or found at open()
        CopyBackFailed,    // writing over a hard-linked file failed; the temporary file is kept
    };

    explicit AtomicFile(std::string targetPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Where the free space is asked for; the system by default.
    void setFreeSpaceProvider(FreeSpaceProvider provider) { m_freeSpace = std::move(provider); }
    // The file the caller expects to replace (what it asked the user about); open() refuses
    // with Problem::TargetChanged when the path no longer leads there.
    void setExpectedTarget(std::optional<FileTarget> target) { m_expected = std::move(target); }
    // Whose file with other hard links is written over in place (by default the writer's); a
    // file of anyone else is replaced as any other, so that a hard link planted by another user
    // never leads the bytes into a file of theirs elsewhere.
    void setLinkedFileOwner(std::uint32_t uid) { m_linkedFileOwner = uid; }

    // Creates the temporary file. With `expectedBytes`, first makes sure they fit in the free
    // space of the target's folder. False (with errorString()) when it cannot be created.
    bool open(std::optional<std::uint64_t> expectedBytes = std::nullopt);
    // The stream to write to; valid after a successful open().
    std::ostream& stream();
    // Flushes and syncs the temporary file and closes it, without renaming it yet: it can then be
    // read back at temporaryPath(). False (with errorString()) on any failure.
    bool finishWriting();
    // Finishes writing unless done, makes sure the path still leads to the file open() found,
    // then renames over it, or writes over it in place when it has other hard links. False
    // (with errorString()) on any failure; after Problem::CopyBackFailed the whole output stays
    // in keptPath().
    bool commit();
    // Drops the temporary file; the target is not touched.
    void discard();

    const std::string& targetPath() const { return m_targetPath; }
    // The file that is replaced: the target, or the file its symbolic links lead to.
    const std::string& writePath() const { return m_writePath; }
    const std::string& temporaryPath() const { return m_tempPath; }
    // After Problem::CopyBackFailed: the temporary file, which holds the whole output.
    const std::string& keptPath() const { return m_keptPath; }
    // After a successful commit(): the file as it is now on disk, and how the path leads to it.
    FileTarget savedTarget() const;
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
    bool FailWith(Problem problem, const std::string& reason);
    // Whether the path still leads to the file open() found, by the same way.
    bool StillTheTarget() const;
    bool CopyIntoOriginal();
    void SyncFolder() const;

    std::string m_targetPath;
    std::string m_writePath; // the target, or the file its symbolic links lead to
    std::string m_tempPath;
    std::string m_tempName; // in the folder of m_folderFd
    std::string m_keptPath;
    std::optional<FileTarget> m_expected;
    std::optional<std::uint32_t> m_linkedFileOwner;
    FileTarget m_target;   // what open() found
    int m_folderFd = -1;   // the folder of the file replaced, as open() found it
    int m_originalFd = -1; // the file itself, open for writing when it has other hard links
    std::optional<FileStamp> m_savedStamp;
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
