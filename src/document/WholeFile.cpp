#include "WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

WholeFile::Result WholeFile::Read(const std::string& path)
{
    Result result;
    const auto fail = [&result](Failure failure, int error) {
        result.bytes.clear();
        result.failure = failure;
        result.error = error;
        return std::move(result);
    };
    // Without blocking, so that opening a FIFO returns at once; a regular file reads the same.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return fail(Failure::Open, errno);
    struct stat info;
    if (fstat(fd.get(), &info) != 0)
        return fail(Failure::Read, errno);
    if (S_ISDIR(info.st_mode))
        return fail(Failure::Read, EISDIR);
    if (!S_ISREG(info.st_mode))
        return fail(Failure::NotRegular, EINVAL);
    if (const std::optional<FileStamp> stamp = StampOf(fd.get()))
        result.stamp = *stamp;
    try {
        std::string& data = result.bytes;
        // One read of the known size; the loop also covers a file that grows meanwhile and
        // files that report no size (some pseudo-files).
        const std::size_t size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
        data.resize(size > 0 ? size + 1 : 65536);
        std::size_t used = 0;
        for (;;) {
            if (used == data.size())
                data.resize(data.size() * 2);
            const ssize_t n = ::read(fd.get(), data.data() + used, data.size() - used);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return fail(Failure::Read, errno);
            }
            if (n == 0)
                break;
            used += static_cast<std::size_t>(n);
        }
        data.resize(used);
    } catch (const std::bad_alloc&) {
        return fail(Failure::Read, ENOMEM);
    }
    return result;
}
