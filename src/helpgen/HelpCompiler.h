#pragma once

#include "IHelpPlatform.h"

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
    // BeginCompile, then the program with its arguments in its working directory, then
    // FinishCompile with how it ended.
    struct CompileRun
    {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingDirectory;
        std::string projectPath;
        std::string helpFilePath;
        // What was there before the run: an earlier build's files must not pass for its own.
        std::optional<timespec> earlierHelpFile;
        std::optional<timespec> earlierLog;
    };
    // What to run; nothing when there is no compiler (reported).
    std::optional<CompileRun> BeginCompile(const std::string& compilerPath,
                                           const std::string& projectPath,
                                           const std::string& helpFilePath);
    // True when the run produced the help file; otherwise reported, naming the log.
    bool FinishCompile(const CompileRun& run, const IHelpPlatform::RunResult& result);
    // Opens the help file with the desktop's handler; reported when it cannot.
    bool OpenHelpFile(const std::string& helpFilePath);
    void StoreHelpCompilerPath(const std::string& compilerPath);

private:
    IHelpPlatform& m_platform;
    IHelpMessages& m_messages;
};
