// The help compiler's full-text index on the pages of generated books of 10k and 100k records
// (the pages `zettool make-help --no-compile` writes): reading the pages' words alone and the
// whole index (every page added, then finished), beside a pass that only looks at every byte,
// timed in interleaved rounds in one process; the index's peak memory in a fresh process that
// reads the pages one at a time; then the targets and whether each is met.
//
// Arguments:
//   --zet-max-records=N   skip sizes above N (quick runs)
//   --zet-rounds=N        rounds of the interleaved timing (default 5)

#include "BenchFiles.h"
#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "CodePageCharacters.h"
#include "FullTextIndexBuilder.h"
#include "HelpOptions.h"
#include "HelpProjectWriter.h"
#include "HtmlWordExtractor.h"
#include "InterleavedRuns.h"
#include "PeakMemory.h"
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

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kSeed = 20261207;
const std::vector<std::size_t> kSizes = {10'000, 100'000};
constexpr unsigned kCodePage = 1251;
constexpr std::uint32_t kLcid = 0x419;

// The pages of a help folder in the order of their names: the topics.
std::vector<fs::path> pagesOf(const fs::path& dir)
{
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

struct Data
{
    std::size_t records = 0;
    fs::path root;
    fs::path helpDir;
    std::vector<std::string> pages;
    std::size_t bytes = 0;
    std::size_t indexBytes = 0;

    ~Data()
    {
        std::error_code ec;
        if (!root.empty())
            fs::remove_all(root, ec);
    }
};

std::unique_ptr<Data> makeData(std::size_t records)
{
    auto d = std::make_unique<Data>();
    d->records = records;
    ReadResult read = ReadSyntaxHelper(GenerateBook(records, kSeed));
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(read.records));
    d->root =
        benchDir() / ("zet-bench-fts-" + std::to_string(getpid()) + "-" + std::to_string(records));
    d->helpDir = d->root / "help";
    fs::create_directories(d->helpDir);
    HelpOptions options;
    options.helpFileName = "Bench.chm";
    options.helpDirectory = d->helpDir.string();
    SilentHelpProgress progress;
    StderrHelpMessages messages;
    if (!HelpProjectWriter::GenerateHelpProject(doc, options, progress, messages))
        std::abort();
    for (const fs::path& page : pagesOf(d->helpDir)) {
        d->pages.push_back(readWholeFile(page));
        d->bytes += d->pages.back().size();
    }
    return d;
}

bool extractWords(const Data& d)
{
    const chm::CodePageCharacters characters(kCodePage, kLcid);
    chm::HtmlWordExtractor extractor(characters);
    std::size_t words = 0;
    for (const std::string& page : d.pages) {
        extractor.extract(page);
        words += extractor.words().size();
    }
    return words > 0;
}

bool buildIndex(Data& d)
{
    chm::FullTextIndexBuilder builder(kCodePage, kLcid);
    for (std::uint32_t topic = 0; topic < d.pages.size(); ++topic)
        builder.addTopic(topic, d.pages[topic]);
    d.indexBytes = builder.finish().size();
    return d.indexBytes > 0;
}

// What any pass over the pages costs at least: looking at every byte once.
bool countBytes(const Data& d)
{
    std::size_t count = 0;
    for (const std::string& page : d.pages)
        count += static_cast<std::size_t>(std::count(page.begin(), page.end(), '<'));
    return count > 0;
}

// In a fresh process: the index of the pages in `dir`, read one at a time, and its peak memory
// above what the process held before.
int memoryChild(const fs::path& dir)
{
    const std::vector<fs::path> pages = pagesOf(dir);
    PeakMemory::ResetPeak();
    const std::size_t start = PeakMemory::CurrentBytes();
    PeakMemory::Figure figure;
    {
        chm::FullTextIndexBuilder builder(kCodePage, kLcid);
        std::string page;
        for (std::uint32_t topic = 0; topic < pages.size(); ++topic) {
            page = readWholeFile(pages[topic]);
            figure.fileBytes += page.size();
            builder.addTopic(topic, page);
        }
        const std::vector<std::uint8_t> index = builder.finish();
        figure.peakBytes = PeakMemory::PeakBytes() - start;
        if (index.empty())
            return 1;
    }
    figure.retainedBytes = PeakMemory::CurrentBytes() - start;
    PeakMemory::Print(figure);
    return 0;
}

