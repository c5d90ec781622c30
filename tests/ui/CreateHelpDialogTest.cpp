#include "CButtonST.h"
#include "CCreateHelpDialog.h"
#include "CFolderDialog.h"
#include "CStylePicture.h"
#include "CZETbrowserDoc.h"
#include "HeldHelpMessages.h"
#include "HelpCompiler.h"
#include "HelpCompilerProcess.h"
#include "QtHelpPlatform.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"
#include "TestUi.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

// The real lookups and profile; the desktop's opening of the help file is only recorded.
class RecordingPlatform : public QtHelpPlatform
{
public:
    bool OpenDocument(const std::string& path) override
    {
        opened << QString::fromStdString(path);
        return openSucceeds;
    }
    bool OpenDocumentWatching(const std::string& path, const std::function<void()>&) override
    {
        return OpenDocument(path);
    }
    QStringList opened;
    bool openSucceeds = true;
};

bool writeScript(const QString& path, const QByteArray& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
}

// Whether the process is gone (reaped) or ended and waiting to be.
bool processEnded(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype paren = text.lastIndexOf(')');
    return paren < 0 || text.mid(paren + 2, 1) == "Z";
}

// Whether the process has been reaped by its parent.
bool processReaped(qint64 pid)
{
    return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

qint64 readPid(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The compiler's output as it is being written: the one hidden file beside the project.
QString outputBeingWritten(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral(".zet-compiler-output-*")},
                                                     QDir::Files | QDir::Hidden);
    return names.size() == 1 ? folder + u'/' + names.first() : QString();
}

// Runs a hook before each answer: what the user does while a question is up.
class HookedPrompts : public ScriptedPrompts
{
public:
    std::function<void()> beforeAnswer;
    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        if (beforeAnswer)
            beforeAnswer();
        return ScriptedPrompts::message(parent, icon, text, buttons, defaultButton);
    }
};

QString remembered()
{
    return QSettings(QStringLiteral(ZET_PROGRAM_NAME))
        .value(QStringLiteral("Settings/HtmlHelpCompiler"))
        .toString();
}

} // namespace

class CreateHelpDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TestUi> ui;
    std::unique_ptr<RecordingPlatform> platform;
    std::unique_ptr<CZETbrowserDoc> doc;
    std::unique_ptr<CCreateHelpDialog> dialog;
    QString chmcmd;
    // Our own compiler, built beside the test programs.
    QString zetchm;

    CCreateHelpDialog* open(const QString& bookName = QStringLiteral("Справочник.zet"))
    {
        doc = makeBook(dir->filePath(bookName).toStdString());
        dialog = std::make_unique<CCreateHelpDialog>(*doc, *prompts, *ui, *platform);
        dialog->show();
        return dialog.get();
    }
    QString helpDir() const { return dir->filePath(QStringLiteral("Help")); }
    // Presses OK and waits for the work to end; whether it built the help file.
    bool pressOk(int timeoutMs = 60000)
    {
        QSignalSpy finished(dialog.get(), &CCreateHelpDialog::workFinished);
        dialog->okButton()->click();
        if (!dialog->IsBusy())
            return false;
        if (!finished.wait(timeoutMs))
            return false;
        return finished.first().first().toBool();
    }
    QStringList statusTexts() const
    {
        QStringList texts;
        for (const std::string& call : ui->calls) {
            if (call.starts_with("status:"))
                texts << QString::fromStdString(call.substr(7));
        }
        return texts;
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        prompts = std::make_unique<ScriptedPrompts>();
        ui = std::make_unique<TestUi>();
        platform = std::make_unique<RecordingPlatform>();
        QSettings(QStringLiteral(ZET_PROGRAM_NAME)).clear();
        chmcmd = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
        zetchm = QStandardPaths::findExecutable(QStringLiteral("zetchm"),
                                                {QCoreApplication::applicationDirPath()});
        QVERIFY2(!zetchm.isEmpty(), "zetchm is built beside the tests");
    }
    void cleanup()
    {
        dialog.reset();
        doc.reset();
    }

    void controlsTextsAndTabOrder()
    {
        open();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Создание файла справки"));
        QVERIFY(!dialog->windowIcon().isNull());
        QStringList labels;
        for (QLabel* label : dialog->findChildren<QLabel*>())
            labels << label->text();
        for (const char* text : {"Исполняемый файл HTML Help компилятора", "Имя файла справки",
                                 "Каталог файлов справки", "Выравнивание текста:"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        QCOMPARE(dialog->syntaxHelperButton()->text(), QStringLiteral("Синтаксис - помощник"));
        QCOMPARE(dialog->htmlTableButton()->text(), QStringLiteral("HTML таблица"));
        QCOMPARE(dialog->okButton()->text(), QStringLiteral("OK"));
        QCOMPARE(dialog->cancelButton()->text(), QStringLiteral("Отмена"));
        QVERIFY(dialog->okButton()->isDefault());
        // The alignment buttons show their pictures, not a text.
        QVERIFY(dialog->leftAlignmentButton()->text().isEmpty());
        QVERIFY(!dialog->leftAlignmentButton()->icon().isNull());
        QVERIFY(!dialog->justifyButton()->icon().isNull());
        QVERIFY(dialog->leftAlignmentButton()->isCheckable());
        QVERIFY(!dialog->progressBar()->isVisible());
        // The browse buttons' hot look.
        CButtonST* browse = dialog->compilerBrowseButton();
        QCOMPARE(browse->GetHotText(), QColor(0, 0, 96));
        QVERIFY(!browse->HasHotBorder());
        QVERIFY(browse->HasPlainFrame());
        QVERIFY(browse->HasFocusInFlat());
        // Drawn at the size the small button holds, not cut from a larger one.
        QCOMPARE(browse->IconSize(), QSize(16, 16));
        QVERIFY(browse->width() >= 16 + 4);
        QCOMPARE(CCreateHelpDialog::HotBackgroundFor(QColor(0xf0, 0xf8, 0x20)),
                 QColor(0xfa, 0xff, 0x2a));

        const QList<QWidget*> expected = {
            dialog->compilerEdit(),          dialog->compilerBrowseButton(),
            dialog->helpFileNameEdit(),      dialog->helpDirectoryEdit(),
            dialog->directoryBrowseButton(), dialog->syntaxHelperButton(),
            dialog->htmlTableButton(),       dialog->leftAlignmentButton(),
            dialog->justifyButton(),         dialog->okButton(),
            dialog->cancelButton()};
        QList<QWidget*> chain;
        QWidget* w = dialog->compilerEdit();
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w;
            w = w->nextInFocusChain();
        } while (w != dialog->compilerEdit() && chain.size() < 30);
        QCOMPARE(chain, expected);

        // No text is cut: every label and button is at least as wide as its text needs.
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        for (QWidget* widget : dialog->findChildren<QWidget*>()) {
            if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget))
                QVERIFY2(widget->width() >= widget->minimumSizeHint().width(),
                         qPrintable(widget->objectName() + widget->metaObject()->className()));
        }
    }

    void defaultsOfSavedAndUnsavedBooks()
    {
        open();
        QCOMPARE(dialog->helpFileNameEdit()->text(), QStringLiteral("Справочник.chm"));
        QCOMPARE(dialog->helpDirectoryEdit()->text(), helpDir());
        QCOMPARE(dialog->compilerEdit()->text(), zetchm);
        QCOMPARE(dialog->alignmentLabel()->text(), QStringLiteral("по левому краю"));
        QVERIFY(dialog->syntaxHelperButton()->isChecked());
        QVERIFY(dialog->leftAlignmentButton()->isChecked());
        QCOMPARE(dialog->stylePicture()->Picture(), int(CStylePicture::SyntaxHelperSample));

        // Never saved: the title has no "."; the home folder stands in for the book's.
        dialog.reset();
        doc = std::make_unique<CZETbrowserDoc>();
        doc->SetTitle("ZET1");
        dialog = std::make_unique<CCreateHelpDialog>(*doc, *prompts, *ui, *platform);
        QCOMPARE(dialog->helpFileNameEdit()->text(), QStringLiteral("ZET1.chm"));
        QCOMPARE(dialog->helpDirectoryEdit()->text(), QDir::homePath() + QStringLiteral("/Help"));

        QCOMPARE(CCreateHelpDialog::DefaultHelpFileName(QStringLiteral("a.b.zet *")),
                 QStringLiteral("a.b.chm"));
        QCOMPARE(CCreateHelpDialog::DefaultHelpFileName(QStringLiteral("Книга")),
                 QStringLiteral("Книга.chm"));
        QCOMPARE(CCreateHelpDialog::DefaultHelpDirectory(QStringLiteral("/x/y.zet")),
                 QStringLiteral("/x/Help"));
    }

    void styleAndAlignmentSwitches()
    {
        open();
        QTest::mouseClick(dialog->htmlTableButton(), Qt::LeftButton);
        QCOMPARE(dialog->stylePicture()->Picture(), int(CStylePicture::HtmlTableSample));
        QTest::mouseClick(dialog->justifyButton(), Qt::LeftButton);
        QVERIFY(dialog->justifyButton()->isChecked());
        QVERIFY(!dialog->leftAlignmentButton()->isChecked());
        QCOMPARE(dialog->alignmentLabel()->text(), QStringLiteral("по ширине"));
        QTest::mouseClick(dialog->syntaxHelperButton(), Qt::LeftButton);
        QCOMPARE(dialog->stylePicture()->Picture(), int(CStylePicture::SyntaxHelperSample));
        QTest::mouseClick(dialog->leftAlignmentButton(), Qt::LeftButton);
        QCOMPARE(dialog->alignmentLabel()->text(), QStringLiteral("по левому краю"));
    }

    void badDirectoryOrNameKeepsTheFields()
    {
        open();
        dialog->helpDirectoryEdit()->setText(QStringLiteral("   "));
        dialog->helpFileNameEdit()->setText(QStringLiteral("  мой.chm "));
        QVERIFY(!pressOk());
        QCOMPARE(prompts->messageTexts(),
                 QStringList{QStringLiteral("Не указан каталог файлов справки.")});
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->helpDirectoryEdit()->text(), QStringLiteral("   "));
        QCOMPARE(dialog->helpFileNameEdit()->text(), QStringLiteral("  мой.chm "));

        // A name that would leave the help folder: refused before any folder is made.
        dialog->helpDirectoryEdit()->setText(helpDir());
        dialog->helpFileNameEdit()->setText(QStringLiteral("../x.chm"));
        QVERIFY(!pressOk());
        QCOMPARE(prompts->messages.size(), 2);
        QVERIFY(prompts->messages.last().text.contains(QStringLiteral("«/»")));
        QVERIFY(!QFileInfo::exists(helpDir()));
        QVERIFY(ui->calls.empty());

        // A relative folder lies beside the book, wherever the program was started.
        dialog->helpFileNameEdit()->setText(QStringLiteral("мой.chm"));
        dialog->helpDirectoryEdit()->setText(QStringLiteral("Справка/html "));
        prompts->messageAnswers << QMessageBox::No;
        QVERIFY(!pressOk());
        QCOMPARE(
            prompts->messages.last().text,
            QStringLiteral("Каталог %1/Справка/html не найден! Создать каталог?").arg(dir->path()));
        QCOMPARE(dialog->helpDirectoryEdit()->text(), QStringLiteral("Справка/html "));
    }

    void generationFailureLeavesTheDialogOpen()
    {
        open();
        // A folder where the contents file must go.
        QVERIFY(QDir().mkpath(helpDir() + QStringLiteral("/Справочник.hhc")));
        dialog->compilerEdit()->setText(QStringLiteral("/nonexistent/chmcmd"));
        QVERIFY(!pressOk());
        QCOMPARE(prompts->messages.size(), 1);
        const QString text = prompts->messages.first().text;
        QVERIFY2(text.contains(helpDir() + QStringLiteral("/Справочник.hhc")), qPrintable(text));
        QVERIFY2(text.contains(QString::fromLocal8Bit(std::strerror(EISDIR))), qPrintable(text));
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->IsBusy());
        QCOMPARE(ui->waitDepth, 0);
        QCOMPARE(statusTexts(), (QStringList{QStringLiteral("Генерация файлов справки..."),
                                             QString::fromStdString(ui->caption)}));
        QVERIFY(dialog->progressBar()->isVisible());
        QCOMPARE(dialog->compilerEdit()->text(), QStringLiteral("/nonexistent/chmcmd"));

        // Once the way is clear a second OK runs the whole sequence again, up to the compiler,
        // which cannot be started: said, nothing opened, nothing remembered.
        QVERIFY(QDir(helpDir() + QStringLiteral("/Справочник.hhc")).removeRecursively());
        QVERIFY(!pressOk());
        QVERIFY(QFileInfo(helpDir() + QStringLiteral("/Справочник.hhp")).size() > 0);
        QCOMPARE(prompts->messages.size(), 2);
        QVERIFY2(prompts->messages.last().text.startsWith(
                     QStringLiteral("Не удалось запустить компилятор справки /nonexistent/chmcmd")),
                 qPrintable(prompts->messages.last().text));
        QVERIFY(dialog->isVisible());
        QVERIFY(platform->opened.isEmpty());
        QVERIFY(remembered().isEmpty());
        QCOMPARE(dialog->compilerEdit()->text(), QStringLiteral("/nonexistent/chmcmd"));
        QCOMPARE(dialog->helpDirectoryEdit()->text(), helpDir());
        QCOMPARE(statusTexts().last(), QString::fromStdString(ui->caption));
    }

    void failingCompilerIsReported()
    {
        open();
        QVERIFY(QDir().mkpath(helpDir()));
        const QString failing = dir->filePath(QStringLiteral("failing"));
        QVERIFY(writeScript(failing, "echo broken project; exit 3"));
        const QString silent = dir->filePath(QStringLiteral("silent"));
        QVERIFY(writeScript(silent, "exit 0"));
        dialog->compilerEdit()->setText(failing);
        QVERIFY(!pressOk());
        QCOMPARE(prompts->messageTexts().size(), 1);
        QVERIFY(prompts->messages.last().text.startsWith(
            QStringLiteral("Компилятор справки завершился с кодом 3.")));
        QVERIFY(prompts->messages.last().text.contains(QStringLiteral("Справочник.log")));
        dialog->compilerEdit()->setText(silent);
        QVERIFY(!pressOk());
        QVERIFY(prompts->messages.last().text.startsWith(
            QStringLiteral("Компилятор справки не создал файл")));
        QVERIFY(dialog->isVisible());
        QVERIFY(platform->opened.isEmpty());
        QVERIFY(remembered().isEmpty());
        QVERIFY(!dialog->stylePicture()->IsAnimating());
    }

    void fullRunWithTheRealCompiler()
    {
        if (chmcmd.isEmpty())
            QSKIP("chmcmd (fp-utils) is not installed");
        open();
        dialog->compilerEdit()->setText(chmcmd);
        QTest::mouseClick(dialog->htmlTableButton(), Qt::LeftButton);
        QTest::mouseClick(dialog->justifyButton(), Qt::LeftButton);
        QVERIFY(!QFileInfo::exists(helpDir()));
        prompts->messageAnswers << QMessageBox::Yes; // create the folder
        QVERIFY(pressOk());
        QCOMPARE(
            prompts->messageTexts(),
            QStringList{QStringLiteral("Каталог %1 не найден! Создать каталог?").arg(helpDir())});
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");
        QVERIFY(QFileInfo(helpFile).size() > 0);
        QCOMPARE(platform->opened, QStringList{helpFile});
        QCOMPARE(remembered(), chmcmd);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(statusTexts(), (QStringList{QStringLiteral("Генерация файлов справки..."),
                                             QStringLiteral("Компиляция файла справки..."),
                                             QString::fromStdString(ui->caption)}));
        QCOMPARE(ui->waitDepth, 0);
        QCOMPARE(dialog->progressBar()->value(), dialog->progressBar()->maximum());
        const QByteArray css = [&] {
            QFile file(helpDir() + QStringLiteral("/default.css"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QVERIFY(css.startsWith("div{\r\ntext-align:'justify';"));
    }

    void fullRunWithOurCompiler()
    {
        open();
        QCOMPARE(dialog->compilerEdit()->text(), zetchm);
        QVERIFY(QDir().mkpath(helpDir()));
        QVERIFY(pressOk());
        QVERIFY(prompts->messageTexts().isEmpty());
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");
        QFile chm(helpFile);
        QVERIFY(chm.open(QIODevice::ReadOnly));
        QCOMPARE(chm.read(4), QByteArray("ITSF"));
        QCOMPARE(platform->opened, QStringList{helpFile});
        QCOMPARE(remembered(), zetchm);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        // The compiler's log names what it wrote; no temporary file is left beside it.
        QFile log(helpDir() + QStringLiteral("/Справочник.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("Compiled "));
        QCOMPARE(
            QDir(helpDir()).entryList({QStringLiteral(".zetchm-*")}, QDir::Hidden | QDir::Files),
            QStringList());
    }

    void animationTurnsWhileTheCompilerRunsAndOnlyCancelWorks()
    {
        if (chmcmd.isEmpty())
            QSKIP("chmcmd (fp-utils) is not installed");
        open();
        QTest::mouseClick(dialog->htmlTableButton(), Qt::LeftButton);
        QVERIFY(QDir().mkpath(helpDir()));
        const QString slow = dir->filePath(QStringLiteral("slow compiler"));
        QVERIFY(writeScript(slow, "sleep 1.5; exec " + chmcmd.toLocal8Bit() + " \"$@\""));
        dialog->compilerEdit()->setText(slow);
        QSignalSpy finished(dialog.get(), &CCreateHelpDialog::workFinished);
        QWidget mainWindow;
        mainWindow.show();

        dialog->okButton()->click();
        // While the project is written (the book is read) no window takes input or closes.
        QVERIFY(!mainWindow.close());
        QVERIFY(!dialog->close());
        QVERIFY(prompts->messages.isEmpty());
        CStylePicture* picture = dialog->stylePicture();
        QTRY_VERIFY(picture->IsAnimating());
        QCOMPARE(picture->Picture(), int(CStylePicture::Busy));
        QVERIFY(!dialog->progressBar()->isVisible());
        const int frame = picture->Frame();
        QTest::qWait(350);
        QVERIFY(finished.isEmpty());
        QVERIFY(picture->Frame() != frame);

        // While the compiler runs only "Отмена" works: it, Escape and closing ask, and No (the
        // default) goes on; the fields cannot change.
        QVERIFY(dialog->cancelButton()->isEnabled());
        QVERIFY(!dialog->okButton()->isEnabled());
        QVERIFY(!dialog->helpFileNameEdit()->isEnabled());
        QCOMPARE(ui->waitDepth, 0);
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QTest::keyClicks(dialog->helpFileNameEdit(), QStringLiteral("x"));
        QVERIFY(!dialog->close());
        dialog->reject();
        QCOMPARE(prompts->messageTexts(), QStringList(4, QStringLiteral("Прервать компиляцию?")));
        QCOMPARE(prompts->messages.first().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(prompts->messages.first().defaultButton, QMessageBox::No);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->helpFileNameEdit()->text(), QStringLiteral("Справочник.chm"));

        QVERIFY(finished.wait(60000));
        QVERIFY(finished.first().first().toBool());
        QVERIFY(!picture->IsAnimating());
        QCOMPARE(picture->Picture(), int(CStylePicture::HtmlTableSample));
        QVERIFY(!dialog->isVisible());
        QVERIFY(mainWindow.close());
    }

    void cancelStopsAHangingCompilerAndRestoresTheDialog()
    {
        open();
        QVERIFY(QDir().mkpath(helpDir()));
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");
        const QString pidFile = dir->filePath(QStringLiteral("child.pid"));
        // It starts a helper of its own, writes part of the help file and never ends.
        const QString hanging = dir->filePath(QStringLiteral("hanging"));
        QVERIFY(writeScript(hanging, "sleep 1000 & echo $! > '" + pidFile.toLocal8Bit() +
                                         "'\nprintf partial > \"${1%.hhp}.chm\"\n"
                                         "echo compiling; wait"));
        dialog->compilerEdit()->setText(hanging);
        dialog->helpFileNameEdit()->setText(QStringLiteral(" Справочник "));
        QTest::mouseClick(dialog->htmlTableButton(), Qt::LeftButton);
        QTest::mouseClick(dialog->justifyButton(), Qt::LeftButton);
        QSignalSpy finished(dialog.get(), &CCreateHelpDialog::workFinished);
        dialog->okButton()->click();
        QTRY_VERIFY(QFileInfo(helpFile).size() > 0 && readPid(pidFile) > 0);
        const qint64 helper = readPid(pidFile);

        // No answer goes on.
        prompts->messageAnswers << QMessageBox::NoButton;
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QCOMPARE(prompts->messageTexts(), QStringList{QStringLiteral("Прервать компиляцию?")});
        QVERIFY(dialog->IsBusy());
        QVERIFY(!processEnded(helper));

        // Yes stops it, and whatever it started.
        prompts->messageAnswers << QMessageBox::Yes;
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        QCOMPARE(prompts->messages.size(), 2);
        QVERIFY(finished.wait(20000));
        QVERIFY(!finished.first().first().toBool());
        QTRY_VERIFY(processEnded(helper));
        QVERIFY(!QFileInfo::exists(helpFile));
        QVERIFY(readAll(helpDir() + QStringLiteral("/Справочник.log"))
                    .endsWith(QStringLiteral("compiling\n\nКомпиляция прервана.\n").toUtf8()));
        QVERIFY(outputBeingWritten(helpDir()).isEmpty());

        // The dialog is back as it was typed, and nothing more is said than the status.
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->IsBusy());
        QCOMPARE(prompts->messages.size(), 2);
        QCOMPARE(dialog->compilerEdit()->text(), hanging);
        QCOMPARE(dialog->helpFileNameEdit()->text(), QStringLiteral(" Справочник "));
        QCOMPARE(dialog->helpDirectoryEdit()->text(), helpDir());
        QVERIFY(dialog->htmlTableButton()->isChecked());
        QVERIFY(dialog->justifyButton()->isChecked());
        for (QWidget* input : {static_cast<QWidget*>(dialog->compilerEdit()),
                               static_cast<QWidget*>(dialog->okButton()),
                               static_cast<QWidget*>(dialog->helpFileNameEdit()),
                               static_cast<QWidget*>(dialog->cancelButton())})
            QVERIFY(input->isEnabled());
        QVERIFY(!dialog->stylePicture()->IsAnimating());
        QCOMPARE(dialog->stylePicture()->Picture(), int(CStylePicture::HtmlTableSample));
        QCOMPARE(statusTexts(),
                 (QStringList{QStringLiteral("Генерация файлов справки..."),
                              QStringLiteral("Компиляция файла справки..."),
                              QStringLiteral("Прерывание компиляции файла справки..."),
                              QStringLiteral("Компиляция файла справки прервана.")}));
        QCOMPARE(ui->waitDepth, 0);
        QVERIFY(platform->opened.isEmpty());
        QVERIFY(remembered().isEmpty());

        // Cancel now closes the dialog at once, as before any work.
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(prompts->messages.size(), 2);
    }

    void compilerDeafToTheRequestIsKilled()
    {
        open();
        QVERIFY(QDir().mkpath(helpDir()));
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");
        const QString deaf = dir->filePath(QStringLiteral("deaf"));
        QVERIFY(writeScript(deaf, "trap '' TERM\nprintf partial > \"${1%.hhp}.chm\"\n"
                                  "while :; do sleep 1; done"));
        dialog->compilerEdit()->setText(deaf);
        QSignalSpy finished(dialog.get(), &CCreateHelpDialog::workFinished);
        dialog->okButton()->click();
        QTRY_VERIFY(QFileInfo(helpFile).size() > 0);
        prompts->messageAnswers << QMessageBox::Yes;
        QVERIFY(!dialog->close());
        // Asked once to end, it is killed after its grace.
        QVERIFY(finished.wait(HelpCompilerProcess::kStopGraceMs + 15000));
        QVERIFY(!QFileInfo::exists(helpFile));
        QCOMPARE(statusTexts().last(), QStringLiteral("Компиляция файла справки прервана."));
        QVERIFY(dialog->isVisible());
    }

    void compilerEndingWhileTheQuestionIsUpKeepsItsResult()
    {
        QVERIFY(QDir().mkpath(helpDir()));
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");
        const QString pidFile = dir->filePath(QStringLiteral("compiler.pid"));
        const QString waiting = dir->filePath(QStringLiteral("waiting"));
        QVERIFY(writeScript(waiting, "echo $$ > '" + pidFile.toLocal8Bit() +
                                         "'\nwhile [ ! -e go ]; do sleep 0.05; done\n"
                                         "printf help > \"${1%.hhp}.chm\""));
        HookedPrompts hooked;
        doc = makeBook(dir->filePath(QStringLiteral("Справочник.zet")).toStdString());
        dialog = std::make_unique<CCreateHelpDialog>(*doc, hooked, *ui, *platform);
        dialog->show();
        dialog->compilerEdit()->setText(waiting);
        QSignalSpy finished(dialog.get(), &CCreateHelpDialog::workFinished);
        dialog->okButton()->click();
        QTRY_VERIFY(readPid(pidFile) > 0);
        // The user hesitates; meanwhile the compiler ends (and is reaped), then Yes.
        hooked.beforeAnswer = [&] {
            QFile(helpDir() + QStringLiteral("/go")).open(QIODevice::WriteOnly);
            QVERIFY(QTest::qWaitFor([&] { return processReaped(readPid(pidFile)); }, 20000));
        };
        hooked.messageAnswers << QMessageBox::Yes;
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        // Nothing was left to stop: the help file stands, is opened and the dialog closes.
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(readAll(helpFile), QByteArray("help"));
        QCOMPARE(platform->opened, QStringList{helpFile});
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        dialog.reset(); // before the prompts it was given
    }

    void emptyHelpFileIsAFailureAndGoes()
    {
        open();
        QVERIFY(QDir().mkpath(helpDir()));
        const QString empty = dir->filePath(QStringLiteral("empty"));
        QVERIFY(writeScript(empty, ": > \"${1%.hhp}.chm\""));
        dialog->compilerEdit()->setText(empty);
        QVERIFY(!pressOk());
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");
        QCOMPARE(prompts->messageTexts(),
                 QStringList{QStringLiteral("Компилятор справки создал пустой файл %1. Файл "
                                            "удалён. Подробности в файле %2/Справочник.log.")
                                 .arg(helpFile, helpDir())});
        QVERIFY(!QFileInfo::exists(helpFile));
        QVERIFY(dialog->isVisible());
        QVERIFY(platform->opened.isEmpty());
        QVERIFY(remembered().isEmpty());
    }

    void emptyOrDotOnlyNameIsRefused()
    {
        open();
        for (const QString& name : {QString(), QStringLiteral("..chm")}) {
            dialog->helpFileNameEdit()->setText(name);
            QVERIFY(!pressOk());
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->helpFileNameEdit()->text(), name);
        }
        QCOMPARE(prompts->messageTexts(),
                 (QStringList{QStringLiteral("Не указано имя файла справки."),
                              QStringLiteral("Имя файла справки «..chm» состоит только из точек "
                                             "и расширения.")}));
        QVERIFY(!QFileInfo::exists(helpDir()));
        QVERIFY(ui->calls.empty());
    }

    void compilerOutputIsWrittenAsItComes()
    {
        QVERIFY(QDir().mkpath(helpDir()));
        const QString chatty = dir->filePath(QStringLiteral("chatty"));
        QVERIFY(writeScript(chatty, "head -c 3000000 /dev/zero\n"
                                    "while [ ! -e go ]; do sleep 0.05; done\nexit 1"));
        HeldHelpMessages held;
        HelpCompiler compiler(*platform, held);
        const std::string project = (helpDir() + QStringLiteral("/a.hhp")).toStdString();
        std::optional<HelpCompiler::CompileRun> run = compiler.BeginCompile(
            chatty.toStdString(), project, (helpDir() + QStringLiteral("/a.chm")).toStdString());
        QVERIFY(run);
        HelpCompilerProcess process;
        QSignalSpy finished(&process, &HelpCompilerProcess::finished);
        QVERIFY(process.Start(std::move(*run)));
        // All of it on disk while the compiler still runs; only its end in memory.
        QTRY_COMPARE(QFileInfo(outputBeingWritten(helpDir())).size(), qint64(3000000));
        QVERIFY(process.IsRunning());
        QCOMPARE(process.Run().output.Tail().size(), CompilerOutputLog::kKeptBytes);
        QFile(helpDir() + QStringLiteral("/go")).open(QIODevice::WriteOnly);
        QVERIFY(finished.wait(20000));
        QVERIFY(!compiler.FinishCompile(process.Run(), process.Result()));
        QCOMPARE(QFileInfo(helpDir() + QStringLiteral("/a.log")).size(), qint64(3000000));
        QVERIFY(outputBeingWritten(helpDir()).isEmpty());
    }

    void dialogGoingAwayWaitsForTheWork()
    {
        if (chmcmd.isEmpty())
            QSKIP("chmcmd (fp-utils) is not installed");
        open();
        QVERIFY(QDir().mkpath(helpDir()));
        const QString slow = dir->filePath(QStringLiteral("slow"));
        QVERIFY(writeScript(slow, "sleep 0.5; exec " + chmcmd.toLocal8Bit() + " \"$@\""));
        dialog->compilerEdit()->setText(slow);
        const QString project = helpDir() + QStringLiteral("/Справочник.hhp");
        const QString helpFile = helpDir() + QStringLiteral("/Справочник.chm");

        // Going away while the project is written (the program quitting): the generation is
        // waited for, the compiler never started; the wait cursor and status text come back.
        dialog->okButton()->click();
        QVERIFY(dialog->IsBusy());
        dialog.reset();
        QVERIFY(QFileInfo(project).size() > 0);
        QVERIFY(!QFileInfo::exists(helpFile));
        QCOMPARE(ui->waitDepth, 0);
        QCOMPARE(statusTexts().last(), QString::fromStdString(ui->caption));

        // Going away while the compiler runs: it is given its time to finish.
        open();
        dialog->compilerEdit()->setText(slow);
        dialog->okButton()->click();
        QTRY_VERIFY(dialog->stylePicture()->IsAnimating());
        dialog.reset();
        QVERIFY(QFileInfo(helpFile).size() > 0);
        QCOMPARE(ui->waitDepth, 0);
        QCOMPARE(statusTexts().last(), QString::fromStdString(ui->caption));
        QVERIFY(platform->opened.isEmpty());
    }

    void compilerChooser()
    {
        open();
        prompts->fileAnswers << QStringLiteral("/opt/hh/hhc") << QString();
        dialog->compilerBrowseButton()->click();
        QCOMPARE(prompts->fileCaptions,
                 QStringList{QStringLiteral("Выберите исполняемый файл HTML Help компилятора")});
        QCOMPARE(dialog->compilerEdit()->text(), QStringLiteral("/opt/hh/hhc"));
        // Cancelled: the field stays.
        dialog->compilerBrowseButton()->click();
        QCOMPARE(dialog->compilerEdit()->text(), QStringLiteral("/opt/hh/hhc"));
    }

    void folderChooserStartsAboveTheHelpFolder()
    {
        open();
        const QString sub = dir->filePath(QStringLiteral("Книги"));
        QVERIFY(QDir().mkpath(sub));
        QString started;
        prompts->dialogScripts.enqueue([&](QDialog& shown) {
            auto* chooser = qobject_cast<CFolderDialog*>(&shown);
            QVERIFY(chooser != nullptr);
            QCOMPARE(chooser->windowTitle(), QStringLiteral("Выбор каталога"));
            started = chooser->ShownFolder();
            chooser->setDirectory(sub);
            chooser->accept();
        });
        dialog->directoryBrowseButton()->click();
        QCOMPARE(started, QDir(dir->path()).absolutePath());
        QCOMPARE(dialog->helpDirectoryEdit()->text(), sub);
        // Cancelled: the field stays.
        prompts->dialogScripts.enqueue([](QDialog& shown) { shown.reject(); });
        dialog->directoryBrowseButton()->click();
        QCOMPARE(dialog->helpDirectoryEdit()->text(), sub);
    }

    void folderChooserReturnsTheFolderShown()
    {
        const QString start = QDir(dir->path()).absolutePath();
        const QString sub = start + QStringLiteral("/Справка");
        QVERIFY(QDir().mkpath(sub));
        QString folder = start;
        {
            CFolderDialog chooser(&folder);
            chooser.show();
            QCOMPARE(chooser.ShownFolder(), start);
            QCOMPARE(chooser.folderLabel()->text(), start);
            QCOMPARE(chooser.labelText(QFileDialog::Accept), QStringLiteral("Выбрать"));
            QCOMPARE(chooser.labelText(QFileDialog::FileName), QStringLiteral("Имя папки:"));
            QLabel* nameLabel = nullptr;
            for (QLabel* label : chooser.findChildren<QLabel*>()) {
                if (label->text() == QStringLiteral("Имя папки:"))
                    nameLabel = label;
            }
            QVERIFY(nameLabel != nullptr && nameLabel->isVisible());
            QVERIFY(chooser.folderLabel()->isVisible());
            // Shown under the label, not above it.
            QVERIFY(chooser.folderLabel()->mapTo(&chooser, QPoint()).y() >=
                    nameLabel->mapTo(&chooser, QPoint()).y());
            // Pressing "Выбрать" at once gives the start folder.
            chooser.accept();
            QCOMPARE(folder, start);
        }
        {
            CFolderDialog chooser(&folder);
            chooser.show();
            chooser.setDirectory(sub);
            emit chooser.directoryEntered(sub); // as when the user enters it
            QCOMPARE(chooser.folderLabel()->text(), sub);
            // A folder merely selected in the list is not the answer: the one shown is.
            chooser.selectFile(QStringLiteral("nothing-here"));
            chooser.accept();
            QCOMPARE(folder, sub);
        }
        {
            CFolderDialog chooser(&folder);
            chooser.show();
            chooser.setDirectory(QStringLiteral("/"));
            chooser.reject();
            QCOMPARE(folder, sub);
        }
        // A folder not made yet opens at its nearest existing parent.
        QString missing = sub + QStringLiteral("/a/b");
        {
            CFolderDialog chooser(&missing);
            QCOMPARE(chooser.ShownFolder(), sub);
        }
        QString root = QStringLiteral("/");
        CFolderDialog chooser(&root);
        chooser.accept();
        QCOMPARE(root, QStringLiteral("/"));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<CreateHelpDialogTest>(argc, argv);
}

#include "CreateHelpDialogTest.moc"
