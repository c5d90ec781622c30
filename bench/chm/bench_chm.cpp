// Compiles the help of generated books (the projects the help dialog writes) with zetchm and with
// chmcmd, in interleaved rounds (each round runs every compilation once, so a change in the
// machine's load falls on all alike), and prints the medians of wall time, CPU time, peak memory
// and help file size, then the targets and whether each is met.
//
//   --rounds=N       rounds (default 3)
//   --small=N        records of the small book (default 10000)
//   --large=N        records of the large book (default 100000)
//   --chmcmd-large   chmcmd on the large book too, without [ALIAS] and [MAP] (about a minute a
//                    round; with them it does not finish)
// The books' pages are written in the HTML table style, the larger of the two.
//   ZET_BENCH_DIR    where the books go (default /dev/shm, else the temporary folder)

#include "BenchFiles.h"
#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "HelpOptions.h"
#include "HelpProjectWriter.h"
#include "InterleavedRuns.h"
#include "SilentHelpProgress.h"
#include "StderrHelpMessages.h"
#include "SyntaxHelperReader.h"
#include "TargetTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr unsigned kSeed = 20261207;

struct Measure
{
    double wall = 0; // seconds
    double cpu = 0;  // user and system seconds of the compiler
    double peakMb = 0;
    double sizeMb = 0; // the help file
};

// Runs `arguments` in `folder` with its output thrown away; the figures, or nothing when it
// failed.
std::optional<Measure> runCompiler(const std::vector<std::string>& arguments,
                                   const std::string& folder, const std::string& helpFile,
                                   bool makesHelpFile = true)
{
    if (makesHelpFile)
        fs::remove(helpFile);
    // Through a shell that starts the compiler as its own child: a process started straight
    // from this one would count this one's memory as its own peak.
    std::vector<std::string> all = {"/bin/sh", "-c", "\"$0\" \"$@\"; exit $?"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (const std::string& argument : all)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = folder + "/compiler-output.txt";
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", arguments[0].c_str(), std::strerror(spawned));
        return std::nullopt;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    Measure measure;
    measure.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measure.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                  usage.ru_stime.tv_usec / 1e6;
    measure.peakMb = usage.ru_maxrss / 1024.0;
    std::error_code error;
    const auto size = makesHelpFile ? fs::file_size(helpFile, error) : 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || error) {
        std::fprintf(stderr, "%s failed (status %d); its output is in %s\n", arguments[0].c_str(),
                     status, output.c_str());
        return std::nullopt;
    }
    measure.sizeMb = size / 1048576.0;
    return measure;
}

// The help project (book.hhp) of a generated book of `records` records, as the help dialog
// writes it.
bool writeProject(std::size_t records, const std::string& folder)
{
    ReadResult book = ReadSyntaxHelper(GenerateBook(records, kSeed));
    if (book.error)
        return false;
    CZETbrowserDoc document;
    document.SetRecords(std::move(book.records));
    fs::create_directories(folder);
    HelpOptions options;
    options.helpDirectory = folder;
    options.helpFileName = "book.chm";
    // The larger of the two page styles.
    options.style = HelpStyle::HtmlTable;
    SilentHelpProgress progress;
    StderrHelpMessages messages;
    return HelpProjectWriter::GenerateHelpProject(document, options, progress, messages);
}

