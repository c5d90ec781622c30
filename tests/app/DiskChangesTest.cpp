#include "AppTestSupport.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "OpenFileWatcher.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QtTest>

namespace {

// The sample book with a third top-level entry: what another program writes.
QByteArray changedBook()
{
    QByteArray bytes = sampleBook();
    bytes.insert(bytes.lastIndexOf('}'),
                 cp1251(",\r\n {\"Item\",\"AST\",\"Новая\",\"New\",\"\",\"\",\r\n"
                        "\"\"\r\n }\r\n"));
    return bytes;
}

// As editors and version control write: a new file renamed over the old name.
void replaceFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    QVERIFY(file.commit());
}

} // namespace

// Saving over what the user cannot see: texts the format cannot hold, and a file changed by
// another program since it was read; and the offer to reload a book changed on disk.
class DiskChangesTest : public AppTestCase
{
    Q_OBJECT

    std::unique_ptr<CZETbrowserApp> m_app;
    CChildFrame* m_child = nullptr;
    QString m_path;

    CZETbrowserDoc& doc() { return *m_child->GetDocument(); }
    void openBook()
    {
        m_path = bookPath(QStringLiteral("book.zet"));
        m_app = startApp({m_path});
        m_child = m_app->mainFrame()->activeChild();
        QVERIFY(m_child != nullptr);
        m_app->mainFrame()->documents().fileWatcher().setSettleTime(50);
    }
    DocumentManager& documents() { return m_app->mainFrame()->documents(); }
    void edit()
    {
        doc().FindRecord(3)->purpose = cp1251("Выводит сообщение.\r\n").toStdString();
        doc().SetModifiedMark(true);
    }
    // Lets the watcher see the file system's notices and settle.
    void waitForTheWatcher() { QTest::qWait(400); }

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

    void textsTheFormatCannotHoldAreAskedAbout();
    void fileChangedOnDiskIsAskedAboutBeforeSaving();
    void bookChangedOnDiskIsOfferedForReloading();
    void modifiedBookIsOnlyWarnedAboutWhenSaved();
    void unappliedRecordEditsAreNotReadAway();
    void ownSavesAreNotOffered();
};

void DiskChangesTest::textsTheFormatCannotHoldAreAskedAbout()
{
    openBook();
    const QByteArray before = readAll(m_path);
    // Notes that do not begin with "@" and hold "@host" come back otherwise.
    doc().FindRecord(3)->notes = "user@host";
    doc().SetModifiedMark(true);
    QVERIFY(!documents().OnFileSave(m_child)); // unanswered: the default button, No
    QCOMPARE(m_prompts.messages.size(), 1);
    const ScriptedPrompts::Message asked = m_prompts.messages.last();
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(asked.defaultButton, QMessageBox::No);
    QVERIFY2(asked.text.contains(QStringLiteral("«Сообщить»: Примечания")), qPrintable(asked.text));
    QVERIFY(asked.text.endsWith(QStringLiteral("Сохранить?")));
    QCOMPARE(readAll(m_path), before);
    QVERIFY(doc().IsModified());

    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(documents().OnFileSave(m_child));
    QVERIFY(readAll(m_path) != before);
    QVERIFY(!doc().IsModified());
    // A book that reads back as it is saves without a word.
    doc().FindRecord(3)->notes.clear();
    edit();
    QVERIFY(documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.size(), 2);
}

void DiskChangesTest::fileChangedOnDiskIsAskedAboutBeforeSaving()
{
    openBook();
    replaceFile(m_path, changedBook());
    edit();
    QVERIFY(!documents().OnFileSave(m_child)); // default No keeps the other program's file
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY(m_prompts.messages.last().text.contains(QStringLiteral("изменён на диске")));
    QCOMPARE(m_prompts.messages.last().defaultButton, QMessageBox::No);
    QCOMPARE(readAll(m_path), changedBook());

    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(documents().OnFileSave(m_child));
    QVERIFY(readAll(m_path) != changedBook());
    // Saved: the file is ours again, and the next save asks nothing.
    edit();
    QVERIFY(documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.size(), 2);

    // A file removed meanwhile is named as gone.
    QVERIFY(QFile::remove(m_path));
    edit();
    QVERIFY(!documents().OnFileSave(m_child));
    QVERIFY(m_prompts.messages.last().text.contains(QStringLiteral("больше нет на диске")));
    QVERIFY(!QFileInfo::exists(m_path));
}

