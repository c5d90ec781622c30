#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct stat;

// What tells one state of a file on disk from another: which file it is (device and inode),
// its size, its modification time and its owner. Another program's save, a copy over it or a
// `git pull` changes at least one of them; a new owner makes it another user's file.
struct FileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint32_t owner = 0; // the user id

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`, symbolic links followed; nothing when there is no such file.
std::optional<FileStamp> StampOf(const std::string& path);
// The stamp of an open file.
std::optional<FileStamp> StampOf(int fd);
// The stamp that `stat` tells.
FileStamp StampOf(const struct stat& info);
