#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Lets a second start of the program hand its file to the instance already running for this
// user: the running one listens on a local socket, the new one sends the absolute path and ends.
class CInstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit CInstanceChannel(QObject* parent = nullptr);
    ~CInstanceChannel() override;

    // Per user and per runtime directory, so separate sessions (and tests) never meet.
    static QString socketName();

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