void DiskChangesTest::bookChangedOnDiskIsOfferedForReloading()
{
    openBook();
    m_child->treeView()->GetTreeCtrl().setCurrentItem(
        CStructureTreeCtrl::itemOf(doc().FindRecord(3)->treeItem));
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    replaceFile(m_path, changedBook());
    QTRY_COMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages.last().text,
             QStringLiteral("Файл \"%1\" изменён другой программой.\nПеречитать его?").arg(m_path));
    QCOMPARE(doc().RecordCount(), std::size_t(4));
    QVERIFY(!doc().IsModified());
    QCOMPARE(doc().currentId, 3u); // the same place in the book
    QCOMPARE(m_child->treeView()->GetTreeCtrl().topLevelItemCount(), 3);

    // Replacing the file ended the system's watch on the old one: it was set again.
    QByteArray third = changedBook();
    third.replace("New", "Third");
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    replaceFile(m_path, third);
    QTRY_COMPARE(m_prompts.messages.size(), 2);
    QCOMPARE(doc().RecordCount(), std::size_t(4));
    QCOMPARE(QString::fromStdString(doc().FindRecord(4)->synonym), QStringLiteral("New"));
    // The same change is not offered again; a new one is.
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("other.zet")), sampleBook()));
    waitForTheWatcher();
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY(writeFile(m_path, sampleBook())); // written in place this time
    QTRY_COMPARE(m_prompts.messages.size(), 3);
}

void DiskChangesTest::modifiedBookIsOnlyWarnedAboutWhenSaved()
{
    openBook();
    edit();
    replaceFile(m_path, changedBook());
    waitForTheWatcher();
    QVERIFY(m_prompts.messages.isEmpty());
    QVERIFY(!documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY(m_prompts.messages.last().text.contains(QStringLiteral("изменён на диске")));
}

void DiskChangesTest::unappliedRecordEditsAreNotReadAway()
{
    // Edits in the form, not yet applied, are changes of the book's own too.
    openBook();
    CInputForm* form = m_child->inputForm();
    CFieldEdit* name = form->edit(CInputForm::IDC_NAME);
    name->moveCursor(QTextCursor::End);
    name->insertPlainText(QStringLiteral("QQ"));
    QVERIFY(form->IsRecordModified());
    replaceFile(m_path, changedBook());
    documents().checkFilesOnDisk({m_path});
    QVERIFY(m_prompts.messages.isEmpty());
    QVERIFY(form->IsRecordModified());
    QVERIFY(name->toPlainText().endsWith(QStringLiteral("QQ")));

    // Dropped, they no longer stand in the way.
    form->DiscardRecord();
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    documents().checkFilesOnDisk({m_path});
    QCOMPARE(m_prompts.messages.size(), 1);
}

void DiskChangesTest::ownSavesAreNotOffered()
{
    openBook();
    for (int i = 0; i < 2; ++i) {
        edit();
        QVERIFY(documents().OnFileSave(m_child));
        waitForTheWatcher();
    }
    // Save As names another file: that one is watched from now on.
    m_prompts.fileAnswers.enqueue(m_dir->filePath(QStringLiteral("copy.zet")));
    QVERIFY(documents().OnFileSaveAs(m_child));
    waitForTheWatcher();
    QCOMPARE(documents().fileWatcher().files(),
             QStringList{m_dir->filePath(QStringLiteral("copy.zet"))});
    QVERIFY(m_prompts.messages.isEmpty());
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    replaceFile(m_dir->filePath(QStringLiteral("copy.zet")), changedBook());
    QTRY_COMPARE(m_prompts.messages.size(), 1);
}

int main(int argc, char** argv)
{
    return runUiTest<DiskChangesTest>(argc, argv);
}

#include "DiskChangesTest.moc"
