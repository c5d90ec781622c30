#include "AppTestSupport.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "OpenFileWatcher.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

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

// Puts a symbolic link to `target` in place of `path` in one step, as another user would.
void swapInLink(const QString& target, const QString& path)
{
    const QString planted = path + QStringLiteral(".planted");
    QVERIFY(QFile::link(target, planted));
    QCOMPARE(std::rename(planted.toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
}

// Where a file that need not exist really is: its folder's links resolved.
QString realPath(const QString& path)
{
    const QFileInfo info(path);
    return QDir(info.absolutePath()).canonicalPath() + QLatin1Char('/') + info.fileName();
}

// "пользователь nobody", as the save questions name a file's owner.
QString ownerOf(const QString& path)
{
    return QStringLiteral("пользователь %1").arg(QFileInfo(path).owner());
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
    // Waits until the program has decided about a change the watcher reported: by then it has
    // asked whatever it was going to ask.
    void waitForTheCheck(QSignalSpy& checked) { QVERIFY(checked.wait()); }
    // A file of another user than the one the books belong to, which no test writes to: run as
    // root, a file of the test's own given to "nobody"; otherwise one of the system's, root's.
    QString foreignFile()
    {
        if (geteuid() != 0)
            return QStringLiteral("/etc/passwd");
        const QString path = m_dir->filePath(QStringLiteral("secret.zet"));
        writeFile(path, QByteArrayLiteral("secret"));
        if (chown(path.toLocal8Bit().constData(), 65534, 65534) != 0)
            return {};
        return path;
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

    void textsTheFormatCannotHoldAreAskedAbout();
    void fileChangedOnDiskIsAskedAboutBeforeSaving();
    void bookChangedOnDiskIsOfferedForReloading();
    void modifiedBookIsOnlyWarnedAboutWhenSaved();
    void unappliedRecordEditsAreNotReadAway();
    void ownSavesAreNotOffered();
    void linkPlantedInPlaceOfTheBookIsNamedWithItsOwner();
    void danglingLinkPlantedIsNamedAsTheFileCreated();
    void anotherUsersFileIsNamedWithItsOwner();
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
    QSignalSpy checked(&documents(), &DocumentManager::filesChecked);
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("other.zet")), sampleBook()));
    waitForTheCheck(checked);
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY(writeFile(m_path, sampleBook())); // written in place this time
    QTRY_COMPARE(m_prompts.messages.size(), 3);
}

void DiskChangesTest::modifiedBookIsOnlyWarnedAboutWhenSaved()
{
    openBook();
    edit();
    QSignalSpy checked(&documents(), &DocumentManager::filesChecked);
    replaceFile(m_path, changedBook());
    waitForTheCheck(checked);
    QCOMPARE(checked.last().first().toStringList(), QStringList{m_path});
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
    QSignalSpy checked(&documents(), &DocumentManager::filesChecked);
    for (int i = 0; i < 2; ++i) {
        edit();
        QVERIFY(documents().OnFileSave(m_child));
        waitForTheCheck(checked); // the watcher saw the save
        QVERIFY(m_prompts.messages.isEmpty());
    }
    // Save As names another file: that one is watched from now on. Whether or not the watcher
    // still sees the new file being written, the book's own save is nothing to offer.
    const QString copy = m_dir->filePath(QStringLiteral("copy.zet"));
    m_prompts.fileAnswers.enqueue(copy);
    QVERIFY(documents().OnFileSaveAs(m_child));
    QCOMPARE(documents().fileWatcher().files(), QStringList{copy});
    documents().checkFilesOnDisk({copy});
    QVERIFY(m_prompts.messages.isEmpty());
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    replaceFile(copy, changedBook());
    QTRY_COMPARE(m_prompts.messages.size(), 1);
}

void DiskChangesTest::linkPlantedInPlaceOfTheBookIsNamedWithItsOwner()
{
    openBook();
    const QString foreign = foreignFile();
    QVERIFY(!foreign.isEmpty());
    const QByteArray before = readAll(foreign);
    swapInLink(foreign, m_path);
    edit();
    QVERIFY(!documents().OnFileSave(m_child)); // default No
    QCOMPARE(m_prompts.messages.size(), 1);
    const ScriptedPrompts::Message asked = m_prompts.messages.last();
    QCOMPARE(asked.icon, QMessageBox::Warning);
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(asked.defaultButton, QMessageBox::No);
    QCOMPARE(asked.text,
             QStringLiteral("Файл \"%1\" заменён символической ссылкой на файл \"%2\" после того, "
                            "как был открыт или сохранён здесь.\nЕсли сохранить документ, будет "
                            "перезаписан файл \"%2\", владелец которого — %3.\nСохранить?")
                 .arg(m_path, realPath(foreign), ownerOf(foreign)));
    QCOMPARE(readAll(foreign), before);
    QVERIFY(QFileInfo(m_path).isSymLink());
    QVERIFY(doc().IsModified());
}

