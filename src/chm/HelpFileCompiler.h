#pragma once

#include "ProjectCompiler.h"

#include <cstdint>
#include <functional>
#include <string>

namespace chm {

class CompileLog;

// Compiles a project into its help file: the project's files into the container, the search
// index when the project asks for one, the help file written atomically and the project's log
// file written whatever happened.
class HelpFileCompiler
{
public:
    struct Request
    {
        std::string projectPath;
        unsigned threads = 0; // 0: one per core
        std::uint64_t unixTime = 0;
        std::string compilerVersion = "zetchm";
        std::uint64_t largestFile = 64u << 20;
        ProjectCompiler::ProgressCallback progress;
        // Called when every file is in and the help file is being written.
        std::function<void(const std::string& helpFilePath)> writing;
    };
    struct Outcome
    {
        bool ok = false;
        std::string helpFilePath;
        std::string logFilePath;
        std::string logError; // why the log could not be written, if it could not
        std::uint64_t helpFileBytes = 0;
        std::size_t files = 0;
        std::uint32_t topics = 0;
    };

    static Outcome run(const Request& request, CompileLog& log);
};

} // namespace chm
