#include "CLinkLabel.h"
#include "CLinkOpener.h"
#include "DesktopOpener.h"
#include "FakeXdgOpen.h"
#include "TestEnvironment.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

namespace {

// Stands in for the desktop: records every target and answers with a fixed result.
class FakeOpener : public CLinkOpener
{
public:
    FakeOpener(QStringList& targets, int result) : m_targets(targets), m_result(result) {}
    void Open(const QString& target, Done done) override
    {
        m_targets << target;
        done(m_result);
    }

private:
    QStringList& m_targets;
    int m_result;
};

// The real fallback with the desktop's own opener failing.
class NoDesktopOpener : public CLinkOpener
{
public:
    QString execLine;
    bool useRealExecLine = true;
    QStringList started;
    int startResult = Opened;

    int StartRealProgram(const QString& program, const QStringList& arguments)
    {
        return CLinkOpener::StartProgram(program, arguments);
    }

protected:
    void OpenWithDesktop(const QString&, Done done) override { done(NoAssociation); }
    QString DefaultHtmlExecLine() override
    {
        return useRealExecLine ? CLinkOpener::DefaultHtmlExecLine() : execLine;
    }
    int StartProgram(const QString& program, const QStringList& arguments) override
    {
        if (useRealExecLine)
            return CLinkOpener::StartProgram(program, arguments);
        started = QStringList{program} + arguments;
        return startResult;
    }
};

bool hasPixel(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb())
                return true;
    return false;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString kMailLink = QStringLiteral("mailto:author@example.org");

// The opener's result for `target`, once it has come (-1 when it did not within ten seconds).
int openNow(CLinkOpener& opener, const QString& target)
{
    int result = -1;
    opener.Open(target, [&result](int answer) { result = answer; });
    (void)QTest::qWaitFor([&result] { return result != -1; }, 10000);
    return result;
}

// The real opener with no default program for web pages to fall back on.
class DesktopOnlyOpener : public CLinkOpener
{
protected:
    QString DefaultHtmlExecLine() override { return QString(); }
};

} // namespace

class LinkLabelTest : public QObject
{
    Q_OBJECT

private slots:
    void errorTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        const auto row = [](int code, const char* reason) {
            QTest::addRow("%d", code) << code << QString::fromLatin1(reason);
        };
        row(0, "The operating system is out\nof memory or resources.");
        row(2, "The specified file was not found.");
        row(3, "The specified path was not found.");
        row(5, "The operating system denied\naccess to the specified file.");
        row(8, "There was not enough memory to complete the operation.");
        row(11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        row(26, "A sharing violation occurred. ");
        row(27, "The filename association is\nincomplete or invalid.");
        row(28, "The DDE transaction could not\nbe completed because the request timed out.");
        row(29, "The DDE transaction failed.");
        row(30, "The DDE transaction could not\nbe completed because other DDE transactions\n"
                "were being processed.");
        row(31, "There is no application associated\nwith the given filename extension.");
        row(32, "The specified dynamic-link library was not found.");
        row(1, "Unknown Error (1) occurred.");
        row(-7, "Unknown Error (-7) occurred.");
    }

