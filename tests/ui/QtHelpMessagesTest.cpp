#include "QtHelpMessages.h"
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
};

int main(int argc, char** argv)
{
    return runUiTest<QtHelpMessagesTest>(argc, argv);
}

#include "QtHelpMessagesTest.moc"
