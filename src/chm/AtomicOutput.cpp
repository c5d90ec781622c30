#include "AtomicOutput.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace chm {

namespace {

// The temporary file for the signal handler, which may only call async-signal-safe functions.
char g_temporary[PATH_MAX + 1];

extern "C" void removeTemporaryAndEnd(int signal)
{
    if (g_temporary[0] != '\0')
        ::unlink(g_temporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void remember(const std::string& path)
{
    if (path.size() <= PATH_MAX) {
        std::memcpy(g_temporary, path.c_str(), path.size() + 1);
    }
}

void forget()
{
    g_temporary[0] = '\0';
}

std::string systemReason(int error)
{
    return std::strerror(error);
}

} // namespace

AtomicOutput::AtomicOutput(std::string target) : m_target(std::move(target)) {}

AtomicOutput::~AtomicOutput()
{
    discard();
}

bool AtomicOutput::open(std::string& error)
{
    struct stat info;
    if (::stat(m_target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = m_target + ": is a folder, not a file";
        return false;
    }
    const std::size_t slash = m_target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : m_target.substr(0, slash + 1);
    std::string pattern = folder + ".zetchm-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = m_target + ": cannot be written in its folder: " + systemReason(errno);
        return false;
    }
    m_fd = fd;
    m_temporary = pattern;
    remember(m_temporary);
    return true;
}

bool AtomicOutput::commit(std::string& error)
{
    if (m_fd < 0) {
        error = m_target + ": not written";
        return false;
    }
    // The file's permissions: those of the file it replaces, else what the user's mask leaves.
    mode_t mode;
    struct stat info;
    if (::stat(m_target.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int failure = 0;
    if (::fchmod(m_fd, mode) != 0 || ::fsync(m_fd) != 0)
        failure = errno;
    if (::close(m_fd) != 0 && failure == 0)
        failure = errno;
    m_fd = -1;
    if (failure == 0 && ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        error = m_target + ": " + systemReason(failure);
        discard();
        return false;
    }
    m_temporary.clear();
    forget();
    return true;
}

void AtomicOutput::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        forget();
    }
}

void AtomicOutput::removeOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        std::signal(signal, removeTemporaryAndEnd);
}

} // namespace chm
