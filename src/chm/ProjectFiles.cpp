#include "ProjectFiles.h"

#include "NameText.h"
#include "TextUtil.h"

#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace chm {

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct Normalised
{
    std::vector<std::string> segments;
    bool escapes = false; // ".." went above the project's folder
};

Normalised normalised(std::string_view path)
{
    Normalised result;
    for (std::string_view segment : TextUtil::split(path, '/')) {
        if (segment.empty() || segment == ".")
            continue;
        if (segment == "..") {
            if (result.segments.empty())
                result.escapes = true;
            else
                result.segments.pop_back();
            continue;
        }
        result.segments.emplace_back(segment);
    }
    return result;
}

std::string joined(const std::vector<std::string>& segments, std::size_t from = 0)
{
    std::string path;
    for (std::size_t i = from; i < segments.size(); ++i) {
        if (!path.empty())
            path += '/';
        path += segments[i];
    }
    return path;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

ProjectFiles::ProjectFiles(std::string folder, std::string codePage)
    : m_folder(std::move(folder)), m_codePage(std::move(codePage))
{
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
}

std::string ProjectFiles::folderOf(std::string_view helpName)
{
    const std::size_t slash = helpName.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    std::string_view folder = helpName.substr(0, slash);
    while (!folder.empty() && folder.front() == '/')
        folder.remove_prefix(1);
    return std::string(folder);
}

bool ProjectFiles::isExternalLink(std::string_view link)
{
    link = TextUtil::trimmed(link);
    // A scheme of two letters or more: one letter is a Windows drive.
    std::size_t i = 0;
    while (i < link.size() &&
           ((link[i] >= 'a' && link[i] <= 'z') || (link[i] >= 'A' && link[i] <= 'Z') ||
            (i > 0 && ((link[i] >= '0' && link[i] <= '9') || link[i] == '+' || link[i] == '-' ||
                       link[i] == '.'))))
        ++i;
    return i >= 2 && i < link.size() && link[i] == ':';
}

std::string ProjectFiles::linkPath(std::string_view link)
{
    link = TextUtil::trimmed(link);
    link = link.substr(0, link.find_first_of("#?"));
    std::string path;
    path.reserve(link.size());
    for (std::size_t i = 0; i < link.size(); ++i) {
        if (link[i] == '%' && i + 2 < link.size()) {
            const int high = hexDigit(link[i + 1]);
            const int low = hexDigit(link[i + 2]);
            if (high >= 0 && low >= 0) {
                path += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        path += link[i];
    }
    return path;
}

ProjectFiles::Lookup ProjectFiles::find(std::string_view name, std::string_view baseFolder,
                                        Kind kind)
{
    Lookup lookup;
    std::string path;
    if (kind == Kind::Link) {
        if (isExternalLink(name)) {
            lookup.external = true;
            return lookup;
        }
        path = linkPath(name);
        if (path.empty()) {
            lookup.external = true; // a place in the same page
            return lookup;
        }
    } else {
        path = std::string(TextUtil::trimmed(name));
    }
    if (path.empty())
        return lookup;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    const bool windowsDrive =
        path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
    if (windowsDrive)
        path.erase(0, 2);

    std::vector<std::string> candidates;
    if (!path.starts_with('/')) {
        candidates.push_back(baseFolder.empty() ? path : std::string(baseFolder) + "/" + path);
    } else if (!windowsDrive && path.starts_with(m_folder + "/")) {
        candidates.push_back(path.substr(m_folder.size() + 1));
    } else if (!windowsDrive) {
        // A file elsewhere on this machine: stored under its own name.
        lookup.tried = path;
        if (exists(path)) {
            const std::size_t slash = path.rfind('/');
            lookup.file = File{path, "/" + path.substr(slash + 1)};
        }
        return lookup;
    } else {
        // A path on the machine the project was written on: the project's folder is some
        // folder along it, so its tails are tried, longest first.
        const Normalised parts = normalised(path);
        for (std::size_t from = 0; from < parts.segments.size(); ++from)
            candidates.push_back(joined(parts.segments, from));
    }

    for (const std::string& candidate : candidates) {
        const Normalised parts = normalised(candidate);
        if (parts.segments.empty())
            continue;
        if (parts.escapes) {
            // Above the project's folder: read from where it is, stored without the "..".
            const std::string disk = m_folder + "/" + candidate;
            if (lookup.tried.empty())
                lookup.tried = disk;
            if (exists(disk)) {
                lookup.file = File{disk, "/" + joined(parts.segments)};
                return lookup;
            }
            continue;
        }
        const std::string relative = joined(parts.segments);
        if (lookup.tried.empty())
            lookup.tried = m_folder + "/" + relative;
        if (std::optional<File> file = locate(relative)) {
            lookup.file = std::move(file);
            return lookup;
        }
    }
    return lookup;
}

std::optional<ProjectFiles::File> ProjectFiles::locate(const std::string& relative)
{
    if (exists(m_folder + "/" + relative))
        return File{m_folder + "/" + relative, "/" + relative};
    // Names written in the project's code page stand for UTF-8 names on disk.
    std::string name = relative;
    if (!NameText::isAscii(relative)) {
        if (std::optional<std::string> utf8 = NameText::toUtf8(relative, m_codePage)) {
            if (!NameText::isUtf8(relative) || exists(m_folder + "/" + *utf8)) {
                name = std::move(*utf8);
                if (exists(m_folder + "/" + name))
                    return File{m_folder + "/" + name, "/" + name};
            }
        }
    }
    // The letters' case may differ from the disk's, as it may on the machines projects come
    // from: each level is matched without regard to case.
    std::string directory = m_folder;
    std::string found;
    const std::vector<std::string_view> segments = TextUtil::split(name, '/');
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::string segment(segments[i]);
        std::string actual;
        if (exists(directory + "/" + segment)) {
            actual = segment;
        } else if (std::optional<std::string> match = matchInDirectory(directory, segment)) {
            actual = std::move(*match);
        } else {
            return std::nullopt;
        }
        directory += "/" + actual;
        found += (found.empty() ? "" : "/") + actual;
        if (i + 1 < segments.size() && !isDirectory(directory))
            return std::nullopt;
    }
    return File{directory, "/" + found};
}

std::optional<std::string> ProjectFiles::matchInDirectory(const std::string& directory,
                                                          const std::string& name)
{
    auto listing = m_listings.find(directory);
    if (listing == m_listings.end()) {
        std::unordered_map<std::string, std::string> entries;
        if (DIR* dir = ::opendir(directory.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string entryName = entry->d_name;
                if (entryName != "." && entryName != "..")
                    entries.emplace(TextUtil::lowerAscii(entryName), entryName);
            }
            ::closedir(dir);
        }
        listing = m_listings.emplace(directory, std::move(entries)).first;
    }
    const auto found = listing->second.find(TextUtil::lowerAscii(name));
    if (found == listing->second.end())
        return std::nullopt;
    return found->second;
}

} // namespace chm
