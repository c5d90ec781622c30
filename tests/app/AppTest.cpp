#include "CChildFrame.h"
#include "CDesktopIntegration.h"
#include "CInstanceChannel.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserApp.h"
#include "CZETbrowserDoc.h"
#include "DocumentManager.h"
#include "DocumentText.h"
#include "FakeUi.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

QByteArray cp1251(const char* utf8)
{
    return QByteArray::fromStdString(DocumentText::fromQString(QString::fromUtf8(utf8)));
}

// A two-section book of a made-up language.
QByteArray sampleBook()
{
    return cp1251("{\"Shell\",\r\n"
                  " {\"Folder\",\"AST\",\"Функции\",\"Fn\",\r\n"
                  "  {\"Item\",\"AST\",\"Длина\",\"Len\",\"Длина\",\"Len\",\r\n"
                  "\"@Синтаксис:\r\nДлина(Стр)\r\n\"\r\n"
                  "  }\r\n"
                  " },\r\n"
                  " {\"Item\",\"AST\",\"Сообщить\",\"Message\",\"\",\"\",\r\n"
                  "\"\"\r\n"
                  " }\r\n"
                  "}\r\n");
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList menuTitles(QMenuBar* bar)
{
    QStringList titles;
    const auto actions = bar->actions();
    for (QAction* action : actions)
        titles << action->text();
    return titles;
}

QMenu* fileMenu(CMainFrame* frame)
{
    return frame->menuBar()->actions().value(0)->menu();
}

QStringList entries(QMenu* menu)
{
    QStringList result;
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            result << QStringLiteral("-");
        else if (action->isVisible())
            result << action->text();
    }
    return result;
}

QAction* entry(QMenu* menu, const QString& text)
{
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isVisible() && action->text() == text)
            return action;
    }
    return nullptr;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithEmptyFrameAndMenu128();
    void startsWithFileAndMenu129();
    void fileThatCannotBeOpenedEndsStartUp();
    void fileThatCannotBeOpenedLeavesNoWindow();
    void embeddingAndAutomationSwitchesEndAtOnce();
    void helpVersionAndBadArguments();
    void newDocumentsAreNumbered();
    void editThroughTreeSaveAndCompareBytes();
    void saveOfUntitledRunsSaveAs();
    void closePromptCancelKeepsWindow();
    void closePromptNoDiscards();
    void closePromptYesSaves();
    void exitCancelKeepsEveryDocument();
    void recentFilesHoldFourWithPlaceholder();
    void recentFileThatVanishedLeavesList();
    void openingAnOpenFileActivatesIt();
    void secondInstanceForwardsPath();
    void droppedFilesOpen();
    void staleSocketIsReplaced();
    void forwardedFileWaitsForOpenDialog();
    void statusPaneAndPrompts();
    void toolbarAndAccelerators();
    void desktopIntegrationWritesOnlyMissing();
    void aboutTextIsNeutral();

private:
    std::unique_ptr<CZETbrowserApp> startApp(const QStringList& args,
                                             std::optional<int>* status = nullptr);
    QString bookPath(const QString& name, const QByteArray& bytes = sampleBook());

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts m_prompts;
};

void AppTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = ScriptedPrompts();
    QSettings(CZETbrowserApp::kProfileName).clear();
}

void AppTest::cleanup()
{
    settle();
    m_dir.reset();
}

std::unique_ptr<CZETbrowserApp> AppTest::startApp(const QStringList& args,
                                                  std::optional<int>* status)
{
    auto app = std::make_unique<CZETbrowserApp>(m_prompts);
    QStringList argv = {QStringLiteral("zetbrowser")};
    argv += args;
    const auto result = app->InitInstance(argv);
    if (status != nullptr)
        *status = result;
    return app;
}

QString AppTest::bookPath(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir->filePath(name);
    if (!bytes.isNull())
        writeFile(path, bytes);
    return path;
}

