#pragma once

#include "CompilerOutputLog.h"
#include "IHelpPlatform.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

class IHelpMessages;

// Finds and runs the HTML Help compiler, remembers its path and prepares the help directory.
class HelpCompiler
{
public:
    HelpCompiler(IHelpPlatform& platform, IHelpMessages& messages)
        : m_platform(platform), m_messages(messages)
    {}

    // Our own compiler "zetchm" beside the running program, else one on PATH ("chmcmd", then
    // "hhc"), else the remembered path, else empty.
    std::string FindHelpCompiler();
    // Trims the directory and its trailing "/", creating it (after asking) when missing. The
    // normalised directory, or nothing when the user has been told why or declined.
    std::optional<std::string> PrepareHelpDirectory(const std::string& directory,
                                                    bool askBeforeCreating = true);
    // Runs the compiler on the project in the project's directory and, when it produced the
    // help file and `openHelpFile` is set, opens that. False (reported) when it could not be
    // started, failed or left no help file.
    bool CompileHelp(const std::string& compilerPath, const std::string& projectPath,
                     const std::string& helpFilePath, bool openHelpFile = true);

    // CompileHelp in steps, for a caller that runs the compiler without waiting for it:
    // BeginCompile, then the program with its arguments in its working directory, its output
    // appended to `output` as it comes, then FinishCompile with how it ended (or AbandonCompile
    // when it was stopped).
    struct FileState
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        timespec modified{};
        timespec changed{};
    };
    struct CompileRun
    {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingDirectory;
        std::string projectPath;
        std::string helpFilePath;
        // What was there before the run: an earlier build's files must not pass for its own,
        // nor be removed when a failed run left them alone.
        std::optional<FileState> earlierHelpFile;
        std::optional<FileState> earlierLog;
        // The start, by the clock of the file system the help file is written to.
        timespec started{};
        CompilerOutputLog output;
    };
    // What to run; nothing when there is no compiler (reported).
    std::optional<CompileRun> BeginCompile(const std::string& compilerPath,
                                           const std::string& projectPath,
                                           const std::string& helpFilePath);
    // True when the run produced the help file: not empty and written since the start. Otherwise
    // reported, naming the log, and whatever the run left of the help file is removed.
    bool FinishCompile(CompileRun& run, const IHelpPlatform::RunResult& result);
    // After a run stopped before its end: removes what it wrote of the help file and keeps what
    // it printed as the log. True when a help file was removed.
    static bool AbandonCompile(CompileRun& run);
    // Opens the help file with the desktop's handler; reported when it cannot, also when the
    // handler fails after this has returned (through the messages' LateMessages).
    bool OpenHelpFile(const std::string& helpFilePath);
    void StoreHelpCompilerPath(const std::string& compilerPath);

private:
    IHelpPlatform& m_platform;
    IHelpMessages& m_messages;
};
