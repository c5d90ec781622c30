// The panel "Поиск в книге" on a generated 100,000-record book (about 50 MB), offscreen, as the
// user meets it: from the search's start (the typing pause left out) to the first rows in the
// list and to the whole list, for a literal word and for a regular expression over all fields;
// how long a new keystroke holds the window while a long search runs (the running search is
// stopped and a new one started); "Заменить все" of 10,000 occurrences including the book's undo
// step, the tree's labels and the form, and its undo. Wall time (the search runs on a thread of
// its own), medians of a few rounds; then the targets.
//
// Arguments: --zet-rounds=N   rounds (default 5)

#include "BookFindPanel.h"
#include "BookGenerator.h"
#include "CChildFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DefaultPrompts.h"
#include "DocumentHistory.h"
#include "FindResultsModel.h"
#include "InterleavedRuns.h"
#include "SyntaxHelperReader.h"
#include "TargetTable.h"
#include "TemporaryHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRecords = 100'000;
constexpr int kReplaced = 10'000;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Panel
{
    QMainWindow window;
    QMdiArea* area = nullptr;
    CChildFrame* frame = nullptr;
    BookFindPanel* panel = nullptr;
};

// Runs the event loop until the panel's search has finished (or a minute has passed).
bool waitForList(BookFindPanel& panel)
{
    if (!panel.isSearching())
        return true;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    QObject::connect(&panel, &BookFindPanel::searchFinished, &loop, [&loop] { loop.exit(0); });
    limit.start(60'000);
    return loop.exec() == 0;
}

struct SearchTimes
{
    double first = 0; // ms to the first rows
    double whole = 0; // ms to the whole list
    std::size_t rows = 0;
};

SearchTimes timeSearch(BookFindPanel& panel, const QString& pattern, bool regex)
{
    panel.regexBox()->setChecked(regex);
    panel.searchBox()->setEditText(pattern);
    SearchTimes times;
    QElapsedTimer clock;
    FindResultsModel* model = panel.results();
    const auto firstRows = QObject::connect(model, &QAbstractItemModel::rowsInserted, &panel, [&] {
        if (times.first == 0)
            times.first = double(clock.nsecsElapsed()) / 1e6;
    });
    clock.start();
    panel.searchNow();
    if (!waitForList(panel))
        return {};
    times.whole = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(firstRows);
    times.rows = model->occurrenceCount();
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + std::strlen("--zet-rounds=")));
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    TemporaryHome home;
    QApplication app(argc, argv);
    DefaultPrompts prompts;
    std::printf("The find panel on a book; %s\n", InterleavedRuns::machineLoad().c_str());
    const std::string bytes = GenerateBook(kRecords, 1);
    auto doc = std::make_unique<CZETbrowserDoc>();
    doc->SetRecords(ReadSyntaxHelper(bytes).records);
    std::printf("%zu records, %.1f MB\n", doc->RecordCount(), double(bytes.size()) / 1e6);

    Panel p;
    p.area = new QMdiArea(&p.window);
    p.window.setCentralWidget(p.area);
    p.frame = new CChildFrame(std::move(doc), prompts);
    p.area->addSubWindow(p.frame);
    p.panel = new BookFindPanel(prompts, &p.window);
    p.window.addDockWidget(Qt::BottomDockWidgetArea, p.panel);
    p.panel->setFrames([&p] { return QList<CChildFrame*>{p.frame}; }, [&p] { return p.frame; });
    p.window.resize(1280, 1000);
    p.window.show();
    p.frame->showMaximized();
    QApplication::processEvents();
    BookFindPanel& panel = *p.panel;

    std::map<std::string, std::vector<double>> figures;
    std::map<std::string, std::size_t> counts;
    for (int round = 0; round < rounds; ++round) {
        const SearchTimes literal = timeSearch(panel, QStringLiteral("значение"), false);
        figures["literal word: first rows"].push_back(literal.first);
        figures["literal word: whole list"].push_back(literal.whole);
        counts["literal word"] = literal.rows;
        const SearchTimes anyCase = timeSearch(panel, QStringLiteral("ЗНАЧЕНИЕ"), false);
        figures["Cyrillic, any case: whole list"].push_back(anyCase.whole);
        const SearchTimes regex = timeSearch(panel, QStringLiteral("\\w+\\(<\\w+>\\)"), true);
        figures["regex, calls: first rows"].push_back(regex.first);
        figures["regex, calls: whole list"].push_back(regex.whole);
        counts["regex, calls"] = regex.rows;

        // A keystroke while the regular expression runs: the window is held for as long as
        // the running search takes to stop and the next to start.
        panel.searchBox()->setEditText(QStringLiteral("\\w+\\(<\\w+>\\)"));
        panel.searchNow();
        QElapsedTimer clock;
        QTimer::singleShot(100, &panel, [&] {
            clock.start();
            panel.searchBox()->setEditText(QStringLiteral("\\w+\\(<\\w+>\\) "));
            panel.searchNow();
            figures["keystroke during a regex search"].push_back(double(clock.nsecsElapsed()) /
                                                                 1e6);
        });
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 150)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        waitForList(panel);

        // "Заменить все" of 10,000 occurrences, then its undo.
        const SearchTimes listed = timeSearch(panel, QStringLiteral("значение"), false);
        if (listed.rows < std::size_t(kReplaced)) {
            std::fprintf(stderr, "only %zu occurrences to replace\n", listed.rows);
            return 1;
        }
        std::vector<int> rows(kReplaced);
        for (int i = 0; i < kReplaced; ++i)
            rows[std::size_t(i)] = i;
        panel.replaceBox()->setText(QStringLiteral("величина"));
        QUndoStack& stack = p.frame->history().stack();
        const int steps = stack.index();
        clock.start();
        if (!panel.replaceRows(rows) || stack.index() != steps + 1) {
            std::fprintf(stderr, "replace all failed\n");
            return 1;
        }
        figures["replace all: 10,000 occurrences"].push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!panel.countLabel()->text().startsWith(QStringLiteral("Заменено: 10000."))) {
            std::fprintf(stderr, "replace all said: %s\n",
                         panel.countLabel()->text().toUtf8().constData());
            return 1;
        }
        clock.start();
        p.frame->treeView()->GetTreeCtrl().OnEditUndo();
        figures["undo of the replace"].push_back(double(clock.nsecsElapsed()) / 1e6);
        waitForList(panel);
    }

    std::printf("\nMedians of %d rounds (ms, wall)\n", rounds);
    for (const auto& [name, values] : figures)
        std::printf("  %-40s %8.1f\n", name.c_str(), median(values));
    std::printf("  (the literal word: %zu occurrences; the regular expression: %zu)\n",
                counts["literal word"], counts["regex, calls"]);
    std::printf("  (typing adds a pause of %d ms before a search starts)\n",
                BookFindPanel::kTypingPauseMs);

    TargetTable targets;
    const auto target = [&](const std::string& name, double limit) {
        targets.add(name, median(figures[name]), limit, " ms");
    };
    target("literal word: first rows", 50);
    target("literal word: whole list", 150);
    target("regex, calls: whole list", 1000);
    target("keystroke during a regex search", 16);
    target("replace all: 10,000 occurrences", 1000);
    const int missed = targets.print("Targets (wall time, medians)");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    return missed == 0 ? 0 : 1;
}
