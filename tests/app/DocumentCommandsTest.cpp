#include "AppTestSupport.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CPreviewWnd.h"
#include "CRecentFileList.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"

#include <QAction>
#include <QFileInfo>
#include <QtTest>

// The document commands: new, open, save, save as, and the questions before closing.
class DocumentCommandsTest : public AppTestCase
{
    Q_OBJECT

private slots:
    void init() { initApp(); }
    void cleanup() { cleanupApp(); }

    void fileThatCannotBeOpenedLeavesNoWindow();
    void newDocumentsAreNumbered();
    void editThroughTreeSaveAndCompareBytes();
    void saveOfUntitledRunsSaveAs();
    void closePromptCancelKeepsWindow();
    void closePromptNoDiscards();
    void closePromptYesSaves();
    void exitCancelKeepsEveryDocument();
    void exitAppliesRecordEditsBeforeSaving();
    void exitCancelledOnRecordEditsKeepsThemInStep();
    void openingAnOpenFileActivatesIt();
};

void DocumentCommandsTest::fileThatCannotBeOpenedLeavesNoWindow()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    // A folder cannot be read as a book either.
    QVERIFY(frame->documents().OpenDocumentFile(m_dir->filePath(QStringLiteral("missing.zet"))) ==
            nullptr);
    QVERIFY(frame->documents().OpenDocumentFile(m_dir->path()) == nullptr);
    QVERIFY(frame->childFrames().isEmpty());
    QVERIFY(!frame->showsDocumentMenu());
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY(app->recentFiles()->files().isEmpty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void DocumentCommandsTest::newDocumentsAreNumbered()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* first = frame->documents().OnFileNew();
    CChildFrame* second = frame->documents().OnFileNew();
    QCOMPARE(QString::fromStdString(first->GetDocument()->GetTitle()), QStringLiteral("ZET1"));
    QCOMPARE(QString::fromStdString(second->GetDocument()->GetTitle()), QStringLiteral("ZET2"));
    QCOMPARE(first->GetDocument()->RecordCount(), std::size_t(0));
    QVERIFY(frame->showsDocumentMenu());
    QCOMPARE(frame->activeChild(), second);
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser - ZET2"));
    QVERIFY(!frame->commandAction(CMainFrame::ID_FILE_SAVE)->isEnabled());
    // Closing one does not reuse its number.
    second->close();
    settle();
    QCOMPARE(QString::fromStdString(frame->documents().OnFileNew()->GetDocument()->GetTitle()),
             QStringLiteral("ZET3"));
}

void DocumentCommandsTest::editThroughTreeSaveAndCompareBytes()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->activeChild();
    QVERIFY(child != nullptr);
    QAction* save = frame->commandAction(CMainFrame::ID_FILE_SAVE);
    QVERIFY(!save->isEnabled());

    // Delete the top-level entry "Сообщить" (record 3) with the Del key, answering Yes.
    CStructureTreeCtrl& tree = child->treeView()->GetTreeCtrl();
    QCOMPARE(tree.topLevelItemCount(), 2);
    QTreeWidgetItem* item = tree.topLevelItem(1);
    QCOMPARE(CStructureTreeCtrl::recordIdOf(item), 3u);
    tree.setCurrentItem(item);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QTest::keyClick(&tree, Qt::Key_Delete);
    QCOMPARE(m_prompts.messageTexts(), QStringList{QStringLiteral("Удалить запись?")});
    QVERIFY(child->GetDocument()->IsModified());
    QVERIFY(save->isEnabled());
    QVERIFY(frame->windowTitle().endsWith(QStringLiteral(" *")));

    save->trigger();
    QVERIFY(!child->GetDocument()->IsModified());
    QVERIFY(!save->isEnabled());
    QVERIFY(!frame->windowTitle().endsWith(QStringLiteral("*")));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // The same edit made directly on the document gives the same bytes.
    const QString reference = bookPath(QStringLiteral("reference.zet"));
    CZETbrowserDoc doc;
    QVERIFY(doc.OnOpenDocument(reference.toStdString()));
    QVERIFY(doc.DeleteRecord(3));
    const QString referenceOut = m_dir->filePath(QStringLiteral("reference-out.zet"));
    QVERIFY(doc.OnSaveDocument(referenceOut.toStdString()));
    const QByteArray saved = readAll(path);
    QCOMPARE(saved, readAll(referenceOut));
    QVERIFY(!saved.contains(cp1251("Сообщить")));
    QVERIFY(saved.contains(cp1251("Длина(Стр)")));
}

