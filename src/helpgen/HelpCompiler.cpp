#include "HelpCompiler.h"

#include "Ascii.h"
#include "IHelpMessages.h"
#include "IHelpPlatform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// Modification time of a regular file, or nothing.
std::optional<timespec> fileTime(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return info.st_mtim;
}

bool sameTime(const std::optional<struct timespec>& a, const std::optional<struct timespec>& b)
{
    return a && b && a->tv_sec == b->tv_sec && a->tv_nsec == b->tv_nsec;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string logPathOf(const std::string& projectPath)
{
    const std::size_t slash = projectPath.rfind('/');
    const std::size_t dot = projectPath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? projectPath.substr(0, dot) : projectPath) + ".log";
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
    const std::optional<CompileRun> run = BeginCompile(compilerPath, projectPath, helpFilePath);
    if (!run)
        return false;
    const IHelpPlatform::RunResult result =
        m_platform.RunProgram(run->program, run->arguments, run->workingDirectory);
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
    run.arguments = {projectPath};
    run.workingDirectory = projectDirectory;
    run.projectPath = projectPath;
    run.helpFilePath = helpFilePath;
    run.earlierHelpFile = fileTime(helpFilePath);
    run.earlierLog = fileTime(logPathOf(projectPath));
    return run;
}

bool HelpCompiler::FinishCompile(const CompileRun& run, const IHelpPlatform::RunResult& result)
{
    if (!result.started) {
        m_messages.ShowMessage("Не удалось запустить компилятор справки " + run.program + ": " +
                               result.errorText + ". Файлы проекта справки записаны в каталог " +
                               run.workingDirectory + ".");
        return false;
    }
    const std::string logPath = logPathOf(run.projectPath);
    const bool succeeded = result.normalExit && result.exitCode == 0 &&
                           fileTime(run.helpFilePath) &&
                           !sameTime(fileTime(run.helpFilePath), run.earlierHelpFile);
    if (succeeded)
        return true;
    std::string reason;
    if (!result.normalExit)
        reason = "завершился аварийно";
    else if (result.exitCode != 0)
        reason = "завершился с кодом " + std::to_string(result.exitCode);
    else
        reason = "не создал файл " + run.helpFilePath;
    // The message names the log only when there is one: the compiler may write none (or leave
    // one from an earlier build), so what it printed is kept there instead.
    bool logWritten = fileTime(logPath) && !sameTime(fileTime(logPath), run.earlierLog);
    if (!logWritten) {
        if (std::FILE* log = std::fopen(logPath.c_str(), "wb")) {
            const std::string text =
                result.output.empty()
                    ? "Компилятор справки " + run.program + " ничего не вывел и " + reason + ".\n"
                    : result.output;
            logWritten = std::fwrite(text.data(), 1, text.size(), log) == text.size();
            logWritten = std::fclose(log) == 0 && logWritten;
        }
    }
    m_messages.ShowMessage("Компилятор справки " + reason + "." +
                           (logWritten ? " Подробности в файле " + logPath + "." : ""));
    return false;
}

bool HelpCompiler::OpenHelpFile(const std::string& helpFilePath)
{
    if (m_platform.OpenDocument(helpFilePath))
        return true;
    m_messages.ShowMessage("Не удалось открыть файл справки " + helpFilePath + ".");
    return false;
}

void HelpCompiler::StoreHelpCompilerPath(const std::string& compilerPath)
{
    if (!compilerPath.empty())
        m_platform.WriteCompilerSetting(compilerPath);
}
