// zetchm: compiles an HTML Help project (.hhp) into its help file (.chm).
#include "AtomicOutput.h"
#include "CompileLog.h"
#include "HelpFileCompiler.h"
#include "ProgramInfo.h"
#include "TerminalProgress.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr const char* kUsage =
    "Usage: zetchm [--threads N] PROJECT.hhp\n"
    "Compiles an HTML Help project into the help file (.chm) it names.\n"
    "\n"
    "  --threads N   compress on N threads (default: one per core)\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 when the help file was written, 1 when it was not, 2 on bad arguments.\n";

int usageError(const std::string& text)
{
    std::fprintf(stderr, "zetchm: %s\n%s", text.c_str(), kUsage);
    return 2;
}

// The time stamped into the help file: SOURCE_DATE_EPOCH when set, for builds that must come
// out the same every time.
std::uint64_t buildTime()
{
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(epoch, &end, 10);
        if (end != epoch && *end == '\0')
            return value;
    }
    return static_cast<std::uint64_t>(std::time(nullptr));
}

} // namespace

int main(int argc, char** argv)
{
    // System reasons ("No space left on device") in the user's language.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    // A write beyond the file size limit fails with its reason instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);

    chm::HelpFileCompiler::Request request;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (argument == "--version") {
            std::printf("zetchm %s\n", ZET_PROGRAM_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (argument == "--threads" || argument.starts_with("--threads=")) {
            std::string value;
            if (argument == "--threads") {
                if (++i == argc)
                    return usageError("--threads needs a number");
                value = argv[i];
            } else {
                value = argument.substr(10);
            }
            char* end = nullptr;
            const unsigned long threads = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || threads == 0 || threads > 256)
                return usageError("--threads takes a number from 1 to 256, not \"" + value + "\"");
            request.threads = static_cast<unsigned>(threads);
            continue;
        }
        if (argument.starts_with("-") && argument != "-")
            return usageError("unknown option " + argument);
        if (!request.projectPath.empty())
            return usageError("one project at a time");
        request.projectPath = argument;
    }
    if (request.projectPath.empty())
        return usageError("no project given");

    chm::AtomicOutput::removeOnSignals();
    TerminalProgress progress(stdout);
    chm::CompileLog log;
    // Errors and warnings as they come; notes only in the project's log file.
    log.setListener([&](const chm::CompileLog::Message& message) {
        if (message.severity == chm::CompileLog::Severity::Note)
            return;
        progress.clear();
        std::fprintf(stderr, "zetchm: %s: %s\n", chm::CompileLog::label(message.severity),
                     message.text.c_str());
    });
    request.unixTime = buildTime();
    request.compilerVersion = std::string("zetchm ") + ZET_PROGRAM_VERSION;
    request.progress = [&](const chm::ProjectCompiler::Progress& state) {
        progress.files(state.filesDone, state.filesKnown);
    };
    request.writing = [&](const std::string& helpFile) { progress.writing(helpFile); };

    const chm::HelpFileCompiler::Outcome outcome = chm::HelpFileCompiler::run(request, log);
    progress.finish();
    if (!outcome.logError.empty())
        std::fprintf(stderr, "zetchm: warning: the log was not written: %s\n",
                     outcome.logError.c_str());
    if (!outcome.ok) {
        if (!outcome.logFilePath.empty() && outcome.logError.empty())
            std::fprintf(stderr, "zetchm: no help file was written; see %s\n",
                         outcome.logFilePath.c_str());
        return 1;
    }
    if (progress.enabled())
        std::printf("%s: %zu files, %u topics, %llu bytes\n", outcome.helpFilePath.c_str(),
                    outcome.files, outcome.topics,
                    static_cast<unsigned long long>(outcome.helpFileBytes));
    return std::fflush(stdout) == 0 ? 0 : 1;
}
