#include "ProjectCompiler.h"

#include "ArchiveSink.h"
#include "CompileLog.h"
#include "ContextIds.h"
#include "NameText.h"
#include "PageScanner.h"
#include "ProjectReader.h"
#include "SitemapReader.h"
#include "SystemFiles.h"
#include "TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace chm {

namespace {

// The project file and the files it includes are read whole; nobody writes one this large.
constexpr std::uint64_t kLargestProjectFile = 16u << 20;

struct ReadOutcome
{
    std::optional<std::string> bytes;
    std::string reason;
};

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

ReadOutcome readFile(const std::string& path, std::uint64_t largest)
{
    ReadOutcome outcome;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        outcome.reason = std::strerror(errno);
        return outcome;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        outcome.reason = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        outcome.reason = "is a folder, not a file";
    } else if (!S_ISREG(info.st_mode)) {
        outcome.reason = "is not a regular file";
    } else if (static_cast<std::uint64_t>(info.st_size) > largest) {
        outcome.reason = "too large (" + std::to_string(info.st_size) +
                         " bytes; a help file takes files of up to " + megabytes(largest) + ")";
    } else {
        std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                outcome.reason = std::strerror(errno);
                break;
            }
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        if (outcome.reason.empty()) {
            bytes.resize(done);
            outcome.bytes = std::move(bytes);
        }
    }
    ::close(fd);
    return outcome;
}

// Reads a whole page into `bytes`, whose memory serves again for the next page; the reason when
// it cannot.
std::string readInto(const std::string& path, std::uint64_t largest, std::string& bytes,
                     struct stat& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    std::string reason;
    if (::fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        reason = "is a folder, not a file";
    } else if (!S_ISREG(info.st_mode)) {
        reason = "is not a regular file";
    } else if (static_cast<std::uint64_t>(info.st_size) > largest) {
        reason = "too large (" + std::to_string(info.st_size) +
                 " bytes; a help file takes files of up to " + megabytes(largest) + ")";
    } else {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                reason = std::strerror(errno);
                break;
            }
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return reason;
}

bool isPage(std::string_view name)
{
    return TextUtil::endsWithIgnoreCase(name, ".html") ||
           TextUtil::endsWithIgnoreCase(name, ".htm") ||
           TextUtil::endsWithIgnoreCase(name, ".xhtml");
}

bool isSitemap(std::string_view name)
{
    return TextUtil::endsWithIgnoreCase(name, ".hhc") || TextUtil::endsWithIgnoreCase(name, ".hhk");
}

