// Our LZX compressor on the help pages of a generated book: throughput on one and on two
// threads (interleaved rounds in one process, InterleavedRuns), the thread speed-up, the size
// against the input and, with --zet-chmcmd, against chmcmd's own compressed section for exactly
// the same content stream; then the targets and whether each is met.
//
// Arguments:
//   --zet-records=N    records of the generated book (default 10000)
//   --zet-rounds=N     rounds of the interleaved timing (default 5)
//   --zet-chmcmd       also compile the pages with chmcmd (without [ALIAS]/[MAP], which make it
//                      quadratic) and compress the section it compressed with ours

#include "BenchFiles.h"
#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "HelpOptions.h"
#include "HelpProjectWriter.h"
#include "InterleavedRuns.h"
#include "LzxCompressor.h"
#include "SilentHelpProgress.h"
#include "StderrHelpMessages.h"
#include "SyntaxHelperReader.h"
#include "TargetTable.h"

#include <chm_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kSeed = 20261207;

// The help project of a generated book; the content stream is every file the compiler would
// compress (pages, contents, index, style sheet), one after the other in name order.
struct Project
{
    fs::path root;
    fs::path dir;
    std::string hhp;
    std::string stream;

    ~Project()
    {
        std::error_code ec;
        if (!root.empty())
            fs::remove_all(root, ec);
    }
};

std::unique_ptr<Project> makeProject(std::size_t records)
{
    auto project = std::make_unique<Project>();
    project->root = benchDir() / ("zet-bench-lzx-" + std::to_string(getpid()));
    project->dir = project->root / "help";
    fs::create_directories(project->dir);
    ReadResult read = ReadSyntaxHelper(GenerateBook(records, kSeed));
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(read.records));
    HelpOptions options;
    options.helpFileName = "Bench.chm";
    options.helpDirectory = project->dir.string();
    SilentHelpProgress progress;
    StderrHelpMessages messages;
    if (!HelpProjectWriter::GenerateHelpProject(doc, options, progress, messages))
        return nullptr;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(project->dir)) {
        if (entry.path().extension() == ".hhp")
            project->hhp = entry.path().string();
        else
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
        project->stream += readWholeFile(file);
    return project;
}

std::size_t compressedSize(const std::string& stream, const chm::LzxOptions& options)
{
    std::size_t size = 0;
    chm::LzxCompressor compressor(
        options, [&](std::span<const std::uint8_t> bytes) { size += bytes.size(); });
    compressor.write({reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size()});
    compressor.finish();
    return size;
}

struct ChmcmdResult
{
    double seconds = 0;
    std::size_t compressed = 0; // its Content
    std::string stream;         // what it compressed
};

int collectUnit(chmFile*, chmUnitInfo* unit, void* context)
{
    static_cast<std::vector<chmUnitInfo>*>(context)->push_back(*unit);
    return CHM_ENUMERATOR_CONTINUE;
}

// chmcmd on the project without [ALIAS] and [MAP]; its compressed section, rebuilt byte for byte
// from the files chmlib reads out of it.
std::optional<ChmcmdResult> runChmcmd(const Project& project)
{
    const std::string text = readWholeFile(project.hhp);
    const std::size_t alias = text.find("\r\n[ALIAS]");
    const fs::path hhp = project.dir / "NoAlias.hhp";
    std::ofstream(hhp, std::ios::binary) << text.substr(0, alias) << "\r\n";
    const fs::path chmPath = project.dir / "Bench.chm";
    const InterleavedRuns::Figure start = InterleavedRuns::now();
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(project.dir.c_str()) != 0)
            _exit(127);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("chmcmd", "chmcmd", hhp.filename().c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ChmcmdResult result;
    result.seconds = InterleavedRuns::now().wall - start.wall;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    chmFile* file = chm_open(chmPath.c_str());
    if (!file)
        return std::nullopt;
    std::vector<chmUnitInfo> units;
    chm_enumerate(file, CHM_ENUMERATE_ALL, collectUnit, &units);
    for (chmUnitInfo& unit : units) {
        if (std::strcmp(unit.path, "::DataSpace/Storage/MSCompressed/Content") == 0)
            result.compressed = unit.length;
        if (unit.space != CHM_COMPRESSED || unit.length == 0)
            continue;
        if (result.stream.size() < unit.start + unit.length)
            result.stream.resize(unit.start + unit.length);
        chm_retrieve_object(file, &unit,
                            reinterpret_cast<unsigned char*>(result.stream.data()) + unit.start, 0,
                            static_cast<LONGINT64>(unit.length));
    }
    chm_close(file);
    return result;
}

