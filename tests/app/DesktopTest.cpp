#include "AppTestSupport.h"
#include "CDesktopIntegration.h"
#include "UiLanguage.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QtTest>

#include <cerrno>
#include <clocale>
#include <cstring>

// What a desktop user sees of the program: titles, Russian standard texts and system messages,
// the document windows' arrangement, the "Окно" menu and the three panes.
class DesktopTest : public AppTestCase
{
    Q_OBJECT

    QMenu* windowMenu(CMainFrame* frame) { return frame->menuBar()->actions().value(3)->menu(); }
    CChildFrame* open(CMainFrame* frame, const QString& name)
    {
        return frame->documents().OpenDocumentFile(bookPath(name));
    }

private slots:
    void init() { initApp(); }
    void cleanup() { cleanupApp(); }

    void titlesAsTheFrameGivesThem();
    void standardTextsAreRussian();
    void systemReasonsInTheUsersLanguage();
    void windowMenuListsTheWindows();
    void manyWindowsAndTheListDialog();
    void ctrlF6SwitchesWindows();
    void newWindowLandsOnThePreviousOne();
    void cascadeKeepsWindowsLarge();
    void tileStacksWindows();
    void panesStartAtTheirWidths();
    void installedProgramLeavesTheUserFolderAlone();
};

void DesktopTest::titlesAsTheFrameGivesThem()
{
    auto app = startApp({bookPath(QStringLiteral("luch.zet"))});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* child = frame->activeChild();
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser - luch.zet"));
    // No display name: Qt would append " — ZET browser" to every window's title on screen.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
    QCoreApplication::setApplicationName(name);

    child->showMaximized();
    settle();
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser - [luch.zet]"));
    child->GetDocument()->SetModifiedMark(true);
    child->UpdateDocumentState();
    settle();
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser - [luch.zet *]"));
    child->showNormal();
    settle();
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser - luch.zet *"));
    child->GetDocument()->SetModifiedMark(false);
    child->close();
    settle();
    QCOMPARE(frame->windowTitle(), QStringLiteral("ZET browser"));
}

void DesktopTest::standardTextsAreRussian()
{
    auto app = startApp({});
    QMessageBox box(QMessageBox::Question, QStringLiteral("ZET browser"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Да"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Нет"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Отмена"));

    QFileDialog dialog(app->mainFrame());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(),
             QStringLiteral("Перейти к:"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(),
             QStringLiteral("&Имя файла:"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("fileTypeLabel"))->text(),
             QStringLiteral("Типы файлов:"));
    QCOMPARE(QCoreApplication::translate("QFileDialog",
                                         "%1 already exists.\nDo you want to replace it?"),
             QStringLiteral("%1 уже существует.\nЗаменить его?"));
    // The file list's type column, which Qt's catalogue leaves in English.
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"),
             QStringLiteral("Папка"));
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "%1 File"),
             QStringLiteral("Файл %1"));
}

void DesktopTest::systemReasonsInTheUsersLanguage()
{
    const QByteArray language = qgetenv("LANGUAGE");
    // A locale that names no language: the program's own, Russian, is taken.
    qunsetenv("LANGUAGE");
    std::setlocale(LC_MESSAGES, "C");
    QVERIFY(UiLanguage::preferRussianSystemMessages());
    QCOMPARE(QString::fromLocal8Bit(std::strerror(ENOENT)),
             QStringLiteral("Нет такого файла или каталога"));
    auto app = startApp({});
    app->mainFrame()->documents().OpenDocumentFile(m_dir->filePath(QStringLiteral("нет.zet")));
    QVERIFY2(
        m_prompts.messageTexts().last().endsWith(QStringLiteral("\nНет такого файла или каталога")),
        qPrintable(m_prompts.messageTexts().last()));

    // A language the user named stays.
    std::setlocale(LC_MESSAGES, "C.UTF-8");
    qputenv("LANGUAGE", "de");
    QVERIFY(!UiLanguage::preferRussianSystemMessages());
    QCOMPARE(QString::fromLocal8Bit(std::strerror(ENOENT)),
             QStringLiteral("Datei oder Verzeichnis nicht gefunden"));
    qputenv("LANGUAGE", language);
    if (language.isNull())
        qunsetenv("LANGUAGE");
    std::setlocale(LC_MESSAGES, "");
}

