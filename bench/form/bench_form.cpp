// The input form in the program's own document window, offscreen, on a generated book of
// 100,000 records: selecting another entry (tree, form and preview updated and the window
// repainted), and typing one character into a field whose record holds 100 KB of notes (the form
// takes the change, the tree and the preview follow and are repainted). Target: one frame
// (16 ms) each.
//
// Then notes of 300 KB and 3 MB that are one word (no line break, no blank): opening a book whose
// first entry holds them, and selecting that entry in the large book, each until the window is
// painted (target: 1 s), and typing into the notes and into the name (target: 50 ms a key).
// Run by hand: bench_form [records] [notes sizes in bytes, comma-separated]
#include "BookGenerator.h"
#include "CChildFrame.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CMainFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserApp.h"
#include "CZETbrowserDoc.h"
#include "DefaultPrompts.h"
#include "DocumentManager.h"
#include "DocumentText.h"
#include "TemporaryHome.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <tuple>
#include <vector>

namespace {

constexpr double kFrameMs = 16.0;
constexpr double kShowMs = 1000.0;
constexpr double kKeyMs = 50.0;

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double wallMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Sample
{
    double cpu = 0;
    double wall = 0;
};

// Median CPU and wall time of `runs` calls of `step`, against `targetMs`.
void report(const char* what, int runs, const std::function<void(int)>& step,
            double targetMs = kFrameMs)
{
    std::vector<double> cpu;
    std::vector<double> wall;
    for (int run = 0; run < runs; ++run) {
        const double c0 = threadCpuMs();
        const double w0 = wallMs();
        step(run);
        cpu.push_back(threadCpuMs() - c0);
        wall.push_back(wallMs() - w0);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    const double median = cpu[cpu.size() / 2];
    std::printf("  %-66s CPU median %6.2f ms (max %6.2f), wall median %6.2f ms%s\n", what, median,
                cpu.back(), wall[wall.size() / 2], median <= targetMs ? "" : "  (over)");
}

// Words of an entry's notes; `lineLength` 0 makes one paragraph, else a CR LF after about that
// many characters.
std::string notesOf(qsizetype size, qsizetype lineLength)
{
    const QStringList words = {QStringLiteral("Возвращает"), QStringLiteral("значение"),
                               QStringLiteral("параметра"),  QStringLiteral("(Строка),"),
                               QStringLiteral("если"),       QStringLiteral("задан;"),
                               QStringLiteral("иначе"),      QStringLiteral("''пусто''.")};
    QString text = QStringLiteral("@Замечание:\r\n");
    qsizetype line = 0;
    for (int i = 0; text.size() < size; ++i) {
        text += words[i % words.size()];
        line += words[i % words.size()].size() + 1;
        if (lineLength > 0 && line >= lineLength) {
            text += QStringLiteral("\r\n");
            line = 0;
        } else {
            text += u' ';
        }
    }
    return DocumentText::fromQString(text.left(size));
}

// Windows-1251 bytes of UTF-8 text.
std::string cp1251(const char* utf8)
{
    return DocumentText::fromQString(QString::fromUtf8(utf8));
}

// Notes of one word: 'Б' `size` times after the section's marker.
std::string oneWordNotes(std::size_t size)
{
    return cp1251("@Примечание:\r\n") + std::string(size, cp1251("Б").front());
}

// A book whose first record is an entry with `notes`, then a section with a short entry.
std::string bookWithNotes(const std::string& notes)
{
    return cp1251("{\"Shell\",\r\n {\"Item\",\"AST\",\"Длинная\",\"Long\",\"\",\"\",\r\n\"") +
           notes +
           cp1251("\r\n\"\r\n },\r\n {\"Folder\",\"AST\",\"Раздел\",\"Section\",\r\n"
                  "  {\"Item\",\"AST\",\"Короткая\",\"Short\",\"\",\"\",\r\n"
                  "\"@Назначение:\r\nТекст.\r\n\"\r\n  }\r\n }\r\n}\r\n");
}

bool writeFile(const QString& path, const std::string& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

// One keystroke into `edit` at `position`: the edit takes it and repaints, the form publishes
// it, the tree and the preview follow.
void typeInto(CFieldEdit* edit, QWidget* preview, QWidget* tree)
{
    QKeyEvent press(QEvent::KeyPress, 0x0416, Qt::NoModifier, QStringLiteral("ж"));
    QApplication::sendEvent(edit, &press);
    QKeyEvent release(QEvent::KeyRelease, 0x0416, Qt::NoModifier, QStringLiteral("ж"));
    QApplication::sendEvent(edit, &release);
    QApplication::processEvents();
    edit->viewport()->repaint();
    preview->repaint();
    tree->repaint();
}

void placeCaret(CFieldEdit* edit, int position)
{
    edit->setFocus();
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(std::clamp(position, 0, edit->document()->characterCount() - 1));
    edit->setTextCursor(cursor);
    QApplication::processEvents();
}

void showAncestors(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
}

} // namespace

int main(int argc, char** argv)
{
    TemporaryHome home;
    if (!home.isValid())
        return 1;
    QApplication application(argc, argv);
    const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    std::vector<std::size_t> longSizes = {300'000, 3'000'000};
    if (argc > 2) {
        longSizes.clear();
        for (const QString& size : QString::fromLocal8Bit(argv[2]).split(u',', Qt::SkipEmptyParts))
            longSizes.push_back(size.toULongLong());
    }

    DefaultPrompts prompts;
    CZETbrowserApp app(prompts);
    if (app.InitInstance({QStringLiteral("bench_form")}).has_value())
        return 1;
    CMainFrame& frame = *app.mainFrame();
    frame.showNormal();
    frame.resize(1600, 1000);

    const QString path = home.filePath(QStringLiteral("book.zet"));
    {
        QFile file(path);
        const std::string bytes = GenerateBook(records, 1);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            return 1;
    }
    CChildFrame* child = frame.documents().OpenDocumentFile(path);
    if (!child)
        return 1;
    child->showMaximized();
    QApplication::processEvents();
    CZETbrowserDoc& doc = *child->GetDocument();
    CStructureTreeCtrl& tree = child->treeView()->GetTreeCtrl();
    CInputForm& form = *child->inputForm();
    QWidget* preview = child->previewPane();

    // Entries spread over the whole book, their sections opened beforehand as a user would.
    std::vector<QTreeWidgetItem*> entries;
    const std::size_t stride = std::max<std::size_t>(1, doc.RecordCount() / 200);
    std::size_t index = 0;
    for (const TreeRecord& record : doc.records()) {
        if (index++ % stride == 0 && !record.isFolder()) {
            QTreeWidgetItem* item = CStructureTreeCtrl::itemOf(record.treeItem);
            showAncestors(item);
            entries.push_back(item);
        }
    }
    QApplication::processEvents();
    child->repaint();

    std::printf("Input form, %zu records, window %dx%d (target <= %.0f ms)\n", doc.RecordCount(),
                child->width(), child->height(), kFrameMs);
    report("select another entry (tree, form, preview, repaint)", int(entries.size()),
           [&](int run) {
               tree.setCurrentItem(entries[std::size_t(run)]);
               QApplication::processEvents();
               child->repaint();
           });

    // One record with 100 KB of notes, as one paragraph and as lines.
    TreeRecord* big = doc.FindRecord(CStructureTreeCtrl::recordIdOf(entries[entries.size() / 2]));
    for (const qsizetype lineLength : {qsizetype(0), qsizetype(80)}) {
        big->notes = notesOf(100'000, lineLength);
        tree.setCurrentItem(entries.front());
        tree.setCurrentItem(CStructureTreeCtrl::itemOf(big->treeItem));
        QApplication::processEvents();
        child->repaint();
        const char* kind = lineLength == 0 ? "one paragraph" : "80-character lines";

        for (const int id : {int(CInputForm::IDC_NOTES), int(CInputForm::IDC_NAME)}) {
            CFieldEdit* edit = form.edit(id);
            edit->setFocus();
            QTextCursor cursor = edit->textCursor();
            cursor.setPosition(edit->document()->characterCount() / 2);
            edit->setTextCursor(cursor);
            const QString field =
                id == CInputForm::IDC_NOTES ? QStringLiteral("notes") : QStringLiteral("name");
            const QString what = QStringLiteral("type into %1, 100 KB notes in %2")
                                     .arg(field, QString::fromLatin1(kind));
            // The whole keystroke: the edit takes the key and lays out and paints its text (Qt's
            // work), the form converts the change and publishes it, the tree and the preview
            // follow.
            report(qPrintable(what + QStringLiteral(": whole keystroke")), 15, [&](int) {
                QKeyEvent press(QEvent::KeyPress, 0x0416, Qt::NoModifier, QStringLiteral("ж"));
                QApplication::sendEvent(edit, &press);
                QKeyEvent release(QEvent::KeyRelease, 0x0416, Qt::NoModifier, QStringLiteral("ж"));
                QApplication::sendEvent(edit, &release);
                QApplication::processEvents();
                preview->repaint();
                tree.viewport()->repaint();
            });
            // The program's share alone: the edit's change notice as after a keystroke, then
            // the preview and the tree repainted.
            report("  of which form, tree and preview", 15, [&](int) {
                emit edit->textChanged();
                preview->repaint();
                tree.viewport()->repaint();
            });
        }
        form.ResetRecord();
    }

    // Notes of one word. Opening: a book whose first entry holds them, until its window is
    // painted with that entry in the form.
    std::printf(
        "\nNotes of one word, no line break (targets: window shown <= %.0f ms, a key <= %.0f "
        "ms)\n",
        kShowMs, kKeyMs);
    std::fflush(stdout);
    for (const std::size_t size : longSizes) {
        const std::string notes = oneWordNotes(size);
        const QString longPath = home.filePath(QStringLiteral("long%1.zet").arg(size));
        if (!writeFile(longPath, bookWithNotes(notes)))
            return 1;
        const QString kb = size >= 1'000'000 ? QStringLiteral("%1 MB").arg(size / 1'000'000)
                                             : QStringLiteral("%1 KB").arg(size / 1000);
        CChildFrame* opened = nullptr;
        report(
            qPrintable(QStringLiteral("open a book whose first entry has %1 notes").arg(kb)), 1,
            [&](int) {
                opened = frame.documents().OpenDocumentFile(longPath);
                if (!opened)
                    return;
                opened->showMaximized();
                QApplication::processEvents();
                opened->repaint();
            },
            kShowMs);
        if (!opened || opened->inputForm()->GetWorkingRecord() == nullptr ||
            opened->inputForm()->GetWorkingRecord()->notes.size() != notes.size() + 2)
            std::printf("  (the entry was not shown)\n");
        if (opened)
            opened->close();
        QApplication::processEvents();

        // Selecting it in the large book, from another entry.
        child->showMaximized();
        big->notes = notes;
        report(
            qPrintable(QStringLiteral("select an entry with %1 notes").arg(kb)), 3,
            [&](int) {
                tree.setCurrentItem(entries.front());
                QApplication::processEvents();
                tree.setCurrentItem(CStructureTreeCtrl::itemOf(big->treeItem));
                QApplication::processEvents();
                child->repaint();
            },
            kShowMs);
        CFieldEdit* notesEdit = form.edit(CInputForm::IDC_NOTES);
        const int end = notesEdit->document()->characterCount() - 1;
        for (const auto& [what, edit, position] :
             {std::tuple{"notes, middle", notesEdit, end / 2},
              std::tuple{"notes, end", notesEdit, end},
              std::tuple{"name", form.edit(CInputForm::IDC_NAME), 0}}) {
            placeCaret(edit, position);
            report(
                qPrintable(QStringLiteral("type into the %1, %2 notes: whole keystroke")
                               .arg(QString::fromLatin1(what), kb)),
                5, [&](int) { typeInto(edit, preview, tree.viewport()); }, kKeyMs);
            // Its parts: the form reading the field and publishing the change, and the
            // preview laying the whole record out again.
            report(
                "  of which the form", 5, [&](int) { emit edit->textChanged(); }, kKeyMs);
            report(
                "  of which the preview", 5,
                [&](int) {
                    doc.UpdateAllViews(nullptr, UpdateHint::OtherField, nullptr);
                    preview->repaint();
                },
                kKeyMs);
        }
        form.ResetRecord();
        std::fflush(stdout);
    }
    std::fflush(stdout);
    return 0;
}
