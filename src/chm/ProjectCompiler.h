#pragma once

#include "HelpProject.h"
#include "Language.h"
#include "ProjectFiles.h"
#include "StringTable.h"
#include "TopicTable.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace chm {

class ArchiveSink;
class CompileLog;
class TopicIndexer;

// Turns a project into the files of its help file: reads the project, takes in every file it
// names and every file its contents, index and pages link to that exists, and makes the system
// files the viewers read. The files are handed to an ArchiveSink one by one as they are read,
// so memory holds one page at a time (and what the sink and the search index keep).
class ProjectCompiler
{
public:
    struct Settings
    {
        std::string compilerVersion = "zetchm";
        std::uint64_t unixTime = 0; // stamped into the system files
        std::uint64_t largestFile = 64u << 20;
    };
    struct Progress
    {
        std::size_t filesDone = 0;
        std::size_t filesKnown = 0;
        std::uint64_t bytesRead = 0;
    };
    using ProgressCallback = std::function<void(const Progress&)>;

    ProjectCompiler(CompileLog& log, Settings settings);
    ~ProjectCompiler();

    // Reads the project file; false (said in the log) when it cannot be read.
    bool load(const std::string& projectPath);
    const HelpProject& project() const { return m_project; }
    const Language& language() const { return m_language; }
    // Where the help file and the log go ("Compiled file" and "Error log file", beside the
    // project); the log's path is empty when the project names none.
    const std::string& helpFilePath() const { return m_helpFilePath; }
    const std::string& logFilePath() const { return m_logFilePath; }

    // Hands every file to `archive` and the pages to `indexer` (when the project asks for a
    // search index; may be null otherwise). False when an error was logged: the files handed
    // over are then no help file.
    bool compile(ArchiveSink& archive, TopicIndexer* indexer,
                 const ProgressCallback& progress = {});

    // Files handed to the archive, the system files aside.
    std::size_t fileCount() const { return m_filesStored; }
    std::uint32_t topicCount() const { return m_topics.count(); }

private:
    enum class Origin { Files, Contents, Index, Options, Window, Alias, ContentsLink, Link };
    struct Pending
    {
        ProjectFiles::File file;
        const std::string* stored = nullptr; // its name inside, as kept in m_stored
        Origin origin = Origin::Files;
        std::uint32_t from = 0; // who named it, for messages: an index into m_froms
    };

    // The help file's name for a file the project names, looked up and queued if new (it stays
    // where it is for the whole run); null when there is no such file (said in the log as
    // `origin` calls for).
    const std::string* want(std::string_view name, std::string_view baseFolder,
                            ProjectFiles::Kind kind, Origin origin, const std::string& from);
    void process(const Pending& pending, ArchiveSink& archive, TopicIndexer* indexer);
    void report(Origin origin, const std::string& text);
    // Whether a file the origin names must be there for the help file to be made.
    static bool isError(Origin origin);
    static std::string lookupKey(std::string_view name, std::string_view baseFolder,
                                 ProjectFiles::Kind kind);
    // The name inside the help file of a file taken in already, or nothing.
    std::optional<std::string> storedName(const std::string& name, ProjectFiles::Kind kind);
    // The name inside the help file (no leading "/") a name of the project stands for.
    std::string helpName(const std::string& projectName);
    void addSystemFiles(ArchiveSink& archive, TopicIndexer* indexer);
    std::string pathBesideProject(const std::string& name) const;

    CompileLog& m_log;
    Settings m_settings;
    HelpProject m_project;
    Language m_language;
    std::string m_projectPath;
    std::string m_projectFolder;
    std::string m_helpFilePath;
    std::string m_logFilePath;
    std::unique_ptr<ProjectFiles> m_files;

    std::vector<Pending> m_queue;
    // Every name taken in, lower-case (the help file's names are matched without regard to
    // case), with its name as stored.
    std::unordered_map<std::string, std::string> m_stored;
    // The names (as kept in m_stored) of the files the contents link to.
    std::unordered_set<const std::string*> m_inContents;
    // Files looked for and not found, lower-case, each with whether it was said as an error.
    std::unordered_map<std::string, bool> m_missing;
    // What each name, as given (with its kind and folder), was found to be inside.
    std::unordered_map<std::string, const std::string*> m_resolved;
    // Who named the files queued, each text once (most files come in runs from one source).
    std::vector<std::string> m_froms;
    std::string m_contentsName;
    std::string m_indexName;
    StringTable m_strings;
    TopicTable m_topics;
    Progress m_progress;
    std::size_t m_filesStored = 0;
    std::string m_page; // the file being read, its memory used again for the next
    // The help file's identity on disk when it exists already (device, inode).
    std::optional<std::pair<dev_t, ino_t>> m_helpFileId;
};

} // namespace chm