void DiskChangesTest::danglingLinkPlantedIsNamedAsTheFileCreated()
{
    openBook();
    const QString created = m_dir->filePath(QStringLiteral("created.zet"));
    swapInLink(created, m_path);
    edit();
    QVERIFY(!documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages.last().text,
             QStringLiteral("Файл \"%1\" заменён символической ссылкой на файл \"%2\" после того, "
                            "как был открыт или сохранён здесь.\nЕсли сохранить документ, будет "
                            "создан файл \"%2\".\nСохранить?")
                 .arg(m_path, realPath(created)));
    QCOMPARE(m_prompts.messages.last().defaultButton, QMessageBox::No);
    QVERIFY(!QFileInfo::exists(created));

    // Agreed to, the link is the way to the book from now on: the next save asks nothing.
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(documents().OnFileSave(m_child));
    QCOMPARE(readAll(created), readAll(m_path));
    QVERIFY(QFileInfo(m_path).isSymLink());
    edit();
    QVERIFY(documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.size(), 2);

    // The link led elsewhere meanwhile.
    const QString elsewhere = m_dir->filePath(QStringLiteral("elsewhere.zet"));
    QVERIFY(writeFile(elsewhere, sampleBook()));
    swapInLink(elsewhere, m_path);
    edit();
    QVERIFY(!documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.last().text,
             QStringLiteral("Символическая ссылка \"%1\" ведёт теперь не к тому файлу, что был "
                            "открыт или сохранён здесь, а к файлу \"%2\".\nЕсли сохранить "
                            "документ, будет перезаписан файл \"%2\".\nСохранить?")
                 .arg(m_path, realPath(elsewhere)));
    QCOMPARE(readAll(elsewhere), sampleBook());
}

void DiskChangesTest::anotherUsersFileIsNamedWithItsOwner()
{
    openBook();
    const QString foreign = foreignFile();
    QVERIFY(!foreign.isEmpty());
    const QByteArray before = readAll(foreign);
    // Save As onto a link to it names the file and its owner.
    const QString link = m_dir->filePath(QStringLiteral("theirs.zet"));
    QVERIFY(QFile::link(foreign, link));
    m_prompts.fileAnswers.enqueue(link);
    QVERIFY(!documents().OnFileSaveAs(m_child));
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages.last().text,
             QStringLiteral("Путь \"%1\" ведёт к файлу \"%2\", владелец которого — %3.\nЕсли "
                            "сохранить документ, будет перезаписан файл \"%2\".\nСохранить?")
                 .arg(link, realPath(foreign), ownerOf(foreign)));
    QCOMPARE(m_prompts.messages.last().defaultButton, QMessageBox::No);
    QCOMPARE(readAll(foreign), before);
    QCOMPARE(QString::fromStdString(doc().GetPathName()), m_path);

    // A file of the same user as the book's asks nothing.
    const QString mine = m_dir->filePath(QStringLiteral("mine.zet"));
    QVERIFY(writeFile(mine, sampleBook()));
    m_prompts.fileAnswers.enqueue(mine);
    QVERIFY(documents().OnFileSaveAs(m_child));
    QCOMPARE(m_prompts.messages.size(), 1);

    // A pipe is refused as not being a file, whoever it belongs to, without asking first.
    const QString fifo = m_dir->filePath(QStringLiteral("pipe.zet"));
    QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    if (geteuid() == 0)
        QCOMPARE(chown(fifo.toLocal8Bit().constData(), 65534, 65534), 0);
    m_prompts.fileAnswers.enqueue(fifo);
    QVERIFY(!documents().OnFileSaveAs(m_child));
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY2(m_prompts.messages.last().text.endsWith(
                 QStringLiteral("Это не обычный файл, а канал, устройство или сокет: сохранить "
                                "документ можно только в файл.")),
             qPrintable(m_prompts.messages.last().text));
    QCOMPARE(m_prompts.messages.last().buttons, QMessageBox::Ok);
    if (geteuid() != 0)
        return; // only root can go on and write another user's file

    // Straight onto it; agreed to, it stays the other user's and later saves ask nothing.
    m_prompts.fileAnswers.enqueue(foreign);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(documents().OnFileSaveAs(m_child));
    QCOMPARE(m_prompts.messages.last().text,
             QStringLiteral("Владелец файла \"%1\" — %2.\nЕсли сохранить документ, этот файл "
                            "будет перезаписан.\nСохранить?")
                 .arg(foreign, ownerOf(foreign)));
    QCOMPARE(QFileInfo(foreign).ownerId(), 65534u);
    QCOMPARE(readAll(foreign), readAll(mine));
    edit();
    QVERIFY(documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.size(), 3);

    // The book's own file given to another user meanwhile: the question names the new owner.
    QCOMPARE(chown(foreign.toLocal8Bit().constData(), 0, 0), 0);
    edit();
    QVERIFY(!documents().OnFileSave(m_child));
    QCOMPARE(m_prompts.messages.last().text,
             QStringLiteral("Файл \"%1\" изменён на диске другой программой после того, как был "
                            "открыт или сохранён здесь.\nТеперь владелец файла — %2.\nЕсли "
                            "сохранить документ, эти изменения будут потеряны.\nСохранить?")
                 .arg(foreign, ownerOf(foreign)));
}

int main(int argc, char** argv)
{
    return runUiTest<DiskChangesTest>(argc, argv);
}

#include "DiskChangesTest.moc"
