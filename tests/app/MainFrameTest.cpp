#include "AppTestSupport.h"
#include "BookFindPanel.h"
#include "CAboutDlg.h"
#include "CColorLabel.h"
#include "CCreateHelpDialog.h"
#include "CLinkLabel.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "ProgramInfo.h"
#include "QtHelpPlatform.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QSet>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

// The main window: status bar, toolbar, keys and the About box.
class MainFrameTest : public AppTestCase
{
    Q_OBJECT

private slots:
    void init() { initApp(); }
    void cleanup() { cleanupApp(); }

    void statusPaneAndPrompts();
    void toolbarAndAccelerators();
    void commandsFollowTheActiveDocument();
    void aboutTextIsNeutral();
    void createHelpCommandOpensTheDialog();
    void findPanelDocksUnderTheWindowsAndIsRemembered();
};

void MainFrameTest::findPanelDocksUnderTheWindowsAndIsRemembered()
{
    const QString path = bookPath(QStringLiteral("book.zet"));
    {
        auto app = startApp({path});
        CMainFrame* frame = app->mainFrame();
        BookFindPanel* panel = frame->findPanel();
        QVERIFY(!panel->isVisible());
        QCOMPARE(frame->dockWidgetArea(panel), Qt::BottomDockWidgetArea);
        // Ctrl+Shift+F, and the same key on a Russian layout.
        QAction* find = frame->commandAction(CMainFrame::ID_EDIT_FIND_IN_BOOK);
        QVERIFY(find->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)));
        QVERIFY(find->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Shift+А"))));
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame->windowHandle(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(panel->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), panel->searchBox());
        QVERIFY(panel->geometry().top() >= frame->mdiArea()->geometry().bottom());
        frame->close();
    }
    settle();
    {
        auto app = startApp({path});
        QTRY_VERIFY(app->mainFrame()->findPanel()->isVisible());
        app->mainFrame()->findPanel()->close();
        app->mainFrame()->close();
    }
    settle();
    auto app = startApp({path});
    settle();
    QVERIFY(!app->mainFrame()->findPanel()->isVisible());
}