void DesktopTest::windowMenuListsTheWindows()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* a = open(frame, QStringLiteral("a.zet"));
    open(frame, QStringLiteral("b&c.zet"));
    CChildFrame* c = open(frame, QStringLiteral("c.zet"));
    settle();
    QMenu* menu = windowMenu(frame);
    QCOMPARE(entries(menu),
             (QStringList{QStringLiteral("&Каскад"), QStringLiteral("&Черепица"),
                          QStringLiteral("-"), QStringLiteral("&1 a.zet"),
                          QStringLiteral("&2 b&&c.zet"), QStringLiteral("&3 c.zet")}));
    QVERIFY(entry(menu, QStringLiteral("&3 c.zet"))->isChecked());
    QVERIFY(!entry(menu, QStringLiteral("&1 a.zet"))->isChecked());
    entry(menu, QStringLiteral("&1 a.zet"))->trigger();
    settle();
    QCOMPARE(frame->activeChild(), a);
    QVERIFY(entry(menu, QStringLiteral("&1 a.zet"))->isChecked());
    QVERIFY(!entry(menu, QStringLiteral("&3 c.zet"))->isChecked());
    // A modified document shows its mark; a closed window leaves the list.
    a->GetDocument()->SetModifiedMark(true);
    a->UpdateDocumentState();
    settle();
    QVERIFY(entry(menu, QStringLiteral("&1 a.zet *")));
    a->GetDocument()->SetModifiedMark(false);
    c->close();
    settle();
    QCOMPARE(entries(menu).size(), 5);
}

void DesktopTest::manyWindowsAndTheListDialog()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    QList<CChildFrame*> children;
    for (char name = 'a'; name <= 'k'; ++name)
        children.append(open(frame, QStringLiteral("%1.zet").arg(QChar::fromLatin1(name))));
    settle();
    // Nine listed, the active (last opened) one among them, then the rest through a dialog.
    const QStringList listed = entries(windowMenu(frame));
    QCOMPARE(listed.size(), 2 + 1 + CMainFrame::kListedWindows + 1);
    QCOMPARE(listed.at(3), QStringLiteral("&1 a.zet"));
    QCOMPARE(listed.at(11), QStringLiteral("&9 k.zet"));
    QVERIFY(entry(windowMenu(frame), QStringLiteral("&9 k.zet"))->isChecked());
    QCOMPARE(listed.last(), QStringLiteral("&Другие окна..."));

    m_prompts.dialogScripts.enqueue([](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>();
        QCOMPARE(list->count(), 11);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("k.zet"));
        list->setCurrentRow(9);
        dialog.accept();
    });
    entry(windowMenu(frame), QStringLiteral("&Другие окна..."))->trigger();
    settle();
    QCOMPARE(m_prompts.dialogTitles, QStringList{QStringLiteral("Выбор окна")});
    QCOMPARE(frame->activeChild(), children.at(9));
    QCOMPARE(entries(windowMenu(frame)).at(11), QStringLiteral("&9 j.zet"));
}

void DesktopTest::ctrlF6SwitchesWindows()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* a = open(frame, QStringLiteral("a.zet"));
    CChildFrame* b = open(frame, QStringLiteral("b.zet"));
    settle();
    QCOMPARE(frame->activeChild(), b);
    QTest::keyClick(frame->windowHandle(), Qt::Key_F6, Qt::ControlModifier);
    settle();
    QCOMPARE(frame->activeChild(), a);
    QTest::keyClick(frame->windowHandle(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    QCOMPARE(frame->activeChild(), b);
}

void DesktopTest::newWindowLandsOnThePreviousOne()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    CChildFrame* a = open(frame, QStringLiteral("a.zet"));
    const QSize area = frame->mdiArea()->viewport()->size();
    QCOMPARE(a->geometry(), QRect(0, 0, area.width(), area.height() - 45));
    a->setGeometry(30, 20, 500, 300);
    CChildFrame* b = open(frame, QStringLiteral("b.zet"));
    QCOMPARE(b->geometry(), QRect(30, 20, 500, 300));
    CChildFrame* c = frame->documents().OnFileNew();
    QCOMPARE(c->geometry(), QRect(30, 20, 500, 300));
    QCOMPARE(frame->activeChild(), c);
}