std::string withoutSlash(std::string_view name)
{
    while (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    return std::string(name);
}

std::string baseName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string stemOf(std::string_view path)
{
    std::string name = baseName(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

// The file's name as the project gives it: "\" or "/", possibly on a Windows drive, possibly in
// the project's code page.
std::string fileSystemName(std::string_view name, const std::string& codePage)
{
    std::string result(TextUtil::trimmed(name));
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    if (!NameText::isUtf8(result)) {
        if (std::optional<std::string> utf8 = NameText::toUtf8(result, codePage))
            result = std::move(*utf8);
    }
    return result;
}

} // namespace

ProjectCompiler::ProjectCompiler(CompileLog& log, Settings settings)
    : m_log(log), m_settings(std::move(settings))
{}

ProjectCompiler::~ProjectCompiler() = default;

std::string ProjectCompiler::pathBesideProject(const std::string& name) const
{
    std::string path = fileSystemName(name, m_language.iconvName());
    if (path.size() >= 2 && path[1] == ':') {
        // A Windows path means nothing here: the file goes beside the project.
        m_log.note("the path " + path + " is on a Windows drive; " + baseName(path) +
                   " is written beside the project");
        path = baseName(path);
    }
    if (path.starts_with('/'))
        return path;
    return m_projectFolder + "/" + path;
}

bool ProjectCompiler::load(const std::string& projectPath)
{
    m_projectPath = projectPath;
    if (!m_projectPath.starts_with('/')) {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd != nullptr) {
            m_projectPath = std::string(cwd) + "/" + m_projectPath;
            std::free(cwd);
        }
    }
    const std::size_t slash = m_projectPath.rfind('/');
    m_projectFolder = slash == 0 ? "/" : m_projectPath.substr(0, slash);

    ReadOutcome project = readFile(m_projectPath, kLargestProjectFile);
    if (!project.bytes) {
        m_log.error(projectPath + ": " + project.reason);
        return false;
    }
    // Included header files are found like any file of the project.
    ProjectFiles includes(m_projectFolder, "CP1252");
    const auto loadInclude = [&](const std::string& name) -> std::optional<std::string> {
        const ProjectFiles::Lookup lookup =
            includes.find(name, "", ProjectFiles::Kind::ProjectName);
        if (!lookup.file) {
            m_log.warning((lookup.tried.empty() ? name : lookup.tried) +
                          ": no such file (#include of the project)");
            return std::nullopt;
        }
        ReadOutcome included = readFile(lookup.file->diskPath, kLargestProjectFile);
        if (!included.bytes)
            m_log.warning(lookup.file->diskPath + ": " + included.reason +
                          " (#include of the project)");
        return included.bytes;
    };
    m_project = ProjectReader::read(*project.bytes, m_log, loadInclude);
    m_language = Language::fromLcid(m_project.lcid);
    m_files = std::make_unique<ProjectFiles>(m_projectFolder, m_language.iconvName());

    if (m_project.compiledFile.empty()) {
        m_helpFilePath = m_projectFolder + "/" + stemOf(m_projectPath) + ".chm";
        m_log.note("the project names no compiled file; " + m_helpFilePath + " is written");
    } else {
        m_helpFilePath = pathBesideProject(m_project.compiledFile);
    }
    if (!m_project.errorLogFile.empty())
        m_logFilePath = pathBesideProject(m_project.errorLogFile);
    if (m_project.binaryToc)
        m_log.note("Binary TOC=Yes: no binary table of contents is made; viewers read the "
                   "contents file");
    if (m_project.binaryIndex)
        m_log.note("Binary Index=Yes: no binary index is made; viewers read the index file");
    return true;
}

void ProjectCompiler::report(Origin origin, const std::string& text)
{
    if (isError(origin))
        m_log.error(text);
    else
        m_log.warning(text);
}

bool ProjectCompiler::isError(Origin origin)
{
    return origin == Origin::Files || origin == Origin::Contents || origin == Origin::Index;
}

const std::string* ProjectCompiler::want(std::string_view name, std::string_view baseFolder,
                                         ProjectFiles::Kind kind, Origin origin,
                                         const std::string& from)
{
    // Most names come again and again (every page links the style sheet; the index, [FILES]
    // and [ALIAS] name the pages the contents named): each is looked for on disk once.
    std::string cacheKey = lookupKey(name, baseFolder, kind);
    if (const auto known = m_resolved.find(cacheKey); known != m_resolved.end())
        return known->second;

    const ProjectFiles::Lookup lookup = m_files->find(name, baseFolder, kind);
    if (lookup.external)
        return nullptr;
    if (!lookup.file) {
        const std::string tried = lookup.tried.empty() ? std::string(name) : lookup.tried;
        // Each missing file is said once however many pages link to it, and as an error
        // whenever the project itself names it.
        const auto [missing, first] = m_missing.emplace(TextUtil::lowerAscii(tried), false);
        if (first || (isError(origin) && !missing->second)) {
            report(origin, tried + ": no such file (" + from + ")");
            missing->second = missing->second || isError(origin);
        }
        return nullptr;
    }
    std::string key = TextUtil::lowerAscii(lookup.file->name);
    if (const auto stored = m_stored.find(key); stored != m_stored.end()) {
        m_resolved.emplace(std::move(cacheKey), &stored->second);
        return &stored->second;
    }
    ProjectFiles::File file = *lookup.file;
    if ((origin == Origin::Contents || origin == Origin::Index) && !NameText::isAscii(file.name)) {
        // Viewers find the contents and the index by names in the system files, which only
        // ASCII keeps the same in every viewer and code page.
        std::string ascii = "/" + NameText::transliterated(withoutSlash(file.name));
        while (m_stored.count(TextUtil::lowerAscii(ascii)) > 0)
            ascii.insert(ascii.rfind('.') == std::string::npos ? ascii.size() : ascii.rfind('.'),
                         "_");
        m_log.note(file.diskPath + " is stored as " + ascii +
                   ": viewers find contents and index files by names in ASCII");
        m_stored.emplace(TextUtil::lowerAscii(ascii), ascii);
        file.name = ascii;
    }
    const std::string& stored = m_stored.emplace(std::move(key), file.name).first->second;
    m_resolved.emplace(std::move(cacheKey), &stored);
    if (m_froms.empty() || m_froms.back() != from)
        m_froms.push_back(from);
    m_queue.push_back(
        {std::move(file), &stored, origin, static_cast<std::uint32_t>(m_froms.size() - 1)});
    m_progress.filesKnown = m_queue.size();
    return &stored;
}

std::string ProjectCompiler::lookupKey(std::string_view name, std::string_view baseFolder,
                                       ProjectFiles::Kind kind)
{
    // A name as the project gives it and the same name as a link are looked for alike, unless
    // it holds what a link reads otherwise: an anchor, a query, an escape or a scheme.
    const bool kindMatters = name.find_first_of("#?%:") != std::string_view::npos;
    std::string key;
    key.reserve(2 + baseFolder.size() + name.size());
    key.append(1, !kindMatters                       ? ' '
                  : kind == ProjectFiles::Kind::Link ? 'L'
                                                     : 'P')
        .append(baseFolder)
        .append(1, '\0')
        .append(name);
    return key;
}

std::optional<std::string> ProjectCompiler::storedName(const std::string& name,
                                                       ProjectFiles::Kind kind)
{
    if (const auto known = m_resolved.find(lookupKey(name, "", kind)); known != m_resolved.end())
        return *known->second;
    const ProjectFiles::Lookup lookup = m_files->find(name, "", kind);
    if (!lookup.file)
        return std::nullopt;
    const auto stored = m_stored.find(TextUtil::lowerAscii(lookup.file->name));
    if (stored == m_stored.end())
        return std::nullopt;
    return stored->second;
}

std::string ProjectCompiler::helpName(const std::string& projectName)
{
    if (std::optional<std::string> stored =
            storedName(projectName, ProjectFiles::Kind::ProjectName))
        return withoutSlash(*stored);
    return withoutSlash(fileSystemName(projectName, m_language.iconvName()));
}

void ProjectCompiler::process(const Pending& pending, ArchiveSink& archive, TopicIndexer* indexer)
{
    struct stat info;
    const std::string reason =
        readInto(pending.file.diskPath, m_settings.largestFile, m_page, info);
    if (reason.empty() && m_helpFileId && m_helpFileId->first == info.st_dev &&
        m_helpFileId->second == info.st_ino) {
        // Writing the help file would destroy one the help file is made of.
        m_log.error(m_helpFilePath + ": the help file would replace " + pending.file.diskPath +
                    " (" + m_froms[pending.from] + "); name another compiled file");
        return;
    }
    if (!reason.empty()) {
        report(pending.origin,
               pending.file.diskPath + ": " + reason + " (" + m_froms[pending.from] + ")");
        return;
    }
    const std::string& name = pending.file.name;
    const std::string folder = ProjectFiles::folderOf(name);
    const bool contents = pending.origin == Origin::Contents;
    if (contents || pending.origin == Origin::Index || isSitemap(name)) {
        const SitemapReader::Sitemap sitemap = SitemapReader::read(m_page);
        const std::string from = "linked from " + name;
        for (const std::string& local : sitemap.locals) {
            const std::string* page =
                want(local, folder, ProjectFiles::Kind::Link, Origin::ContentsLink, from);
            if (contents && page != nullptr)
                m_inContents.insert(page);
        }
    } else if (isPage(name)) {
        const PageScanner::Page page = PageScanner::scan(m_page);
        const std::string from = "linked from " + name;
        for (const std::string& link : page.links)
            want(link, folder, ProjectFiles::Kind::Link, Origin::Link, from);
        const std::string title =
            page.hasTitle && !page.title.empty() ? page.title : baseName(name);
        const std::uint32_t topic = m_topics.add(m_strings.append(title), withoutSlash(name),
                                                 m_inContents.count(pending.stored) > 0);
        if (indexer != nullptr)
            indexer->addTopic(topic, m_page);
    }
    m_progress.bytesRead += m_page.size();
    archive.addCompressed(name, m_page);
    ++m_filesStored;
}

bool ProjectCompiler::compile(ArchiveSink& archive, TopicIndexer* indexer,
                              const ProgressCallback& progress)
{
    const auto runQueue = [&](std::size_t until) {
        while (m_progress.filesDone < std::min(until, m_queue.size())) {
            // Once the help file cannot be made, the rest is not read: the errors so far are
            // what the user needs.
            if (m_log.hasErrors())
                return;
            // Taken out of the queue, which grows while the file is read (its links), and
            // whose hundred thousand names need not stay for the rest of the run.
            const Pending pending = std::move(m_queue[m_progress.filesDone]);
            process(pending, archive, indexer);
            ++m_progress.filesDone;
            if (progress)
                progress(m_progress);
        }
    };
    // The help file must not replace the project or a file it takes in.
    struct stat helpFile;
    if (::stat(m_helpFilePath.c_str(), &helpFile) == 0)
        m_helpFileId = std::pair{helpFile.st_dev, helpFile.st_ino};
    struct stat project;
    if (m_helpFileId && ::stat(m_projectPath.c_str(), &project) == 0 &&
        project.st_dev == m_helpFileId->first && project.st_ino == m_helpFileId->second) {
        m_log.error(m_helpFilePath + ": the help file would replace its project; name another "
                                     "compiled file");
        return false;
    }
    if (!m_logFilePath.empty() && m_logFilePath == m_helpFilePath) {
        m_log.error(m_helpFilePath + ": the project names it as both its help file and its log");
        return false;
    }

    const auto kind = ProjectFiles::Kind::ProjectName;
    const std::size_t expected = m_project.files.size() + m_project.aliases.size() + 16;
    m_stored.reserve(expected);
    m_resolved.reserve(2 * expected);
    m_queue.reserve(expected);

    // The contents first, so that every page is known to be in it or not when it comes.
    if (!m_project.contentsFile.empty()) {
        if (const std::string* name = want(m_project.contentsFile, "", kind, Origin::Contents,
                                           "Contents file in [OPTIONS]"))
            m_contentsName = withoutSlash(*name);
    }
    if (!m_project.indexFile.empty()) {
        if (const std::string* name =
                want(m_project.indexFile, "", kind, Origin::Index, "Index file in [OPTIONS]"))
            m_indexName = withoutSlash(*name);
    }
    runQueue(m_queue.size());

    for (const std::string& file : m_project.files) {
        if (file.find_first_of("*?") == std::string::npos) {
            want(file, "", kind, Origin::Files, "listed in [FILES]");
            continue;
        }
        // A pattern: the matching files of its folder, in name order.
        const std::string pattern = fileSystemName(file, m_language.iconvName());
        const std::size_t slash = pattern.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash);
        const std::string namePattern =
            slash == std::string::npos ? pattern : pattern.substr(slash + 1);
        std::vector<std::string> matches;
        const std::string directory = m_projectFolder + (folder.empty() ? "" : "/" + folder);
        if (DIR* dir = ::opendir(directory.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                if (entry->d_name[0] != '.' &&
                    ::fnmatch(namePattern.c_str(), entry->d_name, FNM_CASEFOLD) == 0)
                    matches.emplace_back(entry->d_name);
            }
            ::closedir(dir);
        }
        std::sort(matches.begin(), matches.end());
        if (matches.empty())
            m_log.warning("[FILES]: no file matches " + file);
        for (const std::string& match : matches)
            want(folder.empty() ? match : folder + "/" + match, "", kind, Origin::Files,
                 "listed in [FILES] as " + file);
    }
    if (!m_project.defaultTopic.empty())
        want(m_project.defaultTopic, "", kind, Origin::Options, "Default topic in [OPTIONS]");
    for (const WindowDefinition& window : m_project.windows) {
        const std::string from = "[WINDOWS] " + window.name;
        for (const std::string* file :
             {&window.contentsFile, &window.indexFile, &window.defaultFile, &window.homeFile,
              &window.jump1File, &window.jump2File}) {
            if (!file->empty())
                want(*file, "", ProjectFiles::Kind::Link, Origin::Window, from);
        }
    }
    for (const HelpProject::Alias& alias : m_project.aliases)
        want(alias.target, "", ProjectFiles::Kind::Link, Origin::Alias, "[ALIAS] " + alias.name);
    runQueue(static_cast<std::size_t>(-1));
    if (m_log.hasErrors())
        return false;
    addSystemFiles(archive, indexer);
    return !m_log.hasErrors();
}