std::string name(const char* op, std::size_t records)
{
    return std::string(op) + "/" + std::to_string(records);
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t maxRecords = kSizes.back();
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-max-records=", 0) == 0) {
            maxRecords = std::stoull(arg.substr(std::strlen("--zet-max-records=")));
        } else if (arg.rfind("--zet-rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + std::strlen("--zet-rounds=")));
        } else if (arg.rfind("--zet-memory-child=", 0) == 0) {
            return memoryChild(arg.substr(std::strlen("--zet-memory-child=")));
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    std::printf("Full-text index of help pages; %s\n", InterleavedRuns::machineLoad().c_str());
    std::vector<std::unique_ptr<Data>> data;
    InterleavedRuns runs(rounds, 0.2);
    for (std::size_t n : kSizes) {
        if (n > maxRecords)
            continue;
        data.push_back(makeData(n));
        Data& d = *data.back();
        runs.add(name("words", n), [&d] { return extractWords(d); });
        runs.add(name("index", n), [&d] { return buildIndex(d); });
        runs.add(name("bytes", n), [&d] { return countBytes(d); });
    }
    const bool ok = runs.run();

    std::printf("\nMedians of %d interleaved rounds (ms of CPU per run, wall beside; MB/s of "
                "pages by CPU time)\n",
                runs.rounds());
    TargetTable targets;
    for (const auto& d : data) {
        const std::size_t n = d->records;
        const double mb = double(d->bytes) / 1e6;
        const auto line = [&](const char* label, const char* op) {
            const InterleavedRuns::Figure f = runs.median(name(op, n));
            std::printf("    %-34s %8.1f ms (%8.1f)  %7.1f MB/s\n", label, f.cpu * 1e3,
                        f.wall * 1e3, f.cpu > 0 ? mb / f.cpu : 0.0);
            return f.cpu;
        };
        std::printf("  %7zu records: %zu pages, %.1f MB; index %.1f MB\n", n, d->pages.size(), mb,
                    double(d->indexBytes) / 1e6);
        const double words = line("words of every page", "words");
        const double index = line("whole index (add every page, finish)", "index");
        line("every byte looked at (reference)", "bytes");
        targets.add("reading words: s per 100 MB of pages, " + std::to_string(n), words / mb * 100,
                    1.0, " s");
        targets.add("whole index: s per 100 MB of pages, " + std::to_string(n), index / mb * 100,
                    1.5, " s");

        const std::optional<PeakMemory::Figure> memory =
            PeakMemory::MeasureInChild(fs::read_symlink("/proc/self/exe").string(),
                                       "'--zet-memory-child=" + d->helpDir.string() + "'");
        if (memory) {
            std::printf("    peak memory of the index %.1f MB (%.1f MB kept after it)\n",
                        double(memory->peakBytes) / 1e6, double(memory->retainedBytes) / 1e6);
        }
        if (n == 100'000) {
            targets.add("whole index of 100k records, CPU", index, 2.0, " s");
            targets.add("peak memory of the index, 100k records",
                        memory ? double(memory->peakBytes) / 1e6 : 0, 100, " MB");
        }
    }
    if (data.size() == 2) {
        const std::size_t a = data[0]->records;
        const std::size_t b = data[1]->records;
        targets.add("whole index for 10x the records, " + std::to_string(a) + " -> " +
                        std::to_string(b),
                    runs.ratio(name("index", b), name("index", a)), 11, "x");
    }
    targets.print("Targets (CPU time; a ratio is the median of the rounds' own ratios)");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    return ok ? 0 : 1;
}
