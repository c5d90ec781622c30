#include "CChildFrame.h"
#include "CInstanceChannel.h"
#include "CMainFrame.h"
#include "CZETbrowserApp.h"
#include "CZETbrowserDoc.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QEventLoop>
#include <QLocalServer>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

// Runs `body` in a child process and returns its exit code, or -1 when it did not end within ten
// seconds. Meanwhile the event loop runs, so this process serves its side of a connection. The
// child uses system calls only (it is a fork of a threaded program) and never returns.
int inChild(const std::function<int()>& body)
{
    // The write end lives as long as the child: its closing tells that the child ended.
    int ended[2];
    if (::pipe2(ended, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ended[0]);
        ::_exit(body());
    }
    ::close(ended[1]);
    if (pid < 0) {
        ::close(ended[0]);
        return -1;
    }
    {
        QEventLoop loop;
        QSocketNotifier end(qintptr(ended[0]), QSocketNotifier::Read);
        QObject::connect(&end, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    pollfd end = {ended[0], POLLIN, 0};
    const bool done = ::poll(&end, 1, 0) == 1;
    ::close(ended[0]);
    int status = 0;
    if (!done) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

sockaddr_un addressOf(const QString& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(),
                std::min<std::size_t>(bytes.size(), sizeof address.sun_path - 1));
    return address;
}

// Connects to `path`, sends a path line and waits for the answer: 1 when acknowledged, 0 when
// the other end closed without one, 2 when the connection failed.
int sendPath(const QString& path)
{
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return 2;
    const char line[] = "/forwarded.zet\n";
    // Refused at once, the connection may be gone before the line is sent.
    if (::send(fd, line, sizeof line - 1, MSG_NOSIGNAL) < 0)
        return 0;
    char reply[8] = {};
    pollfd wait = {fd, POLLIN, 0};
    if (::poll(&wait, 1, 5000) <= 0)
        return 0;
    return ::read(fd, reply, sizeof reply) > 0 && std::strncmp(reply, "ok\n", 3) == 0 ? 1 : 0;
}

// Makes the calling process act as another user while it can still reach files only root may
// (the file-system user stays root): the peer credentials then name the other user.
bool actAsOtherUserKeepingFileAccess()
{
    if (::setegid(kOtherUser) != 0 || ::seteuid(kOtherUser) != 0)
        return false;
    ::setfsuid(0);
    return ::setfsuid(0) == 0; // it answers with the value before, so this tells the first took
}

} // namespace

class InstanceChannelTest : public QObject
{
    Q_OBJECT

    QByteArray m_runtime;
    QByteArray m_tmp;

private slots:
    void init()
    {
        m_runtime = qgetenv("XDG_RUNTIME_DIR");
        m_tmp = qgetenv("TMPDIR");
    }
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime);
        if (m_tmp.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_tmp);
    }

    void privateFolders()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/f");
        QVERIFY(QDir().mkdir(path));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(CInstanceChannel::isPrivateFolder(path));
        QVERIFY(QFile::link(path, dir.path() + QStringLiteral("/link")));
        QVERIFY(!CInstanceChannel::isPrivateFolder(dir.path() + QStringLiteral("/link")));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ExeGroup));
        QVERIFY(!CInstanceChannel::isPrivateFolder(path));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!CInstanceChannel::isPrivateFolder(dir.path() + QStringLiteral("/missing")));
        QFile file(dir.path() + QStringLiteral("/file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!CInstanceChannel::isPrivateFolder(file.fileName()));
        if (::geteuid() == 0) {
            QCOMPARE(::chown(QFile::encodeName(path).constData(), kOtherUser, kOtherUser), 0);
            QVERIFY(!CInstanceChannel::isPrivateFolder(path));
        }
    }

    // Neither the runtime folder nor the temporary one's fallback is private: no socket, and
    // certainly none under a predictable name in the shared temporary folder.
    void noPrivateFolderNoChannel()
    {
        QTemporaryDir shared;
        const QString runtime = shared.path() + QStringLiteral("/runtime");
        QVERIFY(QDir().mkdir(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther));
        // What the runtime location falls back to, taken by someone else (here: a link).
        const passwd* user = ::getpwuid(::geteuid());
        QVERIFY(user);
        const QString fallback =
            shared.path() + QStringLiteral("/runtime-") + QString::fromLocal8Bit(user->pw_name);
        QVERIFY(QFile::link(runtime, fallback));
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        qputenv("TMPDIR", shared.path().toLocal8Bit());

        QCOMPARE(CInstanceChannel::socketName(), QString());
        QVERIFY(!CInstanceChannel::Forward(QStringLiteral("/x.zet")));
        CInstanceChannel channel;
        QVERIFY(!channel.Listen());
        QVERIFY(!channel.isListening());
        QCOMPARE(QDir(shared.path()).entryList(QDir::System).filter(QStringLiteral("zetbrowser")),
                 QStringList());
        QCOMPARE(QDir(runtime).entryList(QDir::System), QStringList());

        // The program starts on its own and opens its file.
        const QString book = shared.path() + QStringLiteral("/book.zet");
        QVERIFY(QFile(book).open(QIODevice::WriteOnly));
        {
            ScriptedPrompts prompts;
            CZETbrowserApp app(prompts);
            QVERIFY(!app.InitInstance({QStringLiteral("zetbrowser"), book}).has_value());
            QVERIFY(!app.instanceChannel()->isListening());
            QCOMPARE(app.mainFrame()->childFrames().size(), 1);
            QCOMPARE(app.mainFrame()->childFrames().first()->GetDocument()->GetPathName(),
                     book.toStdString());
        }

        // Once the fallback is free, a private one is made and used.
        QVERIFY(QFile::remove(fallback));
        const QString name = CInstanceChannel::socketName();
        QVERIFY(!name.isEmpty());
        QVERIFY(CInstanceChannel::isPrivateFolder(QFileInfo(name).path()));
        QCOMPARE(QFileInfo(name).path(), fallback);
    }

    // Someone else listening first learns nothing; the program then runs on its own.
    void forwardTalksOnlyToItsOwnUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as another user");
        const QString name = CInstanceChannel::socketName();
        QVERIFY(!name.isEmpty());
        QFile::remove(name);
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        // The intruder: binds the name (only root gets into the folder), listens as another user,
        // answers a path line as the program does and reports how many bytes it was sent.
        bool asked = false;
        bool forwarded = false;
        // Once the intruder listens, the program's second start tries to hand it a file.
        QSocketNotifier listening(qintptr(ready[0]), QSocketNotifier::Read);
        QObject::connect(&listening, &QSocketNotifier::activated, [&] {
            listening.setEnabled(false);
            char byte;
            if (::read(ready[0], &byte, 1) == 1) {
                asked = true;
                forwarded = CInstanceChannel::Forward(QStringLiteral("/secret.zet"), 2000);
            }
        });
        const int received = inChild([&] {
            const sockaddr_un address = addressOf(name);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 ||
                ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                return 100;
            if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0 || ::listen(fd, 1) != 0)
                return 101;
            (void)::write(ready[1], "r", 1);
            pollfd wait = {fd, POLLIN, 0};
            if (::poll(&wait, 1, 5000) <= 0)
                return 102;
            const int client = ::accept(fd, nullptr, nullptr);
            char buffer[256];
            int total = 0;
            for (ssize_t n; (n = ::read(client, buffer, sizeof buffer)) > 0;) {
                total += int(n);
                if (std::memchr(buffer, '\n', std::size_t(n))) {
                    ::send(client, "ok\n", 3, MSG_NOSIGNAL);
                    break;
                }
            }
            return total;
        });
        listening.setEnabled(false);
        ::close(ready[0]);
        ::close(ready[1]);
        QVERIFY(asked);
        QVERIFY(!forwarded);
        QCOMPARE(received, 0);
        QFile::remove(name);
    }

    // The running instance opens nothing a process of another user sends it.
    void listenerServesOnlyItsOwnUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as another user");
        CInstanceChannel channel;
        QVERIFY(channel.Listen());
        QSignalSpy opened(&channel, &CInstanceChannel::openRequested);
        const QString name = CInstanceChannel::socketName();

        // Closed unanswered: the channel refused before the child ended.
        QCOMPARE(inChild([&] { return actAsOtherUserKeepingFileAccess() ? sendPath(name) : 100; }),
                 0);
        QCoreApplication::processEvents();
        QCOMPARE(opened.count(), 0);

        // The same user is still served.
        QCOMPARE(inChild([&] { return sendPath(name); }), 1);
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(opened.first().first().toString(), QStringLiteral("/forwarded.zet"));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<InstanceChannelTest>(argc, argv);
}

#include "InstanceChannelTest.moc"
