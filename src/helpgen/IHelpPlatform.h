#pragma once

#include <optional>
#include <string>
#include <vector>

// What running the help compiler needs of the platform. Paths are UTF-8.
class IHelpPlatform
{
public:
    struct RunResult
    {
        bool started = false;
        bool normalExit = false; // ended by itself rather than by a signal
        int exitCode = 0;
        std::string errorText; // why it did not start or did not end normally
        std::string output;    // what it wrote to stdout and stderr
    };

    virtual ~IHelpPlatform() = default;

    // Full path of `program` found on PATH, or empty.
    virtual std::string FindExecutable(const std::string& program) = 0;
    // Full path of `program` in the running program's own folder, or empty (also where the
    // platform cannot tell that folder).
    virtual std::string FindBesideProgram(const std::string& program)
    {
        (void)program;
        return {};
    }
    // The remembered compiler path of the application's profile, if any.
    virtual std::optional<std::string> ReadCompilerSetting() = 0;
    virtual void WriteCompilerSetting(const std::string& path) = 0;
    // Runs `program` with `arguments` (no shell) in `workingDirectory` and waits for it.
    virtual RunResult RunProgram(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& workingDirectory) = 0;
    // Opens `path` with the desktop's default handler.
    virtual bool OpenDocument(const std::string& path) = 0;
};
