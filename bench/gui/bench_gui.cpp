// Times opening a generated book through the program's own open path (main frame, document
// window, filled tree, first paint), offscreen, for 10k and 100k records, beside reading it
// alone, in interleaved rounds (InterleavedRuns); a 1,000,000-record book opened and shown in a
// fresh process, for its time and the program's peak memory; then the tree's copy and move of a
// 10,000-record section and of a 10,000-deep chain. Ends with the targets.
//
// Arguments: [records...] (default 10000 100000)
//   --zet-rounds=N      rounds of the interleaved timing (default 5)
//   --zet-large=N       records of the book opened in a fresh process (default 1000000; 0: none)
//   --zet-no-commands   skip the tree's copy and move
//   --zet-open=PATH     internal: open PATH in a fresh program and print time and peak memory
#include "BookGenerator.h"
#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserApp.h"
#include "CZETbrowserDoc.h"
#include "DefaultPrompts.h"
#include "DocumentManager.h"
#include "InterleavedRuns.h"
#include "PeakMemory.h"
#include "TargetTable.h"
#include "TemporaryHome.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Reading alone, to tell the document's share from the window's.
std::optional<InterleavedRuns::Figure> readOnce(const QString& path)
{
    CZETbrowserDoc doc;
    const InterleavedRuns::Figure start = InterleavedRuns::now();
    if (!doc.OnOpenDocument(path.toStdString()))
        return std::nullopt;
    const InterleavedRuns::Figure end = InterleavedRuns::now();
    return InterleavedRuns::Figure{end.cpu - start.cpu, end.wall - start.wall};
}

// Opening and showing: the window with its tree filled, the first record in the form and the
// first paint. Closing is not part of it.
std::optional<InterleavedRuns::Figure> openOnce(CMainFrame& frame, const QString& path)
{
    const InterleavedRuns::Figure start = InterleavedRuns::now();
    CChildFrame* child = frame.documents().OpenDocumentFile(path);
    if (child == nullptr)
        return std::nullopt;
    QApplication::processEvents();
    child->repaint();
    const InterleavedRuns::Figure end = InterleavedRuns::now();
    child->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    return InterleavedRuns::Figure{end.cpu - start.cpu, end.wall - start.wall};
}

