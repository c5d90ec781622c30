#include "QtHelpMessages.h"
#include "DesktopHelpPlatform.h"
#include "FakeXdgOpen.h"
#include "HelpCompiler.h"
#include "QtHelpPlatform.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QWidget>
#include <QtTest>

class QtHelpMessagesTest : public QObject
{
    Q_OBJECT

private slots:
    void boxesCarryTextIconAndButtons()
    {
        ScriptedPrompts prompts;
        QWidget parent;
        QtHelpMessages messages(prompts, &parent);
        messages.ShowFileError("/книги/Справка/Index.html", "Permission denied");
        messages.ShowMessage("Не найден компилятор справки.");
        QCOMPARE(
            prompts.messageTexts(),
            (QStringList{QStringLiteral("Не удалось создать файл \"/книги/Справка/Index.html\"."
                                        "\nPermission denied"),
                         QStringLiteral("Не найден компилятор справки.")}));
        for (const ScriptedPrompts::Message& shown : prompts.messages) {
            QCOMPARE(shown.icon, QMessageBox::Warning);
            QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }

    void onlyYesAgrees()
    {
        ScriptedPrompts prompts;
        QtHelpMessages messages(prompts, nullptr);
        prompts.messageAnswers << QMessageBox::Yes << QMessageBox::No << QMessageBox::Cancel;
        QVERIFY(messages.AskYesNo("Создать каталог?"));
        QVERIFY(!messages.AskYesNo("Создать каталог?"));
        QVERIFY(!messages.AskYesNo("Создать каталог?"));
        const ScriptedPrompts::Message& asked = prompts.messages.first();
        QCOMPARE(asked.icon, QMessageBox::Question);
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(asked.defaultButton, QMessageBox::Yes);
    }

    void generatorAsksThroughThePrompts()
    {
        ScriptedPrompts prompts;
        QtHelpMessages messages(prompts, nullptr);
        QtHelpPlatform platform;
        HelpCompiler compiler(platform, messages);
        QVERIFY(!compiler.PrepareHelpDirectory("   "));
        QTemporaryDir dir;
        const std::string missing = dir.filePath(QStringLiteral("Справка")).toStdString();
        prompts.messageAnswers << QMessageBox::No;
        QVERIFY(!compiler.PrepareHelpDirectory(missing));
        QCOMPARE(prompts.messageTexts(),
                 (QStringList{QStringLiteral("Не указан каталог файлов справки."),
                              QStringLiteral("Каталог %1 не найден! Создать каталог?")
                                  .arg(QString::fromStdString(missing))}));
    }

    // The desktop's opener answers only after the help dialog has closed: its failure is told
    // over the window that owned the dialog.
    void aHelpFileNothingOpensIsReportedLater()
    {
        ScriptedPrompts prompts;
        QWidget owner;
        DesktopHelpPlatform platform;
        const std::string first = "/книги/Справка/первая.chm";
        const std::string second = "/книги/Справка/вторая.chm";
        {
            FakeXdgOpen xdgOpen("sleep 0.2; exit 3");
            QVERIFY(xdgOpen.isValid());
            auto* dialog = new QWidget(&owner);
            QtHelpMessages messages(prompts, dialog);
            QVERIFY(HelpCompiler(platform, messages).OpenHelpFile(first));
            delete dialog;
            QVERIFY(prompts.messages.isEmpty());
            QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 1, 10000);
            QCOMPARE(xdgOpen.arguments(), QByteArray::fromStdString(first) + "\n");
        }
        QCOMPARE(prompts.messageTexts(),
                 QStringList{QStringLiteral("Не удалось открыть файл справки %1.")
                                 .arg(QString::fromStdString(first))});
        QCOMPARE(prompts.messages.first().icon, QMessageBox::Warning);

        // One that opens says nothing: by the time a slower failure is told, it has long
        // answered.
        QtHelpMessages messages(prompts, &owner);
        FakeXdgOpen opens("exit 0");
        QVERIFY(HelpCompiler(platform, messages).OpenHelpFile(first));
        QTRY_VERIFY(!opens.arguments().isEmpty());
        FakeXdgOpen fails("sleep 1; exit 4");
        QVERIFY(HelpCompiler(platform, messages).OpenHelpFile(second));
        QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 2, 10000);
        QCOMPARE(prompts.messageTexts().last(),
                 QStringLiteral("Не удалось открыть файл справки %1.")
                     .arg(QString::fromStdString(second)));
    }

    void noOpenerAtAllIsReportedAtOnce()
    {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        ScriptedPrompts prompts;
        QWidget owner;
        QtHelpMessages messages(prompts, &owner);
        DesktopHelpPlatform platform;
        // Without xdg-open Qt's own way is asked, which has nothing to open it with here.
        const bool opened = HelpCompiler(platform, messages).OpenHelpFile("/нет/такого.chm");
        qputenv("PATH", path);
        QVERIFY(!opened);
        QCOMPARE(prompts.messageTexts(),
                 QStringList{QStringLiteral("Не удалось открыть файл справки /нет/такого.chm.")});
    }
};

int main(int argc, char** argv)
{
    return runUiTest<QtHelpMessagesTest>(argc, argv);
}

#include "QtHelpMessagesTest.moc"
