#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one state of a file on disk from another: which file it is (device and inode),
// its size and its modification time. Another program's save, a copy over it or a `git pull`
// changes at least one of them.
struct FileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`, symbolic links followed; nothing when there is no such file.
std::optional<FileStamp> StampOf(const std::string& path);
// The stamp of an open file.
std::optional<FileStamp> StampOf(int fd);
