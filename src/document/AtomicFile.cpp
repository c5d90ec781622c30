#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

std::atomic<unsigned> s_counter{0};

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

AtomicFile::AtomicFile(std::string targetPath) : m_targetPath(std::move(targetPath)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::Fail(const std::string& what, int error)
{
    m_errorCode = error;
    m_error = what + ": " + std::strerror(error);
    discard();
    return false;
}

bool AtomicFile::open()
{
    discard();
    m_error.clear();
    m_errorCode = 0;
    m_writePath = m_targetPath;
    // Saving through a symbolic link replaces the file it names, not the link.
    struct stat linkInfo;
    if (lstat(m_targetPath.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(m_targetPath.c_str(), resolved))
            m_writePath = resolved;
    }
    struct stat info;
    const bool exists = stat(m_writePath.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return Fail(m_targetPath, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);

    // O_EXCL with a fresh name, like mkstemp, but created with 0666 so the umask applies as
    // for any new file; a replaced file's permissions are copied below.
    int fd = -1;
    std::string tempPath;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempPath = m_writePath + ".tmp" + std::to_string(getpid()) + "-" +
                   std::to_string(++s_counter) + "-" + std::to_string(attempt);
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100))
            return Fail(m_targetPath, errno);
    }
    m_fd = fd;
    m_tempPath = tempPath;
    if (exists && fchmod(fd, info.st_mode & 07777) != 0)
        return Fail(m_targetPath, errno);
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
            m_error = m_targetPath + ": " + std::strerror(EBADF);
        }
        return false;
    }
    m_stream->stream.flush();
    if (!m_stream->stream || m_stream->error != 0)
        return Fail(m_targetPath, m_stream->error ? m_stream->error : EIO);
    if (fsync(m_fd) != 0)
        return Fail(m_targetPath, errno);
    m_stream.reset();
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(m_targetPath, errno);
    m_finished = true;
    return true;
}

bool AtomicFile::commit()
{
    if (!finishWriting())
        return false;
    if (rename(m_tempPath.c_str(), m_writePath.c_str()) != 0)
        return Fail(m_targetPath, errno);
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
