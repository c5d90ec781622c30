#include "AppTestSupport.h"
#include "CDesktopIntegration.h"

#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QtTest>

// Start-up: the command line, the first window, and the desktop registration.
class StartUpTest : public AppTestCase
{
    Q_OBJECT

private slots:
    void init() { initApp(); }
    void cleanup() { cleanupApp(); }

    void startsWithEmptyFrameAndItsMenus();
    void startsWithFileAndTheDocumentMenus();
    void fileThatCannotBeOpenedEndsStartUp();
    void embeddingAndAutomationSwitchesEndAtOnce();
    void helpVersionAndBadArguments();
    void desktopIntegrationWritesOnlyMissing();
};

void StartUpTest::startsWithEmptyFrameAndItsMenus()
{
    std::optional<int> status;
    auto app = startApp({}, &status);
    QVERIFY(!status.has_value());
    CMainFrame* frame = app->mainFrame();
    QVERIFY(frame != nullptr);
    QVERIFY(frame->isVisible());
    QVERIFY(frame->windowState() & Qt::WindowMaximized);
    QVERIFY(frame->childFrames().isEmpty());
    QVERIFY(!frame->showsDocumentMenu());
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser"));
    QCOMPARE(menuTitles(frame->menuBar()),
             (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Вид"), QStringLiteral("&?")}));
    QCOMPARE(entries(fileMenu(frame)),
             (QStringList{QStringLiteral("Созд&ать\tCtrl+N"), QStringLiteral("&Открыть...\tCtrl+O"),
                          QStringLiteral("-"), QStringLiteral("Повторно открыть"),
                          QStringLiteral("-"), QStringLiteral("В&ыход")}));
    QVERIFY(!entry(fileMenu(frame), QStringLiteral("Повторно открыть"))->isEnabled());
    QCOMPARE(
        entries(frame->menuBar()->actions().value(1)->menu()),
        (QStringList{QStringLiteral("Панели &инструментов"), QStringLiteral("Строка &статуса")}));
    QCOMPARE(entries(frame->menuBar()->actions().value(2)->menu()),
             QStringList{QStringLiteral("&О программе ZET browser...")});
    QCOMPARE(frame->statusText(), QStringLiteral("Готов"));
}

void StartUpTest::startsWithFileAndTheDocumentMenus()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    std::optional<int> status;
    auto app = startApp({path}, &status);
    QVERIFY(!status.has_value());
    CMainFrame* frame = app->mainFrame();
    QCOMPARE(frame->childFrames().size(), 1);
    QVERIFY(frame->showsDocumentMenu());
    QCOMPARE(
        menuTitles(frame->menuBar()),
        (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Правка"), QStringLiteral("&Вид"),
                     QStringLiteral("&Окно"), QStringLiteral("Сервис"), QStringLiteral("&?")}));
    const QString recent = QStringLiteral("&1 ") + QDir::toNativeSeparators(path);
    QCOMPARE(entries(fileMenu(frame)),
             (QStringList{QStringLiteral("Созд&ать\tCtrl+N"), QStringLiteral("&Открыть...\tCtrl+O"),
                          QStringLiteral("&Закрыть"), QStringLiteral("&Сохранить\tCtrl+S"),
                          QStringLiteral("Сохранить &как..."), QStringLiteral("-"), recent,
                          QStringLiteral("-"), QStringLiteral("В&ыход")}));
    // A book just opened has nothing to undo.
    QCOMPARE(entries(frame->menuBar()->actions().value(1)->menu()),
             (QStringList{QStringLiteral("&Отменить\tCtrl+Z"), QStringLiteral("&Повторить\tCtrl+Y"),
                          QStringLiteral("-"), QStringLiteral("&Найти в книге...\tCtrl+Shift+F"),
                          QStringLiteral("Найти &далее\tF3"),
                          QStringLiteral("Найти &ранее\tShift+F3")}));
    QCOMPARE(entries(frame->menuBar()->actions().value(2)->menu()),
             (QStringList{QStringLiteral("Панели &инструментов"), QStringLiteral("Полоса &статуса"),
                          QStringLiteral("Панель «Поиск в &книге»")}));
    QCOMPARE(entries(frame->menuBar()->actions().value(3)->menu()),
             (QStringList{QStringLiteral("&Каскад"), QStringLiteral("&Черепица"),
                          QStringLiteral("-"), QStringLiteral("&1 book.zet")}));
    QCOMPARE(entries(frame->menuBar()->actions().value(4)->menu()),
             QStringList{QStringLiteral("Создать справку в формате CHM")});
    CZETbrowserDoc* doc = frame->activeChild()->GetDocument();
    QCOMPARE(doc->RecordCount(), std::size_t(3));
    QCOMPARE(QString::fromStdString(doc->GetPathName()), path);
    QVERIFY(frame->windowTitle().startsWith(QStringLiteral("ZET browser - book.zet")));
    QVERIFY(m_prompts.messages.isEmpty());

    // Closing the last window brings the menus without a document back.
    frame->documents().OnFileClose();
    settle();
    QVERIFY(frame->childFrames().isEmpty());
    QVERIFY(!frame->showsDocumentMenu());
    QCOMPARE(menuTitles(frame->menuBar()).size(), 3);
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser"));
}

