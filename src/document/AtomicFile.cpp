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

// As the kernel allows in one path walk.
constexpr int kMostLinks = 40;

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that the chain of symbolic links starting at `path` ends at; it need not exist (a
// dangling link names the file a save creates). False with ELOOP for a chain without end.
bool FollowLinks(const std::string& path, std::string& end, int& error)
{
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info;
        // A path that is missing or cannot be examined ends the chain; opening it later tells.
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            end = current;
            return true;
        }
        if (links == kMostLinks) {
            error = ELOOP;
            return false;
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1,
                           '\0');
        ssize_t length;
        while ((length = readlink(current.c_str(), target.data(), target.size())) >= 0 &&
               static_cast<std::size_t>(length) == target.size())
            target.resize(target.size() * 2); // the link changed meanwhile
        if (length < 0) {
            end = current;
            return true;
        }
        target.resize(static_cast<std::size_t>(length));
        current = target.starts_with('/') ? target : DirectoryOf(current) + "/" + target;
    }
}

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
    return DirectoryOf(m_writePath.empty() ? m_targetPath : m_writePath);
}

bool AtomicFile::Fail(int error, Problem problem, const std::string& detail)
{
    m_errorCode = error;
    m_problem = problem;
    m_error = m_targetPath + ": " + std::strerror(error) + detail;
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
    // Saving through a symbolic link replaces the file it names, not the link.
    int linkError = 0;
    if (!FollowLinks(m_targetPath, m_writePath, linkError)) {
        m_writePath = m_targetPath;
        return Fail(linkError, Problem::LinkLoop);
    }
    struct stat info;
    const bool exists = stat(m_writePath.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return Fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    const std::string directory = DirectoryOf(m_writePath);
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

    // O_EXCL with a fresh name, like mkstemp, but created with 0666 so the umask applies as
    // for any new file; a replaced file's permissions are copied below.
    std::mt19937_64 random(std::random_device{}());
    int fd = -1;
    std::string tempPath;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempPath = directory + "/" + TemporaryName(random);
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || (errno == EEXIST && attempt < 100))
            continue;
        const int error = errno;
        if ((error == EACCES || error == EPERM) && exists && access(m_writePath.c_str(), W_OK) == 0)
            return Fail(error, Problem::FolderNotWritable,
                        " (the folder " + directory + " takes no new file, though the file " +
                            "itself may be written)");
        return Fail(error);
    }
    m_fd = fd;
    m_tempPath = tempPath;
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
    m_stream.reset();
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(errno);
    m_finished = true;
    return true;
}

bool AtomicFile::commit()
{
    if (!finishWriting())
        return false;
    if (rename(m_tempPath.c_str(), m_writePath.c_str()) != 0)
        return Fail(errno);
    m_tempPath.clear();
    m_finished = false;
    // Make the rename itself durable.
    const int dir = ::open(DirectoryOf(m_writePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::discard()
{
    m_finished = false;
    m_stream.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
