// Times opening a generated book through the program's own open path (main frame, document
// window, filled tree, first paint), offscreen, for 10k and 100k records, and the ratio; then the
// tree's copy and move of a 10,000-record section and of a 10,000-deep chain.
#include "BookGenerator.h"
#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserApp.h"
#include "CZETbrowserDoc.h"
#include "DocumentManager.h"
#include "IUiServices.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Benchmarks answer nothing: every prompt takes its default.
class DefaultPrompts : public UserPrompts
{
public:
    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString& text,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        std::fprintf(stderr, "prompt: %s\n", qPrintable(text));
        return defaultButton;
    }
    QAction* popupMenu(QMenu&, const QPoint&) override { return nullptr; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    int exec(QDialog&) override { return 0; }
};

class NullUi : public IUiServices
{
public:
    std::string MainWindowCaption() override { return {}; }
    void SetStatusText(const std::string&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowError(const std::string&) override {}
    Answer AskYesNo(const std::string&, bool) override { return Answer::No; }
};

// Reading alone, to tell the document's share from the window's.
double readOnce(const QString& path)
{
    const auto start = std::chrono::steady_clock::now();
    CZETbrowserDoc doc;
    NullUi ui;
    if (!doc.OnOpenDocument(path.toStdString(), ui))
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double openOnce(CMainFrame& frame, const QString& path)
{
    const auto start = std::chrono::steady_clock::now();
    CChildFrame* child = frame.documents().OpenDocumentFile(path);
    if (child == nullptr)
        return -1;
    QApplication::processEvents();
    child->repaint();
    const auto end = std::chrono::steady_clock::now();
    // Closing is not part of the measurement.
    child->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    return std::chrono::duration<double>(end - start).count();
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
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = home.path() + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        qputenv(name, path.toLocal8Bit());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    if (sizes.empty())
        sizes = {10000, 100000};

    DefaultPrompts prompts;
    CZETbrowserApp app(prompts);
    if (app.InitInstance({QStringLiteral("bench_gui")}).has_value())
        return 1;
    CMainFrame& frame = *app.mainFrame();

    constexpr int kRuns = 5;
    std::vector<double> medians;
    for (std::size_t records : sizes) {
        const QString path = home.filePath(QStringLiteral("book-%1.zet").arg(records));
        {
            QFile file(path);
            const std::string bytes = GenerateBook(records, 1);
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
                return 1;
        }
        std::vector<double> times;
        std::vector<double> reads;
        for (int run = 0; run < kRuns; ++run)
            reads.push_back(readOnce(path));
        std::sort(reads.begin(), reads.end());
        for (int run = 0; run < kRuns; ++run) {
            const double t = openOnce(frame, path);
            if (t < 0) {
                std::fprintf(stderr, "could not open %s\n", qPrintable(path));
                return 1;
            }
            times.push_back(t);
        }
        std::sort(times.begin(), times.end());
        medians.push_back(times[kRuns / 2]);
        std::printf("open and show %7zu records: median %.3f s (min %.3f, max %.3f, %d runs);"
                    " reading alone %.3f s\n",
                    records, times[kRuns / 2], times.front(), times.back(), kRuns,
                    reads[kRuns / 2]);
    }
    for (std::size_t i = 1; i < sizes.size(); ++i)
        std::printf("ratio %zu/%zu records: time x%.2f for size x%.2f\n", sizes[i], sizes[i - 1],
                    medians[i] / medians[i - 1], double(sizes[i]) / double(sizes[i - 1]));
    timeTreeCommands(prompts);
    std::fflush(stdout);
    return 0;
}