void AppTest::startsWithEmptyFrameAndMenu128()
{
    std::optional<int> status;
    auto app = startApp({}, &status);
    QVERIFY(!status.has_value());
    CMainFrame* frame = app->mainFrame();
    QVERIFY(frame != nullptr);
    QVERIFY(frame->isVisible());
    QVERIFY(frame->windowState() & Qt::WindowMaximized);
    QVERIFY(frame->documents().childFrames().isEmpty());
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

void AppTest::startsWithFileAndMenu129()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    std::optional<int> status;
    auto app = startApp({path}, &status);
    QVERIFY(!status.has_value());
    CMainFrame* frame = app->mainFrame();
    QCOMPARE(frame->documents().childFrames().size(), 1);
    QVERIFY(frame->showsDocumentMenu());
    QCOMPARE(menuTitles(frame->menuBar()),
             (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Вид"), QStringLiteral("&Окно"),
                          QStringLiteral("Сервис"), QStringLiteral("&?")}));
    const QString recent = QStringLiteral("&1 ") + QDir::toNativeSeparators(path);
    QCOMPARE(entries(fileMenu(frame)),
             (QStringList{QStringLiteral("Созд&ать\tCtrl+N"), QStringLiteral("&Открыть...\tCtrl+O"),
                          QStringLiteral("&Закрыть"), QStringLiteral("&Сохранить\tCtrl+S"),
                          QStringLiteral("Сохранить &как..."), QStringLiteral("-"), recent,
                          QStringLiteral("-"), QStringLiteral("В&ыход")}));
    QCOMPARE(
        entries(frame->menuBar()->actions().value(1)->menu()),
        (QStringList{QStringLiteral("Панели &инструментов"), QStringLiteral("Полоса &статуса")}));
    QCOMPARE(entries(frame->menuBar()->actions().value(2)->menu()),
             (QStringList{QStringLiteral("&Каскад"), QStringLiteral("&Черепица")}));
    QCOMPARE(entries(frame->menuBar()->actions().value(3)->menu()),
             QStringList{QStringLiteral("Создать справку в формате CHM")});
    CZETbrowserDoc* doc = frame->documents().activeChild()->GetDocument();
    QCOMPARE(doc->RecordCount(), std::size_t(3));
    QCOMPARE(QString::fromStdString(doc->GetPathName()), path);
    QVERIFY(frame->windowTitle().startsWith(QStringLiteral("ZET browser - book.zet")));
    QVERIFY(m_prompts.messages.isEmpty());

    // Closing the last window brings menu 128 back.
    frame->documents().OnFileClose();
    settle();
    QVERIFY(frame->documents().childFrames().isEmpty());
    QVERIFY(!frame->showsDocumentMenu());
    QCOMPARE(menuTitles(frame->menuBar()).size(), 3);
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser"));
}

void AppTest::fileThatCannotBeOpenedEndsStartUp()
{
    std::optional<int> status;
    auto app = startApp({m_dir->filePath(QStringLiteral("missing.zet"))}, &status);
    QCOMPARE(status, std::optional<int>(1));
    QCOMPARE(m_prompts.messages.size(), 1);
    QVERIFY(app->mainFrame() == nullptr || app->mainFrame()->documents().childFrames().isEmpty());
    QVERIFY(app->mainFrame() == nullptr || !app->mainFrame()->isVisible());
}

void AppTest::fileThatCannotBeOpenedLeavesNoWindow()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    // A folder cannot be read as a book either.
    QVERIFY(frame->documents().OpenDocumentFile(m_dir->filePath(QStringLiteral("missing.zet"))) ==
            nullptr);
    QVERIFY(frame->documents().OpenDocumentFile(m_dir->path()) == nullptr);
    QVERIFY(frame->documents().childFrames().isEmpty());
    QVERIFY(!frame->showsDocumentMenu());
    QCOMPARE(m_prompts.messages.size(), 2);
    QVERIFY(app->recentFiles()->files().isEmpty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void AppTest::embeddingAndAutomationSwitchesEndAtOnce()
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

void AppTest::helpVersionAndBadArguments()
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

void AppTest::newDocumentsAreNumbered()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* first = frame->documents().OnFileNew();
    CChildFrame* second = frame->documents().OnFileNew();
    QCOMPARE(QString::fromStdString(first->GetDocument()->GetTitle()), QStringLiteral("ZET1"));
    QCOMPARE(QString::fromStdString(second->GetDocument()->GetTitle()), QStringLiteral("ZET2"));
    QCOMPARE(first->GetDocument()->RecordCount(), std::size_t(0));
    QVERIFY(frame->showsDocumentMenu());
    QCOMPARE(frame->documents().activeChild(), second);
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser - ZET2"));
    QVERIFY(!frame->commandAction(CMainFrame::ID_FILE_SAVE)->isEnabled());
    // Closing one does not reuse its number.
    second->close();
    settle();
    QCOMPARE(QString::fromStdString(frame->documents().OnFileNew()->GetDocument()->GetTitle()),
             QStringLiteral("ZET3"));
}