void ProjectCompiler::addSystemFiles(ArchiveSink& archive, TopicIndexer* indexer)
{
    const std::string windows = SystemFiles::windows(
        m_project.windows, m_strings, [&](const std::string& name) { return helpName(name); });

    std::string contextIds;
    if (!m_project.map.empty()) {
        const auto resolver = [&](const std::string& target) -> std::optional<std::string> {
            if (std::optional<std::string> stored = storedName(target, ProjectFiles::Kind::Link))
                return withoutSlash(*stored);
            return std::nullopt;
        };
        contextIds = ContextIds::build(ContextIds::resolve(m_project, resolver, m_log), m_strings);
    }

    const bool search = m_project.fullTextSearch && indexer != nullptr;
    SystemFiles::SystemInfo info;
    info.lcid = m_language.lcid;
    info.dbcs = m_language.dbcs;
    info.fullTextSearch = search;
    info.timeStamp = static_cast<std::uint32_t>(m_settings.unixTime);
    info.fileTime = (m_settings.unixTime + 11644473600ull) * 10000000ull;
    info.compilerVersion = m_settings.compilerVersion;
    info.contentsFile = m_contentsName;
    info.indexFile = m_indexName;
    if (!m_project.defaultTopic.empty())
        info.defaultTopic = helpName(m_project.defaultTopic);
    info.title = m_project.title;
    info.defaultWindow = m_project.defaultWindow;
    info.defaultFont = m_project.defaultFont;
    info.compiledFileStem = TextUtil::lowerAscii(NameText::transliterated(stemOf(m_helpFilePath)));

    if (search)
        archive.addCompressed("/$FIftiMain", indexer->finish());
    archive.addCompressed("/#TOPICS", m_topics.topics());
    archive.addCompressed("/#URLTBL", m_topics.urlTable());
    archive.addCompressed("/#URLSTR", m_topics.urlStrings());
    if (!m_project.windows.empty())
        archive.addCompressed("/#WINDOWS", windows);
    if (!contextIds.empty())
        archive.addCompressed("/#IVB", contextIds);
    archive.addCompressed("/#IDXHDR", SystemFiles::indexHeader(info.timeStamp, m_topics.count()));
    // Last: the files above add their strings.
    archive.addCompressed("/#STRINGS", m_strings.bytes());
    archive.addUncompressed("/#SYSTEM", SystemFiles::system(info));
    archive.addUncompressed("/#ITBITS", {});
}

} // namespace chm