// A fixed amount of pure arithmetic shared among `threads` threads: its speed-up tells how many
// cores the machine gives this process right now.
bool spin(unsigned threads)
{
    constexpr std::uint64_t work = 60'000'000;
    std::vector<std::thread> workers;
    std::vector<std::uint64_t> sinks(threads);
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&sinks, t, threads] {
            std::uint64_t x = 88172645463325252ull + t;
            for (std::uint64_t i = 0; i < work / threads; ++i) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
            }
            sinks[t] = x;
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    return sinks[0] != 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t records = 10'000;
    int rounds = 5;
    bool withChmcmd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-records=", 0) == 0) {
            records = std::stoull(arg.substr(std::strlen("--zet-records=")));
        } else if (arg.rfind("--zet-rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + std::strlen("--zet-rounds=")));
        } else if (arg == "--zet-chmcmd") {
            withChmcmd = true;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    std::printf("LZX compression of the help pages of %zu records; %s\n", records,
                InterleavedRuns::machineLoad().c_str());
    const std::unique_ptr<Project> project = makeProject(records);
    if (!project) {
        std::fprintf(stderr, "cannot generate the help project\n");
        return 1;
    }
    const std::string& stream = project->stream;
    const double megabytes = double(stream.size()) / 1e6;
    const chm::LzxOptions defaults;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

    InterleavedRuns runs(rounds, 0.0);
    std::vector<unsigned> threadCounts = {1, 2};
    if (cores > 2)
        threadCounts.push_back(cores);
    for (unsigned threads : threadCounts) {
        runs.add("threads " + std::to_string(threads), [&stream, threads, defaults] {
            chm::LzxOptions options = defaults;
            options.threads = threads;
            return compressedSize(stream, options) > 0;
        });
    }
    runs.add("spin 1", [] { return spin(1); });
    runs.add("spin 2", [] { return spin(2); });
    const bool ok = runs.run();

    const std::size_t size = compressedSize(stream, defaults);
    std::printf("\n  input %.1f MB (pages, contents, index); compressed %.2f MB, %.1f%% "
                "(window %u bits, reset every %u frames)\n",
                megabytes, double(size) / 1e6, 100.0 * double(size) / double(stream.size()),
                chm::LzxCompressor::normalised(defaults).windowBits,
                chm::LzxCompressor::normalised(defaults).resetIntervalFrames);
    std::printf("\n  Medians of %d interleaved rounds\n", runs.rounds());
    for (unsigned threads : threadCounts) {
        const InterleavedRuns::Figure f = runs.median("threads " + std::to_string(threads));
        std::printf("    %u thread%s: %7.1f ms wall, %7.1f ms CPU: %6.1f MB/s wall, %6.1f MB "
                    "per CPU second\n",
                    threads, threads == 1 ? " " : "s", f.wall * 1e3, f.cpu * 1e3,
                    megabytes / f.wall, megabytes / f.cpu);
    }
    const InterleavedRuns::Figure one = runs.median("threads 1");
    const InterleavedRuns::Figure two = runs.median("threads 2");
    const double speedUp = two.wall > 0 ? one.wall / two.wall : 0;
    const double spinSpeedUp = runs.median("spin 1").wall / runs.median("spin 2").wall;
    std::printf("    speed-up on 2 threads: %.2fx (wall); pure arithmetic on 2 threads beside it: "
                "%.2fx\n",
                speedUp, spinSpeedUp);

    // What the wall figures cannot show on a busy machine: how the work divides. The calling
    // thread only copies the input into spans and joins the results; the workers do the rest.
    {
        timespec before{};
        timespec after{};
        const InterleavedRuns::Figure start = InterleavedRuns::now();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
        compressedSize(stream, {defaults.windowBits, defaults.resetIntervalFrames, 2});
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
        const InterleavedRuns::Figure end = InterleavedRuns::now();
        const double caller =
            double(after.tv_sec - before.tv_sec) + double(after.tv_nsec - before.tv_nsec) * 1e-9;
        const double total = end.cpu - start.cpu;
        const double bound = one.cpu / std::max(total / 2, caller);
        std::printf("    on 2 threads the caller takes %.1f ms of %.1f ms CPU: on two idle cores "
                    "the speed-up would be %.2fx\n",
                    caller * 1e3, total * 1e3, bound);
    }

    std::printf("\n  Size by reset interval (64 KB window; a viewer decodes up to one interval "
                "to reach a page)\n");
    for (unsigned interval : {1u, 2u, 4u, 8u, 16u}) {
        const std::size_t bytes = compressedSize(stream, {16, interval, 0});
        std::printf("    %2u frames (%4u KB): %.2f MB, %.1f%%\n", interval, interval * 32,
                    double(bytes) / 1e6, 100.0 * double(bytes) / double(stream.size()));
    }

    TargetTable targets;
    targets.add("CPU ms per MB on one thread (>= 25 MB/s)", one.cpu * 1e3 / megabytes, 40, " ms");
    char spinNote[80];
    std::snprintf(spinNote, sizeof spinNote, "(the machine gave pure arithmetic %.2fx)",
                  spinSpeedUp);
    targets.add("2-thread / 1-thread wall (speed-up >= 1.7)", speedUp > 0 ? 1 / speedUp : 0,
                1 / 1.7, "x", spinNote);

    if (withChmcmd) {
        const std::optional<ChmcmdResult> chmcmd = runChmcmd(*project);
        if (!chmcmd) {
            std::printf("\n  chmcmd failed or is not installed\n");
            targets.add("size / chmcmd's on the same stream", 0, 1.15, "x");
        } else {
            const std::size_t ours = compressedSize(chmcmd->stream, defaults);
            const double mb = double(chmcmd->stream.size()) / 1e6;
            std::printf("\n  chmcmd: %.1f s wall for the whole project; its compressed section "
                        "holds %.1f MB (pages and its own system files) in %.2f MB (%.1f%%), "
                        "%.2f MB/s\n",
                        chmcmd->seconds, mb, double(chmcmd->compressed) / 1e6,
                        100.0 * double(chmcmd->compressed) / double(chmcmd->stream.size()),
                        mb / chmcmd->seconds);
            std::printf("  ours on the same stream: %.2f MB (%.1f%%)\n", double(ours) / 1e6,
                        100.0 * double(ours) / double(chmcmd->stream.size()));
            targets.add("size / chmcmd's on the same stream",
                        double(ours) / double(chmcmd->compressed), 1.15, "x");
        }
    }
    targets.print("Targets");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    return ok ? 0 : 1;
}
