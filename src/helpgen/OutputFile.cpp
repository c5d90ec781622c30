#include "OutputFile.h"

#include "IHelpMessages.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// False with errno set when the bytes could not all be written.
bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

OutputFile::~OutputFile()
{
    if (m_fd < 0)
        return;
    if (!m_failed)
        writeAll(m_fd, m_buffer);
    ::close(m_fd);
}

bool OutputFile::Fail(int error)
{
    if (!m_failed && m_messages)
        m_messages->ShowFileError(m_path, std::strerror(error));
    m_failed = true;
    m_buffer.clear();
    return false;
}

bool OutputFile::Open(const std::string& path, IHelpMessages& messages)
{
    Close();
    m_path = path;
    m_messages = &messages;
    m_failed = false;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return Fail(errno);
    return true;
}

bool OutputFile::Write(std::string_view bytes)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (m_buffer.size() + bytes.size() > kBufferSize) {
        if (!Flush())
            return false;
        if (bytes.size() >= kBufferSize)
            return writeAll(m_fd, bytes) || Fail(errno);
    }
    if (m_buffer.capacity() < kBufferSize)
        m_buffer.reserve(kBufferSize);
    m_buffer.append(bytes);
    return true;
}

bool OutputFile::Flush()
{
    const bool ok = writeAll(m_fd, m_buffer) || Fail(errno);
    m_buffer.clear();
    return ok;
}

bool OutputFile::Close()
{
    if (m_fd < 0)
        return !m_failed;
    const bool flushed = !m_failed && Flush();
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (flushed && closed != 0)
        return Fail(errno);
    return flushed;
}

bool OutputFile::WriteWhole(const std::string& path, std::string_view bytes,
                            IHelpMessages& messages)
{
    OutputFile file;
    if (!file.Open(path, messages))
        return false;
    if (!writeAll(file.m_fd, bytes))
        file.Fail(errno);
    return file.Close();
}