    void errorTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, reason);
        CLinkLabel label;
        QSignalSpy failed(&label, &CLinkLabel::openFailed);
        label.ShowOpenError(code);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(),
                 QStringLiteral("Unable to open hyperlink:\n\n") + reason);
    }

    void clickOpensTheLinkWithItsEncodedSubject()
    {
        QWidget window;
        CLinkLabel label(kMailLink, &window);
        label.move(10, 10);
        QStringList targets;
        label.SetOpener(std::make_unique<FakeOpener>(targets, 42));
        label.SetMailSubject(QStringLiteral("ZET browser"));
        QCOMPARE(label.MailSubject(), QStringLiteral("ZET%20browser"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(hasPixel(label.grab().toImage(), label.NormalColour()));

        QSignalSpy failed(&label, &CLinkLabel::openFailed);
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(targets, QStringList{kMailLink + QStringLiteral("?subject=ZET%20browser")});
        QCOMPARE(failed.count(), 0);
        QVERIFY(label.IsVisited());
        const QImage visited = label.grab().toImage();
        QVERIFY(hasPixel(visited, label.VisitedColour()));
        QVERIFY(!hasPixel(visited, label.NormalColour()));

        // Whatever the subject holds reaches the mail program intact; a link that already has
        // a query gets the subject as one more field.
        label.SetMailSubject(QStringLiteral("Луч & co?"));
        label.SetLink(kMailLink + QStringLiteral("?cc=editor@example.org"));
        QCOMPARE(label.Target(), kMailLink + QStringLiteral("?cc=editor@example.org&subject="
                                                            "%D0%9B%D1%83%D1%87%20%26%20co%3F"));
    }

    void failedOpenReportsAndStaysUnvisited()
    {
        QWidget window;
        CLinkLabel label(kMailLink, &window);
        QStringList targets;
        label.SetOpener(std::make_unique<FakeOpener>(targets, CLinkOpener::NoAssociation));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy failed(&label, &CLinkLabel::openFailed);
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(targets, QStringList{kMailLink});
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(),
                 QStringLiteral("Unable to open hyperlink:\n\nThere is no application "
                                "associated\nwith the given filename extension."));
        QVERIFY(!label.IsVisited());
        QVERIFY(hasPixel(label.grab().toImage(), label.NormalColour()));
    }

    void textAndLinkStandInForEachOther()
    {
        QWidget window;
        CLinkLabel textOnly(QStringLiteral("https://example.org/zet"), &window);
        QCOMPARE(textOnly.Link(), QStringLiteral("https://example.org/zet"));
        CLinkLabel linkOnly(&window);
        linkOnly.SetLink(kMailLink);
        QCOMPARE(linkOnly.text(), kMailLink);
        CLinkLabel both(QStringLiteral("Напишите автору"), &window);
        both.SetLink(kMailLink);
        QCOMPARE(both.text(), QStringLiteral("Напишите автору"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // The tooltip is the link.
        QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), both.mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(&both, &help);
        QTRY_COMPARE(QToolTip::text(), kMailLink);
        QToolTip::hideText();
    }

    void fitsToText_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("keeps");
        QTest::addRow("top left") << int(Qt::AlignLeft | Qt::AlignTop) << "left top";
        QTest::addRow("centred") << int(Qt::AlignHCenter | Qt::AlignVCenter) << "centre";
        QTest::addRow("right") << int(Qt::AlignRight | Qt::AlignTop) << "right top";
        QTest::addRow("left, vertically centred")
            << int(Qt::AlignLeft | Qt::AlignVCenter) << "left middle";
    }

    void fitsToText()
    {
        QFETCH(int, alignment);
        QFETCH(QString, keeps);
        QWidget window;
        window.resize(400, 200);
        CLinkLabel label(&window);
        label.setAlignment(Qt::Alignment(alignment));
        label.SetFitToText(false);
        const QRect before(20, 30, 301, 41);
        label.setGeometry(before);
        label.SetLink(kMailLink);
        QCOMPARE(label.geometry(), before);

        label.SetFitToText(true);
        const QSize text(label.fontMetrics().horizontalAdvance(kMailLink),
                         label.fontMetrics().height());
        const QRect r = label.geometry();
        const int dx = (before.width() - text.width()) / 2;
        const int dy = (before.height() - text.height()) / 2;
        QCOMPARE(r.width(), keeps == u"centre" ? before.width() - 2 * dx : text.width());
        QCOMPARE(r.height(), keeps.endsWith(u"top") ? text.height() : before.height() - 2 * dy);
        if (keeps.startsWith(u"left"))
            QCOMPARE(r.left(), before.left());
        if (keeps.startsWith(u"right"))
            QCOMPARE(r.right(), before.right());
        if (keeps == u"centre")
            QCOMPARE(r.left(), before.left() + dx);
        if (keeps.endsWith(u"top"))
            QCOMPARE(r.top(), before.top());
        else
            QCOMPARE(r.top(), before.top() + dy);
        // Fitting again changes nothing.
        label.FitToText();
        QCOMPARE(label.geometry(), r);
    }

    void commandForTarget_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        const QString t = QStringLiteral("T");
        QTest::addRow("url placeholder") << "firefox-esr %u" << QStringList{"firefox-esr", t};
        QTest::addRow("quoted placeholder, rest dropped")
            << R"("/opt/My Browser/browser" --new-window "%U" --tail)"
            << QStringList{"/opt/My Browser/browser", "--new-window", t};
        QTest::addRow("file placeholder") << "viewer --x %F" << QStringList{"viewer", "--x", t};
        QTest::addRow("other field codes left out")
            << "browser %i %c --go %u" << QStringList{"browser", "--go", t};
        QTest::addRow("no placeholder: appended")
            << "browser --a" << QStringList{"browser", "--a", t};
        QTest::addRow("literal percent") << "browser 100%% %u" << QStringList{"browser", "100%", t};
        QTest::addRow("placeholder inside an argument")
            << "browser --url=%u" << QStringList{"browser", "--url=", t};
        QTest::addRow("nothing to run") << "%u" << QStringList{};
        QTest::addRow("empty") << "" << QStringList{};
    }

    void commandForTarget()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        QCOMPARE(CLinkOpener::CommandForTarget(exec, QStringLiteral("T")), command);
    }

    void openerFallsBackToTheDefaultProgram()
    {
        NoDesktopOpener opener;
        opener.useRealExecLine = false;
        QCOMPARE(openNow(opener, kMailLink), int(CLinkOpener::NoAssociation));
        QVERIFY(opener.started.isEmpty());

        opener.execLine = QStringLiteral("browser --new %u");
        QCOMPARE(openNow(opener, kMailLink), int(CLinkOpener::Opened));
        QCOMPARE(opener.started, (QStringList{"browser", "--new", kMailLink}));
        opener.startResult = CLinkOpener::FileNotFound;
        QCOMPARE(openNow(opener, kMailLink), int(CLinkOpener::FileNotFound));
    }

    // The real xdg-mime and desktop entry lookup, in the test's own XDG folders.
    void realFallbackStartsTheDefaultHtmlProgram()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
            QSKIP("xdg-mime is not installed (scripts/setup.sh installs xdg-utils)");
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "XDG_DATA_DIRS"})
            qunsetenv(name);
        const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
        const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!dataHome.isEmpty() && !configHome.isEmpty());
        QVERIFY(QDir().mkpath(dataHome + QStringLiteral("/applications")));

        const QString script = dataHome + QStringLiteral("/fake-browser.sh");
        const QString output = dataHome + QStringLiteral("/arguments.txt");
        QVERIFY(writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + output.toUtf8() +
                                      ".part\" && mv \"" + output.toUtf8() + ".part\" \"" +
                                      output.toUtf8() + "\"\n"));
        QVERIFY(
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(writeFile(dataHome + QStringLiteral("/applications/zet-test-browser.desktop"),
                          "[Desktop Entry]\nType=Application\nName=Test browser\n"
                          "Exec=" +
                              script.toUtf8() +
                              " --new-window %u\n"
                              "[Desktop Action private]\nExec=wrong\n"));
        QVERIFY(writeFile(configHome + QStringLiteral("/mimeapps.list"),
                          "[Default Applications]\ntext/html=zet-test-browser.desktop\n"));

        NoDesktopOpener opener;
        const QString target = kMailLink + QStringLiteral("?subject=ZET%20browser;$(true)");
        QCOMPARE(openNow(opener, target), int(CLinkOpener::Opened));
        QTRY_VERIFY(QFile::exists(output));
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "--new-window\n" + target.toUtf8() + "\n");
    }

    // The desktop's answer is xdg-open's exit status, not whether xdg-open could be started.
    void theDesktopsAnswerIsItsOpenersExitStatus_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::addRow("opened") << QByteArray("exit 0") << int(CLinkOpener::Opened);
        QTest::addRow("nothing opens it")
            << QByteArray("exit 3") << int(CLinkOpener::NoAssociation);
        QTest::addRow("no such file") << QByteArray("exit 2") << int(CLinkOpener::FileNotFound);
        QTest::addRow("its program failed")
            << QByteArray("exit 4") << int(CLinkOpener::BadAssociation);
        QTest::addRow("killed") << QByteArray("kill -9 $$") << int(CLinkOpener::BadAssociation);
    }

    void theDesktopsAnswerIsItsOpenersExitStatus()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        FakeXdgOpen xdgOpen(body);
        QVERIFY(xdgOpen.isValid());
        DesktopOnlyOpener opener;
        QCOMPARE(openNow(opener, kMailLink), result);
        QCOMPARE(xdgOpen.arguments(), kMailLink.toUtf8() + "\n");
    }

    void theLinkWaitsForTheAnswerAndKeepsItsColourOnFailure()
    {
        QWidget window;
        CLinkLabel label(kMailLink, &window);
        label.SetOpener(std::make_unique<DesktopOnlyOpener>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy failed(&label, &CLinkLabel::openFailed);
        {
            FakeXdgOpen xdgOpen("sleep 1; exit 3");
            QVERIFY(xdgOpen.isValid());
            QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
            // Nothing is known yet, and the window goes on.
            QVERIFY(!label.IsVisited());
            QCOMPARE(failed.count(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 10000);
        }
        QCOMPARE(failed.at(0).at(0).toString(),
                 QStringLiteral("Unable to open hyperlink:\n\nThere is no application "
                                "associated\nwith the given filename extension."));
        QVERIFY(!label.IsVisited());
        QVERIFY(hasPixel(label.grab().toImage(), label.NormalColour()));

        FakeXdgOpen xdgOpen("exit 0");
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_VERIFY(label.IsVisited());
        QCOMPARE(failed.count(), 1);

        // A label closed before the answer comes is left alone.
        auto* closing = new CLinkLabel(kMailLink, &window);
        closing->SetOpener(std::make_unique<DesktopOnlyOpener>());
        QSignalSpy closingFailed(closing, &CLinkLabel::openFailed);
        FakeXdgOpen slow("sleep 1; exit 3");
        QTest::mouseClick(closing, Qt::LeftButton, {}, QPoint(2, 2));
        delete closing;
        // An opening started after it, as slow, answers after it.
        bool later = false;
        DesktopOpener::Open(kMailLink, [&later](DesktopOpener::Outcome) { later = true; });
        QTRY_VERIFY_WITH_TIMEOUT(later, 10000);
        QCOMPARE(closingFailed.count(), 0);
    }

    void anOpenerStillRunningHasTheTargetOpen()
    {
        // xdg-open waits for some programs until they close: a while running is success.
        FakeXdgOpen xdgOpen("sleep 30");
        QVERIFY(xdgOpen.isValid());
        int answers = 0;
        DesktopOpener::Outcome outcome = DesktopOpener::Outcome::NotStarted;
        DesktopOpener::Open(
            kMailLink,
            [&](DesktopOpener::Outcome answer) {
                ++answers;
                outcome = answer;
            },
            200);
        QCOMPARE(answers, 0);
        QTRY_COMPARE(answers, 1);
        QCOMPARE(outcome, DesktopOpener::Outcome::Opened);
        QTest::qWait(300);
        QCOMPARE(answers, 1);
    }

    void withoutAnOpenerTheAnswerStillComesLater()
    {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        int answers = 0;
        DesktopOpener::Outcome outcome = DesktopOpener::Outcome::Opened;
        DesktopOpener::Open(kMailLink, [&](DesktopOpener::Outcome answer) {
            ++answers;
            outcome = answer;
        });
        qputenv("PATH", path);
        QCOMPARE(answers, 0);
        QTRY_COMPARE(answers, 1);
        QCOMPARE(outcome, DesktopOpener::Outcome::NotStarted);
    }

    void startProgramErrors()
    {
        NoDesktopOpener opener;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(opener.StartRealProgram(QStringLiteral("zet-no-such-program-anywhere"), {}),
                 int(CLinkOpener::FileNotFound));
        QCOMPARE(opener.StartRealProgram(dir.filePath(QStringLiteral("missing")), {}),
                 int(CLinkOpener::FileNotFound));
        QCOMPARE(opener.StartRealProgram(dir.filePath(QStringLiteral("no/such/folder/prog")), {}),
                 int(CLinkOpener::PathNotFound));
        const QString plain = dir.filePath(QStringLiteral("plain.txt"));
        QVERIFY(writeFile(plain, "text"));
        QCOMPARE(opener.StartRealProgram(plain, {}), int(CLinkOpener::AccessDenied));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<LinkLabelTest>(argc, argv);
}

#include "LinkLabelTest.moc"
