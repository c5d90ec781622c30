#include "CInstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A path line is the whole message; anything longer is not one of ours.
constexpr qint64 kMaxMessage = 64 * 1024;
const QByteArray kAck = QByteArrayLiteral("ok\n");
} // namespace

CInstanceChannel::CInstanceChannel(QObject* parent) : QObject(parent) {}

CInstanceChannel::~CInstanceChannel() = default;

QString CInstanceChannel::socketName()
{
    // Never a shared folder such as /tmp: another user could listen there first, learn which
    // files are opened and keep them from opening.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !isPrivateFolder(dir))
        return {};
    return QDir(dir).filePath(QStringLiteral("zetbrowser-%1.socket").arg(::getuid()));
}

bool CInstanceChannel::isPrivateFolder(const QString& path)
{
    struct stat info;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
}

bool CInstanceChannel::peerIsThisUser(qintptr socketDescriptor)
{
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    if (socketDescriptor < 0 ||
        ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        size != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}

bool CInstanceChannel::Forward(const QString& absolutePath, int timeoutMs)
{
    const QString name = socketName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (!peerIsThisUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    socket.write(absolutePath.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    return reply == kAck;
}

bool CInstanceChannel::Listen()
{
    if (m_server != nullptr && m_server->isListening())
        return true;
    const QString name = socketName();
    if (name.isEmpty())
        return false;
    // A socket file left by a crashed instance answers nobody; only then may it be replaced.
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) {
            probe.disconnectFromServer();
            return false;
        }
    }
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &CInstanceChannel::onNewConnection);
    return true;
}

bool CInstanceChannel::isListening() const
{
    return m_server != nullptr && m_server->isListening();
}

void CInstanceChannel::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QByteArray buffer = socket->property("zetBuffer").toByteArray() + socket->readAll();
            const qsizetype end = buffer.indexOf('\n');
            if (end < 0) {
                if (buffer.size() > kMaxMessage)
                    socket->abort();
                else
                    socket->setProperty("zetBuffer", buffer);
                return;
            }
            const QString path = QString::fromUtf8(buffer.left(end));
            socket->setProperty("zetBuffer", QByteArray());
            socket->write(kAck);
            socket->flush();
            socket->disconnectFromServer();
            if (!path.isEmpty())
                emit openRequested(path);
        });
    }
}
