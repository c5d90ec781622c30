// Builds the help of a generated book from the help creation dialog, the way the user does
// (document window, command 32773, OK), and with `zettool make-help` on the same book, in
// alternating runs; prints both times, their ratio against the 1.2 target, and the longest
// stretch the GUI thread went without processing events while the dialog worked (target 100 ms),
// and the dialog's own time (target 15 s for 100,000 records with zetchm, the compiler it finds).
#include "BookGenerator.h"
#include "CChildFrame.h"
#include "CCreateHelpDialog.h"
#include "CMainFrame.h"
#include "CStylePicture.h"
#include "CZETbrowserApp.h"
#include "DocumentManager.h"
#include "QtHelpPlatform.h"
#include "TemporaryHome.h"
#include "UserPrompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Every question takes its default; the help dialog runs `script`.
class BenchPrompts : public UserPrompts
{
public:
    std::function<void(QDialog&)> script;

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
    int exec(QDialog& dialog) override
    {
        dialog.show();
        if (script)
            script(dialog);
        return dialog.result();
    }
};

// The help file is built, not shown.
class NoViewer : public QtHelpPlatform
{
public:
    bool OpenDocument(const std::string&) override { return true; }
    bool OpenDocumentWatching(const std::string&, const std::function<void()>&) override
    {
        return true;
    }
};

// Counts paints of the widgets it watches.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct DialogRun
{
    double seconds = -1;
    double longestGapMs = 0;
    double generationSeconds = -1;
    int progressPaints = 0;
    int pictureFrames = 0;
};

DialogRun runDialog(CMainFrame& frame, BenchPrompts& prompts, const QString& outputDir,
                    const QString& compiler)
{
    DialogRun result;
    prompts.script = [&](QDialog& shown) {
        auto* dialog = qobject_cast<CCreateHelpDialog*>(&shown);
        if (dialog == nullptr)
            return;
        dialog->helpDirectoryEdit()->setText(outputDir);
        dialog->compilerEdit()->setText(compiler);
        QApplication::processEvents();
        PaintCounter progressPaints;
        dialog->progressBar()->installEventFilter(&progressPaints);
        int frames = 0;
        int lastFrame = dialog->stylePicture()->Frame();
        // The heartbeat: a 5 ms timer; the longest time between two of its ticks is the
        // longest the event loop went without turning.
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        heartbeat.setInterval(5);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            result.longestGapMs = std::max(result.longestGapMs, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.start();
            if (result.generationSeconds < 0 && !dialog->progressBar()->isVisible())
                result.generationSeconds = clock.nsecsElapsed() / 1e9;
            const int frame = dialog->stylePicture()->Frame();
            if (dialog->stylePicture()->IsAnimating() && frame != lastFrame)
                ++frames;
            lastFrame = frame;
        });
        QEventLoop loop;
        bool built = false;
        QObject::connect(dialog, &CCreateHelpDialog::workFinished, &loop, [&](bool ok) {
            built = ok;
            loop.quit();
        });
        clock.start();
        sinceTick.start();
        heartbeat.start();
        dialog->okButton()->click(); // the time to start the work counts too
        result.longestGapMs = std::max(result.longestGapMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.start();
        loop.exec();
        result.seconds = built ? clock.nsecsElapsed() / 1e9 : -1;
        // A compiler that ends at once may finish within the heartbeat that saw the project end.
        if (result.generationSeconds < 0)
            result.generationSeconds = result.seconds;
        heartbeat.stop();
        result.progressPaints = progressPaints.paints;
        result.pictureFrames = frames;
    };
    frame.commandAction(CMainFrame::ID_CREATE_HELP)->trigger();
    return result;
}

double runZettool(const QString& book, const QString& outputDir, const QString& compiler)
{
#ifdef ZETTOOL_PATH
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(ZETTOOL_PATH),
               {QStringLiteral("make-help"), book, QStringLiteral("--output-dir"), outputDir,
                QStringLiteral("--compiler"), compiler});
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        std::fprintf(stderr, "zettool: %s\n", tool.readAllStandardError().constData());
        return -1;
    }
    return clock.nsecsElapsed() / 1e9;
#else
    (void)book;
    (void)outputDir;
    (void)compiler;
    return -1;
#endif
}

