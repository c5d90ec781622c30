#pragma once

#include "FileStamp.h"

#include <cstdint>
#include <optional>
#include <string>

// Which file a save to a path would replace: the file its symbolic links end at, in its real
// folder, and what is there now. A save compares it with what the book was read from, so that a
// link planted meanwhile (by another user, in a folder of theirs) is never written through
// unasked.
struct FileTarget
{
    // The end of the path's symbolic links, its folder's links resolved too: the real file.
    std::string path;
    // The path itself is a symbolic link.
    bool viaLink = false;
    // The file at `path`; nothing when there is none (a save creates it).
    std::optional<FileStamp> stamp;
    // Not a pipe, a device, a socket or a folder, which a save refuses.
    bool regularFile = false;

    // Whether it is the same file in the same place, reached the same way: the link or its
    // absence, the real path, the device and inode (or that there is no file).
    bool sameFile(const FileTarget& other) const;
};

// Where `path` leads now; nothing when its symbolic links form a loop.
std::optional<FileTarget> TargetOf(const std::string& path);

// The folder part of `path` ("." for a bare name) and the name in it.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

// The login name of the user `uid`; empty when the system knows none.
std::string UserName(std::uint32_t uid);
