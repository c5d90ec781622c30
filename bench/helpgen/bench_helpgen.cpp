// Generating the help project of books of 10k and 100k records, beside baselines that write the
// same files' bytes with plain writes (stdio, and the bare system calls), timed in interleaved
// rounds in one process (InterleavedRuns); then the targets and whether each is met.
//
// Arguments:
//   --zet-max-records=N   skip sizes above N (quick runs)
//   --zet-rounds=N        rounds of the interleaved timing (default 9)

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

struct GeneratedFile
{
    std::string name;
    std::string bytes;
};

// One size's data, built before the timing.
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

bool generate(const Data& d)
{
    HelpOptions options;
    options.helpFileName = "Bench.chm";
    options.helpDirectory = d.helpDir.string();
    SilentHelpProgress progress;
    StderrHelpMessages messages;
    return HelpProjectWriter::GenerateHelpProject(*d.doc, options, progress, messages);
}

std::unique_ptr<Data> makeData(std::size_t records)
{
    auto d = std::make_unique<Data>();
    d->records = records;
    ReadResult read = ReadSyntaxHelper(GenerateBook(records, kSeed));
    d->doc = std::make_unique<CZETbrowserDoc>();
    d->doc->SetRecords(std::move(read.records));
    for (const TreeRecord& record : d->doc->records())
        d->items += record.isFolder() ? 0 : 1;
    const fs::path root =
        benchDir() / ("zet-bench-help-" + std::to_string(getpid()) + "-" + std::to_string(records));
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
    return d;
}

// The same files' bytes, each created, written in one piece and closed.
bool plainWrites(const Data& d)
{
    const std::string dir = d.plainDir.string() + "/";
    for (const GeneratedFile& file : d.files) {
        std::FILE* out = std::fopen((dir + file.name).c_str(), "wb");
        if (!out)
            return false;
        std::fwrite(file.bytes.data(), 1, file.bytes.size(), out);
        if (std::fclose(out) != 0)
            return false;
    }
    return true;
}

// The same with the system calls themselves: open, one write, close.
bool posixWrites(const Data& d)
{
    const std::string dir = d.plainDir.string() + "/";
    for (const GeneratedFile& file : d.files) {
        const int fd = ::open((dir + file.name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0)
            return false;
        const bool written = ::write(fd, file.bytes.data(), file.bytes.size()) >= 0;
        if (::close(fd) != 0 || !written)
            return false;
    }
    return true;
}

std::string name(const char* op, std::size_t records)
{
    return std::string(op) + "/" + std::to_string(records);
}

std::string rangeNote(const InterleavedRuns& runs, const std::string& a, const std::string& b)
{
    const auto [low, high] = runs.ratioRange(a, b);
    char text[64];
    std::snprintf(text, sizeof text, "(rounds %.2f-%.2f)", low, high);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t maxRecords = kSizes.back();
    int rounds = 9;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-max-records=", 0) == 0) {
            maxRecords = std::stoull(arg.substr(std::strlen("--zet-max-records=")));
        } else if (arg.rfind("--zet-rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + std::strlen("--zet-rounds=")));
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    std::printf("Generating help; %s\n", InterleavedRuns::machineLoad().c_str());
    std::vector<std::unique_ptr<Data>> data;
    InterleavedRuns runs(rounds);
    for (std::size_t n : kSizes) {
        if (n > maxRecords)
            continue;
        data.push_back(makeData(n));
        const Data& d = *data.back();
        runs.add(name("generate", n), [&d] { return generate(d); });
        runs.add(name("stdio", n), [&d] { return plainWrites(d); });
        runs.add(name("posix", n), [&d] { return posixWrites(d); });
    }
    const bool ok = runs.run();

    std::printf("\nMedians of %d interleaved rounds (ms of CPU per generation, wall beside)\n",
                runs.rounds());
    TargetTable targets;
    for (const auto& d : data) {
        const std::size_t n = d->records;
        const auto ms = [&](const char* op) {
            const InterleavedRuns::Figure f = runs.median(name(op, n));
            char text[40];
            std::snprintf(text, sizeof text, "%8.1f (%8.1f)", f.cpu * 1e3, f.wall * 1e3);
            return std::string(text);
        };
        std::printf("  %7zu records, %zu files, %.1f MB: generate %s; plain writes %s (stdio), "
                    "%s (open/write/close)\n",
                    n, d->files.size(), double(d->bytes) / 1e6, ms("generate").c_str(),
                    ms("stdio").c_str(), ms("posix").c_str());
        targets.add("generate / plain stdio writes, " + std::to_string(n),
                    runs.ratio(name("generate", n), name("stdio", n)), 1.3, "x",
                    rangeNote(runs, name("generate", n), name("stdio", n)));
    }
    if (data.size() == 2) {
        const std::size_t a = data[0]->records;
        const std::size_t b = data[1]->records;
        targets.add("generate time for 10x the records, " + std::to_string(a) + " -> " +
                        std::to_string(b),
                    runs.ratio(name("generate", b), name("generate", a)), 11, "x",
                    rangeNote(runs, name("generate", b), name("generate", a)));
        std::printf("  scaling of the baselines, for reference: stdio %.2fx, open/write/close "
                    "%.2fx\n",
                    runs.ratio(name("stdio", b), name("stdio", a)),
                    runs.ratio(name("posix", b), name("posix", a)));
    }
    targets.print("Targets (ratios: medians of the rounds' own ratios, CPU time)");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    return ok ? 0 : 1;
}
