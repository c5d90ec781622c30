// The preview of a record whose notes are one paragraph of 100 KB, in the program's own fonts:
// the layout alone at three pane widths, the same for a paragraph that is one long heading of
// "@"s, and the whole redraw after an edit (update, layout and paint of the pane). Target: one
// frame (16 ms) each.
#include "CPreviewWnd.h"
#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "FontMetricsMeasurer.h"
#include "IWorkingRecordSource.h"
#include "PreviewLayout.h"
#include "SummaryReporter.h"
#include "TreeRecord.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStringList>
#include <QWindow>

#include <cstdio>
#include <random>

namespace {

constexpr qsizetype kParagraphSize = 100'000;
constexpr double kFrameSeconds = 0.016;

// Words of an entry's notes, without a line break anywhere.
std::string longParagraph()
{
    const QStringList words = {
        QStringLiteral("Возвращает"),
        QStringLiteral("значение"),
        QStringLiteral("параметра"),
        QStringLiteral("(Строка),"),
        QStringLiteral("если"),
        QStringLiteral("он"),
        QStringLiteral("задан;"),
        QStringLiteral("иначе"),
        QStringLiteral("''пусто''."),
        QStringLiteral("Смотри"),
        QStringLiteral("также"),
        QStringLiteral("Лев/Прав"),
        QStringLiteral("и"),
        QStringLiteral("Сред-Строка"),
        QStringLiteral("Value"),
        QStringLiteral("ДлинноеСловоБезЕдиногоРазрываКотороеНеПомещается"),
    };
    std::mt19937 random(20261207);
    QString text;
    while (text.size() < kParagraphSize) {
        text += words[random() % words.size()];
        text += u' ';
    }
    text.truncate(kParagraphSize);
    return DocumentText::fromQString(text);
}

TreeRecord entryWithNotes(std::string notes)
{
    TreeRecord record;
    record.spelling = DocumentText::fromQString(QStringLiteral("ПолучитьЗначение(Имя)"));
    record.syntax = DocumentText::fromQString(QStringLiteral("ПолучитьЗначение(Имя)"));
    record.notes = std::move(notes);
    return record;
}

struct Fonts
{
    QFont normal = CPreviewWnd::createFont(PreviewFont::Normal);
    QFont bold = CPreviewWnd::createFont(PreviewFont::Bold);
    QFont heading = CPreviewWnd::createFont(PreviewFont::Heading);
};

void layOut(benchmark::State& state, const TreeRecord& record)
{
    const Fonts fonts;
    const FontMetricsMeasurer measurer(fonts.normal, fonts.bold, fonts.heading);
    PreviewLayout layout(measurer);
    const int windowWidth = int(state.range(0));
    for (auto _ : state) {
        layout.layout(&record, windowWidth);
        benchmark::DoNotOptimize(layout.lines().data());
    }
    state.counters["lines"] = double(layout.lines().size());
    state.SetBytesProcessed(state.iterations() * std::int64_t(record.notes.size()));
}

void LayoutLongParagraph(benchmark::State& state)
{
    static const TreeRecord record = entryWithNotes(longParagraph());
    layOut(state, record);
}

void LayoutHeadingOfMarks(benchmark::State& state)
{
    static const TreeRecord record =
        entryWithNotes(std::string(kParagraphSize, '@') + ": " + longParagraph().substr(0, 1000));
    layOut(state, record);
}

class Form : public IDocumentView, public IWorkingRecordSource
{
public:
    void OnUpdate(IDocumentView*, UpdateHint, TreeRecord*) override {}
    const TreeRecord* GetWorkingRecord() const override { return &record; }
    TreeRecord record;
};

// One character typed into the notes: the form's field hint, then the pane repainted.
void RedrawAfterEdit(benchmark::State& state)
{
    CZETbrowserDoc doc;
    Form form;
    form.record = entryWithNotes(longParagraph());
    doc.AddView(&form);
    CPreviewWnd preview(&doc);
    preview.setRecordSource(&form);
    preview.resize(int(state.range(0)), 700);
    preview.show();
    while (!preview.windowHandle() || !preview.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    doc.currentId = 1;
    preview.OnUpdate(nullptr, UpdateHint::Refresh, nullptr);
    preview.viewport()->repaint();
    std::size_t typed = 0;
    for (auto _ : state) {
        form.record.notes[typed++ % form.record.notes.size()] = 'x';
        doc.UpdateAllViews(&form, UpdateHint::OtherField);
        preview.viewport()->repaint();
    }
    state.counters["lines"] = double(preview.currentLayout().lines().size());
    doc.RemoveView(&form);
}

constexpr int kWidths[] = {240, 600, 1400};

void printSummary(const SummaryReporter& reporter)
{
    std::printf("\nSummary (CPU milliseconds, target <= %.0f ms)\n", kFrameSeconds * 1000);
    for (const char* name : {"LayoutLongParagraph", "LayoutHeadingOfMarks", "RedrawAfterEdit"}) {
        std::printf("  %-21s", name);
        for (const int width : kWidths) {
            const double seconds = reporter.Seconds(name, std::size_t(width));
            if (seconds >= 0)
                std::printf("  %4d px: %6.2f ms%s", width, seconds * 1000,
                            seconds <= kFrameSeconds ? "" : " (over)");
        }
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const int width : kWidths) {
        benchmark::RegisterBenchmark("LayoutLongParagraph", LayoutLongParagraph)
            ->Arg(width)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("LayoutHeadingOfMarks", LayoutHeadingOfMarks)
            ->Arg(width)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("RedrawAfterEdit", RedrawAfterEdit)
            ->Arg(width)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(reporter);
    return 0;
}
