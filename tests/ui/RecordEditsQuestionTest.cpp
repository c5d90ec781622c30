#include "CChildFrame.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentRegistry.h"
#include "DocumentText.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"

#include <QClipboard>
#include <QMdiArea>
#include <QMimeData>
#include <QPointer>
#include <QtTest>

#include <functional>

namespace {

const QString kQuestion =
    QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?");

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Notes what the tree shows each time a message box is up.
class WatchingPrompts : public ScriptedPrompts
{
public:
    std::function<QString()> watch;
    QStringList seen;
    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        if (watch)
            seen << watch();
        return ScriptedPrompts::message(parent, icon, text, buttons, defaultButton);
    }
};

} // namespace

// Every command that asks about the input form's unapplied edits, answered Cancel, No and Yes:
// afterwards the tree's selection, the item labels and the form show the same record.
class RecordEditsQuestionTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DocumentRegistry> registry;
    WatchingPrompts* prompts = nullptr;
    QMdiArea* area = nullptr;
    QPointer<CChildFrame> frameA;
    QPointer<CChildFrame> frameB;
    CZETbrowserDoc* docA = nullptr;
    CZETbrowserDoc* docB = nullptr;
    CStructureTreeCtrl* treeA = nullptr;
    CStructureTreeCtrl* treeB = nullptr;
    CInputForm* formB = nullptr;

    static QTreeWidgetItem* itemFor(CZETbrowserDoc* doc, std::uint32_t id)
    {
        const TreeRecord* record = doc->FindRecord(id);
        return record ? CStructureTreeCtrl::itemOf(record->treeItem) : nullptr;
    }
    QTreeWidgetItem* itemB(std::uint32_t id) { return itemFor(docB, id); }
    QPoint centreB(std::uint32_t id) { return treeB->visualItemRect(itemB(id)).center(); }
    QString synonymField() const
    {
        return formB->edit(CInputForm::IDC_SYNONYM)->document()->toRawText();
    }
    // The tree selects the form's record and the document names it; every label is its
    // record's, but the edited record's shows the form's edits.
    void verifyInStep()
    {
        QVERIFY(treeB->currentItem());
        const std::uint32_t shown = formB->recordId();
        QCOMPARE(CStructureTreeCtrl::recordIdOf(treeB->currentItem()), shown);
        QCOMPARE(docB->currentId, shown);
        for (const TreeRecord& record : docB->records()) {
            QTreeWidgetItem* item = itemFor(docB, record.recordId);
            QVERIFY(item);
            const bool edited = record.recordId == shown && formB->IsRecordModified();
            const QString expected = edited
                                         ? CStructureTreeCtrl::ItemLabel(*formB->GetWorkingRecord())
                                         : CStructureTreeCtrl::ItemLabel(record);
            QCOMPARE(item->text(0), expected);
        }
    }