void StartUpTest::fileThatCannotBeOpenedEndsStartUp()
{
    std::optional<int> status;
    auto app = startApp({m_dir->filePath(QStringLiteral("missing.zet"))}, &status);
    QCOMPARE(status, std::optional<int>(1));
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY(app->mainFrame() == nullptr || app->mainFrame()->childFrames().isEmpty());
    QVERIFY(app->mainFrame() == nullptr || !app->mainFrame()->isVisible());
}

void StartUpTest::embeddingAndAutomationSwitchesEndAtOnce()
{
    for (const char* word :
         {"-Embedding", "/Embedding", "-embedding", "/AUTOMATION", "-Automation"})
        QVERIFY2(CZETbrowserApp::IsEmbeddingSwitch(QString::fromLatin1(word)), word);
    for (const char* word : {"Embedding", "--Embedding", "-Embed", "/", "-"})
        QVERIFY2(!CZETbrowserApp::IsEmbeddingSwitch(QString::fromLatin1(word)), word);

    std::optional<int> status;
    auto app =
        startApp({QStringLiteral("/Embedding"), bookPath(QStringLiteral("book.zet"))}, &status);
    QCOMPARE(status, std::optional<int>(0));
    QVERIFY(app->mainFrame() == nullptr);
    QVERIFY(m_prompts.messages.isEmpty());

    // The real program shows nothing and ends with success.
    QProcess process;
    process.start(QStringLiteral(ZET_BROWSER_EXE), {QStringLiteral("-Automation")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

void StartUpTest::helpVersionAndBadArguments()
{
    std::optional<int> status;
    startApp({QStringLiteral("--version")}, &status);
    QCOMPARE(status, std::optional<int>(0));
    startApp({QStringLiteral("--help")}, &status);
    QCOMPARE(status, std::optional<int>(0));
    startApp({QStringLiteral("--no-such-option")}, &status);
    QCOMPARE(status, std::optional<int>(2));
    startApp({QStringLiteral("a.zet"), QStringLiteral("b.zet")}, &status);
    QCOMPARE(status, std::optional<int>(2));
    QVERIFY(m_prompts.messages.isEmpty());

    QProcess process;
    process.start(QStringLiteral(ZET_BROWSER_EXE), {QStringLiteral("--version")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().startsWith("ZET browser "));
}

void StartUpTest::desktopIntegrationWritesOnlyMissing()
{
    QTemporaryDir data;
    QVERIFY(data.isValid());
    QCOMPARE(CDesktopIntegration::RegisterForUser(data.path()), 10);
    const QDir root(data.path());
    const QByteArray desktop =
        readAll(root.filePath(QStringLiteral("applications/zetbrowser.desktop")));
    QVERIFY(desktop.contains("MimeType=application/x-zet-document;"));
    QVERIFY(
        desktop.contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" %f"));
    const QByteArray mime = readAll(root.filePath(QStringLiteral("mime/packages/zetbrowser.xml")));
    QVERIFY(mime.contains("<glob pattern=\"*.zet\"/>"));
    QVERIFY(mime.contains("<comment>ZET Document</comment>"));
    QVERIFY(QFileInfo::exists(
        root.filePath(QStringLiteral("icons/hicolor/48x48/apps/zetbrowser.png"))));
    QVERIFY(QFileInfo::exists(root.filePath(
        QStringLiteral("icons/hicolor/16x16/mimetypes/application-x-zet-document.png"))));
    QCOMPARE(CDesktopIntegration::RegisterForUser(data.path()), 0);

    QVERIFY(CDesktopIntegration::DesktopEntry(QStringLiteral("/opt/a \"b\"$/zetbrowser"))
                .contains("Exec=\"/opt/a \\\\\"b\\\\\"\\\\$/zetbrowser\" %f"));

    // Start-up registers into the test's own data home, never the real one.
    auto app = startApp({});
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    QVERIFY(QFileInfo::exists(home + QStringLiteral("/applications/zetbrowser.desktop")));
}

int main(int argc, char** argv)
{
    return runUiTest<StartUpTest>(argc, argv);
}

#include "StartUpTest.moc"
