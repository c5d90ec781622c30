#include "HelpBuild.h"
#include "CZETbrowserDoc.h"
#include "QtHelpPlatform.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"
#include "TestUi.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The real lookups and profile; the desktop's opening of the help file is only recorded.
class RecordingPlatform : public QtHelpPlatform
{
public:
    bool OpenDocument(const std::string& path) override
    {
        opened << QString::fromStdString(path);
        return true;
    }
    bool OpenDocumentWatching(const std::string& path, const std::function<void()>&) override
    {
        return OpenDocument(path);
    }
    QStringList opened;
};

// Runs a hook before each answer: what happens while a message is up.
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

} // namespace

// The build without its dialog: what it reports and when, where the dialog cannot reach.
class HelpBuildTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<HookedPrompts> prompts;
    std::unique_ptr<TestUi> ui;
    std::unique_ptr<RecordingPlatform> platform;
    std::unique_ptr<CZETbrowserDoc> doc;
    std::unique_ptr<HelpBuild> build;
    QList<HelpBuild::State> states;
    QList<HelpBuild::Outcome> outcomes;
    QList<QPair<int, int>> progress;

    QString helpDir() const { return dir->filePath(QStringLiteral("Help")); }
    QString helpFile() const { return helpDir() + QStringLiteral("/Книга.chm"); }
    // A build of `book` with a compiler that runs `script`.
    void prepare(std::unique_ptr<CZETbrowserDoc> book, const QByteArray& script)
    {
        doc = std::move(book);
        QVERIFY(writeScript(dir->filePath(QStringLiteral("compiler")), script));
        build = std::make_unique<HelpBuild>(*doc, *prompts, *ui, *platform, nullptr);
        connect(build.get(), &HelpBuild::stateChanged, this,
                [this](HelpBuild::State state) { states << state; });
        connect(build.get(), &HelpBuild::finished, this,
                [this](HelpBuild::Outcome outcome) { outcomes << outcome; });
        connect(build.get(), &HelpBuild::progressChanged, this,
                [this](int position, int maximum) { progress << qMakePair(position, maximum); });
    }
    HelpOptions options() const
    {
        HelpOptions options;
        options.compilerPath = dir->filePath(QStringLiteral("compiler")).toStdString();
        options.helpFileName = "Книга.chm";
        options.helpDirectory = helpDir().toStdString();
        return options;
    }
    QString lastStatus() const
    {
        for (auto call = ui->calls.rbegin(); call != ui->calls.rend(); ++call) {
            if (call->starts_with("status:"))
                return QString::fromStdString(call->substr(7));
        }
        return {};
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir().mkpath(helpDir()));
        prompts = std::make_unique<HookedPrompts>();
        ui = std::make_unique<TestUi>();
        platform = std::make_unique<RecordingPlatform>();
        states.clear();
        outcomes.clear();
        progress.clear();
    }
    void cleanup()
    {
        build.reset();
        doc.reset();
    }

    void stopWhileTheProjectIsWrittenIsIgnored()
    {
        // An empty book: its bar is full at the end rather than a busy indicator.
        auto empty = std::make_unique<CZETbrowserDoc>();
        empty->SetPathName(dir->filePath(QStringLiteral("Книга.zet")).toStdString());
        prepare(std::move(empty), "printf help > \"${1%.hhp}.chm\"");
        QVERIFY(build->start(options()));
        QCOMPARE(build->state(), HelpBuild::State::Generating);
        // Nothing is asked and nothing cut short; a second build is refused without a word.
        build->requestStop();
        QVERIFY(!build->start(options()));
        QVERIFY(prompts->messages.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), 1, 30000);
        QCOMPARE(outcomes.first(), HelpBuild::Outcome::Built);
        QCOMPARE(states,
                 (QList<HelpBuild::State>{HelpBuild::State::Generating, HelpBuild::State::Compiling,
                                          HelpBuild::State::Idle}));
        QCOMPARE(progress.first(), qMakePair(0, 1));
        QCOMPARE(progress.last(), qMakePair(1, 1));
        QCOMPARE(platform->opened, QStringList{helpFile()});
        QVERIFY(prompts->messages.isEmpty());
        QCOMPARE(ui->waitDepth, 0);
    }

    void stopWhileCompilingAsksOnceAndEndsIt()
    {
        prepare(makeBook(dir->filePath(QStringLiteral("Книга.zet")).toStdString()),
                "printf partial > \"${1%.hhp}.chm\"\nexec sleep 1000");
        QVERIFY(build->start(options()));
        QTRY_VERIFY_WITH_TIMEOUT(build->state() == HelpBuild::State::Compiling &&
                                     QFileInfo(helpFile()).size() > 0,
                                 30000);
        prompts->messageAnswers << QMessageBox::No << QMessageBox::Yes;
        build->requestStop();
        QCOMPARE(build->state(), HelpBuild::State::Compiling);
        build->requestStop();
        QCOMPARE(build->state(), HelpBuild::State::Stopping);
        QCOMPARE(lastStatus(), QStringLiteral("Прерывание компиляции файла справки..."));
        // While it ends, asking again would offer what is already under way.
        build->requestStop();
        QCOMPARE(prompts->messageTexts(), QStringList(2, QStringLiteral("Прервать компиляцию?")));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), 1, 20000);
        QCOMPARE(outcomes.first(), HelpBuild::Outcome::Stopped);
        QCOMPARE(states,
                 (QList<HelpBuild::State>{HelpBuild::State::Generating, HelpBuild::State::Compiling,
                                          HelpBuild::State::Stopping, HelpBuild::State::Idle}));
        QVERIFY(!QFileInfo::exists(helpFile()));
        QCOMPARE(lastStatus(), QStringLiteral("Компиляция файла справки прервана."));
        QCOMPARE(prompts->messages.size(), 2);
        QVERIFY(platform->opened.isEmpty());
        QCOMPARE(ui->waitDepth, 0);
    }

    void failuresAreToldOnceTheBuildIsIdle()
    {
        const QString marker = dir->filePath(QStringLiteral("compiler started"));
        prepare(makeBook(dir->filePath(QStringLiteral("Книга.zet")).toStdString()),
                "touch '" + marker.toLocal8Bit() + "'\nexit 3");
        QList<HelpBuild::State> whenTold;
        prompts->beforeAnswer = [&] { whenTold << build->state(); };

        // The generation fails (a folder where the contents file must go): the compiler never
        // starts, and every window takes input again.
        QVERIFY(QDir().mkpath(helpDir() + QStringLiteral("/Книга.hhc")));
        QVERIFY(build->start(options()));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), 1, 30000);
        QCOMPARE(outcomes.last(), HelpBuild::Outcome::Failed);
        QCOMPARE(states,
                 (QList<HelpBuild::State>{HelpBuild::State::Generating, HelpBuild::State::Idle}));
        QVERIFY(!QFileInfo::exists(marker));
        QCOMPARE(prompts->messages.size(), 1);
        QVERIFY(prompts->messages.first().text.contains(QStringLiteral("Книга.hhc")));
        QCOMPARE(whenTold, QList<HelpBuild::State>{HelpBuild::State::Idle});
        QCOMPARE(ui->waitDepth, 0);
        QWidget window;
        window.show();
        QVERIFY(window.close());

        // The compiler fails: said once the build is over, too.
        QVERIFY(QDir(helpDir() + QStringLiteral("/Книга.hhc")).removeRecursively());
        QVERIFY(build->start(options()));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), 2, 30000);
        QCOMPARE(outcomes.last(), HelpBuild::Outcome::Failed);
        QVERIFY(QFileInfo::exists(marker));
        QCOMPARE(prompts->messages.size(), 2);
        QVERIFY(prompts->messages.last().text.startsWith(
            QStringLiteral("Компилятор справки завершился с кодом 3.")));
        QCOMPARE(whenTold, QList<HelpBuild::State>(2, HelpBuild::State::Idle));
        QVERIFY(platform->opened.isEmpty());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<HelpBuildTest>(argc, argv);
}

#include "HelpBuildTest.moc"
