#include "BookFindPanel.h"
#include "CChildFrame.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "FindResultsModel.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QUndoStack>
#include <QtTest>

namespace {

// Функции { Длина, Строки { Лев }, Прав }, Сообщить, Пустой — with texts to find:
// "строк" in three records, across CR LF lines and in a paragraph held in pieces by the form.
std::unique_ptr<CZETbrowserDoc> findBook()
{
    auto doc = makeBook();
    TreeRecord length = *doc->FindRecord(2);
    length.purpose = cp("Возвращает длину строки.\r\nПустая строка даёт 0.");
    length.notes = cp("@Примечание: Ёмкость Строки не ограничена.");
    doc->SetRecordTexts(2, length);
    TreeRecord left = *doc->FindRecord(4);
    // One paragraph of 20,000 characters: the form shows it in pieces of 2,048.
    left.parameters = std::string(15000, 'x') + cp(" строка в конце ") + std::string(5000, 'y');
    doc->SetRecordTexts(4, left);
    return doc;
}

} // namespace

class BookFindPanelTest : public QObject
{
    Q_OBJECT

    ScriptedPrompts* prompts = nullptr;
    QMainWindow* window = nullptr;
    QMdiArea* area = nullptr;
    BookFindPanel* panel = nullptr;
    QList<CChildFrame*> frames;

    CChildFrame* open(std::unique_ptr<CZETbrowserDoc> book)
    {
        auto* frame = new CChildFrame(std::move(book), *prompts);
        area->addSubWindow(frame);
        frame->show();
        area->setActiveSubWindow(frame);
        frames.append(frame);
        return frame;
    }
    // Types `text` as the pattern and waits for the whole list.
    void search(const QString& text)
    {
        QSignalSpy done(panel, &BookFindPanel::searchFinished);
        panel->searchBox()->setEditText(text);
        QVERIFY(done.wait(5000));
        QTRY_VERIFY(!panel->isSearching());
    }
    CInputForm* form() const { return frames.first()->inputForm(); }
    QString selectedInForm(int id) const
    {
        return form()->edit(id)->textCursor().selectedText().replace(QChar::ParagraphSeparator,
                                                                     u'\n');
    }
    std::uint32_t treeRecord() const
    {
        CStructureTreeCtrl& tree = frames.first()->treeView()->GetTreeCtrl();
        return CStructureTreeCtrl::recordIdOf(tree.currentItem());
    }

private slots:
    void init()
    {
        prompts = new ScriptedPrompts;
        window = new QMainWindow;
        area = new QMdiArea(window);
        window->setCentralWidget(area);
        panel = new BookFindPanel(*prompts, window);
        window->addDockWidget(Qt::BottomDockWidgetArea, panel);
        panel->setFrames([this] { return frames; },
                         [this] { return qobject_cast<CChildFrame*>(area->activeSubWindow()); });
        window->resize(1200, 900);
        window->show();
        open(findBook());
        panel->activate();
    }
    void cleanup()
    {
        delete window;
        delete prompts;
        frames.clear();
    }

    void countsOccurrencesAndRecords()
    {
        search(QStringLiteral("строк"));
        // Длина: purpose twice (the second after CR LF), notes once ("Строки", any case);
        // Лев: parameters once. Sections are looked at in their names: "Строки".
        QCOMPARE(panel->countLabel()->text(), QStringLiteral("Найдено: 5 в 3 записях"));
        const FindResultsModel& results = *panel->results();
        QCOMPARE(results.data(results.index(0, FindResultsModel::PathColumn)).toString(),
                 QStringLiteral("Функции\\Длина"));
        QCOMPARE(results.data(results.index(0, FindResultsModel::FieldColumn)).toString(),
                 QStringLiteral("Назначение"));
        QCOMPARE(results.data(results.index(1, FindResultsModel::LineColumn)).toString(),
                 QStringLiteral("Пустая строка даёт 0."));
        QCOMPARE(results
                     .data(results.index(1, FindResultsModel::LineColumn),
                           FindResultsModel::kMatchStartRole)
                     .toInt(),
                 7);

        // Case and whole words narrow it; one record is "в 1 записи".
        panel->caseBox()->setChecked(true);
        panel->wholeWordBox()->setChecked(true);
        search(QStringLiteral("Строки"));
        QCOMPARE(panel->countLabel()->text(), QStringLiteral("Найдено: 2 в 2 записях"));
        search(QStringLiteral("Ёмкость"));
        QCOMPARE(panel->countLabel()->text(), QStringLiteral("Найдено: 1 в 1 записи"));

        // A regular expression that does not compile says so instead of a count.
        panel->regexBox()->setChecked(true);
        panel->searchBox()->setEditText(QStringLiteral("стр(ок"));
        panel->searchNow();
        QVERIFY(panel->countLabel()->text().startsWith(
            QStringLiteral("Ошибка в регулярном выражении")));
        QCOMPARE(panel->results()->rowCount(), 0);
    }

