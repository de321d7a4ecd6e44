// An event-driven TCP socket: every operation returns at once and outcomes arrive as signals on
// the UI thread. One object plays either a client, a listener or an accepted session.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QTcpServer;
class QTcpSocket;

class Winsock : public QObject {
    Q_OBJECT
public:
    enum StateValue : qint16 {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    explicit Winsock(int index = 0, QObject* parent = nullptr);
    ~Winsock() override;

    int Index() const { return index_; }

    // Drops a connection, a connection attempt or listening; harmless when already closed.
    void Close();

    void setRemotePort(qint32 port) { remotePort_ = port; }
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    qint32 RemotePort() const { return remotePort_; }
    QString RemoteHost() const { return remoteHost_; }
    // Starts connecting to RemoteHost:RemotePort. A destination that cannot be used (not a
    // dotted IPv4 address, a port outside 1..65535) ends in the Error event like any failure.
    void Connect();

    void setLocalPort(qint32 port) { localPort_ = port; }
    qint32 LocalPort() const { return localPort_; }
    // Listens on LocalPort on every IPv4 address; false at once when the port cannot be taken.
    bool Listen();

    // Takes over the pending incoming connection `requestId` (from a ConnectionRequest).
    bool Accept(qint32 requestId);

    // Queues text as single-byte characters; SendComplete follows once all of it is written.
    bool SendData(const QString& text);
    bool SendData(const QByteArray& bytes);
    // Everything received so far, decoded from the code page; the receive queue is emptied.
    QString GetData();
    qint64 BytesReceived() const { return received_.size(); }

    qint16 State() const { return state_; }
    // The peer's dotted address; still readable after Close.
    QString RemoteHostIP() const { return remoteHostIP_; }

    // How long a connection attempt may wait for an answer before it fails.
    static void setConnectTimeoutMs(int ms);
    static int connectTimeoutMs();

signals:
    void ConnectEvent(int index);
    void SendComplete(int index);
    void Error(int index, int number, const QString& description);
    void ConnectionRequest(int index, qint32 requestId);
    void DataArrival(int index, qint64 bytesTotal);
    void CloseEvent(int index);

private:
    void adopt(QTcpSocket* socket);
    void dropSocket();
    void fail(int number, const QString& description);
    void onNewConnections();

    int index_;
    qint16 state_ = sckClosed;
    qint32 remotePort_ = 0;
    QString remoteHost_;
    qint32 localPort_ = 0;
    QString remoteHostIP_;
    QByteArray received_;
    QTcpSocket* socket_ = nullptr;
    QTcpServer* server_ = nullptr;
    QTimer connectTimer_;
    qint64 unwritten_ = 0;
};