void AppTest::editThroughTreeSaveAndCompareBytes()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().activeChild();
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
    FakeUi ui;
    QVERIFY(doc.OnOpenDocument(reference.toStdString(), ui));
    QVERIFY(doc.DeleteRecord(3));
    const QString referenceOut = m_dir->filePath(QStringLiteral("reference-out.zet"));
    QVERIFY(doc.OnSaveDocument(referenceOut.toStdString(), ui));
    const QByteArray saved = readAll(path);
    QCOMPARE(saved, readAll(referenceOut));
    QVERIFY(!saved.contains(cp1251("Сообщить")));
    QVERIFY(saved.contains(cp1251("Длина(Стр)")));
}

void AppTest::saveOfUntitledRunsSaveAs()
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

void AppTest::closePromptCancelKeepsWindow()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().activeChild();
    child->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::Cancel);
    QVERIFY(!child->close());
    settle();
    QCOMPARE(frame->documents().childFrames().size(), 1);
    QCOMPARE(m_prompts.messages.size(), 1);
    const auto& asked = m_prompts.messages.first();
    QCOMPARE(asked.text, QStringLiteral("Сохранить изменения в book.zet?"));
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(readAll(path), sampleBook());
}

void AppTest::closePromptNoDiscards()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().OnFileNew();
    child->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    frame->documents().OnFileClose();
    settle();
    QVERIFY(frame->documents().childFrames().isEmpty());
    // The untitled name is asked about without its modified mark.
    QCOMPARE(m_prompts.messageTexts(), QStringList{QStringLiteral("Сохранить изменения в ZET1?")});
    QVERIFY(m_prompts.fileCaptions.isEmpty());
}

void AppTest::closePromptYesSaves()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    auto app = startApp({path});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->documents().activeChild();
    CStructureTreeCtrl& tree = child->treeView()->GetTreeCtrl();
    tree.setCurrentItem(tree.topLevelItem(1));
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes); // delete the entry
    QTest::keyClick(&tree, Qt::Key_Delete);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes); // save the changes
    QVERIFY(child->close());
    settle();
    QVERIFY(frame->documents().childFrames().isEmpty());
    QVERIFY(!readAll(path).contains(cp1251("Сообщить")));

    // Yes on an untitled document whose Save As is cancelled keeps the window open.
    CChildFrame* untitled = frame->documents().OnFileNew();
    untitled->GetDocument()->SetModifiedMark(true);
    m_prompts.messageAnswers.enqueue(QMessageBox::Yes);
    QVERIFY(!untitled->close());
    settle();
    QCOMPARE(frame->documents().childFrames().size(), 1);
}

void AppTest::exitCancelKeepsEveryDocument()
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
    QCOMPARE(frame->documents().childFrames().size(), 2);
    QCOMPARE(m_prompts.messageTexts(),
             (QStringList{QStringLiteral("Сохранить изменения в ZET1?"),
                          QStringLiteral("Сохранить изменения в ZET2?")}));

    // Answering No to both closes everything.
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    frame->commandAction(CMainFrame::ID_APP_EXIT)->trigger();
    settle();
    QVERIFY(frame->documents().childFrames().isEmpty());
    QVERIFY(!frame->isVisible());
}