private slots:
    void init()
    {
        registry = std::make_unique<DocumentRegistry>(QCoreApplication::applicationPid());
        prompts = new WatchingPrompts;
        area = new QMdiArea;
        area->resize(1400, 700);
        frameA = new CChildFrame(makeBook("/nonexistent/a.zet"), *prompts);
        frameB = new CChildFrame(makeBook("/nonexistent/b.zet"), *prompts);
        for (CChildFrame* frame : {frameA.data(), frameB.data()}) {
            area->addSubWindow(frame);
            frame->resize(650, 500);
            frame->treeView()->GetTreeCtrl().setDocumentRegistry(registry.get());
        }
        frameB->move(700, 0);
        area->show();
        QVERIFY(QTest::qWaitForWindowExposed(area));
        docA = frameA->GetDocument();
        docB = frameB->GetDocument();
        treeA = &frameA->treeView()->GetTreeCtrl();
        treeB = &frameB->treeView()->GetTreeCtrl();
        formB = frameB->inputForm();
        treeA->expandAll();
        treeB->expandAll();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup()
    {
        delete area;
        delete prompts;
        registry.reset();
        QGuiApplication::clipboard()->clear();
    }

    // The user's own steps: in B an unapplied synonym, in A Ctrl+C on a section, in B Ctrl+V
    // over a record answered Cancel. Then an edit applied goes to the record it was typed for.
    void cancelledPasteChangesNothing()
    {
        treeB->setCurrentItem(itemB(2));
        CFieldEdit* synonym = formB->edit(CInputForm::IDC_SYNONYM);
        synonym->setFocus();
        synonym->moveCursor(QTextCursor::End);
        typeText(synonym, QStringLiteral("QQ"));
        QCOMPARE(itemB(2)->text(0), QStringLiteral("Длина ( LenQQ )"));

        treeA->setCurrentItem(itemFor(docA, 1));
        QTest::keyClick(treeA, Qt::Key_C, Qt::ControlModifier);
        const auto before = docB->records();
        QCursor::setPos(treeB->viewport()->mapToGlobal(centreB(5)));
        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        QTest::keyClick(treeB, Qt::Key_V, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(prompts->messageTexts(), QStringList{kQuestion});
        QVERIFY(docB->records() == before);
        QVERIFY(!docB->IsModified());
        QCOMPARE(treeB->currentItem(), itemB(2));
        QCOMPARE(formB->recordId(), 2u);
        QCOMPARE(synonymField(), QStringLiteral("LenQQ"));
        QVERIFY(formB->IsRecordModified());
        verifyInStep();

        // The edit goes on and is applied to the record it was typed for.
        synonym->setFocus();
        synonym->moveCursor(QTextCursor::End);
        typeText(synonym, QStringLiteral("ZZ"));
        QTest::keyClick(synonym, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(docB->FindRecord(2)->synonym, std::string("LenQQZZ"));
        QCOMPARE(docB->FindRecord(1)->synonym, std::string());
        QCOMPARE(docB->RecordCount(), std::size_t(7));
        verifyInStep();
    }

    // Text the book cannot hold shows in the label as typed, also while the form refuses it.
    void labelShowsWhatTheBookCannotHoldAsTyped()
    {
        treeB->setCurrentItem(itemB(2));
        CFieldEdit* name = formB->edit(CInputForm::IDC_NAME);
        name->setFocus();
        name->moveCursor(QTextCursor::End);
        typeText(name, QStringLiteral("✓中"));
        const QString typed = QStringLiteral("Длина✓中 ( Len )");
        QCOMPARE(itemB(2)->text(0), typed);
        // A synonym typed the same way.
        CFieldEdit* synonym = formB->edit(CInputForm::IDC_SYNONYM);
        synonym->setFocus();
        synonym->moveCursor(QTextCursor::Start);
        typeText(synonym, QStringLiteral("€✓"));
        QCOMPARE(itemB(2)->text(0), QStringLiteral("Длина✓中 ( €✓Len )"));

        // Yes to the question, and the form refuses: the label stays as typed throughout.
        prompts->watch = [this] { return itemB(2)->text(0); };
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        treeB->setCurrentItem(itemB(5));
        QTRY_COMPARE(treeB->currentItem(), itemB(2));
        QCOMPARE(prompts->messages.size(), 2);
        QCOMPARE(prompts->messages.last().icon, QMessageBox::Warning);
        QCOMPARE(prompts->seen, QStringList(2, QStringLiteral("Длина✓中 ( €✓Len )")));
        QVERIFY(formB->IsRecordModified());
        QCOMPARE(docB->FindRecord(2)->name, cp("Длина"));
        QCOMPARE(itemB(2)->text(0), QStringLiteral("Длина✓中 ( €✓Len )"));

        // No: the stored name again.
        prompts->messageAnswers.enqueue(QMessageBox::No);
        treeB->setCurrentItem(itemB(5));
        QCOMPARE(itemB(2)->text(0), QStringLiteral("Длина ( Len )"));
        QCOMPARE(formB->recordId(), 5u);
    }

    // Deleting asks about the deletion only: the edits belong to the record that goes.
    void deletingTheEditedRecord()
    {
        treeB->setCurrentItem(itemB(5));
        CFieldEdit* synonym = formB->edit(CInputForm::IDC_SYNONYM);
        synonym->setFocus();
        typeText(synonym, QStringLiteral("QQ"));
        prompts->messageAnswers.enqueue(QMessageBox::No);
        QTest::keyClick(treeB, Qt::Key_Delete);
        QCOMPARE(prompts->messageTexts(), QStringList{QStringLiteral("Удалить запись?")});
        QVERIFY(formB->IsRecordModified());
        QCOMPARE(itemB(5)->text(0), QStringLiteral("Прав ( QQ )"));
        verifyInStep();

        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(treeB, Qt::Key_Delete);
        QVERIFY(!docB->FindRecord(5));
        QVERIFY(!formB->IsRecordModified());
        QCOMPARE(prompts->messages.size(), 2);
        verifyInStep();
    }

    void everyPathKeepsTreeAndFormInStep_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("answer");
        const QStringList paths = {"click",      "key",    "paste",  "drop",  "right-press",
                                   "right-drop", "create", "search", "close", "help"};
        for (const QString& path : paths) {
            for (const auto& [name, answer] :
                 {std::pair{"Cancel", QMessageBox::Cancel}, std::pair{"No", QMessageBox::No},
                  std::pair{"Yes", QMessageBox::Yes}})
                QTest::addRow("%s %s", qPrintable(path), name) << path << int(answer);
        }
    }

    void everyPathKeepsTreeAndFormInStep()
    {
        QFETCH(QString, path);
        QFETCH(int, answer);
        // B edits record 5's synonym; A's current record is section 3 (with a child).
        treeB->setCurrentItem(itemB(5));
        CFieldEdit* synonym = formB->edit(CInputForm::IDC_SYNONYM);
        synonym->setFocus();
        typeText(synonym, QStringLiteral("QQ"));
        QCOMPARE(itemB(5)->text(0), QStringLiteral("Прав ( QQ )"));
        treeA->setCurrentItem(itemFor(docA, 3));
        const auto before = docB->records();

        const std::function<void()> run = [&]() -> std::function<void()> {
            if (path == "click")
                return
                    [&] { QTest::mouseClick(treeB->viewport(), Qt::LeftButton, {}, centreB(6)); };
            if (path == "key")
                return [&] {
                    treeB->setFocus();
                    QTest::keyClick(treeB, Qt::Key_Down);
                };
            if (path == "paste")
                return [&] {
                    QTest::keyClick(treeA, Qt::Key_C, Qt::ControlModifier);
                    QCursor::setPos(treeB->viewport()->mapToGlobal(centreB(7)));
                    QTest::keyClick(treeB, Qt::Key_V, Qt::ControlModifier);
                };
            if (path == "drop")
                return [&] {
                    std::unique_ptr<QMimeData> data(treeA->CreateDocRefData());
                    const QPoint pos = centreB(7);
                    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
                    QDragEnterEvent enter(pos, offered, data.get(), Qt::LeftButton, {});
                    QApplication::sendEvent(treeB->viewport(), &enter);
                    QDragMoveEvent move(pos, offered, data.get(), Qt::LeftButton, {});
                    QApplication::sendEvent(treeB->viewport(), &move);
                    QDropEvent drop(QPointF(pos), offered, data.get(), Qt::LeftButton, {});
                    QApplication::sendEvent(treeB->viewport(), &drop);
                };
            if (path == "right-press")
                return [&] {
                    // The menu that would follow is for the record pressed: chosen, it creates
                    // a record there.
                    prompts->menuAnswers.enqueue(
                        QStringLiteral("Создать запись в текущем разделе"));
                    QWidget* viewport = treeB->viewport();
                    sendMouse(viewport, QEvent::MouseButtonPress, centreB(6), Qt::RightButton,
                              Qt::RightButton);
                    QCoreApplication::processEvents();
                    sendMouse(viewport, QEvent::MouseButtonRelease, centreB(6), Qt::RightButton,
                              Qt::NoButton);
                };
            if (path == "right-drop")
                return [&] {
                    prompts->menuAnswers.enqueue(QStringLiteral("Переместить в выделенный раздел"));
                    QWidget* viewport = treeB->viewport();
                    const QPoint from = centreB(5);
                    const QPoint to = centreB(7);
                    sendMouse(viewport, QEvent::MouseButtonPress, from, Qt::RightButton,
                              Qt::RightButton);
                    const QPoint away = from + QPoint(QApplication::startDragDistance() + 1, 0);
                    sendMouse(viewport, QEvent::MouseMove, away, Qt::NoButton, Qt::RightButton);
                    sendMouse(viewport, QEvent::MouseMove, to, Qt::NoButton, Qt::RightButton);
                    sendMouse(viewport, QEvent::MouseButtonRelease, to, Qt::RightButton,
                              Qt::NoButton);
                };
            if (path == "create")
                return [&] {
                    prompts->menuAnswers.enqueue(
                        QStringLiteral("Создать раздел в корневом разделе"));
                    treeB->ShowContextMenu(itemB(6), QPoint(10, 10));
                };
            if (path == "search")
                return [&] {
                    treeB->setSearchRunner([](CZETbrowserDoc& searched) { searched.jumpToId = 6; });
                    prompts->menuAnswers.enqueue(QStringLiteral("Поиск"));
                    treeB->ShowContextMenu(itemB(5), QPoint(10, 10));
                };
            if (path == "close")
                return [&] { frameB->close(); };
            return [&] { frameB->OnCreateHelp(); };
        }();

        prompts->messageAnswers.enqueue(QMessageBox::StandardButton(answer));
        run();
        QCoreApplication::processEvents();
        QCOMPARE(prompts->messageTexts().value(0), kQuestion);
        QCOMPARE(prompts->messages.first().buttons,
                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

        if (answer == QMessageBox::Cancel) {
            // Nothing happened, and the edits wait where they were.
            QVERIFY(frameB);
            QCOMPARE(prompts->messages.size(), 1);
            QVERIFY(docB->records() == before);
            QVERIFY(!docB->IsModified());
            QCOMPARE(formB->recordId(), 5u);
            QVERIFY(formB->IsRecordModified());
            QCOMPARE(synonymField(), QStringLiteral("QQ"));
            QCOMPARE(itemB(5)->text(0), QStringLiteral("Прав ( QQ )"));
            verifyInStep();
            return;
        }
        if (path == "close") {
            QTRY_VERIFY(frameB.isNull());
            return;
        }
        QVERIFY(!formB->IsRecordModified());
        // No drops the edits, Yes stores them (in a moved record under its new id).
        bool stored = false;
        for (const TreeRecord& record : docB->records())
            stored = stored || record.synonym == "QQ";
        QCOMPARE(stored, answer == QMessageBox::Yes);
        verifyInStep();
    }
};

int main(int argc, char** argv)
{
    return runUiTest<RecordEditsQuestionTest>(argc, argv);
}

#include "RecordEditsQuestionTest.moc"
