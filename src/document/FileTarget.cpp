#include "FileTarget.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// As the kernel allows in one path walk.
constexpr int kMostLinks = 40;

// The file the chain of symbolic links starting at `path` ends at, folders left as they are; it
// need not exist (a dangling link names the file a save creates). False for a chain without end.
bool FollowLinks(const std::string& path, std::string& end)
{
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info;
        // A path that is missing or cannot be examined ends the chain; opening it later tells.
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            end = current;
            return true;
        }
        if (links == kMostLinks)
            return false;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1,
                           '\0');
        ssize_t length;
        while ((length = readlink(current.c_str(), target.data(), target.size())) >= 0 &&
               static_cast<std::size_t>(length) == target.size())
            target.resize(target.size() * 2); // the link changed meanwhile
        if (length < 0) {
            end = current;
            return true;
        }
        target.resize(static_cast<std::size_t>(length));
        current = target.starts_with('/') ? target : FolderOf(current) + "/" + target;
    }
}

} // namespace

bool FileTarget::sameFile(const FileTarget& other) const
{
    if (viaLink != other.viaLink || path != other.path ||
        stamp.has_value() != other.stamp.has_value())
        return false;
    return !stamp || (stamp->device == other.stamp->device && stamp->inode == other.stamp->inode);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<FileTarget> TargetOf(const std::string& path)
{
    FileTarget target;
    std::string end;
    if (!FollowLinks(path, end))
        return std::nullopt;
    target.viaLink = end != path;
    // The folder's own links too: a folder swapped for a link leads elsewhere just as well.
    const std::string name = NameOf(end);
    target.path = end;
    if (!name.empty() && name != "." && name != "..") {
        if (char* real = realpath(FolderOf(end).c_str(), nullptr)) {
            const std::string folder = real;
            std::free(real);
            target.path = (folder == "/" ? "" : folder) + "/" + name;
        }
    }
    struct stat info;
    if (stat(target.path.c_str(), &info) == 0) {
        target.stamp = StampOf(info);
        target.regularFile = S_ISREG(info.st_mode);
    }
    return target;
}

std::string UserName(std::uint32_t uid)
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    struct passwd entry;
    struct passwd* found = nullptr;
    while (getpwuid_r(static_cast<uid_t>(uid), &entry, buffer.data(), buffer.size(), &found) ==
               ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return found ? std::string(found->pw_name) : std::string();
}