    // Enter on a row selects the record in the tree and the match in its field, whatever CR LF
    // and the form's pieces of a long paragraph do to the offsets.
    void enterSelectsTheMatchInTheForm()
    {
        search(QStringLiteral("строка"));
        QCOMPARE(panel->results()->rowCount(), 2);
        QTableView* view = panel->resultsView();
        view->setFocus();
        view->setCurrentIndex(panel->results()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(treeRecord(), 2u);
        // "Пустая строка": after the CR LF of the first line, one line break in the form.
        QCOMPARE(selectedInForm(CInputForm::IDC_PURPOSE), QStringLiteral("строка"));
        QCOMPARE(form()->edit(CInputForm::IDC_PURPOSE)->textCursor().selectionStart(),
                 QStringLiteral("Возвращает длину строки.\nПустая ").size());
        QCOMPARE(QApplication::focusWidget(), form()->edit(CInputForm::IDC_PURPOSE));

        QVERIFY(panel->goToRow(1));
        QCOMPARE(treeRecord(), 4u);
        QCOMPARE(selectedInForm(CInputForm::IDC_PARAMETERS), QStringLiteral("строка"));
    }

    void f3GoesThroughTheListInItsOrder()
    {
        search(QStringLiteral("строк"));
        QCOMPARE(panel->results()->rowCount(), 5);
        const auto row = [this] { return panel->resultsView()->currentIndex().row(); };
        panel->findNext();
        QCOMPARE(row(), 0);
        panel->findNext();
        QCOMPARE(row(), 1);
        QCOMPARE(selectedInForm(CInputForm::IDC_PURPOSE), QStringLiteral("строк"));
        panel->findPrevious();
        panel->findPrevious();
        // Past the start: the last one.
        QCOMPARE(row(), 4);
        QCOMPARE(treeRecord(), 4u);
        panel->findNext();
        QCOMPARE(row(), 0);
        QCOMPARE(treeRecord(), 2u);

        // The list sorted by field: F3 follows what the list shows.
        panel->resultsView()->sortByColumn(FindResultsModel::FieldColumn, Qt::DescendingOrder);
        panel->resultsView()->setCurrentIndex({});
        panel->findNext();
        QCOMPARE(treeRecord(), 2u);
        QCOMPARE(selectedInForm(CInputForm::IDC_NOTES), QStringLiteral("Строк"));
    }

    // Going to an occurrence asks about the form's unapplied edits as the tree does; Cancel
    // leaves the record, the edits and the selection as they are.
    void unappliedEditsAreAskedAboutFirst()
    {
        search(QStringLiteral("строка"));
        CStructureTreeCtrl& tree = frames.first()->treeView()->GetTreeCtrl();
        tree.selectRecord(6);
        form()->edit(CInputForm::IDC_NAME)->setFieldText(QStringLiteral("Сообщить2"));
        QVERIFY(form()->IsRecordModified());

        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        QVERIFY(!panel->goToRow(1));
        QCOMPARE(prompts->messageTexts(),
                 QStringList{
                     QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?")});
        QCOMPARE(treeRecord(), 6u);
        QVERIFY(form()->IsRecordModified());

        // Yes stores them, and then the occurrence is shown.
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QVERIFY(panel->goToRow(1));
        QCOMPARE(doc(6)->name, cp("Сообщить2"));
        QCOMPARE(treeRecord(), 4u);
    }

    // A change to the book stops the search and finds again; a closed book leaves the list.
    void followsTheBooks()
    {
        search(QStringLiteral("строк"));
        QSignalSpy done(panel, &BookFindPanel::searchFinished);
        TreeRecord texts = *doc(6);
        texts.notes = cp("@Примечание: ещё строка");
        frames.first()->GetDocument()->SetRecordTexts(6, texts);
        QVERIFY(done.wait(5000));
        QCOMPARE(panel->countLabel()->text(), QStringLiteral("Найдено: 6 в 4 записях"));

        CChildFrame* second = open(findBook());
        panel->allBooksBox()->setChecked(true);
        QVERIFY(done.wait(5000));
        QCOMPARE(panel->results()->occurrenceCount(), 11u);
        QVERIFY(panel->results()
                    ->data(panel->results()->index(6, FindResultsModel::PathColumn))
                    .toString()
                    .endsWith(QStringLiteral(": Функции\\Длина")));
        frames.removeAll(second);
        delete second;
        QCOMPARE(panel->results()->occurrenceCount(), 6u);
    }

    // "Заменить все" is one step of the book's history, asked about the form's edits first.
    void replaceAllIsOneUndoStep()
    {
        search(QStringLiteral("строк"));
        QUndoStack& stack = frames.first()->history().stack();
        const int steps = stack.count();
        form()->edit(CInputForm::IDC_NAME)->setFieldText(QStringLiteral("Функции2"));
        panel->replaceBox()->setText(QStringLiteral("строчк"));
        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        QVERIFY(!panel->replaceAll());
        QCOMPARE(stack.count(), steps);
        QCOMPARE(doc(2)->purpose, cp("Возвращает длину строки.\r\nПустая строка даёт 0."));

        prompts->messageAnswers.enqueue(QMessageBox::No);
        QVERIFY(panel->replaceAll());
        QCOMPARE(stack.count(), steps + 1);
        QCOMPARE(doc(2)->purpose, cp("Возвращает длину строчки.\r\nПустая строчка даёт 0."));
        QCOMPARE(doc(2)->notes, cp("@Примечание: Ёмкость строчки не ограничена."));
        QCOMPARE(doc(3)->name, cp("строчки"));
        QCOMPARE(doc(1)->name, cp("Функции")); // the edit was dropped
        // The tree's label follows; the list is found again: nothing left.
        CStructureTreeCtrl& tree = frames.first()->treeView()->GetTreeCtrl();
        QCOMPARE(CStructureTreeCtrl::itemOf(doc(3)->treeItem)->text(0), QStringLiteral("строчки"));
        QSignalSpy done(panel, &BookFindPanel::searchFinished);
        QVERIFY(done.wait(5000));
        QCOMPARE(panel->countLabel()->text(),
                 QStringLiteral("Заменено: 5. Найдено: 0 в 0 записях"));

        tree.OnEditUndo();
        QCOMPARE(doc(2)->purpose, cp("Возвращает длину строки.\r\nПустая строка даёт 0."));
        QCOMPARE(doc(4)->parameters.find(cp(" строка в конце ")), std::size_t(15000));
        QCOMPARE(CStructureTreeCtrl::itemOf(doc(3)->treeItem)->text(0), QStringLiteral("Строки"));

        // "Заменить" replaces the chosen one alone, then goes on to the next.
        QVERIFY(done.wait(5000));
        QCOMPARE(panel->results()->rowCount(), 5);
        panel->replaceBox()->setText(QStringLiteral("нить"));
        panel->resultsView()->setCurrentIndex(panel->results()->index(0, 0));
        QVERIFY(panel->replaceCurrent());
        // It takes the place of the undone step.
        QCOMPARE(stack.count(), steps + 1);
        QCOMPARE(stack.undoText(), QStringLiteral("замену «строк» на «нить»"));
        QCOMPARE(doc(2)->purpose, cp("Возвращает длину нитьи.\r\nПустая строка даёт 0."));
        QVERIFY(done.wait(5000));
        QCOMPARE(panel->results()->rowCount(), 4);
        QCOMPARE(panel->resultsView()->currentIndex().row(), 0);
        QCOMPARE(selectedInForm(CInputForm::IDC_PURPOSE), QStringLiteral("строк"));
        QCOMPARE(form()->edit(CInputForm::IDC_PURPOSE)->textCursor().selectionStart(),
                 QStringLiteral("Возвращает длину нитьи.\nПустая ").size());
    }

    // Text the code page cannot hold is refused; text that would read back otherwise from a
    // saved book is asked about, and "Нет" changes nothing.
    void replaceRefusesWhatTheBookCannotHold()
    {
        search(QStringLiteral("строка"));
        QUndoStack& stack = frames.first()->history().stack();
        const int steps = stack.count();
        panel->resultsView()->setCurrentIndex(panel->results()->index(1, 0));
        panel->replaceBox()->setText(QStringLiteral("нить ✓ 😀"));
        QVERIFY(!panel->replaceCurrent());
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages.first().text,
                 QStringLiteral("В тексте замены есть знаки, которых нет в кодировке "
                                "Windows-1251: ✓ 😀.\nКнига хранит текст в этой кодировке. "
                                "Замените или удалите эти знаки, и замену можно будет "
                                "выполнить."));
        QCOMPARE(panel->replaceBox()->selectedText(), QStringLiteral("✓"));
        QCOMPARE(stack.count(), steps);

        // A word that begins with "@" in the parameters reads back as a heading.
        panel->replaceBox()->setText(QStringLiteral("@строка"));
        prompts->messageAnswers.enqueue(QMessageBox::No);
        QVERIFY(!panel->replaceCurrent());
        QVERIFY(prompts->messages.last().text.contains(
            QStringLiteral("• «Функции\\Строки\\Лев»: «Параметры» станет таким:")));
        QCOMPARE(stack.count(), steps);
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QVERIFY(panel->replaceCurrent());
        QCOMPARE(stack.count(), steps + 1);
        QVERIFY(doc(4)->parameters.find(cp(" @строка в конце ")) != std::string::npos);
        // Only the chosen occurrence.
        QCOMPARE(doc(2)->purpose, cp("Возвращает длину строки.\r\nПустая строка даёт 0."));
    }

private:
    const TreeRecord* doc(std::uint32_t id) const
    {
        return frames.first()->GetDocument()->FindRecord(id);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<BookFindPanelTest>(argc, argv);
}

#include "BookFindPanelTest.moc"
