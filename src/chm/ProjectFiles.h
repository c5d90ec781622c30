#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace chm {

// Finds the files a project names on disk and gives each its name inside the help file: the
// path relative to the project's folder, with "/" (UTF-8, as on disk). Names may come with "\",
// a Windows drive, "..", in the project's code page or in another letter case than on disk;
// links may carry anchors, queries and %-escapes.
class ProjectFiles
{
public:
    // `folder`: the project's folder (absolute); `codePage`: iconv's name of the project's.
    ProjectFiles(std::string folder, std::string codePage);

    struct File
    {
        std::string diskPath;
        std::string name; // inside the help file, with a leading "/"
    };
    enum class Kind {
        ProjectName, // a name in the project file: taken as written
        Link,        // an href or Local value: anchors, queries and escapes removed
    };
    struct Lookup
    {
        std::optional<File> file;
        std::string tried;     // the path looked for, for messages
        bool external = false; // a link out of the help file (http:, mailto:, ...), not a file
    };

    // `name` relative to `baseFolder` (a folder inside the help file, "" for the project's).
    Lookup find(std::string_view name, std::string_view baseFolder, Kind kind);

    const std::string& folder() const { return m_folder; }

    // The folder part of a name inside the help file ("/a/b.html" gives "a").
    static std::string folderOf(std::string_view helpName);
    // A link's file part: no anchor, no query, %-escapes decoded; empty for an anchor alone.
    static std::string linkPath(std::string_view link);
    static bool isExternalLink(std::string_view link);

private:
    std::optional<File> locate(const std::string& relative);
    // The name of an entry of `directory` equal to `name` without regard to case, if any.
    std::optional<std::string> matchInDirectory(const std::string& directory,
                                                const std::string& name);

    std::string m_folder;
    std::string m_codePage;
    // Each directory's entries by their lower-case name, read once when a name first misses.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> m_listings;
};

} // namespace chm
