// Reading and writing books of 10k, 100k and 1M records, each beside baselines measured in the
// same run on the same bytes, then a summary of the ratios against their targets; and reading
// as many records nested in Items and Shells, beside the same Items side by side.
//
// Extra arguments (before Google Benchmark's own):
//   --zet-max-records=N   skip sizes above N (quick runs)
//   --zet-peak=read:N     internal: measure one operation's peak memory in a fresh process

#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "PeakMemory.h"
#include "SummaryReporter.h"
#include "SyntaxHelperReader.h"
#include "SyntaxHelperWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kSeed = 20261207;
const std::vector<std::size_t> kSizes = {10'000, 100'000, 1'000'000};

// Writes go to memory-backed storage where there is some, so disk speed does not decide them.
fs::path benchDir()
{
    if (const char* dir = std::getenv("ZET_BENCH_DIR"))
        return dir;
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

fs::path sinkPath()
{
    return benchDir() / ("zet-bench-" + std::to_string(getpid()) + ".zet");
}

std::string readWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(fs::file_size(path), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// One size's data, built outside the timed loops and kept while that size's benchmarks run.
struct Data
{
    std::size_t records = 0;
    std::string book;
    std::vector<std::size_t> stringSizes; // every string of every record, in file order
    std::unique_ptr<CZETbrowserDoc> doc;
};

std::map<std::size_t, std::size_t> g_fileBytes;

Data& data(std::size_t records)
{
    static Data current;
    if (current.records != records || current.book.empty()) {
        current = Data{};
        current.records = records;
        current.book = GenerateBook(records, kSeed);
        g_fileBytes[records] = current.book.size();
        ReadResult result = ReadSyntaxHelper(current.book);
        current.stringSizes.reserve(result.records.size() * 9);
        for (const TreeRecord& r : result.records) {
            for (const std::string* s :
                 {&r.membership, &r.name, &r.synonym, &r.spelling, &r.englishSpelling, &r.purpose,
                  &r.syntax, &r.parameters, &r.notes})
                current.stringSizes.push_back(s->size());
        }
        current.doc = std::make_unique<CZETbrowserDoc>();
        current.doc->SetRecords(std::move(result.records));
        malloc_trim(0);
    }
    return current;
}

void setBytes(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
    state.counters["records"] = static_cast<double>(state.range(0));
}

void Read(benchmark::State& state)
{
    const Data& d = data(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        ReadResult result = ReadSyntaxHelper(d.book);
        benchmark::DoNotOptimize(result.records.size());
        if (result.error)
            state.SkipWithError("the generated book did not read");
    }
    setBytes(state, d.book.size());
}

// Baseline: the least any reader does, one pass that looks at every byte.
void ReadCount(benchmark::State& state)
{
    const Data& d = data(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t quotes =
            static_cast<std::size_t>(std::count(d.book.begin(), d.book.end(), '"'));
        benchmark::DoNotOptimize(quotes);
    }
    setBytes(state, d.book.size());
}

// Baseline: the floor of materialising the records' strings, the same count and the same bytes,
// copied from the book, kept until the end of the pass and then freed, as a read's result is.
void ReadMaterialise(benchmark::State& state)
{
    const Data& d = data(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> strings;
        strings.reserve(d.stringSizes.size());
        std::size_t offset = 0;
        for (std::size_t size : d.stringSizes) {
            if (offset + size > d.book.size())
                offset = 0;
            strings.emplace_back(d.book.data() + offset, size);
            offset += size;
        }
        benchmark::DoNotOptimize(strings.data());
    }
    setBytes(state, d.book.size());
}

void Write(benchmark::State& state)
{
    Data& d = data(static_cast<std::size_t>(state.range(0)));
    const fs::path sink = sinkPath();
    for (auto _ : state) {
        std::ofstream out(sink, std::ios::binary | std::ios::trunc);
        if (!WriteSyntaxHelper(*d.doc, out))
            state.SkipWithError("writing failed");
        out.close();
    }
    // The generated book is canonical, so the writer must reproduce it byte for byte.
    if (readWholeFile(sink) != d.book)
        state.SkipWithError("the written book differs from the generated one");
    fs::remove(sink);
    setBytes(state, d.book.size());
}

// Baseline: the same byte count written in one piece through the same kind of stream and file.
void RawWrite(benchmark::State& state)
{
    const Data& d = data(static_cast<std::size_t>(state.range(0)));
    const fs::path sink = sinkPath();
    for (auto _ : state) {
        std::ofstream out(sink, std::ios::binary | std::ios::trunc);
        out.write(d.book.data(), static_cast<std::streamsize>(d.book.size()));
        out.close();
    }
    fs::remove(sink);
    setBytes(state, d.book.size());
}

// --- crafted nesting: blocks inside Items and Shells -----------------------------------------

// `count` Items nested each in the one before, or side by side; or `count` Shells nested each in
// the one before, each holding one Item. The nested books make every record look for its Folder
// through the whole stack of open blocks unless the stack remembers it.
std::string nestingBook(const std::string& shape, std::size_t count)
{
    const std::string item = "{\"Item\",\"AST\",\"name\",\"\",\"\",\"\",\r\n\"text\"\r\n";
    std::string book = "{\"Shell\",\r\n";
    book.reserve(count * (item.size() + 16));
    for (std::size_t i = 0; i < count; ++i) {
        if (shape == "shells")
            book += "{\"Shell\",";
        book += item;
        if (shape == "flat" || shape == "shells")
            book += "}\r\n";
    }
    if (shape != "flat")
        book.append(count, '}');
    book += '}';
    return book;
}

void ReadNesting(benchmark::State& state, const std::string& shape)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const std::string book = nestingBook(shape, count);
    for (auto _ : state) {
        ReadResult result = ReadSyntaxHelper(book);
        if (result.error || result.records.size() != count)
            state.SkipWithError("the crafted book did not read");
        benchmark::DoNotOptimize(result.records.size());
    }
    setBytes(state, book.size());
}

void ReadNestedItems(benchmark::State& state)
{
    ReadNesting(state, "items");
}

void ReadNestedShells(benchmark::State& state)
{
    ReadNesting(state, "shells");
}

// Baseline: as many Items side by side.
void ReadFlatItems(benchmark::State& state)
{
    ReadNesting(state, "flat");
}

// --- peak memory, one fresh process per operation and size ----------------------------------

// Child side. The book is generated and stored first, then everything but the file is freed;
// the figure is the high-water mark of resident memory above that point, for the whole
// operation as zettool and the program do it (file into one buffer, parse, fill a document;
// or write a loaded document to a file).
int measurePeak(const std::string& request)
{
    const auto colon = request.find(':');
    if (colon == std::string::npos)
        return 2;
    const std::string mode = request.substr(0, colon);
    const std::size_t records = std::stoull(request.substr(colon + 1));
    const fs::path file = benchDir() / ("zet-peak-" + std::to_string(getpid()) + ".zet");
    {
        const std::string book = GenerateBook(records, kSeed);
        std::ofstream(file, std::ios::binary)
            .write(book.data(), static_cast<std::streamsize>(book.size()));
    }
    PeakMemory::Figure figure;
    figure.fileBytes = fs::file_size(file);
    CZETbrowserDoc doc;
    if (mode == "write") {
        ReadResult result = ReadSyntaxHelper(readWholeFile(file));
        doc.SetRecords(std::move(result.records));
    }
    malloc_trim(0);
    if (!PeakMemory::ResetPeak()) {
        fs::remove(file);
        return 3;
    }
    const std::size_t start = PeakMemory::CurrentBytes();
    if (mode == "read") {
        std::string bytes = readWholeFile(file);
        ReadResult result = ReadSyntaxHelper(bytes);
        doc.SetRecords(std::move(result.records));
    } else {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        WriteSyntaxHelper(doc, out);
    }
    figure.peakBytes = PeakMemory::PeakBytes() - start;
    const std::size_t now = PeakMemory::CurrentBytes();
    figure.retainedBytes = now > start ? now - start : 0;
    fs::remove(file);
    PeakMemory::Print(figure);
    return 0;
}

// --- summary ------------------------------------------------------------------------------

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printSummary(const SummaryReporter& reporter, const std::vector<std::size_t>& sizes,
                  const std::string& self)
{
    std::printf("\nSummary (MB = 10^6 bytes; times are per pass; peak = resident high-water mark "
                "above the start, fresh process)\n");
    std::printf("%9s %8s | %9s %9s %9s %6s %6s | %9s %9s %6s %6s | %10s %6s | %10s %6s\n",
                "records", "file MB", "read MB/s", "count", "floor", "ratio", "<=2x", "write MB/s",
                "raw", "ratio", "<=3x", "read peak", "<=4x", "write peak", "<=4x");
    for (std::size_t n : sizes) {
        const double mb = static_cast<double>(g_fileBytes[n]) / 1e6;
        const double read = reporter.Seconds("Read", n);
        const double count = reporter.Seconds("ReadCount", n);
        const double floor = reporter.Seconds("ReadMaterialise", n);
        const double write = reporter.Seconds("Write", n);
        const double raw = reporter.Seconds("RawWrite", n);
        if (read <= 0 || count <= 0 || floor <= 0 || write <= 0 || raw <= 0)
            continue;
        const auto readPeak =
            PeakMemory::MeasureInChild(self, "--zet-peak=read:" + std::to_string(n));
        const auto writePeak =
            PeakMemory::MeasureInChild(self, "--zet-peak=write:" + std::to_string(n));
        const double readPeakX =
            readPeak ? static_cast<double>(readPeak->peakBytes) / readPeak->fileBytes : -1;
        const double writePeakX =
            writePeak ? static_cast<double>(writePeak->peakBytes) / writePeak->fileBytes : -1;
        std::printf("%9zu %8.1f | %9.0f %9.0f %9.0f %5.2fx %6s | %10.0f %9.0f %5.2fx %6s | "
                    "%9.2fx %6s | %9.2fx %6s\n",
                    n, mb, mb / read, mb / count, mb / floor, read / floor,
                    verdict(read <= 2 * floor), mb / write, mb / raw, write / raw,
                    verdict(write <= 3 * raw), readPeakX,
                    readPeak ? verdict(readPeakX <= 4) : "n/a", writePeakX,
                    writePeak ? verdict(writePeakX <= 4) : "n/a");
    }
    const std::size_t nesting = sizes.empty() ? 0 : sizes.back();
    const double flat = reporter.Seconds("ReadFlatItems", nesting);
    if (flat > 0) {
        std::printf("\nCrafted nesting, %zu records (target: nested about as fast as flat)\n",
                    nesting);
        for (const char* op : {"ReadNestedItems", "ReadNestedShells"}) {
            const double t = reporter.Seconds(op, nesting);
            if (t > 0)
                std::printf("  %-17s %8.1f ms  %5.2fx flat  %s\n", op, t * 1e3, t / flat,
                            verdict(t <= 2 * flat));
        }
    }
    // The baselines' own scaling shows what the machine's memory hierarchy alone costs.
    std::printf(
        "\nScaling (CPU time for 10x the records, target <= 12x; baselines for reference)\n");
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        for (const char* op : {"Read", "ReadMaterialise", "Write", "RawWrite"}) {
            const double a = reporter.Seconds(op, sizes[i - 1]);
            const double b = reporter.Seconds(op, sizes[i]);
            if (a <= 0 || b <= 0)
                continue;
            const bool baseline = std::strcmp(op, "Read") != 0 && std::strcmp(op, "Write") != 0;
            std::printf("  %-15s %7zu -> %7zu: %5.2fx  %s\n", op, sizes[i - 1], sizes[i], b / a,
                        baseline ? "(baseline)" : verdict(b / a <= 12));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t maxRecords = kSizes.back();
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-peak=", 0) == 0)
            return measurePeak(arg.substr(std::strlen("--zet-peak=")));
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
        const auto arg = static_cast<std::int64_t>(n);
        for (auto [name, function] : {std::pair{"Read", &Read}, std::pair{"ReadCount", &ReadCount},
                                      std::pair{"ReadMaterialise", &ReadMaterialise},
                                      std::pair{"Write", &Write}, std::pair{"RawWrite", &RawWrite}})
            benchmark::RegisterBenchmark(name, function)
                ->Arg(arg)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }

    if (!sizes.empty()) {
        for (auto [name, function] : {std::pair{"ReadFlatItems", &ReadFlatItems},
                                      std::pair{"ReadNestedItems", &ReadNestedItems},
                                      std::pair{"ReadNestedShells", &ReadNestedShells}})
            benchmark::RegisterBenchmark(name, function)
                ->Arg(static_cast<std::int64_t>(sizes.back()))
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }

    int benchArgc = static_cast<int>(args.size());
    benchmark::Initialize(&benchArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data()))
        return 2;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::error_code ec;
    const std::string self = fs::read_symlink("/proc/self/exe", ec).string();
    printSummary(reporter, sizes, self);
    return 0;
}