void DocumentCommandsTest::saveOfUntitledRunsSaveAs()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().OnFileNew();
    m_prompts.fileAnswers.enqueue(m_dir->filePath(QStringLiteral("fresh")));
    QVERIFY(frame->documents().OnFileSave(child));
    QCOMPARE(m_prompts.fileCaptions, QStringList{QStringLiteral("Сохранить как")});
    // The default extension is added.
    const QString expected = m_dir->filePath(QStringLiteral("fresh.zet"));
    QVERIFY(QFileInfo::exists(expected));
    QCOMPARE(QString::fromStdString(child->GetDocument()->GetPathName()), expected);
    QCOMPARE(app->recentFiles()->files().value(0), expected);
    // A cancelled dialog saves nothing.
    CChildFrame* other = frame->documents().OnFileNew();
    QVERIFY(!frame->documents().OnFileSave(other));
    QVERIFY(other->GetDocument()->GetPathName().empty());
}

void DocumentCommandsTest::closePromptCancelKeepsWindow()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->activeChild();
    child->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::Cancel);
    QVERIFY(!child->close());
    settle();
    QCOMPARE(frame->childFrames().size(), 1);
    QCOMPARE(m_prompts.messages.size(), 1);
    const auto& asked = m_prompts.messages.first();
    QCOMPARE(asked.text, QStringLiteral("Сохранить изменения в book.zet?"));
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(readAll(path), sampleBook());
}

void DocumentCommandsTest::closePromptNoDiscards()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().OnFileNew();
    child->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    frame->documents().OnFileClose();
    settle();
    QVERIFY(frame->childFrames().isEmpty());
    // The untitled name is asked about without its modified mark.
    QCOMPARE(m_prompts.messageTexts(), QStringList{QStringLiteral("Сохранить изменения в ZET1?")});
    QVERIFY(m_prompts.fileCaptions.isEmpty());
}

void DocumentCommandsTest::closePromptYesSaves()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->activeChild();
    CStructureTreeCtrl& tree = child->treeView()->GetTreeCtrl();
    tree.setCurrentItem(tree.topLevelItem(1));
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes); // delete the entry
    QTest::keyClick(&tree, Qt::Key_Delete);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes); // save the changes
    QVERIFY(child->close());
    settle();
    QVERIFY(frame->childFrames().isEmpty());
    QVERIFY(!readAll(path).contains(cp1251("Сообщить")));

    // Yes on an untitled document whose Save As is cancelled keeps the window open.
    CChildFrame* untitled = frame->documents().OnFileNew();
    untitled->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(!untitled->close());
    settle();
    QCOMPARE(frame->childFrames().size(), 1);
}

void DocumentCommandsTest::exitCancelKeepsEveryDocument()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* first = frame->documents().OnFileNew();
    CChildFrame* second = frame->documents().OnFileNew();
    first->GetDocument()->SetModifiedMark(true);
    second->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    m_prompts.messageAnswers.enqueue(QMessageBox::Cancel);
    QVERIFY(!frame->close());
    settle();
    QCOMPARE(frame->childFrames().size(), 2);
    QCOMPARE(m_prompts.messageTexts(),
             (QStringList{QStringLiteral("Сохранить изменения в ZET1?"),
                          QStringLiteral("Сохранить изменения в ZET2?")}));

    // Answering No to both closes everything.
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    frame->commandAction(CMainFrame::ID_APP_EXIT)->trigger();
    settle();
    QVERIFY(frame->childFrames().isEmpty());
    QVERIFY(!frame->isVisible());
}

