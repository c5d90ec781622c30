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
std::optional<struct timespec> fileTime(const std::string& path)
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
    const std::string projectDirectory = directoryOf(projectPath);
    if (compilerPath.empty()) {
        m_messages.ShowMessage("Не найден компилятор справки. Файлы проекта справки записаны в "
                               "каталог " +
                               projectDirectory + ".");
        return false;
    }
    // A help file left by an earlier build must not pass for this one's.
    const auto earlierHelpFile = fileTime(helpFilePath);
    const auto earlierLog = fileTime(logPathOf(projectPath));
    const IHelpPlatform::RunResult run =
        m_platform.RunProgram(compilerPath, {projectPath}, projectDirectory);
    if (!run.started) {
        m_messages.ShowMessage("Не удалось запустить компилятор справки " + compilerPath + ": " +
                               run.errorText + ". Файлы проекта справки записаны в каталог " +
                               projectDirectory + ".");
        return false;
    }
    const std::string logPath = logPathOf(projectPath);
    const bool succeeded = run.normalExit && run.exitCode == 0 && fileTime(helpFilePath) &&
                           !sameTime(fileTime(helpFilePath), earlierHelpFile);
    if (!succeeded) {
        std::string reason;
        if (!run.normalExit)
            reason = "завершился аварийно";
        else if (run.exitCode != 0)
            reason = "завершился с кодом " + std::to_string(run.exitCode);
        else
            reason = "не создал файл " + helpFilePath;
        // The message names the log only when there is one: the compiler may write none (or
        // leave one from an earlier build), so what it printed is kept there instead.
        bool logWritten = fileTime(logPath) && !sameTime(fileTime(logPath), earlierLog);
        if (!logWritten) {
            if (std::FILE* log = std::fopen(logPath.c_str(), "wb")) {
                const std::string text = run.output.empty()
                                             ? "Компилятор справки " + compilerPath +
                                                   " ничего не вывел и " + reason + ".\n"
                                             : run.output;
                logWritten = std::fwrite(text.data(), 1, text.size(), log) == text.size();
                logWritten = std::fclose(log) == 0 && logWritten;
            }
        }
        m_messages.ShowMessage("Компилятор справки " + reason + "." +
                               (logWritten ? " Подробности в файле " + logPath + "." : ""));
        return false;
    }
    if (openHelpFile && !m_platform.OpenDocument(helpFilePath)) {
        m_messages.ShowMessage("Не удалось открыть файл справки " + helpFilePath + ".");
        return false;
    }
    return true;
}

void HelpCompiler::StoreHelpCompilerPath(const std::string& compilerPath)
{
    if (!compilerPath.empty())
        m_platform.WriteCompilerSetting(compilerPath);
}
