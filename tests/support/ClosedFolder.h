#pragma once

#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Makes a folder take no new file while the files in it stay writable: its write permission is
// removed, or, for root (whom permissions do not stop), it is made immutable. Undone on exit.
class ClosedFolder
{
public:
    explicit ClosedFolder(const std::filesystem::path& folder) : m_folder(folder)
    {
        if (geteuid() != 0) {
            m_closed = chmod(folder.c_str(), 0555) == 0;
            return;
        }
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_closed = ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ClosedFolder()
    {
        if (m_fd >= 0) {
            int flags = 0;
            if (ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(m_fd);
        } else {
            chmod(m_folder.c_str(), 0755);
        }
    }
    ClosedFolder(const ClosedFolder&) = delete;
    ClosedFolder& operator=(const ClosedFolder&) = delete;
    bool closed() const { return m_closed; }

private:
    std::filesystem::path m_folder;
    int m_fd = -1;
    bool m_closed = false;
};
