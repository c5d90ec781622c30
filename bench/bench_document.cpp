// Reading and writing books of 10k, 100k and 1M records beside baselines on the same bytes, timed
// in interleaved rounds in one process (InterleavedRuns); peak memory in fresh processes; reading
// as many records nested in Items and Shells beside the same Items side by side. Ends with the
// targets and whether each is met.
//
// Arguments:
//   --zet-max-records=N   skip sizes above N (quick runs)
//   --zet-rounds=N        rounds of the interleaved timing (default 9)
//   --zet-peak=MODE:N     internal: one operation's peak memory in a fresh process

#include "BenchFiles.h"
#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "InterleavedRuns.h"
#include "PeakMemory.h"
#include "SyntaxHelperReader.h"
#include "SyntaxHelperWriter.h"
#include "TargetTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kSeed = 20261207;
// The sizes the targets name, timed together so that their scaling is measured round by round.
const std::vector<std::size_t> kTargetSizes = {10'000, 100'000};
constexpr std::size_t kLargeSize = 1'000'000;

fs::path sinkPath(const std::string& what)
{
    return benchDir() / ("zet-bench-" + std::to_string(getpid()) + "-" + what + ".zet");
}

std::string readWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(fs::file_size(path), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// One size's data, built before the timing.
struct Data
{
    std::size_t records = 0;
    std::string book;
    std::vector<std::size_t> stringSizes; // every string of every record, in file order
    std::unique_ptr<CZETbrowserDoc> doc;
    fs::path writeSink;
    fs::path rawSink;

    ~Data()
    {
        std::error_code ec;
        fs::remove(writeSink, ec);
        fs::remove(rawSink, ec);
    }
};

std::unique_ptr<Data> makeData(std::size_t records)
{
    auto d = std::make_unique<Data>();
    d->records = records;
    d->book = GenerateBook(records, kSeed);
    ReadResult result = ReadSyntaxHelper(d->book);
    d->stringSizes.reserve(result.records.size() * 9);
    for (const TreeRecord& r : result.records) {
        for (const std::string* s :
             {&r.membership, &r.name, &r.synonym, &r.spelling, &r.englishSpelling, &r.purpose,
              &r.syntax, &r.parameters, &r.notes})
            d->stringSizes.push_back(s->size());
    }
    d->doc = std::make_unique<CZETbrowserDoc>();
    d->doc->SetRecords(std::move(result.records));
    const std::string tag = std::to_string(records);
    d->writeSink = sinkPath("write-" + tag);
    d->rawSink = sinkPath("raw-" + tag);
    malloc_trim(0);
    return d;
}

bool read(const Data& d)
{
    ReadResult result = ReadSyntaxHelper(d.book);
    return !result.error && result.records.size() == d.records;
}

// Baseline: the least any reader does, one pass that looks at every byte.
bool count(const Data& d)
{
    volatile std::size_t quotes =
        static_cast<std::size_t>(std::count(d.book.begin(), d.book.end(), '"'));
    return quotes > 0;
}

// Baseline: the floor of materialising the records' strings, the same count and the same bytes,
// copied from the book, kept until the end of the pass and then freed, as a read's result is.
bool materialise(const Data& d)
{
    std::vector<std::string> strings;
    strings.reserve(d.stringSizes.size());
    std::size_t offset = 0;
    for (std::size_t size : d.stringSizes) {
        if (offset + size > d.book.size())
            offset = 0;
        strings.emplace_back(d.book.data() + offset, size);
        offset += size;
    }
    volatile const void* keep = strings.data();
    return keep != nullptr;
}

bool write(Data& d)
{
    std::ofstream out(d.writeSink, std::ios::binary | std::ios::trunc);
    return WriteSyntaxHelper(*d.doc, out) && (out.close(), static_cast<bool>(out));
}

// Baseline: the same byte count written in one piece through the same kind of stream and file.
bool rawWrite(const Data& d)
{
    std::ofstream out(d.rawSink, std::ios::binary | std::ios::trunc);
    out.write(d.book.data(), static_cast<std::streamsize>(d.book.size()));
    out.close();
    return static_cast<bool>(out);
}

std::string name(const char* op, std::size_t records)
{
    return std::string(op) + "/" + std::to_string(records);
}

void addOperations(InterleavedRuns& runs, Data& d)
{
    runs.add(name("read", d.records), [&d] { return read(d); });
    runs.add(name("floor", d.records), [&d] { return materialise(d); });
    runs.add(name("count", d.records), [&d] { return count(d); });
    runs.add(name("write", d.records), [&d] { return write(d); });
    runs.add(name("raw", d.records), [&d] { return rawWrite(d); });
}

// The generated book is canonical, so the writer must reproduce it byte for byte.
bool writesBack(Data& d)
{
    if (!write(d) || readWholeFile(d.writeSink) != d.book) {
        std::fprintf(stderr, "the written %zu-record book differs from the generated one\n",
                     d.records);
        return false;
    }
    return true;
}

void printSizes(const InterleavedRuns& runs, const std::vector<const Data*>& data)
{
    std::printf("\nMedians of %d interleaved rounds (MB = 10^6 bytes; ms of CPU per call, wall "
                "beside)\n",
                runs.rounds());
    std::printf("%9s %8s | %16s %16s %16s %7s | %16s %16s %7s\n", "records", "file MB", "read",
                "floor", "count", "read/fl", "write", "raw write", "wr/raw");
    for (const Data* d : data) {
        const auto ms = [&](const char* op) {
            const InterleavedRuns::Figure f = runs.median(name(op, d->records));
            char text[40];
            std::snprintf(text, sizeof text, "%7.1f (%6.1f)", f.cpu * 1e3, f.wall * 1e3);
            return std::string(text);
        };
        std::printf("%9zu %8.1f | %16s %16s %16s %6.2fx | %16s %16s %6.2fx\n", d->records,
                    double(d->book.size()) / 1e6, ms("read").c_str(), ms("floor").c_str(),
                    ms("count").c_str(),
                    runs.ratio(name("read", d->records), name("floor", d->records)),
                    ms("write").c_str(), ms("raw").c_str(),
                    runs.ratio(name("write", d->records), name("raw", d->records)));
    }
}

std::string rangeNote(const InterleavedRuns& runs, const std::string& a, const std::string& b)
{
    const auto [low, high] = runs.ratioRange(a, b);
    char text[64];
    std::snprintf(text, sizeof text, "(rounds %.2f-%.2f)", low, high);
    return text;
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

void timeNesting(std::size_t count, int rounds, TargetTable& targets)
{
    std::map<std::string, std::string> books;
    InterleavedRuns runs(rounds);
    for (const char* shape : {"flat", "items", "shells"}) {
        books[shape] = nestingBook(shape, count);
        const std::string& book = books[shape];
        runs.add(shape, [&book, count] {
            ReadResult result = ReadSyntaxHelper(book);
            return !result.error && result.records.size() == count;
        });
    }
    runs.run();
    std::printf("\nCrafted nesting, %zu records: flat %.1f ms, Items nested %.1f ms, Shells "
                "nested %.1f ms\n",
                count, runs.median("flat").cpu * 1e3, runs.median("items").cpu * 1e3,
                runs.median("shells").cpu * 1e3);
    targets.add("read, Items nested / side by side", runs.ratio("items", "flat"), 2, "x");
    targets.add("read, Shells nested / Items side by side", runs.ratio("shells", "flat"), 2, "x");
}

// --- peak memory, one fresh process per operation and size ----------------------------------

// Child side. The book is generated and stored first, then everything but the file is freed;
// the figure is the high-water mark of resident memory above that point, for the whole
// operation as the program does it: opening (file into one buffer, parse, the document and its
// index), or writing a loaded document to a file.
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
        // A generated book always reads whole: anything else is worth a word.
        const OpenResult opened = doc.OnOpenDocument(file.string());
        if (!opened || opened.readError)
            std::fprintf(stderr, "cannot read %s whole\n", file.c_str());
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

void measurePeaks(const std::string& self, const std::vector<std::size_t>& sizes,
                  TargetTable& targets)
{
    std::printf("\nPeak memory above the start, fresh process (x the file size)\n");
    for (std::size_t n : sizes) {
        const auto readPeak =
            PeakMemory::MeasureInChild(self, "--zet-peak=read:" + std::to_string(n));
        const auto writePeak =
            PeakMemory::MeasureInChild(self, "--zet-peak=write:" + std::to_string(n));
        const auto times = [](const std::optional<PeakMemory::Figure>& f) {
            return f ? double(f->peakBytes) / double(f->fileBytes) : 0.0;
        };
        std::printf("  %9zu records: opening %.2fx (%.0f MB; kept %.0f MB), writing %.2fx\n", n,
                    times(readPeak), readPeak ? double(readPeak->peakBytes) / 1e6 : 0.0,
                    readPeak ? double(readPeak->retainedBytes) / 1e6 : 0.0, times(writePeak));
        targets.add("peak memory opening " + std::to_string(n), times(readPeak), 3, "x");
        targets.add("peak memory writing " + std::to_string(n), times(writePeak), 4, "x");
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t maxRecords = kLargeSize;
    int rounds = 9;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-peak=", 0) == 0)
            return measurePeak(arg.substr(std::strlen("--zet-peak=")));
        if (arg.rfind("--zet-max-records=", 0) == 0) {
            maxRecords = std::stoull(arg.substr(std::strlen("--zet-max-records=")));
        } else if (arg.rfind("--zet-rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + std::strlen("--zet-rounds=")));
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    std::error_code ec;
    const std::string self = fs::read_symlink("/proc/self/exe", ec).string();
    std::printf("Reading and writing books; %s\n", InterleavedRuns::machineLoad().c_str());

    TargetTable targets;
    std::vector<std::size_t> peakSizes;
    std::vector<std::unique_ptr<Data>> data;
    for (std::size_t n : kTargetSizes) {
        if (n <= maxRecords)
            data.push_back(makeData(n));
    }
    bool ok = true;
    if (!data.empty()) {
        InterleavedRuns runs(rounds, 0.1);
        std::vector<const Data*> shown;
        for (auto& d : data) {
            ok = writesBack(*d) && ok;
            addOperations(runs, *d);
            shown.push_back(d.get());
            peakSizes.push_back(d->records);
        }
        ok = runs.run() && ok;
        printSizes(runs, shown);
        for (const auto& d : data) {
            const std::size_t n = d->records;
            targets.add("read / materialising floor, " + std::to_string(n),
                        runs.ratio(name("read", n), name("floor", n)), 1.5, "x",
                        rangeNote(runs, name("read", n), name("floor", n)));
            targets.add("write / raw write, " + std::to_string(n),
                        runs.ratio(name("write", n), name("raw", n)), 2, "x",
                        rangeNote(runs, name("write", n), name("raw", n)));
        }
        if (data.size() == 2) {
            const std::size_t a = data[0]->records;
            const std::size_t b = data[1]->records;
            const std::string step = std::to_string(a) + " -> " + std::to_string(b);
            for (const char* op : {"read", "write"})
                targets.add(std::string(op) + " time for 10x the records, " + step,
                            runs.ratio(name(op, b), name(op, a)), 11, "x",
                            rangeNote(runs, name(op, b), name(op, a)));
            std::printf("\nScaling %s of the baselines, for reference: floor %.2fx, count %.2fx, "
                        "raw write %.2fx\n",
                        step.c_str(), runs.ratio(name("floor", b), name("floor", a)),
                        runs.ratio(name("count", b), name("count", a)),
                        runs.ratio(name("raw", b), name("raw", a)));
        }
    }
    data.clear();

    // The largest book alone (its data would crowd out the others), for reference.
    if (kLargeSize <= maxRecords) {
        std::unique_ptr<Data> large = makeData(kLargeSize);
        ok = writesBack(*large) && ok;
        InterleavedRuns runs(std::max(3, rounds / 2));
        addOperations(runs, *large);
        ok = runs.run() && ok;
        printSizes(runs, {large.get()});
        peakSizes.push_back(kLargeSize);
    }

    const std::size_t nesting = std::min(maxRecords, kLargeSize);
    if (nesting > 0)
        timeNesting(nesting, std::max(3, rounds / 2), targets);
    measurePeaks(self, peakSizes, targets);
    targets.print("Targets (ratios: medians of the rounds' own ratios, CPU time)");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    return ok ? 0 : 1;
}
