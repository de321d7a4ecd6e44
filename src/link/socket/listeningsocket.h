// A listening socket of any family, whose connections the owner takes one by one.
//
// When the system has no descriptor or memory left for one more connection, the connection
// stays queued and the socket readable: the socket then rests a while before it wakes its owner
// again, instead of waking it at once without end.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>

class ListeningSocket : public QObject {
    Q_OBJECT
public:
    explicit ListeningSocket(int restMs, QObject* parent = nullptr);
    ~ListeningSocket() override;

    // Takes a bound, listening, non-blocking descriptor (closing the one before).
    void adopt(int fd);
    void close();
    bool isListening() const { return m_fd >= 0; }

    // The next waiting connection as a non-blocking descriptor (its peer's address in `peer`
    // when given), or -1 when none waits or none can be taken now (then the socket rests).
    int acceptNext(sockaddr* peer = nullptr, socklen_t* length = nullptr);

    void setRestMs(int milliseconds) { m_rest.setInterval(milliseconds); }
    // How many times the socket has rested so far.
    int rests() const { return m_rests; }

signals:
    void connectionsWaiting();

private:
    int m_fd = -1;
    QSocketNotifier m_notifier{QSocketNotifier::Read};
    QTimer m_rest;
    int m_rests = 0;
};