// A variant of the project compiled to another file: without [ALIAS] and [MAP] (chmcmd's time
// without its quadratic matching of aliases), or without a search index (the help files'
// sizes without chmcmd's index, which holds hardly any words of a Russian book).
std::string writeVariant(const std::string& project, const std::string& name, bool aliases,
                         bool search)
{
    std::ifstream in(project, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (!aliases)
        text = text.substr(0, text.find("\r\n[ALIAS]"));
    const auto replace = [&](const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
    };
    replace("Compiled file=book.chm", "Compiled file=" + name + ".chm");
    replace("Error log file=book.log", "Error log file=" + name + ".log");
    if (!search)
        replace("Full-text search=Yes", "Full-text search=No");
    const std::string path = fs::path(project).parent_path() / (name + ".hhp");
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A fixed amount of pure arithmetic shared among `threads` threads: its wall time on 1 and on 2
// threads tells how much of two cores this busy machine gives a process right now.
double spin(unsigned threads)
{
    constexpr std::uint64_t kWork = 600'000'000;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    std::vector<std::uint64_t> sinks(threads);
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&sinks, t, threads] {
            std::uint64_t x = 88172645463325252ull + t;
            for (std::uint64_t i = 0; i < kWork / threads; ++i) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
            }
            sinks[t] = x;
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return sinks[0] != 0 ? seconds : seconds + 1e-9;
}

std::string benchFolder()
{
    if (const char* chosen = std::getenv("ZET_BENCH_DIR"))
        return chosen;
    std::error_code error;
    if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path().string();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string findOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return {};
    std::string all = path;
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t end = std::min(all.find(':', start), all.size());
        const std::string candidate = all.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    // The projects are written by a process of their own: the books it holds would otherwise
    // stay in this one's memory, which every compiler started from here counts as its own.
    if (argc == 4 && std::string(argv[1]) == "--write-project")
        return writeProject(std::strtoul(argv[2], nullptr, 10), argv[3]) ? 0 : 1;

    int rounds = 3;
    std::size_t small = 10'000;
    std::size_t large = 100'000;
    bool chmcmdLarge = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.starts_with("--rounds="))
            rounds = std::max(1, std::atoi(argument.c_str() + 9));
        else if (argument.starts_with("--small="))
            small = std::strtoul(argument.c_str() + 8, nullptr, 10);
        else if (argument.starts_with("--large="))
            large = std::strtoul(argument.c_str() + 8, nullptr, 10);
        else if (argument == "--chmcmd-large")
            chmcmdLarge = true;
        else {
            std::fprintf(stderr, "unknown argument %s\n", argument.c_str());
            return 2;
        }
    }
    const std::string chmcmd = findOnPath("chmcmd");
    std::printf("bench_chm: %s; zetchm %s; chmcmd %s\n", InterleavedRuns::machineLoad().c_str(),
                ZETCHM_PATH, chmcmd.empty() ? "not installed" : chmcmd.c_str());

    std::string work = benchFolder() + "/zet-chmbench-XXXXXX";
    if (::mkdtemp(work.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string smallFolder = work + "/small";
    const std::string largeFolder = work + "/large";
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    for (const auto& [records, folder] :
         {std::pair{small, smallFolder}, std::pair{large, largeFolder}}) {
        if (!runCompiler({self, "--write-project", std::to_string(records), folder}, work,
                         folder + "/book.chm", false))
            return 1;
    }
    const std::string smallProject = smallFolder + "/book.hhp";
    const std::string largeProject = largeFolder + "/book.hhp";
    const std::string smallNoAlias = writeVariant(smallProject, "noalias", false, true);
    const std::string largeNoAlias = writeVariant(largeProject, "noalias", false, true);
    const std::string smallNoSearch = writeVariant(smallProject, "nosearch", true, false);
    std::uintmax_t pageBytes = 0;
    std::uintmax_t allBytes = 0;
    for (const auto& entry : fs::directory_iterator(largeFolder)) {
        if (entry.path().extension() == ".html")
            pageBytes += entry.file_size();
        if (entry.path().extension() != ".hhp")
            allBytes += entry.file_size();
    }
    std::printf("books: %zu and %zu records; the large one's pages %.1f MB, with its contents "
                "and index %.1f MB\n",
                small, large, pageBytes / 1048576.0, allBytes / 1048576.0);

    struct Run
    {
        std::string name;
        std::vector<std::string> arguments;
        std::string folder;
        std::string helpFile;
        std::vector<Measure> measures;
    };
    std::vector<Run> runs = {
        {"zetchm small", {ZETCHM_PATH, smallProject}, smallFolder, smallFolder + "/book.chm", {}},
        {"zetchm large", {ZETCHM_PATH, largeProject}, largeFolder, largeFolder + "/book.chm", {}},
        {"zetchm large, 1 thread",
         {ZETCHM_PATH, "--threads", "1", largeProject},
         largeFolder,
         largeFolder + "/book.chm",
         {}},
        {"zetchm small, 1 thread",
         {ZETCHM_PATH, "--threads", "1", smallProject},
         smallFolder,
         smallFolder + "/book.chm",
         {}},
        {"zetchm small, no search",
         {ZETCHM_PATH, smallNoSearch},
         smallFolder,
         smallFolder + "/nosearch.chm",
         {}},
    };
    if (!chmcmd.empty()) {
        runs.push_back(
            {"chmcmd small", {chmcmd, smallProject}, smallFolder, smallFolder + "/book.chm", {}});
        runs.push_back({"chmcmd small, no aliases",
                        {chmcmd, smallNoAlias},
                        smallFolder,
                        smallFolder + "/noalias.chm",
                        {}});
        runs.push_back({"chmcmd small, no search",
                        {chmcmd, smallNoSearch},
                        smallFolder,
                        smallFolder + "/nosearch.chm",
                        {}});
        if (chmcmdLarge)
            runs.push_back({"chmcmd large, no aliases",
                            {chmcmd, largeNoAlias},
                            largeFolder,
                            largeFolder + "/noalias.chm",
                            {}});
    }
    std::vector<double> spinOne;
    std::vector<double> spinTwo;
    for (int round = 0; round < rounds; ++round) {
        spinOne.push_back(spin(1));
        spinTwo.push_back(spin(2));
        // The order turns from round to round.
        for (std::size_t k = 0; k < runs.size(); ++k) {
            Run& run = runs[(k + round) % runs.size()];
            std::optional<Measure> measure = runCompiler(run.arguments, run.folder, run.helpFile);
            if (!measure)
                return 1;
            run.measures.push_back(*measure);
            std::printf("round %d  %-28s wall %6.2f s  cpu %6.2f s  peak %7.1f MB  file %6.2f "
                        "MB\n",
                        round + 1, run.name.c_str(), measure->wall, measure->cpu, measure->peakMb,
                        measure->sizeMb);
            std::fflush(stdout);
        }
    }

    std::map<std::string, Measure> medians;
    std::printf("\nmedians over %d rounds\n", rounds);
    for (const Run& run : runs) {
        std::vector<double> wall, cpu, peak, size;
        for (const Measure& m : run.measures) {
            wall.push_back(m.wall);
            cpu.push_back(m.cpu);
            peak.push_back(m.peakMb);
            size.push_back(m.sizeMb);
        }
        Measure& m = medians[run.name];
        m = {median(wall), median(cpu), median(peak), median(size)};
        std::printf("  %-28s wall %6.2f s  cpu %6.2f s  peak %7.1f MB  file %6.2f MB\n",
                    run.name.c_str(), m.wall, m.cpu, m.peakMb, m.sizeMb);
    }

    const auto figure = [&](const std::string& name) {
        const auto found = medians.find(name);
        return found == medians.end() ? Measure{} : found->second;
    };
    const Measure zSmall = figure("zetchm small");
    const Measure zLarge = figure("zetchm large");
    const Measure zLargeOne = figure("zetchm large, 1 thread");
    const Measure cSmall = figure("chmcmd small");
    const Measure cSmallNoAlias = figure("chmcmd small, no aliases");
    const auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0; };
    const auto times = [](double r) {
        char text[64];
        std::snprintf(text, sizeof text, "(%.1fx)", r > 0 ? 1 / r : 0);
        return std::string(text);
    };
    TargetTable targets;
    targets.add("large book: zetchm wall", zLarge.wall, 10, " s",
                std::to_string(large) + " records");
    targets.add("large book: zetchm peak memory", zLarge.peakMb, 300, " MB");
    const double speed = ratio(zSmall.wall, cSmall.wall);
    targets.add("small book: zetchm / chmcmd wall", speed, 1.0 / 8, "", times(speed) + " >= 8x");
    const double speedNoAlias = ratio(zSmall.wall, cSmallNoAlias.wall);
    targets.add("small book: zetchm / chmcmd without aliases", speedNoAlias, 1.0 / 8, "",
                times(speedNoAlias) + " >= 8x");
    targets.add("10x the records: time ratio", ratio(zLarge.wall, zSmall.wall), 11, "x",
                "10x the records within 11x the time");
    // chmcmd's search index holds hardly any word of the book, ours every word: the sizes
    // are compared without one, and shown with it.
    const Measure zSmallNoSearch = figure("zetchm small, no search");
    const Measure cSmallNoSearch = figure("chmcmd small, no search");
    char withSearch[96];
    std::snprintf(withSearch, sizeof withSearch, "with the search index %.2fx",
                  ratio(zSmall.sizeMb, cSmall.sizeMb));
    targets.add("small book: zetchm / chmcmd file size",
                ratio(zSmallNoSearch.sizeMb, cSmallNoSearch.sizeMb), 1.15, "x", withSearch);
    // With one thread zetchm does everything on one; with two, two workers compress while the
    // first reads, parses and indexes. The machine's own share of two cores shows beside it.
    const double threads = ratio(zLarge.wall, zLargeOne.wall);
    char machine[96];
    std::snprintf(machine, sizeof machine, "%s; pure arithmetic got %.2fx",
                  (times(threads) + " speed-up >= 1.7x").c_str(),
                  median(spinOne) / median(spinTwo));
    targets.add("large book: 2 threads / 1 thread wall", threads, 1 / 1.7, "", machine);
    const int missed = targets.print("bench_chm targets");
    std::printf("bench_chm: %s\n", InterleavedRuns::machineLoad().c_str());
    fs::remove_all(work);
    return missed == 0 ? 0 : 1;
}