void AppTest::recentFilesHoldFourWithPlaceholder()
{
    QStringList paths;
    for (int i = 1; i <= 5; ++i)
        paths << bookPath(QStringLiteral("book%1.zet").arg(i));
    {
        auto app = startApp({});
        CMainFrame* frame = app->mainFrame();
        QVERIFY(entry(fileMenu(frame), QStringLiteral("Повторно открыть")) != nullptr);
        for (const QString& path : paths)
            QVERIFY(frame->documents().OpenDocumentFile(path) != nullptr);
        QCOMPARE(app->recentFiles()->files(),
                 (QStringList{paths[4], paths[3], paths[2], paths[1]}));
        QVERIFY(entry(fileMenu(frame), QStringLiteral("Повторно открыть файл")) == nullptr);
        QAction* first =
            entry(fileMenu(frame), QStringLiteral("&1 ") + QDir::toNativeSeparators(paths[4]));
        QVERIFY(first != nullptr);
        QCOMPARE(first->statusTip(), QStringLiteral("Открыть этот документ"));
        QVERIFY(entry(fileMenu(frame), QStringLiteral("&4 ") + QDir::toNativeSeparators(paths[1])));
        QCOMPARE(
            entries(fileMenu(frame)).filter(QRegularExpression(QStringLiteral("^&\\d "))).size(),
            4);
        // Reopening one moves it to the front without growing the list.
        const auto children = frame->documents().childFrames();
        for (CChildFrame* child : children)
            child->close();
        settle();
        entry(fileMenu(frame), QStringLiteral("&3 ") + QDir::toNativeSeparators(paths[2]))
            ->trigger();
        QCOMPARE(app->recentFiles()->files().first(), paths[2]);
        QCOMPARE(app->recentFiles()->files().size(), 4);
        frame->close();
        settle();
    }
    // The list lives in the profile named after the program.
    QSettings profile(QStringLiteral("ZET browser"));
    QCOMPARE(profile.value(QStringLiteral("Recent File List/File1")).toString(), paths[2]);
    QVERIFY(!profile.contains(QStringLiteral("Recent File List/File5")));
    auto app = startApp({});
    QCOMPARE(app->recentFiles()->files().size(), 4);

    CRecentFileList list(profile, 4);
    list.Add(QStringLiteral("/a&b/x.zet"));
    QCOMPARE(list.MenuText(0), QStringLiteral("&1 /a&&b/x.zet"));
    list.Add(QStringLiteral("/a&b/../a&b/x.zet"));
    QCOMPARE(list.files().size(), 1);
}

void AppTest::recentFileThatVanishedLeavesList()
{
    const QString path = bookPath(QStringLiteral("gone.zet"));
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    QVERIFY(frame->documents().OpenDocumentFile(path) != nullptr);
    frame->documents().OnFileClose();
    settle();
    QVERIFY(QFile::remove(path));
    QAction* recent =
        entry(fileMenu(frame), QStringLiteral("&1 ") + QDir::toNativeSeparators(path));
    QVERIFY(recent != nullptr);
    recent->trigger();
    QVERIFY(frame->documents().childFrames().isEmpty());
    QVERIFY(app->recentFiles()->files().isEmpty());
    QAction* placeholder = entry(fileMenu(frame), QStringLiteral("Повторно открыть"));
    QVERIFY(placeholder != nullptr);
    QVERIFY(!placeholder->isEnabled());
}

void AppTest::openingAnOpenFileActivatesIt()
{
    const QString a = bookPath(QStringLiteral("a.zet"));
    const QString b = bookPath(QStringLiteral("b.zet"));
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* first = frame->documents().OpenDocumentFile(a);
    CChildFrame* second = frame->documents().OpenDocumentFile(b);
    QCOMPARE(frame->documents().activeChild(), second);
    // The same file by another spelling of its path.
    const QString other = m_dir->path() + QStringLiteral("/./sub/../a.zet");
    QCOMPARE(frame->documents().OpenDocumentFile(other), first);
    QCOMPARE(frame->documents().activeChild(), first);
    QCOMPARE(frame->documents().childFrames().size(), 2);
    m_prompts.fileAnswers.enqueue(b);
    frame->documents().OnFileOpen();
    QCOMPARE(frame->documents().activeChild(), second);
    QCOMPARE(frame->documents().childFrames().size(), 2);
}

void AppTest::secondInstanceForwardsPath()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    QVERIFY(app->instanceChannel()->isListening());
    const QString path = bookPath(QStringLiteral("forwarded.zet"));

    QProcess second;
    second.start(QStringLiteral(ZET_BROWSER_EXE), {path});
    QVERIFY(second.waitForStarted(5000));
    // The running instance must keep serving while the second one waits for its answer.
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 15000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(frame->documents().childFrames().size(), 1);
    QCOMPARE(QString::fromStdString(frame->documents().activeChild()->GetDocument()->GetPathName()),
             path);

    // A second channel cannot take over the name while the first one serves it.
    CInstanceChannel intruder;
    QVERIFY(!intruder.Listen());
}