void DocumentCommandsTest::exitAppliesRecordEditsBeforeSaving()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->activeChild();
    // The window's panes: the tree, the form, and the preview drawing the form's record.
    auto* preview = qobject_cast<CPreviewWnd*>(child->previewPane());
    QVERIFY(preview);
    CInputForm* form = child->inputForm();
    CFieldEdit* name = form->edit(CInputForm::IDC_NAME);
    name->moveCursor(QTextCursor::End);
    name->insertPlainText(QStringLiteral("Новое"));
    QVERIFY(form->IsRecordModified());
    QVERIFY(preview->currentLayout().lines().size() > 0);
    QVERIFY(preview->currentLayout().lines().front().text.contains(QStringLiteral("Новое")));
    QVERIFY(!child->GetDocument()->IsModified());

    // The record first (applied, it is a change to save), then the document.
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(frame->close());
    settle();
    QCOMPARE(
        m_prompts.messageTexts(),
        (QStringList{QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?"),
                     QStringLiteral("Сохранить изменения в book.zet?")}));
    QVERIFY(readAll(path).contains(cp1251("Новое")));
}

void DocumentCommandsTest::exitCancelledOnRecordEditsKeepsThemInStep()
{
    auto app = startApp({bookPath(QStringLiteral("a.zet"))});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().OpenDocumentFile(bookPath(QStringLiteral("b.zet")));
    QVERIFY(child);
    CStructureTreeCtrl& tree = child->treeView()->GetTreeCtrl();
    CInputForm* form = child->inputForm();
    QCOMPARE(tree.currentItem()->text(0), QStringLiteral("Функции ( Fn )"));
    const QString typed = QStringLiteral("ФункцииQQ ( Fn )");
    CFieldEdit* name = form->edit(CInputForm::IDC_NAME);
    name->moveCursor(QTextCursor::End);
    name->insertPlainText(QStringLiteral("QQ"));
    QCOMPARE(tree.currentItem()->text(0), typed);

    m_prompts.messageAnswers.enqueue(QMessageBox::Cancel);
    frame->commandAction(CMainFrame::ID_APP_EXIT)->trigger();
    settle();
    QVERIFY(frame->isVisible());
    QCOMPARE(
        m_prompts.messageTexts(),
        QStringList{QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?")});
    QVERIFY(form->IsRecordModified());
    QCOMPARE(CStructureTreeCtrl::recordIdOf(tree.currentItem()), form->recordId());
    QCOMPARE(child->GetDocument()->currentId, form->recordId());
    QCOMPARE(tree.currentItem()->text(0), typed);
    QVERIFY(!child->GetDocument()->IsModified());

    // No: the edits go and so does everything else.
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    frame->commandAction(CMainFrame::ID_APP_EXIT)->trigger();
    settle();
    QVERIFY(frame->childFrames().isEmpty());
}

void DocumentCommandsTest::openingAnOpenFileActivatesIt()
{
    const QString a = bookPath(QStringLiteral("a.zet"));
    const QString b = bookPath(QStringLiteral("b.zet"));
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* first = frame->documents().OpenDocumentFile(a);
    CChildFrame* second = frame->documents().OpenDocumentFile(b);
    QCOMPARE(frame->activeChild(), second);
    // The same file by another spelling of its path.
    const QString other = m_dir->path() + QStringLiteral("/./sub/../a.zet");
    QCOMPARE(frame->documents().OpenDocumentFile(other), first);
    QCOMPARE(frame->activeChild(), first);
    QCOMPARE(frame->childFrames().size(), 2);
    m_prompts.fileAnswers.enqueue(b);
    frame->documents().OnFileOpen();
    QCOMPARE(frame->activeChild(), second);
    QCOMPARE(frame->childFrames().size(), 2);
}

int main(int argc, char** argv)
{
    return runUiTest<DocumentCommandsTest>(argc, argv);
}

#include "DocumentCommandsTest.moc"
