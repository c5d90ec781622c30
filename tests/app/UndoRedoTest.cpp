#include "AppTestSupport.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "DocumentHistory.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QSettings>
#include <QUndoStack>
#include <QtTest>

// Undo and redo as the user meets them: the Правка menu and its keys, the record shown after a
// step, the modified mark, the form's unapplied edits, and a book read anew.
class UndoRedoTest : public AppTestCase
{
    Q_OBJECT

    std::unique_ptr<CZETbrowserApp> m_app;
    CChildFrame* m_child = nullptr;
    QString m_path;

    CMainFrame* frame() { return m_app->mainFrame(); }
    CZETbrowserDoc& doc() { return *m_child->GetDocument(); }
    CStructureTreeCtrl& tree() { return m_child->treeView()->GetTreeCtrl(); }
    CInputForm* form() { return m_child->inputForm(); }
    QAction* undoAction() { return frame()->commandAction(CMainFrame::ID_EDIT_UNDO); }
    QAction* redoAction() { return frame()->commandAction(CMainFrame::ID_EDIT_REDO); }
    QUndoStack& stack() { return m_child->history().stack(); }
    QString label(std::uint32_t id)
    {
        QTreeWidgetItem* item = CStructureTreeCtrl::itemOf(doc().FindRecord(id)->treeItem);
        return item != nullptr ? item->text(0) : QString();
    }
    std::uint32_t selected() { return CStructureTreeCtrl::recordIdOf(tree().currentItem()); }
    void openBook()
    {
        m_path = bookPath(QStringLiteral("book.zet"));
        m_app = startApp({m_path});
        m_child = m_app->mainFrame()->activeChild();
        QVERIFY(m_child != nullptr);
    }
    void select(std::uint32_t id)
    {
        tree().setCurrentItem(CStructureTreeCtrl::itemOf(doc().FindRecord(id)->treeItem));
        QCOMPARE(doc().currentId, id);
    }
    void deleteSelected()
    {
        m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(&tree(), Qt::Key_Delete);
    }
    // A key press as a Russian layout without a Latin one gives it: the Cyrillic letter, with
    // the system's key symbol and the key's place. No shortcut is on such a key, so the press
    // follows its override whatever the widget said to that.
    static void pressCyrillic(QWidget* widget, int letter, quint32 symbol, quint32 keyCode,
                              Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent override(QEvent::ShortcutOverride, letter, modifiers, keyCode, symbol, 0);
        QApplication::sendEvent(widget, &override);
        QKeyEvent press(QEvent::KeyPress, letter, modifiers, keyCode, symbol, 0);
        QApplication::sendEvent(widget, &press);
    }

private slots:
    void init() { initApp(); }
    void cleanup()
    {
        if (m_child != nullptr)
            doc().SetModifiedMark(false);
        m_app.reset();
        m_child = nullptr;
        cleanupApp();
    }

    void deleteUndoneSavesTheSameBytes();
    void menuNamesTheStepOfTheActiveBook();
    void keysOnARussianLayout();
    void fieldKeepsItsOwnUndo();
    void moveUndoneAndRedoneKeepsTheIds();
    void appliedEditUndoneShowsInTreeAndForm();
    void unappliedEditsAreAskedAboutFirst();
    void membershipIsOneStep();
    void pasteFromAnotherBookIsTheTargetsStep();
    void recordUndoneIsScrolledIntoView();
    void closingAfterUndoingBackAsksNothing();
    void bookReadAnewHasNoHistory();
    void limitComesFromTheSettings();
};