bool writeBook(const QString& path, std::size_t records)
{
    QFile file(path);
    const std::string bytes = GenerateBook(records, 1);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

// Child side of the large book: the program as it starts, then the book opened and shown. The
// peak is the whole program's high-water mark of resident memory.
int openInFreshProgram(CMainFrame& frame, const QString& path)
{
    const std::optional<InterleavedRuns::Figure> took = openOnce(frame, path);
    if (!took)
        return 1;
    std::printf("open %.6f %.6f %zu %lld\n", took->wall, took->cpu, PeakMemory::PeakBytes(),
                QFileInfo(path).size());
    return 0;
}

struct LargeOpen
{
    double wall = 0;
    double cpu = 0;
    std::size_t peakBytes = 0;
    std::size_t fileBytes = 0;
};

std::optional<LargeOpen> openInChild(const QString& self, const QString& path)
{
    QProcess child;
    child.start(self, {QStringLiteral("--zet-open=") + path});
    if (!child.waitForFinished(600'000) || child.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
    if (words.size() != 5 || words[0] != "open")
        return std::nullopt;
    return LargeOpen{words[1].toDouble(), words[2].toDouble(), std::size_t(words[3].toULongLong()),
                     std::size_t(words[4].toULongLong())};
}

// The large book opened three times, each in a fresh program: the medians.
void timeLargeBook(const QString& self, const QString& dir, std::size_t records,
                   TargetTable& targets)
{
    const QString path = dir + QStringLiteral("/large-%1.zet").arg(records);
    if (!writeBook(path, records)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return;
    }
    std::vector<LargeOpen> runs;
    for (int run = 0; run < 3; ++run) {
        if (const std::optional<LargeOpen> figure = openInChild(self, path))
            runs.push_back(*figure);
    }
    QFile::remove(path);
    if (runs.empty()) {
        std::fprintf(stderr, "the %zu-record book did not open\n", records);
        targets.add("open and show " + std::to_string(records) + " records", 0, 5, " s");
        return;
    }
    const auto median = [&runs](auto field) {
        std::vector<double> values;
        for (const LargeOpen& r : runs)
            values.push_back(double(field(r)));
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double wall = median([](const LargeOpen& r) { return r.wall; });
    const double cpu = median([](const LargeOpen& r) { return r.cpu; });
    const double peak = median([](const LargeOpen& r) { return r.peakBytes; });
    const double file = double(runs.front().fileBytes);
    std::printf("\n%zu records (%.0f MB) in a fresh program, median of %zu: open and show %.2f s "
                "(CPU %.2f s); program's peak %.0f MB\n",
                records, file / 1e6, runs.size(), wall, cpu, peak / 1e6);
    targets.add("open and show " + std::to_string(records) + " records (wall)", wall, 5, " s");
    targets.add("program's peak memory / file, " + std::to_string(records), peak / file, 3.5, "x");
}

// The tree's copy and move of a 10,000-record section of a 100,000-record book and of a chain of
// sections nested 10,000 deep: the document's command, the items mirroring it, the first paint.
void timeTreeCommands(UserPrompts& prompts)
{
    auto wideBook = [] {
        CZETbrowserDoc::RecordList records;
        std::uint32_t id = 0;
        for (int s = 0; s < 10; ++s) {
            TreeRecord section;
            section.kind = RecordKind::Folder;
            section.recordId = ++id;
            section.name = "S";
            records.push_back(section);
            for (int sub = 0; sub < 99; ++sub) {
                TreeRecord folder = section;
                folder.recordId = ++id;
                folder.parentId = section.recordId;
                records.push_back(folder);
                for (int e = 0; e < 100; ++e) {
                    TreeRecord entry;
                    entry.recordId = ++id;
                    entry.parentId = folder.recordId;
                    entry.name = "E";
                    records.push_back(entry);
                }
            }
        }
        return records;
    };
    auto chain = [] {
        CZETbrowserDoc::RecordList records;
        for (std::uint32_t id = 1; id <= 10000; ++id) {
            TreeRecord folder;
            folder.kind = RecordKind::Folder;
            folder.recordId = id;
            folder.parentId = id - 1;
            folder.name = "D";
            records.push_back(folder);
        }
        return records;
    };
    for (const auto& [name, make] :
         {std::pair<const char*, std::function<CZETbrowserDoc::RecordList()>>{
              "a 10,000-record section", wideBook},
          {"a chain nested 10,000 deep", chain}}) {
        for (const int command : {CStructureTreeCtrl::CmdCopy, CStructureTreeCtrl::CmdMove}) {
            constexpr int kRuns = 5;
            std::vector<double> times;
            for (int run = 0; run < kRuns; ++run) {
                auto doc = std::make_unique<CZETbrowserDoc>();
                doc->SetRecords(make());
                CChildFrame frame(std::move(doc), prompts);
                frame.show();
                CStructureTreeCtrl& tree = frame.treeView()->GetTreeCtrl();
                QApplication::processEvents();
                const auto start = std::chrono::steady_clock::now();
                tree.CopySubtree(tree.topLevelItem(0), nullptr, command);
                QApplication::processEvents();
                frame.repaint();
                times.push_back(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                        .count());
            }
            std::sort(times.begin(), times.end());
            std::printf("tree %s of %s: median %.3f s (min %.3f, max %.3f)\n",
                        command == CStructureTreeCtrl::CmdCopy ? "copy" : "move", name,
                        times[kRuns / 2], times.front(), times.back());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QString openPath;
    std::vector<std::size_t> sizes;
    int rounds = 5;
    std::size_t large = 1'000'000;
    bool commands = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--zet-open=", 11) == 0)
            openPath = QString::fromLocal8Bit(arg + 11);
        else if (std::strncmp(arg, "--zet-rounds=", 13) == 0)
            rounds = std::max(1, std::atoi(arg + 13));
        else if (std::strncmp(arg, "--zet-large=", 12) == 0)
            large = std::strtoul(arg + 12, nullptr, 10);
        else if (std::strcmp(arg, "--zet-no-commands") == 0)
            commands = false;
        else
            sizes.push_back(std::strtoul(arg, nullptr, 10));
    }
    if (sizes.empty())
        sizes = {10000, 100000};

    // A fresh program started for the large book is given a home of its own as well.
    TemporaryHome home;
    if (!home.isValid())
        return 1;
    QApplication application(argc, argv);

    DefaultPrompts prompts;
    CZETbrowserApp app(prompts);
    if (app.InitInstance({QStringLiteral("bench_gui")}).has_value())
        return 1;
    CMainFrame& frame = *app.mainFrame();
    if (!openPath.isEmpty())
        return openInFreshProgram(frame, openPath);

    std::printf("Opening and showing books; %s\n", InterleavedRuns::machineLoad().c_str());
    InterleavedRuns runs(rounds, 0.2);
    std::vector<QString> paths;
    for (std::size_t records : sizes) {
        const QString path = home.filePath(QStringLiteral("book-%1.zet").arg(records));
        if (!writeBook(path, records))
            return 1;
        const std::string n = std::to_string(records);
        runs.addTimed("read/" + n, [path] { return readOnce(path); });
        runs.addTimed("open/" + n, [&frame, path] { return openOnce(frame, path); });
    }
    if (!runs.run())
        return 1;
    TargetTable targets;
    std::printf("\nMedians of %d interleaved rounds (CPU s, wall beside)\n", runs.rounds());
    for (std::size_t records : sizes) {
        const std::string n = std::to_string(records);
        const InterleavedRuns::Figure open = runs.median("open/" + n);
        const InterleavedRuns::Figure read = runs.median("read/" + n);
        std::printf("  %7zu records: open and show %.3f s (%.3f s); reading alone %.3f s (%.3f "
                    "s)\n",
                    records, open.cpu, open.wall, read.cpu, read.wall);
        const auto [low, high] = runs.ratioRange("open/" + n, "read/" + n);
        char note[64];
        std::snprintf(note, sizeof note, "(rounds %.2f-%.2f)", low, high);
        targets.add("open and show / reading alone, " + n, runs.ratio("open/" + n, "read/" + n), 2,
                    "x", note);
    }
    for (std::size_t i = 1; i < sizes.size(); ++i)
        std::printf(
            "  open and show, %zu -> %zu records: %.2fx the time (reading alone %.2fx)\n",
            sizes[i - 1], sizes[i],
            runs.ratio("open/" + std::to_string(sizes[i]), "open/" + std::to_string(sizes[i - 1])),
            runs.ratio("read/" + std::to_string(sizes[i]), "read/" + std::to_string(sizes[i - 1])));
    if (large > 0)
        timeLargeBook(QCoreApplication::applicationFilePath(), home.path(), large, targets);
    if (commands)
        timeTreeCommands(prompts);
    targets.print("Targets (ratios: medians of the rounds' own ratios, CPU time)");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    std::fflush(stdout);
    return 0;
}
