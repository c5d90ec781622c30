#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

// An output buffer over the temporary file's descriptor that remembers why a write failed.
struct AtomicFile::Stream : std::streambuf
{
    explicit Stream(int descriptor) : fd(descriptor), buffer(1 << 16), stream(this)
    {
        setp(buffer.data(), buffer.data() + buffer.size());
    }

    bool Drain()
    {
        const char* data = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        while (left > 0) {
            const ssize_t n = ::write(fd, data, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                return false;
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        setp(buffer.data(), buffer.data() + buffer.size());
        return true;
    }

    int_type overflow(int_type c) override
    {
        if (error != 0 || !Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return error == 0 && Drain() ? 0 : -1; }

    int fd;
    int error = 0;
    std::vector<char> buffer;
    std::ostream stream;
};

namespace {

// A short temporary name, so that a target whose name has the longest length the file system
// allows still has a temporary beside it.
std::string TemporaryName(std::mt19937_64& random)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".zet";
    std::uint64_t bits = random();
    for (int i = 0; i < 8; ++i, bits /= 36)
        name += kDigits[bits % 36];
    return name;
}

const char* const kTargetChanged = "the file was replaced, or became a symbolic link, while it "
                                   "was being saved; nothing was replaced";

void CloseDescriptor(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

std::optional<std::uint64_t> SystemFreeSpace(const std::string& directory)
{
    struct statvfs info;
    if (statvfs(directory.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

AtomicFile::AtomicFile(std::string targetPath) : m_targetPath(std::move(targetPath)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

std::string AtomicFile::folder() const
{
    return FolderOf(m_writePath.empty() ? m_targetPath : m_writePath);
}

FileTarget AtomicFile::savedTarget() const
{
    FileTarget target = m_target;
    target.stamp = m_savedStamp;
    return target;
}

bool AtomicFile::Fail(int error, Problem problem, const std::string& detail)
{
    m_errorCode = error;
    m_problem = problem;
    m_error = m_targetPath + ": " + std::strerror(error) + detail;
    discard();
    return false;
}

bool AtomicFile::FailWith(Problem problem, const std::string& reason)
{
    m_errorCode = 0;
    m_problem = problem;
    m_error = m_targetPath + ": " + reason;
    discard();
    return false;
}

bool AtomicFile::open(std::optional<std::uint64_t> expectedBytes)
{
    discard();
    m_error.clear();
    m_errorCode = 0;
    m_problem = Problem::None;
    m_neededBytes = m_freeBytes = 0;
    m_keptPath.clear();
    m_savedStamp.reset();
    const auto changed = [this] { return FailWith(Problem::TargetChanged, kTargetChanged); };
    // Saving through a symbolic link replaces the file it names, not the link.
    std::optional<FileTarget> target = TargetOf(m_targetPath);
    if (!target) {
        m_writePath = m_targetPath;
        return Fail(ELOOP, Problem::LinkLoop);
    }
    m_target = *target;
    m_writePath = m_target.path;
    if (m_expected && !m_expected->sameFile(m_target))
        return changed();
    const std::string directory = FolderOf(m_writePath);
    const std::string name = NameOf(m_writePath);
    if (name.empty())
        return Fail(EISDIR); // "folder/"
    // Everything from here on happens in this folder, whatever its path leads to later.
    m_folderFd = ::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0)
        return Fail(errno);
    struct stat info;
    const bool exists = fstatat(m_folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return Fail(errno);
    if (exists && S_ISDIR(info.st_mode))
        return Fail(EISDIR);
    if (exists &&
        (S_ISLNK(info.st_mode) || !m_target.stamp || StampOf(info).inode != m_target.stamp->inode ||
         StampOf(info).device != m_target.stamp->device))
        return changed(); // swapped since the links were followed
    if (!exists && m_target.stamp)
        return changed();
    if (exists && !S_ISREG(info.st_mode))
        return FailWith(Problem::NotRegular, "not a regular file");
    if (expectedBytes && m_freeSpace) {
        if (const std::optional<std::uint64_t> free = m_freeSpace(directory);
            free && *free < *expectedBytes) {
            m_neededBytes = *expectedBytes;
            m_freeBytes = *free;
            return Fail(ENOSPC, Problem::NoRoom,
                        " (" + std::to_string(*expectedBytes) + " bytes needed, " +
                            std::to_string(*free) + " free)");
        }
    }
    const uid_t linkedOwner =
        m_linkedFileOwner ? static_cast<uid_t>(*m_linkedFileOwner) : geteuid();
    if (exists && info.st_nlink > 1 && info.st_uid == linkedOwner) {
        // Other names share this file: it is written over in place, so it must open for
        // writing now, before anything is written. Never through a link put in its place.
        m_originalFd =
            openat(m_folderFd, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (m_originalFd < 0)
            return errno == ELOOP ? changed() : Fail(errno);
        struct stat opened;
        if (fstat(m_originalFd, &opened) != 0)
            return Fail(errno);
        if (opened.st_dev != info.st_dev || opened.st_ino != info.st_ino)
            return changed();
    }

    // O_EXCL with a fresh name, like mkstemp, but created with 0666 so the umask applies as
    // for any new file; a replaced file's permissions are copied below.
    std::mt19937_64 random(std::random_device{}());
    int fd = -1;
    std::string tempName;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempName = TemporaryName(random);
        fd = openat(m_folderFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || (errno == EEXIST && attempt < 100))
            continue;
        const int error = errno;
        if ((error == EACCES || error == EPERM) && exists &&
            faccessat(m_folderFd, name.c_str(), W_OK, 0) == 0)
            return Fail(error, Problem::FolderNotWritable,
                        " (the folder " + directory + " takes no new file, though the file " +
                            "itself may be written)");
        return Fail(error);
    }
    m_fd = fd;
    m_tempName = tempName;
    m_tempPath = directory + "/" + tempName;
    if (exists) {
        // The owner first: changing it may clear the set-id bits the mode then restores. Only
        // a privileged writer can give a file away; otherwise the group is kept where the
        // writer is in it, and the file becomes the writer's, as any file it creates.
        if (fchown(fd, info.st_uid, info.st_gid) != 0) {
            const int groupKept = fchown(fd, static_cast<uid_t>(-1), info.st_gid);
            static_cast<void>(groupKept);
        }
        if (fchmod(fd, info.st_mode & 07777) != 0)
            return Fail(errno);
    }
    m_stream = std::make_unique<Stream>(fd);
    return true;
}

std::ostream& AtomicFile::stream()
{
    static std::ostream nullStream(nullptr); // badbit set: every write fails
    return m_stream ? m_stream->stream : nullStream;
}

bool AtomicFile::finishWriting()
{
    if (m_finished)
        return true;
    if (!m_stream) {
        if (m_error.empty()) {
            m_errorCode = EBADF;
            m_problem = Problem::System;
            m_error = m_targetPath + ": " + std::strerror(EBADF);
        }
        return false;
    }
    m_stream->stream.flush();
    if (!m_stream->stream || m_stream->error != 0)
        return Fail(m_stream->error ? m_stream->error : EIO);
    if (fsync(m_fd) != 0)
        return Fail(errno);
    m_savedStamp = StampOf(m_fd);
    m_stream.reset();
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(errno);
    m_finished = true;
    return true;
}

bool AtomicFile::StillTheTarget() const
{
    const std::optional<FileTarget> now = TargetOf(m_targetPath);
    if (!now || !now->sameFile(m_target))
        return false;
    // And the name in the folder the file is written to, without following anything.
    struct stat info;
    if (fstatat(m_folderFd, NameOf(m_writePath).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT && !m_target.stamp;
    return !S_ISLNK(info.st_mode) && m_target.stamp &&
           static_cast<std::uint64_t>(info.st_dev) == m_target.stamp->device &&
           static_cast<std::uint64_t>(info.st_ino) == m_target.stamp->inode;
}

bool AtomicFile::commit()
{
    if (!finishWriting())
        return false;
    if (!StillTheTarget())
        return FailWith(Problem::TargetChanged, kTargetChanged);
    if (m_originalFd >= 0)
        return CopyIntoOriginal();
    // Within the folder open() found, and the name's last part is never followed: at worst a
    // name swapped in after the check above is itself replaced.
    const std::string name = NameOf(m_writePath);
    if (renameat(m_folderFd, m_tempName.c_str(), m_folderFd, name.c_str()) != 0)
        return Fail(errno);
    m_tempName.clear();
    m_tempPath.clear();
    m_finished = false;
    SyncFolder();
    CloseDescriptor(m_folderFd);
    return true;
}

bool AtomicFile::CopyIntoOriginal()
{
    const int in = openat(m_folderFd, m_tempName.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return Fail(errno);
    struct stat info;
    if (fstat(in, &info) != 0) {
        const int error = errno;
        ::close(in);
        return Fail(error);
    }
    // The blocks first, so that a full disk stops the save before the file has changed.
    if (info.st_size > 0 && fallocate(m_originalFd, FALLOC_FL_KEEP_SIZE, 0, info.st_size) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        const int error = errno;
        ::close(in);
        return Fail(error);
    }
    // From here on the file may hold part of the new bytes: on failure the complete temporary
    // file stays, and the caller says where.
    const auto keep = [&](int error) {
        ::close(in);
        m_keptPath = m_tempPath;
        m_tempName.clear();
        m_tempPath.clear();
        return Fail(error, Problem::CopyBackFailed,
                    " (the whole output is kept in " + m_keptPath + ")");
    };
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return keep(errno);
        }
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = pwrite(m_originalFd, buffer.data() + done,
                                       static_cast<std::size_t>(got - done), offset);
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return keep(errno);
            }
            done += put;
            offset += put;
        }
    }
    if (ftruncate(m_originalFd, offset) != 0 || fsync(m_originalFd) != 0)
        return keep(errno);
    ::close(in);
    m_savedStamp = StampOf(m_originalFd);
    CloseDescriptor(m_originalFd);
    unlinkat(m_folderFd, m_tempName.c_str(), 0);
    m_tempName.clear();
    m_tempPath.clear();
    m_finished = false;
    SyncFolder();
    CloseDescriptor(m_folderFd);
    return true;
}

void AtomicFile::SyncFolder() const
{
    // Makes the rename, or the removal of the temporary file, durable.
    const int dir = openat(m_folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
}

void AtomicFile::discard()
{
    m_finished = false;
    m_stream.reset();
    CloseDescriptor(m_fd);
    CloseDescriptor(m_originalFd);
    if (!m_tempName.empty() && m_folderFd >= 0)
        unlinkat(m_folderFd, m_tempName.c_str(), 0);
    m_tempName.clear();
    m_tempPath.clear();
    CloseDescriptor(m_folderFd);
}