// Books and help files go to memory-backed storage where there is some, so that the disk's
// writing back of earlier runs decides nothing.
QString benchFolder()
{
    const QString chosen = qEnvironmentVariable("ZET_BENCH_DIR");
    if (!chosen.isEmpty())
        return chosen;
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    TemporaryHome home;
    if (!home.isValid())
        return 1;
    QApplication application(argc, argv);
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QString compiler = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (compiler == QStringLiteral("stand-in")) {
        // Makes the help file at once, so that the generation and the dialog's own share are
        // measured on books too large for chmcmd to finish in reasonable time.
        compiler = home.filePath(QStringLiteral("stand-in-compiler"));
        QFile script(compiler);
        if (!script.open(QIODevice::WriteOnly))
            return 1;
        script.write("#!/bin/sh\nprintf chm > book.chm\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    } else if (compiler.isEmpty()) {
        // The compiler the dialog finds first: ours, built beside the benchmark.
        compiler = QStandardPaths::findExecutable(QStringLiteral("zetchm"),
                                                  {QCoreApplication::applicationDirPath()});
    }
    if (compiler.isEmpty()) {
        std::fprintf(stderr, "zetchm is needed beside the benchmark (or name a compiler)\n");
        return 1;
    }
    QTemporaryDir work(benchFolder() + QStringLiteral("/zet-helpdialog-XXXXXX"));
    if (!work.isValid())
        return 1;
    const QString book = work.filePath(QStringLiteral("book.zet"));
    {
        QFile file(book);
        const std::string bytes = GenerateBook(records, 1);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            return 1;
    }

    BenchPrompts prompts;
    CZETbrowserApp app(prompts);
    if (app.InitInstance({QStringLiteral("bench_helpdialog")}).has_value())
        return 1;
    CMainFrame& frame = *app.mainFrame();
    NoViewer viewer;
    frame.documents().setHelpPlatform(&viewer);
    if (frame.documents().OpenDocumentFile(book) == nullptr)
        return 1;
    QApplication::processEvents();

    std::vector<double> dialogTimes;
    std::vector<double> toolTimes;
    double longestGap = 0;
    for (int run = 0; run < runs; ++run) {
        // Fresh folders each time, so neither finds the other's files.
        const QString toolDir = work.filePath(QStringLiteral("tool-%1").arg(run));
        const QString dialogDir = work.filePath(QStringLiteral("dialog-%1").arg(run));
        QDir().mkpath(toolDir);
        QDir().mkpath(dialogDir);
        const double tool = runZettool(book, toolDir, compiler);
        const DialogRun dialog = runDialog(frame, prompts, dialogDir, compiler);
        if (tool < 0 || dialog.seconds < 0) {
            std::fprintf(stderr, "a run failed (zettool %.3f, dialog %.3f)\n", tool,
                         dialog.seconds);
            return 1;
        }
        toolTimes.push_back(tool);
        dialogTimes.push_back(dialog.seconds);
        longestGap = std::max(longestGap, dialog.longestGapMs);
        std::printf("run %d: zettool make-help %.2f s, dialog %.2f s (project written after "
                    "%.2f s); longest event-loop gap %.1f ms, progress bar painted %d times, "
                    "animation frames %d\n",
                    run + 1, tool, dialog.seconds, dialog.generationSeconds, dialog.longestGapMs,
                    dialog.progressPaints, dialog.pictureFrames);
        std::fflush(stdout);
        QDir(toolDir).removeRecursively();
        QDir(dialogDir).removeRecursively();
    }
    const double ratio = median(dialogTimes) / median(toolTimes);
    std::printf("compiler %s\n", qPrintable(compiler));
    std::printf("help for %zu records: zettool make-help median %.2f s, dialog median %.2f s, "
                "ratio %.2f (target <= 1.2: %s); longest event-loop gap %.1f ms (target <= 100: "
                "%s)\n",
                records, median(toolTimes), median(dialogTimes), ratio,
                ratio <= 1.2 ? "met" : "NOT met", longestGap,
                longestGap <= 100 ? "met" : "NOT met");
    // Generation and compilation together, as the user waits for them.
    const double dialogSeconds = median(dialogTimes);
    std::printf("building help from the dialog: median %.2f s (target <= 15 s for 100,000 "
                "records: %s)\n",
                dialogSeconds, dialogSeconds <= 15 ? "met" : "NOT met");
    return ratio <= 1.2 && longestGap <= 100 && dialogSeconds <= 15 ? 0 : 1;
}