void AppTest::droppedFilesOpen()
{
    const QString path = bookPath(QStringLiteral("dropped.zet"));
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint pos = frame->mdiArea()->geometry().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &drop);
    QTRY_COMPARE(frame->documents().childFrames().size(), 1);

    // Over a document window the main window takes nothing; the window decides itself.
    CChildFrame* child = frame->documents().activeChild();
    const QPoint overChild = child->mapTo(frame, child->rect().center());
    QDragEnterEvent overFrame(overChild, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    overFrame.setAccepted(false);
    QApplication::sendEvent(frame, &overFrame);
    QVERIFY(!overFrame.isAccepted());

    // Text without files is not taken.
    QMimeData text;
    text.setText(QStringLiteral("plain"));
    QDragEnterEvent refused(pos, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(frame, &refused);
    QVERIFY(!refused.isAccepted());
}

void AppTest::forwardedFileWaitsForOpenDialog()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    QDialog dialog(frame);
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QApplication::activeModalWidget() != nullptr);
    emit app->instanceChannel()->openRequested(bookPath(QStringLiteral("later.zet")));
    QTest::qWait(500);
    QVERIFY(frame->documents().childFrames().isEmpty());
    dialog.close();
    QTRY_COMPARE(frame->documents().childFrames().size(), 1);
}

