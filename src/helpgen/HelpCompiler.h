#pragma once

#include <optional>
#include <string>

class IHelpMessages;
class IHelpPlatform;

// Finds and runs the HTML Help compiler, remembers its path and prepares the help directory.
class HelpCompiler
{
public:
    HelpCompiler(IHelpPlatform& platform, IHelpMessages& messages)
        : m_platform(platform), m_messages(messages)
    {}

    // The compiler on PATH ("chmcmd", then "hhc"), else the remembered path, else empty.
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
    void StoreHelpCompilerPath(const std::string& compilerPath);

private:
    IHelpPlatform& m_platform;
    IHelpMessages& m_messages;
};
