#include "CompilerOutputLog.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CompilerOutputLog::CompilerOutputLog(CompilerOutputLog&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)),
      m_openedAt(other.m_openedAt), m_writeFailed(other.m_writeFailed),
      m_tail(std::move(other.m_tail)), m_size(other.m_size), m_written(other.m_written)
{
    other.m_path.clear();
}

CompilerOutputLog& CompilerOutputLog::operator=(CompilerOutputLog&& other) noexcept
{
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::exchange(other.m_path, {});
        m_openedAt = other.m_openedAt;
        m_writeFailed = other.m_writeFailed;
        m_tail = std::move(other.m_tail);
        m_size = other.m_size;
        m_written = other.m_written;
    }
    return *this;
}

CompilerOutputLog::~CompilerOutputLog()
{
    Discard();
}

bool CompilerOutputLog::Open(const std::string& directory)
{
    Discard();
    m_tail.clear();
    m_size = 0;
    m_written = 0;
    m_writeFailed = false;
    m_openedAt.reset();
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", unsigned(random()));
        // Short, so any project's folder takes it; hidden, as it is ours, not the user's.
        const std::string path = directory + "/.zet-compiler-output-" + suffix;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        m_fd = fd;
        m_path = path;
        struct stat info;
        if (::fstat(fd, &info) == 0)
            m_openedAt = info.st_mtim;
        return true;
    }
    return false;
}

void CompilerOutputLog::Append(std::string_view text)
{
    m_size += text.size();
    if (text.size() >= kKeptBytes) {
        m_tail.assign(text.substr(text.size() - kKeptBytes));
    } else {
        m_tail.append(text);
        // Trimmed in batches, so each byte is moved a bounded number of times.
        if (m_tail.size() >= 2 * kKeptBytes)
            m_tail.erase(0, m_tail.size() - kKeptBytes);
    }
    if (!m_writeFailed)
        Write(text);
}

void CompilerOutputLog::Write(std::string_view text)
{
    while (m_fd >= 0 && !text.empty()) {
        const ssize_t written = ::write(m_fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A full disk: what did not fit may still be caught up from the tail (CatchUp).
            m_writeFailed = true;
            return;
        }
        m_written += std::uint64_t(written);
        text.remove_prefix(std::size_t(written));
    }
}

void CompilerOutputLog::CatchUp()
{
    const std::string_view tail = Tail();
    const std::uint64_t missing = m_size - m_written;
    if (!m_writeFailed || missing > tail.size())
        return;
    m_writeFailed = false;
    Write(tail.substr(tail.size() - std::size_t(missing)));
}

std::string_view CompilerOutputLog::Tail() const
{
    const std::string_view tail = m_tail;
    return tail.size() > kKeptBytes ? tail.substr(tail.size() - kKeptBytes) : tail;
}

bool CompilerOutputLog::Commit(const std::string& path)
{
    if (m_path.empty())
        return false;
    // Room may have been made since (a failed run's help file removed).
    CatchUp();
    Close();
    if (::rename(m_path.c_str(), path.c_str()) != 0) {
        ::unlink(m_path.c_str());
        m_path.clear();
        return false;
    }
    m_path.clear();
    return true;
}

void CompilerOutputLog::Discard()
{
    Close();
    if (!m_path.empty())
        ::unlink(m_path.c_str());
    m_path.clear();
}

void CompilerOutputLog::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
