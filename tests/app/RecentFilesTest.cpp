#include "AppTestSupport.h"
#include "CRecentFileList.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

// The recent-file list: its size, its menus and its place in the profile.
class RecentFilesTest : public AppTestCase
{
    Q_OBJECT

private slots:
    void init() { initApp(); }
    void cleanup() { cleanupApp(); }

    void recentFilesHoldFourWithPlaceholder();
    void recentFileThatVanishedLeavesList();
};

void RecentFilesTest::recentFilesHoldFourWithPlaceholder()
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
        const auto children = frame->childFrames();
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

void RecentFilesTest::recentFileThatVanishedLeavesList()
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
    QVERIFY(frame->childFrames().isEmpty());
    QVERIFY(app->recentFiles()->files().isEmpty());
    QAction* placeholder = entry(fileMenu(frame), QStringLiteral("Повторно открыть"));
    QVERIFY(placeholder != nullptr);
    QVERIFY(!placeholder->isEnabled());
}

int main(int argc, char** argv)
{
    return runUiTest<RecentFilesTest>(argc, argv);
}

#include "RecentFilesTest.moc"
