#include "HelpCompiler.h"

#include "Ascii.h"
#include "IHelpMessages.h"
#include "IHelpPlatform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// The state of a regular file, or nothing.
std::optional<HelpCompiler::FileState> fileState(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    HelpCompiler::FileState state;
    state.device = info.st_dev;
    state.inode = info.st_ino;
    state.size = info.st_size;
    state.modified = info.st_mtim;
    state.changed = info.st_ctim;
    return state;
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool isBefore(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The file as it is now, when the run changed it (made, rewrote or replaced it).
std::optional<HelpCompiler::FileState>
changedSince(const std::string& path, const std::optional<HelpCompiler::FileState>& before)
{
    std::optional<HelpCompiler::FileState> now = fileState(path);
    if (now && before && now->device == before->device && now->inode == before->inode &&
        now->size == before->size && sameTime(now->modified, before->modified) &&
        sameTime(now->changed, before->changed))
        return std::nullopt;
    return now;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string logPathOf(const std::string& projectPath)
{
    const std::size_t slash = projectPath.rfind('/');
    const std::size_t dot = projectPath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? projectPath.substr(0, dot) : projectPath) + ".log";
}

// The last lines of what the compiler printed, as a terminal would have left them, short enough
// for a message box.
std::string lastLinesOf(std::string_view output)
{
    constexpr std::size_t kLines = 10;
    constexpr std::size_t kLineBytes = 200;
    while (!output.empty() && Ascii::IsSpace(output.back()))
        output.remove_suffix(1);
    std::vector<std::string> lines;
    while (!output.empty() && lines.size() < kLines) {
        const std::size_t newline = output.rfind('\n');
        std::string_view line =
            newline == std::string_view::npos ? output : output.substr(newline + 1);
        output = newline == std::string_view::npos ? std::string_view() : output.substr(0, newline);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // A progress line rewritten in place: what stayed on the screen.
        if (const std::size_t cr = line.rfind('\r'); cr != std::string_view::npos)
            line.remove_prefix(cr + 1);
        if (line.size() <= kLineBytes) {
            lines.emplace_back(line);
            continue;
        }
        // Its start, not cut in the middle of a UTF-8 character.
        std::size_t cut = kLineBytes;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        lines.push_back(std::string(line.substr(0, cut)) + "…");
    }
    std::string text;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        text.append(*it).append(it + 1 == lines.rend() ? "" : "\n");
    return text;
}

// Keeps what the compiler printed as its log, unless it wrote the log itself; `note` is added
// at its end. True when a log of this run is there.
bool keepOutputAsLog(HelpCompiler::CompileRun& run, const std::string& note)
{
    const std::string logPath = logPathOf(run.projectPath);
    if (changedSince(logPath, run.earlierLog)) {
        run.output.Discard();
        return true;
    }
    run.output.Append(note);
    if (run.output.Commit(logPath))
        return true;
    // No file could be made beside the project before the run: try once more now.
    if (std::FILE* log = std::fopen(logPath.c_str(), "wb")) {
        const std::string_view text = run.output.Tail();
        bool written = std::fwrite(text.data(), 1, text.size(), log) == text.size();
        written = std::fclose(log) == 0 && written;
        return written;
    }
    return false;
}

// Removes the help file when this run wrote it.
bool removeWrittenHelpFile(const HelpCompiler::CompileRun& run)
{
    return changedSince(run.helpFilePath, run.earlierHelpFile) &&
           ::unlink(run.helpFilePath.c_str()) == 0;
}

} // namespace

std::string HelpCompiler::FindHelpCompiler()
{
    // The compiler installed with the program comes first.
    if (std::string ours = m_platform.FindBesideProgram("zetchm"); !ours.empty())
        return ours;
    for (const char* program : {"chmcmd", "hhc"}) {
        std::string path = m_platform.FindExecutable(program);
        if (!path.empty())
            return path;
    }
    return m_platform.ReadCompilerSetting().value_or(std::string());
}

std::optional<std::string> HelpCompiler::PrepareHelpDirectory(const std::string& directory,
                                                              bool askBeforeCreating)
{
    std::string_view text = Ascii::Trimmed(directory);
    while (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    std::string path(text);
    if (path.empty()) {
        m_messages.ShowMessage("Не указан каталог файлов справки.");
        return std::nullopt;
    }
    if (exists(path))
        return path;
    if (askBeforeCreating &&
        !m_messages.AskYesNo("Каталог " + path + " не найден! Создать каталог?"))
        return std::nullopt;

    // Every level from the left, the whole path last; "" before a leading "/" is the root.
    for (std::size_t slash = path.find('/');; slash = path.find('/', slash + 1)) {
        const std::string level = slash == std::string::npos ? path : path.substr(0, slash);
        if (!level.empty() && ::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            const int error = errno;
            m_messages.ShowMessage("Не удалось создать каталог " + level + ": " +
                                   std::strerror(error));
            return std::nullopt;
        }
        if (slash == std::string::npos)
            break;
    }
    return path;
}

bool HelpCompiler::CompileHelp(const std::string& compilerPath, const std::string& projectPath,
                               const std::string& helpFilePath, bool openHelpFile)
{
    std::optional<CompileRun> run = BeginCompile(compilerPath, projectPath, helpFilePath);
    if (!run)
        return false;
    const IHelpPlatform::RunResult result = m_platform.RunProgram(
        run->program, run->arguments, run->workingDirectory,
        [&output = run->output](std::string_view text) { output.Append(text); });
    if (!FinishCompile(*run, result))
        return false;
    return !openHelpFile || OpenHelpFile(helpFilePath);
}

std::optional<HelpCompiler::CompileRun> HelpCompiler::BeginCompile(const std::string& compilerPath,
                                                                   const std::string& projectPath,
                                                                   const std::string& helpFilePath)
{
    const std::string projectDirectory = directoryOf(projectPath);
    if (compilerPath.empty()) {
        m_messages.ShowMessage("Не найден компилятор справки. Файлы проекта справки записаны в "
                               "каталог " +
                               projectDirectory + ".");
        return std::nullopt;
    }
    CompileRun run;
    run.program = compilerPath;
    // The compiler runs in the project's folder, so the project is named from there (a path
    // relative to ours would mean another file); "./" keeps a name like "-x.hhp" from passing
    // for an option.
    const std::string projectName = fileNameOf(projectPath);
    run.arguments = {projectName.starts_with('-') ? "./" + projectName : projectName};
    run.workingDirectory = projectDirectory;
    run.projectPath = projectPath;
    run.helpFilePath = helpFilePath;
    run.earlierHelpFile = fileState(helpFilePath);
    run.earlierLog = fileState(logPathOf(projectPath));
    run.output.Open(projectDirectory);
    if (const std::optional<timespec> opened = run.output.OpenedAt())
        run.started = *opened;
    else
        ::clock_gettime(CLOCK_REALTIME_COARSE, &run.started);
    return run;
}

bool HelpCompiler::FinishCompile(CompileRun& run, const IHelpPlatform::RunResult& result)
{
    if (!result.started) {
        run.output.Discard();
        m_messages.ShowMessage("Не удалось запустить компилятор справки " + run.program + ": " +
                               result.errorText + ". Файлы проекта справки записаны в каталог " +
                               run.workingDirectory + ".");
        return false;
    }
    const std::optional<FileState> helpFile = changedSince(run.helpFilePath, run.earlierHelpFile);
    std::string reason;
    bool reasonNamesFile = true;
    if (!result.normalExit) {
        reason = "завершился аварийно";
        reasonNamesFile = false;
    } else if (result.exitCode != 0) {
        reason = "завершился с кодом " + std::to_string(result.exitCode);
        reasonNamesFile = false;
    } else if (!helpFile) {
        reason = "не создал файл " + run.helpFilePath;
    } else if (helpFile->size == 0) {
        reason = "создал пустой файл " + run.helpFilePath;
    } else if (isBefore(helpFile->modified, run.started)) {
        reason = "оставил файл " + run.helpFilePath + " с датой раньше начала компиляции";
    } else {
        keepOutputAsLog(run, {});
        return true;
    }
    const std::string lastLines = lastLinesOf(run.output.Tail());
    // Half a help file is no help file: whatever this run wrote of it goes.
    const bool removed = removeWrittenHelpFile(run);
    // The compiler may print nothing and write no log: the log still says what happened.
    const std::string note = run.output.Size() == 0 ? "Компилятор справки " + run.program +
                                                          " ничего не вывел и " + reason + ".\n"
                                                    : std::string();
    const bool logWritten = keepOutputAsLog(run, note);
    std::string text = "Компилятор справки " + reason + ".";
    if (removed)
        text += reasonNamesFile ? " Файл удалён."
                                : " Недописанный файл справки " + run.helpFilePath + " удалён.";
    if (logWritten)
        text += " Подробности в файле " + logPathOf(run.projectPath) + ".";
    if (!lastLines.empty())
        text += "\nПоследние строки его вывода:\n" + lastLines;
    m_messages.ShowMessage(text);
    return false;
}

bool HelpCompiler::AbandonCompile(CompileRun& run)
{
    const bool removed = removeWrittenHelpFile(run);
    keepOutputAsLog(run, "\nКомпиляция прервана.\n");
    return removed;
}

bool HelpCompiler::OpenHelpFile(const std::string& helpFilePath)
{
    const std::string failure = "Не удалось открыть файл справки " + helpFilePath + ".";
    // The handler may say it failed only after the help dialog has closed.
    const std::function<void(const std::string&)> late = m_messages.LateMessages();
    if (m_platform.OpenDocumentWatching(helpFilePath, [late, failure] {
            if (late)
                late(failure);
        }))
        return true;
    m_messages.ShowMessage(failure);
    return false;
}

void HelpCompiler::StoreHelpCompilerPath(const std::string& compilerPath)
{
    if (!compilerPath.empty())
        m_platform.WriteCompilerSetting(compilerPath);
}
