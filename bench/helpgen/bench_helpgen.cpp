// Generating the help project of books of 10k and 100k records, beside baselines that write the
// same files' bytes with plain writes (stdio, and the bare system calls) in the same run, then
// the ratios against their targets.
//
// Extra argument (before Google Benchmark's own):
//   --zet-max-records=N   skip sizes above N (quick runs)

#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "HelpOptions.h"
#include "HelpProgress.h"
#include "HelpProjectWriter.h"
#include "IHelpMessages.h"
#include "SummaryReporter.h"
#include "SyntaxHelperReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kSeed = 20261207;
const std::vector<std::size_t> kSizes = {10'000, 100'000};

class NoProgress : public HelpProgress
{
public:
    void SetRange(std::size_t) override {}
    void Step() override {}
};

class FailingMessages : public IHelpMessages
{
public:
    void ShowFileError(const std::string& fileName, const std::string& reason) override
    {
        std::fprintf(stderr, "cannot create %s: %s\n", fileName.c_str(), reason.c_str());
    }
    void ShowMessage(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return false; }
};

// Files go to memory-backed storage where there is some, so disk speed does not decide them.
fs::path benchDir()
{
    if (const char* dir = std::getenv("ZET_BENCH_DIR"))
        return dir;
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

struct GeneratedFile
{
    std::string name;
    std::string bytes;
};

// One size's data, built outside the timed loops and kept while that size's benchmarks run.
struct Data
{
    std::size_t records = 0;
    std::size_t items = 0;
    std::unique_ptr<CZETbrowserDoc> doc;
    fs::path helpDir;
    fs::path plainDir;
    std::vector<GeneratedFile> files; // what one generation wrote
    std::size_t bytes = 0;

    ~Data()
    {
        std::error_code ec;
        if (!helpDir.empty())
            fs::remove_all(helpDir.parent_path(), ec);
    }
};

bool generate(Data& d)
{
    HelpOptions options;
    options.helpFileName = "Bench.chm";
    options.helpDirectory = d.helpDir.string();
    NoProgress progress;
    FailingMessages messages;
    return HelpProjectWriter::GenerateHelpProject(*d.doc, options, progress, messages);
}

Data& data(std::size_t records)
{
    static std::unique_ptr<Data> current;
    if (!current || current->records != records) {
        current.reset();
        auto d = std::make_unique<Data>();
        d->records = records;
        ReadResult read = ReadSyntaxHelper(GenerateBook(records, kSeed));
        d->doc = std::make_unique<CZETbrowserDoc>();
        d->doc->SetRecords(std::move(read.records));
        for (const TreeRecord& record : d->doc->records())
            d->items += record.isFolder() ? 0 : 1;
        const fs::path root = benchDir() / ("zet-bench-help-" + std::to_string(getpid()));
        d->helpDir = root / "help";
        d->plainDir = root / "plain";
        fs::create_directories(d->helpDir);
        fs::create_directories(d->plainDir);
        if (!generate(*d))
            std::abort();
        for (const auto& entry : fs::directory_iterator(d->helpDir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            GeneratedFile file{entry.path().filename().string(),
                               std::string(std::istreambuf_iterator<char>(in), {})};
            d->bytes += file.bytes.size();
            d->files.push_back(std::move(file));
        }
        current = std::move(d);
    }
    return *current;
}

void GenerateHelp(benchmark::State& state)
{
    Data& d = data(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        if (!generate(d))
            state.SkipWithError("generation failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.bytes));
    state.counters["files"] = static_cast<double>(d.files.size());
    state.counters["items"] = static_cast<double>(d.items);
}

// The same files' bytes, each created, written in one piece and closed.
void PlainWrites(benchmark::State& state)
{
    Data& d = data(static_cast<std::size_t>(state.range(0)));
    const std::string dir = d.plainDir.string() + "/";
    for (auto _ : state) {
        for (const GeneratedFile& file : d.files) {
            std::FILE* out = std::fopen((dir + file.name).c_str(), "wb");
            if (!out) {
                state.SkipWithError("cannot create a file");
                return;
            }
            std::fwrite(file.bytes.data(), 1, file.bytes.size(), out);
            std::fclose(out);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.bytes));
}

// The same with the system calls themselves: open, one write, close.
void PlainPosixWrites(benchmark::State& state)
{
    Data& d = data(static_cast<std::size_t>(state.range(0)));
    const std::string dir = d.plainDir.string() + "/";
    for (auto _ : state) {
        for (const GeneratedFile& file : d.files) {
            const int fd = ::open((dir + file.name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0) {
                state.SkipWithError("cannot create a file");
                return;
            }
            if (::write(fd, file.bytes.data(), file.bytes.size()) < 0)
                state.SkipWithError("cannot write a file");
            ::close(fd);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.bytes));
}

void printSummary(const SummaryReporter& reporter, const std::vector<std::size_t>& sizes)
{
    std::printf("\nSummary (CPU seconds per generation)\n");
    for (std::size_t n : sizes) {
        const double generated = reporter.Seconds("GenerateHelp", n);
        const double plain = reporter.Seconds("PlainWrites", n);
        const double posix = reporter.Seconds("PlainPosixWrites", n);
        if (generated > 0 && plain > 0 && posix > 0)
            std::printf("  %7zu records: generate %.3f s; plain writes %.3f s (stdio), %.3f s "
                        "(open/write/close); ratio %.2fx, %.2fx (target <= 1.5x)\n",
                        n, generated, plain, posix, generated / plain, generated / posix);
    }
    if (sizes.size() >= 2) {
        const double small = reporter.Seconds("GenerateHelp", sizes[0]);
        const double large = reporter.Seconds("GenerateHelp", sizes[1]);
        if (small > 0 && large > 0)
            std::printf("  scaling %zu -> %zu records: %.2fx the time (target <= 12x)\n", sizes[0],
                        sizes[1], large / small);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t maxRecords = kSizes.back();
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-max-records=", 0) == 0) {
            maxRecords = std::stoull(arg.substr(std::strlen("--zet-max-records=")));
            continue;
        }
        args.push_back(argv[i]);
    }
    std::vector<std::size_t> sizes;
    for (std::size_t n : kSizes) {
        if (n <= maxRecords)
            sizes.push_back(n);
    }
    // Grouped by size, so only one size's data is held at a time.
    for (std::size_t n : sizes) {
        for (auto [name, function] :
             {std::pair{"GenerateHelp", &GenerateHelp}, std::pair{"PlainWrites", &PlainWrites},
              std::pair{"PlainPosixWrites", &PlainPosixWrites}})
            benchmark::RegisterBenchmark(name, function)
                ->Arg(static_cast<std::int64_t>(n))
                ->Unit(benchmark::kMillisecond);
    }

    int benchArgc = static_cast<int>(args.size());
    benchmark::Initialize(&benchArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data()))
        return 2;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(reporter, sizes);
    return 0;
}