void DesktopTest::cascadeKeepsWindowsLarge()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    QList<CChildFrame*> children;
    for (const char* name : {"a.zet", "b.zet", "c.zet"})
        children.append(open(frame, QString::fromLatin1(name)));
    settle();
    children.at(0)->showMaximized();
    settle();
    frame->commandAction(CMainFrame::ID_WINDOW_CASCADE)->trigger();
    settle();
    const QRect area = frame->mdiArea()->viewport()->rect();
    const QList<QMdiSubWindow*> stacked = frame->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    QCOMPARE(stacked.size(), 3);
    int step = 0;
    for (int i = 0; i < stacked.size(); ++i) {
        const QRect place = stacked.at(i)->geometry();
        QVERIFY(!stacked.at(i)->isMaximized());
        QVERIFY2(place.width() * 2 >= area.width() && place.height() * 2 >= area.height(),
                 qPrintable(QStringLiteral("%1x%2").arg(place.width()).arg(place.height())));
        QVERIFY(area.contains(place));
        if (i == 1)
            step = place.left();
        QCOMPARE(place.topLeft(), QPoint(i * step, i * step));
    }
    QVERIFY(step > 10);
    // The active window stays on top, at the end of the stair.
    QCOMPARE(stacked.last(), static_cast<QMdiSubWindow*>(frame->activeChild()));
    QCOMPARE(stacked.last()->geometry().bottomRight(), area.bottomRight());
}

void DesktopTest::tileStacksWindows()
{
    auto app = startApp({});
    CMainFrame* frame = app->mainFrame();
    for (const char* name : {"a.zet", "b.zet", "c.zet"})
        open(frame, QString::fromLatin1(name));
    settle();
    frame->commandAction(CMainFrame::ID_WINDOW_TILE_HORZ)->trigger();
    settle();
    const QRect area = frame->mdiArea()->viewport()->rect();
    // One above the other across the whole width, the active one at the top.
    QList<QRect> places;
    const auto windows = frame->mdiArea()->subWindowList();
    for (QMdiSubWindow* window : windows)
        places.append(window->geometry());
    std::sort(places.begin(), places.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    QCOMPARE(places.size(), 3);
    for (int i = 0; i < places.size(); ++i) {
        QCOMPARE(places.at(i).left(), 0);
        QCOMPARE(places.at(i).width(), area.width());
        QVERIFY(qAbs(places.at(i).height() - area.height() / 3) <= 2);
        QCOMPARE(places.at(i).top(), i == 0 ? 0 : places.at(i - 1).bottom() + 1);
    }
    QCOMPARE(places.last().bottom(), area.bottom());
    QCOMPARE(frame->activeChild()->geometry().top(), 0);
}

void DesktopTest::panesStartAtTheirWidths()
{
    auto app = startApp({bookPath(QStringLiteral("a.zet"))});
    CMainFrame* frame = app->mainFrame();
    settle();
    CChildFrame* child = frame->activeChild();
    QSplitter* splitter = child->splitter();
    // The first window nearly fills the MDI area, wider than the three panes' 800 pixels.
    frame->resize(1200, 800);
    settle();
    child->resize(frame->mdiArea()->viewport()->width(), child->height());
    settle();
    QVERIFY(splitter->width() > 900);
    const QList<int> sizes = splitter->sizes();
    QCOMPARE(sizes.at(0), 250);
    QCOMPARE(sizes.at(1), 310);
    // A wider window gives its extra width to the last pane.
    const int last = sizes.at(2);
    child->resize(child->width() + 100, child->height());
    settle();
    QCOMPARE(splitter->sizes(), (QList<int>{250, 310, last + 100}));
}

void DesktopTest::installedProgramLeavesTheUserFolderAlone()
{
    const QString entry =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/zetbrowser.desktop");
    QFile::remove(entry);
    const QByteArray systemFolders = qgetenv("XDG_DATA_DIRS");
    // A package put its entry into a system folder: the user gets no copy of it.
    QTemporaryDir system;
    QVERIFY(QDir().mkpath(system.filePath(QStringLiteral("applications"))));
    QVERIFY(writeFile(system.filePath(QStringLiteral("applications/zetbrowser.desktop")),
                      CDesktopIntegration::DesktopEntry(QStringLiteral("/usr/bin/zetbrowser"))));
    qputenv("XDG_DATA_DIRS", system.path().toLocal8Bit());
    QVERIFY(CDesktopIntegration::InstalledSystemWide());
    QCOMPARE(CDesktopIntegration::RegisterForUser(), 0);
    QVERIFY(!QFileInfo::exists(entry));
    // Run from a build tree, it registers itself for the user.
    qputenv("XDG_DATA_DIRS", systemFolders);
    QVERIFY(!CDesktopIntegration::InstalledSystemWide());
    QVERIFY(CDesktopIntegration::RegisterForUser() > 0);
    QVERIFY(QFileInfo::exists(entry));
}

int main(int argc, char** argv)
{
    return runUiTest<DesktopTest>(argc, argv);
}

#include "DesktopTest.moc"
