#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Lets a second start of the program hand its file to the instance already running for this
// user: the running one listens on a local socket, the new one sends the absolute path and ends.
// The socket lives only in a folder no other user can enter, and each end talks only to a peer
// of its own user; without such a folder every start simply runs on its own.
class CInstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit CInstanceChannel(QObject* parent = nullptr);
    ~CInstanceChannel() override;

    // Per user and per runtime directory, so separate sessions (and tests) never meet; empty
    // when there is no private folder for it.
    static QString socketName();
    // A directory (not a link to one) owned by this user with mode 0700.
    static bool isPrivateFolder(const QString& path);
    // Whether the process at the other end of the connected local socket runs as this user.
    static bool peerIsThisUser(qintptr socketDescriptor);

    // Sends `absolutePath` to a running instance; true once it confirmed receipt.
    static bool Forward(const QString& absolutePath, int timeoutMs = 3000);

    // Starts listening; false when another instance already does.
    bool Listen();
    bool isListening() const;

signals:
    void openRequested(const QString& path);

private:
    void onNewConnection();

    QLocalServer* m_server = nullptr;
};
