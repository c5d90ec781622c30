#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
    };
    // Takes what the program writes to stdout and stderr, piece by piece as it comes.
    using OutputSink = std::function<void(std::string_view)>;

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
    // Runs `program` with `arguments` (no shell) in `workingDirectory` and waits for it, handing
    // its output to `output` as it comes (none of it is kept).
    virtual RunResult RunProgram(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& workingDirectory, const OutputSink& output) = 0;
    // Opens `path` with the desktop's default handler.
    virtual bool OpenDocument(const std::string& path) = 0;
    // The same without waiting for the handler, which may fail only after it has started: false
    // when it could not be started; otherwise `failedLater` is called (on this thread, after this
    // call has returned) if it fails. By default starting counts as success.
    virtual bool OpenDocumentWatching(const std::string& path,
                                      const std::function<void()>& failedLater)
    {
        (void)failedLater;
        return OpenDocument(path);
    }
};