void AppTest::staleSocketIsReplaced()
{
    // What a crashed instance leaves behind answers nobody and must not block the next start.
    const QString name = CInstanceChannel::socketName();
    QFile::remove(name);
    QVERIFY(writeFile(name, "stale"));
    QVERIFY(!CInstanceChannel::Forward(QStringLiteral("/x.zet"), 500));
    CInstanceChannel channel;
    QVERIFY(channel.Listen());
    QVERIFY(channel.isListening());
    QVERIFY(name.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
}

void AppTest::statusPaneAndPrompts()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    frame->SetStatusText(QStringLiteral("Чтение файла..."));
    QCOMPARE(frame->statusText(), QStringLiteral("Чтение файла..."));
    frame->SetStatusText(QString());
    QCOMPARE(frame->statusText(), QString());
    // A command's prompt shows while it is hovered; then the idle text returns.
    QAction* open = frame->commandAction(CMainFrame::ID_FILE_OPEN);
    QCOMPARE(open->statusTip(), QStringLiteral("Открыть существующий документ"));
    open->showStatusText(frame);
    QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("Открыть существующий документ"));
    frame->statusBar()->clearMessage();
    QCOMPARE(frame->statusText(), QStringLiteral("Готов"));

    const auto& panes = frame->lockPanes();
    QCOMPARE(panes[0]->text(), QStringLiteral("ВР"));
    QCOMPARE(panes[1]->text(), QStringLiteral("ЦИФ"));
    QCOMPARE(panes[2]->text(), QStringLiteral("СКРЛ"));
    // Offscreen nothing reports the locks: they start off and follow the lock keys.
    QVERIFY(!panes[0]->isEnabled());
    QTest::keyClick(frame->windowHandle(), Qt::Key_CapsLock);
    QVERIFY(panes[0]->isEnabled());
    QTest::keyClick(frame->windowHandle(), Qt::Key_CapsLock);
    QVERIFY(!panes[0]->isEnabled());

    // The status-bar toggles of both menus stay in step.
    QAction* status128 = frame->commandAction(CMainFrame::ID_VIEW_STATUS_BAR);
    status128->trigger();
    QVERIFY(!frame->statusBar()->isVisible());
    QVERIFY(!frame->documentStatusBarAction()->isChecked());
    frame->documentStatusBarAction()->trigger();
    QVERIFY(frame->statusBar()->isVisible());
    QVERIFY(status128->isChecked());
    frame->commandAction(CMainFrame::ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(!frame->toolBar()->isVisible());
    frame->commandAction(CMainFrame::ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(frame->toolBar()->isVisible());
}

void AppTest::toolbarAndAccelerators()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    const auto actions = frame->toolBar()->actions();
    QCOMPARE(actions.size(), 5);
    QCOMPARE(actions[0], frame->commandAction(CMainFrame::ID_FILE_NEW));
    QCOMPARE(actions[1], frame->commandAction(CMainFrame::ID_FILE_OPEN));
    QCOMPARE(actions[2], frame->commandAction(CMainFrame::ID_FILE_SAVE));
    QVERIFY(actions[3]->isSeparator());
    QCOMPARE(actions[4], frame->commandAction(CMainFrame::ID_APP_ABOUT));
    QStringList tips;
    for (QAction* action : actions) {
        if (!action->isSeparator()) {
            tips << action->toolTip();
            QVERIFY(!action->icon().isNull());
        }
    }
    QCOMPARE(tips, (QStringList{QStringLiteral("Новый"), QStringLiteral("Открыть"),
                                QStringLiteral("Сохранить"), QStringLiteral("О программе")}));
    QVERIFY(!frame->commandAction(CMainFrame::ID_FILE_SAVE)->isEnabled());
    // Our own pictures are compiled in, the tree's included.
    for (const char* path :
         {":/toolbar/new.png", ":/toolbar/open.png", ":/toolbar/save.png", ":/toolbar/about.png",
          ":/tree/folder-closed.png", ":/tree/folder-open.png", ":/tree/record.png",
          ":/icons/32x32/zetbrowser.png", ":/icons/16x16/application-x-zet-document.png"}) {
        const QImage image(QString::fromLatin1(path));
        QVERIFY2(!image.isNull(), path);
    }
    QCOMPARE(QImage(QStringLiteral(":/tree/record.png")).size(), QSize(16, 16));

    QCOMPARE(frame->commandAction(CMainFrame::ID_EDIT_COPY)->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_C));
    QVERIFY(!frame->commandAction(CMainFrame::ID_EDIT_COPY)->isEnabled());
    QVERIFY(!frame->commandAction(CMainFrame::ID_FILE_PRINT)->isEnabled());
    QCOMPARE(frame->commandAction(CMainFrame::ID_FILE_SAVE)->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(frame->commandAction(CMainFrame::ID_NEXT_PANE)->shortcut(), QKeySequence(Qt::Key_F6));
    QCOMPARE(frame->commandAction(CMainFrame::ID_PREV_PANE)->shortcut(),
             QKeySequence(Qt::SHIFT | Qt::Key_F6));

    // F6 from the tree leaves it when another pane can take the focus, and comes back.
    CChildFrame* child = frame->documents().OpenDocumentFile(bookPath(QStringLiteral("book.zet")));
    QVERIFY(child != nullptr);
    frame->activateWindow();
    CStructureTreeCtrl& tree = child->treeView()->GetTreeCtrl();
    tree.setFocus();
    QApplication::processEvents();
    frame->commandAction(CMainFrame::ID_NEXT_PANE)->trigger();
    frame->commandAction(CMainFrame::ID_PREV_PANE)->trigger();
    QVERIFY(tree.hasFocus() || QApplication::focusWidget() == nullptr);
}

void AppTest::desktopIntegrationWritesOnlyMissing()
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

void AppTest::aboutTextIsNeutral()
{
    const QString text = CMainFrame::AboutText();
    QVERIFY(text.contains(QStringLiteral("ZET browser")));
    QVERIFY(text.contains(QStringLiteral(ZET_VERSION_FOR_TESTS)));
    auto app = startApp({});
    bool accepted = false;
    m_prompts.dialogScripts.enqueue([&](QDialog& box) {
        QVERIFY(box.isVisible());
        QCOMPARE(box.windowTitle(), QStringLiteral("О программе ZET browser"));
        QVERIFY(qobject_cast<QMessageBox*>(&box)->text().contains(QStringLiteral("ZET browser")));
        box.accept();
        accepted = true;
    });
    app->mainFrame()->OnAppAbout();
    QVERIFY(accepted);
    QCOMPARE(m_prompts.dialogTitles, QStringList{QStringLiteral("О программе ZET browser")});
}

int main(int argc, char** argv)
{
    return runUiTest<AppTest>(argc, argv);
}

#include "AppTest.moc"
