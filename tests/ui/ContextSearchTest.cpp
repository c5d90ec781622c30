#include "CChildFrame.h"
#include "CContextSearchDlg.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "NamePrefixIndex.h"
#include "ScriptedPrompts.h"
#include "SortedListModel.h"
#include "TestBook.h"
#include "TestEnvironment.h"

#include <QCollator>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <random>

namespace {

// Sorted (Russian, letter case ignored), the names are:
//   0 Абзац  1 абсолют  2 Длина  3 ДЛИНА  4 ДлинаСтроки  5 Лев  6 Сообщить  7 Строки  8 Функции
// "Длина" is borne by 2, 4 and 11.
std::unique_ptr<CZETbrowserDoc> makeSearchBook()
{
    auto doc = std::make_unique<CZETbrowserDoc>();
    CZETbrowserDoc::RecordList records;
    records.push_back(bookRecord(1, 0, RecordKind::Folder, "Функции"));
    records.push_back(bookRecord(2, 1, RecordKind::Item, "Длина", "Len"));
    records.push_back(bookRecord(3, 1, RecordKind::Folder, "Строки"));
    records.push_back(bookRecord(4, 3, RecordKind::Item, "Длина"));
    records.push_back(bookRecord(5, 3, RecordKind::Item, "ДлинаСтроки"));
    records.push_back(bookRecord(6, 1, RecordKind::Item, "Лев"));
    records.push_back(bookRecord(7, 0, RecordKind::Item, "Абзац"));
    records.push_back(bookRecord(8, 0, RecordKind::Item, "ДЛИНА"));
    records.push_back(bookRecord(9, 0, RecordKind::Item, "Сообщить"));
    records.push_back(bookRecord(10, 0, RecordKind::Item, "абсолют"));
    records.push_back(bookRecord(11, 0, RecordKind::Item, "Длина"));
    doc->SetRecords(std::move(records));
    return doc;
}

std::unique_ptr<CZETbrowserDoc> makeNamesBook(const QStringList& names)
{
    auto doc = std::make_unique<CZETbrowserDoc>();
    CZETbrowserDoc::RecordList records;
    std::uint32_t id = 0;
    for (const QString& name : names) {
        TreeRecord record;
        record.recordId = ++id;
        record.kind = RecordKind::Item;
        record.name = DocumentText::fromQString(name);
        records.push_back(record);
    }
    doc->SetRecords(std::move(records));
    return doc;
}

QStringList texts(const QAbstractItemModel& model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 0).data().toString();
    return result;
}

int selectedRow(const QListView& list)
{
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString selectedText(const QListView& list)
{
    const int row = selectedRow(list);
    return row < 0 ? QString() : list.model()->index(row, 0).data().toString();
}

// QTest::keyClicks sends Latin-1 only.
void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
}

// What the user does in the search box: replace its text by typing.
void type(CContextSearchDlg& dialog, const QString& text)
{
    QLineEdit* edit = dialog.searchBox()->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeKeys(edit, text);
}

// The list box's own rule, spelled out: from the second entry on, then the first.
int selectStringByScan(const QStringList& names, const QString& text)
{
    // (QString::startsWith says a null string does not begin with an empty one.)
    auto begins = [&](const QString& name) {
        return name.size() >= text.size() &&
               QStringView(name).left(text.size()).compare(text, Qt::CaseInsensitive) == 0;
    };
    for (int row = 1; row < names.size(); ++row) {
        if (begins(names[row]))
            return row;
    }
    return !names.isEmpty() && begins(names[0]) ? 0 : -1;
}

} // namespace

class ContextSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void prefixIndexAgreesWithScanningTheList()
    {
        // Letters whose case pairs the code page and Unicode agree on, and a few others.
        const QString alphabet = QStringLiteral("aAzZаАбБяЯёЁеЕіІґҐ ?\\1");
        std::mt19937 random(12345);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        auto word = [&](int maxLength) {
            QString w;
            for (int i = 0, n = pick(maxLength + 1); i < n; ++i)
                w += alphabet[pick(int(alphabet.size()))];
            return w;
        };
        for (int round = 0; round < 200; ++round) {
            QStringList names;
            for (int i = 0, n = pick(12); i < n; ++i)
                names << word(4);
            std::vector<std::string> bytes;
            for (const QString& name : names)
                bytes.push_back(DocumentText::fromQString(name));
            NamePrefixIndex index;
            index.assign(std::vector<std::string_view>(bytes.begin(), bytes.end()));
            for (int q = 0; q < 30; ++q) {
                QString text = q % 2 == 0 || names.isEmpty() ? word(3) : names[pick(names.size())];
                text.truncate(pick(int(text.size()) + 1));
                if (q % 3 == 0)
                    text = text.toUpper();
                QCOMPARE(index.select(DocumentText::fromQString(text)),
                         selectStringByScan(names, text));
            }
        }
        NamePrefixIndex empty;
        QCOMPARE(empty.select(""), -1);
    }

    void opensOnTheFirstNameInOrder()
    {
        auto doc = makeSearchBook();
        doc->jumpToId = 6;
        CContextSearchDlg dialog(doc.get());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Контекстный поиск"));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        QCOMPARE(labels,
                 (QStringList{QStringLiteral("Строка поиска:"), QStringLiteral("Список объектов:"),
                              QStringLiteral("Список вхождений:")}));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("OK"));
        QVERIFY(dialog.okButton()->isDefault());
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Отмена"));
        QVERIFY(dialog.searchBox()->isEditable());
        QCOMPARE(dialog.searchBox()->currentText(), QString());

        QCOMPARE(texts(*dialog.objectList()->model()),
                 (QStringList{"Абзац", "абсолют", "Длина", "ДЛИНА", "ДлинаСтроки", "Лев",
                              "Сообщить", "Строки", "Функции"}));
        QCOMPARE(selectedRow(*dialog.objectList()), 0);
        QCOMPARE(texts(*dialog.occurrenceList()->model()), QStringList{"Абзац"});
        QCOMPARE(selectedRow(*dialog.occurrenceList()), 0);
        // No jump unless OK picks a record.
        QCOMPARE(doc->jumpToId, 0u);
    }

    void typingSelectsByPrefix()
    {
        auto doc = makeSearchBook();
        CContextSearchDlg dialog(doc.get());
        QListView& objects = *dialog.objectList();
        // The search starts at the second entry: "аб" begins both of the first two.
        type(dialog, QStringLiteral("аб"));
        QCOMPARE(selectedText(objects), QStringLiteral("абсолют"));
        // ... and wraps back to the first; letter case does not matter.
        type(dialog, QStringLiteral("АБЗ"));
        QCOMPARE(selectedText(objects), QStringLiteral("Абзац"));
        type(dialog, QStringLiteral("дЛиНа"));
        QCOMPARE(selectedText(objects), QStringLiteral("Длина"));
        QCOMPARE(texts(*dialog.occurrenceList()->model()),
                 (QStringList{"Длина", "Функции\\Длина", "Функции\\Строки\\Длина"}));
        QCOMPARE(selectedRow(*dialog.occurrenceList()), 0);
        type(dialog, QStringLiteral("длинас"));
        QCOMPARE(selectedText(objects), QStringLiteral("ДлинаСтроки"));
        QCOMPARE(texts(*dialog.occurrenceList()->model()),
                 QStringList{"Функции\\Строки\\ДлинаСтроки"});
        // Text that begins no name, or that the code page cannot hold: the selection stays.
        type(dialog, QStringLiteral("Лев"));
        typeKeys(dialog.searchBox()->lineEdit(), QStringLiteral("ы"));
        QCOMPARE(selectedText(objects), QStringLiteral("Лев"));
        QTest::keyClick(dialog.searchBox()->lineEdit(), Qt::Key_Backspace);
        typeKeys(dialog.searchBox()->lineEdit(), QStringLiteral("Ω"));
        QCOMPARE(selectedText(objects), QStringLiteral("Лев"));
        QCOMPARE(texts(*dialog.occurrenceList()->model()), QStringList{"Функции\\Лев"});
        // Clicking a name in the list shows its occurrences.
        objects.selectionModel()->setCurrentIndex(objects.model()->index(6, 0),
                                                  QItemSelectionModel::ClearAndSelect);
        QCOMPARE(texts(*dialog.occurrenceList()->model()), QStringList{"Сообщить"});
    }

    void okStoresTheChoiceAndTheHistory()
    {
        auto doc = makeSearchBook();
        doc->currentId = 3;
        {
            CContextSearchDlg dialog(doc.get());
            type(dialog, QStringLiteral("ДЛИНА"));
            dialog.occurrenceList()->setCurrentIndex(dialog.occurrenceList()->model()->index(1, 0));
            dialog.accept();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(doc->lastFoundId, 2u);
        QCOMPARE(doc->jumpToId, 2u);
        QCOMPARE(doc->searchHistory, std::vector<std::string>{cp("ДЛИНА")});
        QCOMPARE(doc->currentId, 3u); // the tree, not the dialog, moves the selection

        // The same text in other letter case keeps the first spelling; an unrepresentable one is
        // not kept at all; the choice is stored all the same.
        for (const QString& text : {QStringLiteral("длина"), QStringLiteral("ДлинаΩ")}) {
            CContextSearchDlg dialog(doc.get());
            type(dialog, text);
            dialog.accept();
            QCOMPARE(doc->jumpToId, 11u);
        }
        QCOMPARE(doc->searchHistory, std::vector<std::string>{cp("ДЛИНА")});

        // Without a selected occurrence OK only closes.
        {
            CContextSearchDlg dialog(doc.get());
            type(dialog, QStringLiteral("Лев"));
            dialog.occurrenceList()->selectionModel()->clearSelection();
            dialog.accept();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(doc->jumpToId, 0u);
        QCOMPARE(doc->lastFoundId, 11u);
        QCOMPARE(doc->searchHistory.size(), std::size_t(1));

        // An empty book: empty lists, and OK has no effect.
        CZETbrowserDoc empty;
        empty.searchHistory.push_back(cp("Старое"));
        CContextSearchDlg dialog(&empty);
        QCOMPARE(dialog.objectList()->model()->rowCount(), 0);
        QCOMPARE(dialog.occurrenceList()->model()->rowCount(), 0);
        type(dialog, QStringLiteral("а"));
        dialog.accept();
        QCOMPARE(empty.lastFoundId, 0u);
        QCOMPARE(empty.searchHistory.size(), std::size_t(1));
    }

    void cancelLeavesEverythingAsItWas()
    {
        auto doc = makeSearchBook();
        doc->currentId = 5;
        doc->lastFoundId = 6;
        doc->searchHistory = {cp("Лев")};
        {
            CContextSearchDlg dialog(doc.get());
            type(dialog, QStringLiteral("Сооб"));
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(doc->currentId, 5u);
        QCOMPARE(doc->lastFoundId, 6u);
        QCOMPARE(doc->jumpToId, 0u);
        QCOMPARE(doc->searchHistory, std::vector<std::string>{cp("Лев")});
        QVERIFY(!doc->IsModified());
    }

    void doubleClickChoosesTheOccurrence()
    {
        auto doc = makeSearchBook();
        CContextSearchDlg dialog(doc.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        type(dialog, QStringLiteral("Длина"));
        QListView& occurrences = *dialog.occurrenceList();
        const QRect rect = occurrences.visualRect(occurrences.model()->index(2, 0));
        QTest::mouseClick(occurrences.viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(occurrences.viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(doc->jumpToId, 4u);
        QCOMPARE(doc->lastFoundId, 4u);
    }

    void reopeningShowsTheLastChoice()
    {
        auto doc = makeSearchBook();
        doc->searchHistory = {cp("ст"), cp("ДЛ"), cp("аб")};
        // "ДЛИНА" also begins the name before it; the reopened dialog shows its own name.
        doc->lastFoundId = 8;
        {
            CContextSearchDlg dialog(doc.get());
            QCOMPARE(dialog.searchBox()->currentText(), QStringLiteral("ДЛИНА"));
            QVERIFY(dialog.searchBox()->lineEdit()->hasSelectedText());
            QCOMPARE(selectedText(*dialog.objectList()), QStringLiteral("ДЛИНА"));
            QCOMPARE(texts(*dialog.occurrenceList()->model()), QStringList{"ДЛИНА"});
            QStringList history;
            for (int i = 0; i < dialog.searchBox()->count(); ++i)
                history << dialog.searchBox()->itemText(i);
            QCOMPARE(history, (QStringList{"аб", "ДЛ", "ст"}));
            // Choosing from the history searches for the chosen text.
            dialog.searchBox()->setCurrentIndex(2);
            emit dialog.searchBox()->activated(2);
            QCOMPARE(dialog.searchBox()->currentText(), QStringLiteral("ст"));
            QCOMPARE(selectedText(*dialog.objectList()), QStringLiteral("Строки"));
        }
        // A record deleted since: the first name instead.
        doc->DeleteRecord(8);
        CContextSearchDlg dialog(doc.get());
        QCOMPARE(dialog.searchBox()->currentText(), QString());
        QCOMPARE(selectedRow(*dialog.objectList()), 0);
    }

    void namesFollowTheLocaleAndKeepTheirOrderWhenEqual()
    {
        // ё sorts with е, before я: not the order of the code points.
        const QStringList names{"яблоко", "Арбуз", "Ель", "арбуз", "ёлка", "АРБУЗ"};
        auto doc = makeNamesBook(names);
        CContextSearchDlg dialog(doc.get());
        QCOMPARE(texts(*dialog.objectList()->model()),
                 (QStringList{"Арбуз", "арбуз", "АРБУЗ", "ёлка", "Ель", "яблоко"}));
        auto reversed = makeNamesBook({"АРБУЗ", "арбуз", "Арбуз"});
        CContextSearchDlg other(reversed.get());
        QCOMPARE(texts(*other.objectList()->model()), (QStringList{"АРБУЗ", "арбуз", "Арбуз"}));

        // Sorting by collation keys gives the order of comparing pairs.
        const QString alphabet = QStringLiteral("аАеЕёЁжЖяЯaAzZ -1");
        std::mt19937 random(99);
        std::vector<SortedListModel::Entry> entries;
        for (std::uint32_t i = 0; i < 2000; ++i) {
            QString text;
            for (unsigned n = random() % 5; n > 0; --n)
                text += alphabet[int(random() % unsigned(alphabet.size()))];
            entries.push_back({text, i});
        }
        std::vector<SortedListModel::Entry> byPairs = entries;
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(byPairs.begin(), byPairs.end(), [&](const auto& a, const auto& b) {
            return collator.compare(a.text, b.text) < 0;
        });
        SortedListModel::sortEntries(entries);
        for (std::size_t i = 0; i < entries.size(); ++i)
            QCOMPARE(entries[i].value, byPairs[i].value);
    }

    void treeJumpsToTheChosenRecord()
    {
        ScriptedPrompts prompts;
        QMdiArea area;
        auto* frame = new CChildFrame(makeSearchBook(), prompts);
        area.addSubWindow(frame);
        area.show();
        CZETbrowserDoc* doc = frame->GetDocument();
        CStructureTreeCtrl& tree = frame->treeView()->GetTreeCtrl();
        QCOMPARE(doc->currentId, 1u);

        // The real program's dialog, answered through the prompts.
        auto drive = [&prompts](const std::function<void(CContextSearchDlg&)>& action) {
            prompts.dialogScripts.enqueue([action](QDialog& shown) {
                auto* dialog = qobject_cast<CContextSearchDlg*>(&shown);
                QVERIFY(dialog);
                action(*dialog);
            });
        };
        drive([](CContextSearchDlg& dialog) {
            typeKeys(dialog.searchBox()->lineEdit(), QStringLiteral("лев"));
            QTest::keyClick(dialog.searchBox()->lineEdit(), Qt::Key_Return);
        });
        prompts.menuAnswers.enqueue(QStringLiteral("Поиск"));
        tree.ShowContextMenu(nullptr, QPoint(10, 10));
        QCOMPARE(doc->jumpToId, 6u);
        QCOMPARE(doc->currentId, 6u);
        QCOMPARE(CStructureTreeCtrl::recordIdOf(tree.currentItem()), 6u);
        QVERIFY(tree.currentItem()->parent()->isExpanded());
        QVERIFY(!QGuiApplication::overrideCursor());

        // Cancel: the tree stays where it is.
        drive([](CContextSearchDlg& dialog) {
            typeKeys(dialog.searchBox()->lineEdit(), QStringLiteral("Сооб"));
            dialog.cancelButton()->click();
        });
        prompts.menuAnswers.enqueue(QStringLiteral("Поиск"));
        tree.ShowContextMenu(nullptr, QPoint(10, 10));
        QCOMPARE(doc->currentId, 6u);
        QCOMPARE(doc->lastFoundId, 6u);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<ContextSearchTest>(argc, argv);
}

#include "ContextSearchTest.moc"
