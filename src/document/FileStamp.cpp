#include "FileStamp.h"

#include <sys/stat.h>

FileStamp StampOf(const struct stat& info)
{
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    stamp.modifiedNanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    stamp.owner = static_cast<std::uint32_t>(info.st_uid);
    return stamp;
}

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return StampOf(info);
}

std::optional<FileStamp> StampOf(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return std::nullopt;
    return StampOf(info);
}
