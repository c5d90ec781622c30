#include "OutputFile.h"

#include "IHelpMessages.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // not reported, as for every write after a successful open
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

bool OutputFile::Open(const std::string& path, IHelpMessages& messages)
{
    Close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        const int error = errno;
        messages.ShowFileError(path, std::strerror(error));
        return false;
    }
    return true;
}

void OutputFile::Write(std::string_view bytes)
{
    if (m_fd < 0)
        return;
    if (m_buffer.size() + bytes.size() > kBufferSize) {
        Flush();
        if (bytes.size() >= kBufferSize) {
            writeAll(m_fd, bytes);
            return;
        }
    }
    if (m_buffer.capacity() < kBufferSize)
        m_buffer.reserve(kBufferSize);
    m_buffer.append(bytes);
}

void OutputFile::Flush()
{
    writeAll(m_fd, m_buffer);
    m_buffer.clear();
}

void OutputFile::Close()
{
    if (m_fd < 0)
        return;
    Flush();
    ::close(m_fd);
    m_fd = -1;
}

bool OutputFile::WriteWhole(const std::string& path, std::string_view bytes,
                            IHelpMessages& messages)
{
    OutputFile file;
    if (!file.Open(path, messages))
        return false;
    writeAll(file.m_fd, bytes);
    ::close(file.m_fd);
    file.m_fd = -1;
    return true;
}