void MainFrameTest::statusPaneAndPrompts()
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
    QAction* statusBarAction = frame->commandAction(CMainFrame::ID_VIEW_STATUS_BAR);
    statusBarAction->trigger();
    QVERIFY(!frame->statusBar()->isVisible());
    QVERIFY(!frame->documentStatusBarAction()->isChecked());
    frame->documentStatusBarAction()->trigger();
    QVERIFY(frame->statusBar()->isVisible());
    QVERIFY(statusBarAction->isChecked());
    frame->commandAction(CMainFrame::ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(!frame->toolBar()->isVisible());
    frame->commandAction(CMainFrame::ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(frame->toolBar()->isVisible());
}

void MainFrameTest::toolbarAndAccelerators()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    const auto actions = frame->toolBar()->actions();
    QCOMPARE(actions.size(), 8);
    QCOMPARE(actions[0], frame->commandAction(CMainFrame::ID_FILE_NEW));
    QCOMPARE(actions[1], frame->commandAction(CMainFrame::ID_FILE_OPEN));
    QCOMPARE(actions[2], frame->commandAction(CMainFrame::ID_FILE_SAVE));
    QVERIFY(actions[3]->isSeparator());
    QCOMPARE(actions[4], frame->commandAction(CMainFrame::ID_EDIT_UNDO));
    QCOMPARE(actions[5], frame->commandAction(CMainFrame::ID_EDIT_REDO));
    QVERIFY(actions[6]->isSeparator());
    QCOMPARE(actions[7], frame->commandAction(CMainFrame::ID_APP_ABOUT));
    QStringList tips;
    for (QAction* action : actions) {
        if (!action->isSeparator()) {
            tips << action->toolTip();
            QVERIFY(!action->icon().isNull());
        }
    }
    QCOMPARE(tips, (QStringList{QStringLiteral("Новый"), QStringLiteral("Открыть"),
                                QStringLiteral("Сохранить"), QStringLiteral("Отменить"),
                                QStringLiteral("Повторить"), QStringLiteral("О программе")}));
    QVERIFY(!frame->commandAction(CMainFrame::ID_FILE_SAVE)->isEnabled());
    // Our own pictures are compiled in, the tree's included.
    for (const char* path :
         {":/toolbar/new.png", ":/toolbar/open.png", ":/toolbar/save.png", ":/toolbar/about.png",
          ":/toolbar/undo.png", ":/toolbar/redo.png", ":/tree/folder-closed.png",
          ":/tree/folder-open.png", ":/tree/record.png", ":/icons/32x32/zetbrowser.png",
          ":/icons/16x16/application-x-zet-document.png"}) {
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

void MainFrameTest::aboutTextIsNeutral()
{
    auto app = startApp({});
    bool shown = false;
    m_prompts.dialogScripts.enqueue([&](QDialog& box) {
        auto* about = qobject_cast<CAboutDlg*>(&box);
        QVERIFY(about != nullptr);
        QCOMPARE(about->windowTitle(), QStringLiteral("О программе ZET browser"));
        const auto& headings = about->headings();
        QCOMPARE(headings[0]->text(),
                 QStringLiteral("Программа \"ZET browser\" (версия " ZET_PROGRAM_VERSION ") "));
        QCOMPARE(headings[1]->text(), QStringLiteral("\"Горячие\" клавиши дерева структуры:"));
        QCOMPARE(headings[2]->text(), QStringLiteral("\"Горячие\" клавиши окна редактирования:"));
        for (CColorLabel* heading : headings) {
            QVERIFY(heading->font().bold());
            QCOMPARE(heading->TextColour(), about->palette().color(QPalette::Base));
            // Readable: the band is clearly darker than the text.
            QVERIFY(heading->BackColour().lightness() + 100 < heading->TextColour().lightness());
        }
        QStringList texts;
        for (QLabel* label : about->findChildren<QLabel*>())
            texts << label->text();
        const QString all = texts.join(u'\n');
        QVERIFY(all.contains(QStringLiteral(
            "предназначена для просмотра, создания и редактирования файлов синтаксис-помощника")));
        QVERIFY(
            all.contains(QStringLiteral("Ctrl+T - ввод символа табуляции в редактируемое поле.")));
        // The subject is the program's name, encoded.
        CLinkLabel* link = about->linkLabel();
        QCOMPARE(link->Target(),
                 QStringLiteral("mailto:zetbrowser@example.org?subject=ZET%20browser"));
        QVERIFY(link->IsUnderlined());
        QVERIFY(link->isVisible());
        // No text is cut.
        for (QLabel* label : about->findChildren<QLabel*>())
            QVERIFY2(
                label->width() >= label->minimumSizeHint().width() ||
                    (label->wordWrap() && label->height() >= label->heightForWidth(label->width())),
                qPrintable(label->text()));
        // A link that cannot be opened is said through the prompts.
        struct NoHandler : CLinkOpener
        {
            void Open(const QString&, Done done) override { done(NoAssociation); }
        };
        link->SetOpener(std::make_unique<NoHandler>());
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(m_prompts.messageTexts(),
                 QStringList{QStringLiteral("Unable to open hyperlink:\n\nThere is no application "
                                            "associated\nwith the given filename extension.")});
        QVERIFY(!link->IsVisited());
        box.accept();
        shown = true;
    });
    app->mainFrame()->OnAppAbout();
    QVERIFY(shown);
    QCOMPARE(m_prompts.dialogTitles, QStringList{QStringLiteral("О программе ZET browser")});
}

void MainFrameTest::createHelpCommandOpensTheDialog()
{
    auto app = startApp({bookPath(QStringLiteral("Луч.zet"))});
    CMainFrame* frame = app->mainFrame();
    struct NoDesktop : QtHelpPlatform
    {
        bool OpenDocument(const std::string&) override { return true; }
        bool OpenDocumentWatching(const std::string&, const std::function<void()>&) override
        {
            return true;
        }
    } platform;
    frame->documents().setHelpPlatform(&platform);
    frame->SetStatusText(QStringLiteral("Готов"));
    m_prompts.dialogScripts.enqueue([&](QDialog& shown) {
        auto* dialog = qobject_cast<CCreateHelpDialog*>(&shown);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->helpFileNameEdit()->text(), QStringLiteral("Луч.chm"));
        QCOMPARE(dialog->helpDirectoryEdit()->text(), m_dir->filePath(QStringLiteral("Help")));
        QVERIFY(dialog->parentWidget() == frame);
        dialog->reject();
    });
    frame->commandAction(CMainFrame::ID_CREATE_HELP)->trigger();
    QCOMPARE(m_prompts.dialogTitles, QStringList{QStringLiteral("Создание файла справки")});
    QVERIFY(m_prompts.messages.isEmpty());
    frame->documents().setHelpPlatform(nullptr);
}

void MainFrameTest::commandsFollowTheActiveDocument()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    // Whether every command of `ids` is enabled (true), none is (false), or they differ.
    const auto state = [frame](const QList<int>& ids) -> std::optional<bool> {
        QSet<bool> seen;
        for (int id : ids)
            seen << frame->commandAction(id)->isEnabled();
        return seen.size() == 1 ? std::optional<bool>(*seen.begin()) : std::nullopt;
    };
    const QList<int> withDocument = {CMainFrame::ID_FILE_CLOSE,     CMainFrame::ID_FILE_SAVE_AS,
                                     CMainFrame::ID_WINDOW_CASCADE, CMainFrame::ID_WINDOW_TILE_HORZ,
                                     CMainFrame::ID_CREATE_HELP,    CMainFrame::ID_NEXT_PANE,
                                     CMainFrame::ID_PREV_PANE};
    const QList<int> always = {CMainFrame::ID_FILE_NEW,        CMainFrame::ID_FILE_OPEN,
                               CMainFrame::ID_APP_EXIT,        CMainFrame::ID_VIEW_TOOLBAR,
                               CMainFrame::ID_VIEW_STATUS_BAR, CMainFrame::ID_APP_ABOUT};
    const QList<int> never = {CMainFrame::ID_EDIT_COPY, CMainFrame::ID_FILE_PRINT};
    const QList<int> save = {CMainFrame::ID_FILE_SAVE};
    QCOMPARE(state(withDocument), false);
    QCOMPARE(state(save), false);
    QCOMPARE(state(always), true);
    QCOMPARE(state(never), false);

    CChildFrame* child = frame->documents().OnFileNew();
    QCOMPARE(state(withDocument), true);
    QCOMPARE(state(save), false);
    QCOMPARE(state(never), false);
    child->GetDocument()->SetModifiedMark(true);
    QCOMPARE(state(save), true);

    m_prompts.messageAnswers.enqueue(QMessageBox::No);
    QVERIFY(child->close());
    settle();
    QCOMPARE(state(withDocument), false);
    QCOMPARE(state(save), false);
    QCOMPARE(state(always), true);
}

int main(int argc, char** argv)
{
    return runUiTest<MainFrameTest>(argc, argv);
}

#include "MainFrameTest.moc"