void UndoRedoTest::deleteUndoneSavesTheSameBytes()
{
    openBook();
    // As this program writes the book (the sample is not quite in its layout).
    QVERIFY(frame()->documents().OnFileSave(m_child));
    const QByteArray original = readAll(m_path);
    QVERIFY(!undoAction()->isEnabled());
    QVERIFY(!redoAction()->isEnabled());
    select(1);
    deleteSelected();
    QVERIFY(doc().FindRecord(1) == nullptr);
    QVERIFY(doc().FindRecord(2) == nullptr);
    QVERIFY(frame()->windowTitle().endsWith(QStringLiteral(" *")));
    QVERIFY(undoAction()->isEnabled());

    QTest::keyClick(&tree(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!doc().IsModified());
    QVERIFY(!frame()->windowTitle().endsWith(QStringLiteral("*")));
    QVERIFY(!frame()->commandAction(CMainFrame::ID_FILE_SAVE)->isEnabled());
    QVERIFY(!undoAction()->isEnabled());
    QVERIFY(redoAction()->isEnabled());
    // Back with its ids and its place, selected, the form showing it.
    QCOMPARE(CStructureTreeCtrl::recordIdOf(tree().topLevelItem(0)), 1u);
    QCOMPARE(tree().topLevelItem(0)->child(0) != nullptr, true);
    QCOMPARE(CStructureTreeCtrl::recordIdOf(tree().topLevelItem(0)->child(0)), 2u);
    QCOMPARE(selected(), 1u);
    QCOMPARE(doc().currentId, 1u);
    QCOMPARE(form()->edit(CInputForm::IDC_NAME)->toPlainText(), QStringLiteral("Функции"));

    // Nothing is asked on closing a book undone back to its file; saved anyway, it is the same.
    QVERIFY(frame()->documents().OnFileSave(m_child));
    QCOMPARE(readAll(m_path), original);

    // Redone, the book is modified against the file again; saved, the redo is undone cleanly.
    QTest::keyClick(&tree(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(doc().FindRecord(1) == nullptr);
    QVERIFY(doc().IsModified());
    QVERIFY(frame()->documents().OnFileSave(m_child));
    QVERIFY(!doc().IsModified());
    QTest::keyClick(&tree(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // nothing left
    QVERIFY(!doc().IsModified());
    QTest::keyClick(&tree(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(doc().IsModified());
    QVERIFY(frame()->windowTitle().endsWith(QStringLiteral(" *")));
    QTest::keyClick(&tree(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!doc().IsModified());
    QVERIFY(doc().FindRecord(1) == nullptr);
}

void UndoRedoTest::menuNamesTheStepOfTheActiveBook()
{
    openBook();
    select(3);
    deleteSelected();
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить удаление «Сообщить»\tCtrl+Z"));
    QCOMPARE(undoAction()->toolTip(), QStringLiteral("Отменить удаление «Сообщить»"));
    QCOMPARE(redoAction()->text(), QStringLiteral("&Повторить\tCtrl+Y"));
    undoAction()->trigger();
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить\tCtrl+Z"));
    QCOMPARE(redoAction()->text(), QStringLiteral("&Повторить удаление «Сообщить»\tCtrl+Y"));
    QCOMPARE(redoAction()->shortcuts(),
             (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));

    // An "&" in a name is shown, not taken for the menu's letter.
    select(1);
    m_prompts.menuAnswers.enqueue(QStringLiteral("Создать раздел в текущем разделе"));
    tree().ShowContextMenu(tree().currentItem(), tree().mapToGlobal(QPoint(5, 5)));
    const std::uint32_t made = doc().currentId;
    QVERIFY(made != 1);
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить создание «Новый раздел»\tCtrl+Z"));
    CFieldEdit* name = form()->edit(CInputForm::IDC_NAME);
    name->setPlainText(QStringLiteral("A & B"));
    QVERIFY(form()->ApplyRecord());
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить изменение «A && B»\tCtrl+Z"));
    QCOMPARE(undoAction()->toolTip(), QStringLiteral("Отменить изменение «A & B»"));

    // Another book: its own, empty history.
    CChildFrame* other = frame()->documents().OnFileNew();
    QCOMPARE(frame()->activeChild(), other);
    QVERIFY(!undoAction()->isEnabled());
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить\tCtrl+Z"));
    other->close();
    settle();
    QCOMPARE(frame()->activeChild(), m_child);
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить изменение «A && B»\tCtrl+Z"));
}

void UndoRedoTest::keysOnARussianLayout()
{
    openBook();
    select(3);
    deleteSelected();
    QVERIFY(doc().FindRecord(3) == nullptr);
    tree().setFocus();
    // Ctrl+Я undoes, Ctrl+Н and Ctrl+Shift+Я redo.
    pressCyrillic(&tree(), 0x042F, 0x06d1, 52, Qt::ControlModifier);
    QVERIFY(doc().FindRecord(3) != nullptr);
    pressCyrillic(&tree(), 0x041D, 0x06ce, 29, Qt::ControlModifier);
    QVERIFY(doc().FindRecord(3) == nullptr);
    pressCyrillic(&tree(), 0x042F, 0x06d1, 52, Qt::ControlModifier);
    QVERIFY(doc().FindRecord(3) != nullptr);
    pressCyrillic(&tree(), 0x042F, 0x06f1, 52, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(doc().FindRecord(3) == nullptr);
    // Without Ctrl the letters are nothing of the kind.
    pressCyrillic(&tree(), 0x042F, 0x06d1, 52, Qt::NoModifier);
    QVERIFY(doc().FindRecord(3) == nullptr);
    QCOMPARE(stack().index(), 1);
}

void UndoRedoTest::fieldKeepsItsOwnUndo()
{
    openBook();
    select(3);
    deleteSelected();
    select(2);
    CFieldEdit* name = form()->edit(CInputForm::IDC_NAME);
    name->setFocus();
    name->moveCursor(QTextCursor::End);
    QTest::keyClicks(name, QStringLiteral("QQ"));
    QCOMPARE(name->toPlainText(), QStringLiteral("ДлинаQQ"));
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(name->toPlainText(), QStringLiteral("Длина"));
    QTest::keyClick(name, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(name->toPlainText(), QStringLiteral("ДлинаQQ"));
    pressCyrillic(name, 0x042F, 0x06d1, 52, Qt::ControlModifier);
    QCOMPARE(name->toPlainText(), QStringLiteral("Длина"));
    // The book's step is untouched, and nothing was asked.
    QVERIFY(doc().FindRecord(3) == nullptr);
    QCOMPARE(stack().index(), 1);
    QCOMPARE(m_prompts.messages.size(), 1);
}

void UndoRedoTest::moveUndoneAndRedoneKeepsTheIds()
{
    openBook();
    QTreeWidgetItem* source = CStructureTreeCtrl::itemOf(doc().FindRecord(3)->treeItem);
    QTreeWidgetItem* section = CStructureTreeCtrl::itemOf(doc().FindRecord(1)->treeItem);
    QTreeWidgetItem* moved = tree().CopySubtree(source, section, CStructureTreeCtrl::CmdMove);
    QVERIFY(moved != nullptr);
    const std::uint32_t movedId = CStructureTreeCtrl::recordIdOf(moved);
    QCOMPARE(moved->parent(), section);
    QVERIFY(undoAction()->text().startsWith(QStringLiteral("&Отменить перемещение «Сообщить»")));
    select(2);

    undoAction()->trigger();
    QCOMPARE(tree().topLevelItemCount(), 2);
    QCOMPARE(CStructureTreeCtrl::recordIdOf(tree().topLevelItem(1)), 3u);
    QCOMPARE(section->childCount(), 1);
    QCOMPARE(selected(), 3u);
    QCOMPARE(form()->edit(CInputForm::IDC_NAME)->toPlainText(), QStringLiteral("Сообщить"));
    QVERIFY(!doc().IsModified());

    redoAction()->trigger();
    QCOMPARE(tree().topLevelItemCount(), 1);
    QVERIFY(doc().FindRecord(3) == nullptr);
    QCOMPARE(doc().FindRecord(movedId)->parentId, 1u);
    QCOMPARE(selected(), movedId);
    QVERIFY(tree().currentItem()->parent() == section);
    QVERIFY(section->isExpanded());
}

void UndoRedoTest::appliedEditUndoneShowsInTreeAndForm()
{
    openBook();
    select(3);
    CFieldEdit* name = form()->edit(CInputForm::IDC_NAME);
    CFieldEdit* notes = form()->edit(CInputForm::IDC_NOTES);
    name->setPlainText(QStringLiteral("Показать"));
    notes->setPlainText(QStringLiteral("Выводит строку."));
    QVERIFY(form()->ApplyRecord());
    QVERIFY(label(3).startsWith(QStringLiteral("Показать ")));
    // Both fields of one apply are one step.
    QCOMPARE(stack().count(), 1);
    select(2);

    undoAction()->trigger();
    QCOMPARE(selected(), 3u);
    QVERIFY(label(3).startsWith(QStringLiteral("Сообщить ")));
    QCOMPARE(name->toPlainText(), QStringLiteral("Сообщить"));
    QCOMPARE(notes->toPlainText(), QString());
    QVERIFY(!form()->IsRecordModified());
    QVERIFY(!doc().IsModified());

    redoAction()->trigger();
    QVERIFY(label(3).startsWith(QStringLiteral("Показать ")));
    QCOMPARE(name->toPlainText(), QStringLiteral("Показать"));
    QVERIFY(doc().IsModified());

    // An apply that changes nothing is no step.
    QVERIFY(form()->ApplyRecord());
    QCOMPARE(stack().count(), 1);
}

void UndoRedoTest::unappliedEditsAreAskedAboutFirst()
{
    openBook();
    select(3);
    deleteSelected();
    select(1);
    m_prompts.menuAnswers.enqueue(QStringLiteral("Создать запись в корневом разделе"));
    tree().ShowContextMenu(tree().currentItem(), tree().mapToGlobal(QPoint(5, 5)));
    const std::uint32_t made = doc().currentId;
    QVERIFY(doc().FindRecord(made) != nullptr);
    select(2);
    CFieldEdit* name = form()->edit(CInputForm::IDC_NAME);
    name->moveCursor(QTextCursor::End);
    name->insertPlainText(QStringLiteral("QQ"));
    QVERIFY(form()->IsRecordModified());

    // Cancel: the undo is not made, the edits stay.
    m_prompts.messageAnswers.enqueue(QMessageBox::Cancel);
    undoAction()->trigger();
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY(doc().FindRecord(made) != nullptr);
    QVERIFY(form()->IsRecordModified());
    QCOMPARE(name->toPlainText(), QStringLiteral("ДлинаQQ"));

    // No: the edits go, the undo is made.
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    undoAction()->trigger();
    QCOMPARE(m_prompts.messages.size(), 3);
    QVERIFY(doc().FindRecord(made) == nullptr);
    QCOMPARE(doc().FindRecord(2)->name, cp1251("Длина").toStdString());
    QVERIFY(!form()->IsRecordModified());

    // Yes: the edits are applied as the newest step (the undone one cannot come back), and the
    // next undo takes them back.
    select(2);
    name->moveCursor(QTextCursor::End);
    name->insertPlainText(QStringLiteral("WW"));
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    undoAction()->trigger();
    QCOMPARE(m_prompts.messages.size(), 4);
    QCOMPARE(doc().FindRecord(2)->name, cp1251("ДлинаWW").toStdString());
    QVERIFY(doc().FindRecord(3) == nullptr);
    QVERIFY(!redoAction()->isEnabled());
    undoAction()->trigger();
    QCOMPARE(doc().FindRecord(2)->name, cp1251("Длина").toStdString());
    QCOMPARE(selected(), 2u);
    undoAction()->trigger();
    QVERIFY(doc().FindRecord(3) != nullptr);
    QVERIFY(!doc().IsModified());
    QCOMPARE(m_prompts.messages.size(), 4);
}

void UndoRedoTest::membershipIsOneStep()
{
    openBook();
    select(1);
    m_prompts.dialogScripts.enqueue([](QDialog& dialog) {
        const auto boxes = dialog.findChildren<QCheckBox*>();
        QVERIFY(!boxes.isEmpty());
        boxes.first()->setChecked(!boxes.first()->isChecked());
        dialog.accept();
    });
    form()->OnMembershipClicked();
    const std::string changed = doc().FindRecord(1)->membership;
    QVERIFY(changed != "AST");
    QCOMPARE(doc().FindRecord(2)->membership, changed);
    QCOMPARE(stack().count(), 1);
    QVERIFY(undoAction()->text().startsWith(
        QStringLiteral("&Отменить изменение принадлежности «Функции»")));

    select(3);
    undoAction()->trigger();
    QCOMPARE(doc().FindRecord(1)->membership, std::string("AST"));
    QCOMPARE(doc().FindRecord(2)->membership, std::string("AST"));
    QCOMPARE(selected(), 1u);
    QVERIFY(!doc().IsModified());
}

void UndoRedoTest::bookReadAnewHasNoHistory()
{
    openBook();
    select(3);
    deleteSelected();
    QVERIFY(frame()->documents().OnFileSave(m_child));
    select(2);
    deleteSelected();
    QVERIFY(undoAction()->isEnabled());
    QVERIFY(doc().IsModified());
    doc().SetModifiedMark(false); // as the user answering to drop the changes
    QVERIFY(frame()->documents().reloadDocument(*m_child));
    QVERIFY(doc().FindRecord(2) != nullptr);
    QCOMPARE(stack().count(), 0);
    QVERIFY(!undoAction()->isEnabled());
    QVERIFY(!redoAction()->isEnabled());
    QVERIFY(!doc().IsModified());
    QVERIFY(!frame()->windowTitle().endsWith(QStringLiteral("*")));
}

void UndoRedoTest::limitComesFromTheSettings()
{
    QSettings(CZETbrowserApp::kProfileName).setValue(DocumentHistory::kLimitKey, 2);
    openBook();
    QCOMPARE(stack().undoLimit(), 2);
    for (int i = 0; i < 3; ++i) {
        select(3);
        m_prompts.menuAnswers.enqueue(QStringLiteral("Создать запись в корневом разделе"));
        tree().ShowContextMenu(tree().currentItem(), tree().mapToGlobal(QPoint(5, 5)));
    }
    QCOMPARE(stack().count(), 2);
    undoAction()->trigger();
    undoAction()->trigger();
    QVERIFY(!undoAction()->isEnabled());
    // The oldest step is gone: the book cannot be undone back to its file.
    QVERIFY(doc().IsModified());
}

void UndoRedoTest::pasteFromAnotherBookIsTheTargetsStep()
{
    openBook();
    CChildFrame* target =
        frame()->documents().OpenDocumentFile(bookPath(QStringLiteral("other.zet"), sampleBook()));
    QVERIFY(target != nullptr && target != m_child);
    select(1); // the source's section, with its entry
    CStructureTreeCtrl& targetTree = target->treeView()->GetTreeCtrl();
    QTreeWidgetItem* onto = targetTree.topLevelItem(0);
    QCursor::setPos(targetTree.viewport()->mapToGlobal(targetTree.visualItemRect(onto).center()));
    targetTree.PasteForeignRecord(doc());
    CZETbrowserDoc& pasted = *target->GetDocument();
    QCOMPARE(pasted.RecordCount(), std::size_t(5));
    QCOMPARE(target->history().stack().count(), 1);
    QCOMPARE(stack().count(), 0);
    QVERIFY(!doc().IsModified());
    QCOMPARE(frame()->activeChild(), target);
    QCOMPARE(undoAction()->text(), QStringLiteral("&Отменить вставку «Функции»\tCtrl+Z"));

    undoAction()->trigger();
    QCOMPARE(pasted.RecordCount(), std::size_t(3));
    QVERIFY(!pasted.IsModified());
    QCOMPARE(onto->childCount(), 1);
    redoAction()->trigger();
    QCOMPARE(pasted.RecordCount(), std::size_t(5));
    QCOMPARE(onto->childCount(), 2);
    QCOMPARE(doc().RecordCount(), std::size_t(3));
    target->GetDocument()->SetModifiedMark(false);
}

void UndoRedoTest::recordUndoneIsScrolledIntoView()
{
    QByteArray book = "{\"Shell\",\r\n";
    for (int i = 1; i <= 300; ++i) {
        book += " {\"Item\",\"AST\",\"R" + QByteArray::number(i) +
                "\",\"\",\"\",\"\",\r\n\"\"\r\n }" + (i < 300 ? "," : "") + "\r\n";
    }
    book += "}\r\n";
    m_path = bookPath(QStringLiteral("long.zet"), book);
    m_app = startApp({m_path});
    m_child = frame()->activeChild();
    QVERIFY(m_child != nullptr);
    QCOMPARE(doc().RecordCount(), std::size_t(300));
    m_child->showMaximized();
    settle();
    select(300);
    deleteSelected();
    select(1);
    tree().scrollToTop();
    undoAction()->trigger();
    QCOMPARE(selected(), 300u);
    const QRect shown = tree().visualItemRect(tree().currentItem());
    QVERIFY(shown.isValid());
    QVERIFY2(tree().viewport()->rect().contains(shown), "the record undone is out of view");

    // Redone, the one the selection went to is shown instead.
    tree().scrollToTop();
    redoAction()->trigger();
    QCOMPARE(selected(), 299u);
    QVERIFY(tree().viewport()->rect().contains(tree().visualItemRect(tree().currentItem())));
}

void UndoRedoTest::closingAfterUndoingBackAsksNothing()
{
    openBook();
    select(3);
    deleteSelected();
    select(2);
    form()->edit(CInputForm::IDC_NAME)->setPlainText(QStringLiteral("Размер"));
    QVERIFY(form()->ApplyRecord());
    undoAction()->trigger();
    // Still one step away from the file: asked, and Cancel keeps the window.
    m_prompts.messageAnswers.enqueue(QMessageBox::Cancel);
    m_child->close();
    settle();
    QCOMPARE(m_prompts.messages.size(), 2);
    QCOMPARE(frame()->childFrames().size(), 1);
    undoAction()->trigger();
    m_child->close();
    settle();
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY(frame()->childFrames().isEmpty());
    m_child = nullptr;
}

int main(int argc, char** argv)
{
    return runUiTest<UndoRedoTest>(argc, argv);
}

#include "UndoRedoTest.moc"
