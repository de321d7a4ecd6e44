// A listening TCP socket on every IPv4 address; connections are taken one by one by the owner.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>

class TcpListener : public QObject {
    Q_OBJECT
public:
    explicit TcpListener(QObject* parent = nullptr);
    ~TcpListener() override;

    // False at once when the port is outside 1..65535 or cannot be taken.
    bool listen(int port);
    void close();
    bool isListening() const { return m_fd >= 0; }

    // The next waiting connection as a non-blocking descriptor, or -1 when none waits.
    int acceptNext(QString& peerAddress);

signals:
    void connectionsWaiting();

private:
    int m_fd = -1;
    QSocketNotifier m_notifier{QSocketNotifier::Read};
};
