#include "link/reportlistener.h"

#include "link/codepage.h"
#include "link/records.h"

#include <sys/socket.h>
#include <unistd.h>

ReportListener::ReportListener(QObject* parent) : QObject(parent) {
    m_steady.start();
    m_sweepTimer.setInterval(kSweepIntervalMs);
    connect(&m_sweepTimer, &QTimer::timeout, this, &ReportListener::sweep);
    connect(&m_listener, &TcpListener::connectionsWaiting, this, &ReportListener::acceptWaiting);
    for (Session& session : m_sessions) {
        session.socket = new StreamSocket(this);
        Session* s = &session;
        connect(s->socket, &StreamSocket::dataArrived, this, [this, s] { onData(*s); });
        connect(s->socket, &StreamSocket::peerClosed, this, [this, s] { onPeerClosed(*s); });
    }
}

bool ReportListener::listen(int port) {
    return m_listener.listen(port);
}

void ReportListener::close() {
    m_listener.close();
    for (Session& session : m_sessions)
        session.socket->close();
    m_sweepTimer.stop();
}

int ReportListener::openSessions() const {
    int open = 0;
    for (const Session& session : m_sessions)
        open += session.socket->state() != StreamSocket::State::Closed;
    return open;
}

void ReportListener::acceptWaiting() {
    // A bounded number per pass, so a flood of connections cannot hold up everything else.
    for (int taken = 0; taken < 64; ++taken) {
        QString peer;
        const int fd = m_listener.acceptNext(peer);
        if (fd < 0)
            return;
        Session* free = nullptr;
        for (Session& session : m_sessions) {
            if (session.socket->state() == StreamSocket::State::Closed) {
                free = &session;
                break;
            }
        }
        if (!free) {
            refuse(fd);
            emit refused(peer);
            continue;
        }
        free->socket->adopt(fd, peer);
        free->openedAt = now();
        if (!m_sweepTimer.isActive())
            m_sweepTimer.start();
    }
}

void ReportListener::refuse(int descriptor) {
    // The notice fits any fresh connection's send buffer, so it goes out whole at once. What the
    // peer already sent is read away and dropped, so that the close is an orderly one.
    [[maybe_unused]] const ssize_t sent =
        ::send(descriptor, kRefusalNotice, sizeof kRefusalNotice - 1, MSG_NOSIGNAL);
    char discard[4096];
    for (int i = 0; i < 16 && ::recv(descriptor, discard, sizeof discard, MSG_DONTWAIT) > 0; ++i) {
    }
    ::shutdown(descriptor, SHUT_WR);
    ::close(descriptor);
}

void ReportListener::onData(Session& session) {
    if (session.socket->receivedSize() > kMaxRecordBytes)
        session.socket->close();
}

void ReportListener::onPeerClosed(Session& session) {
    const QByteArray bytes = session.socket->takeReceived();
    const QString peer = session.socket->peerAddress();
    session.socket->close();
    emit recordReceived(fromWindows1252(bytes), peer);
}

void ReportListener::sweep() {
    const qint64 t = now();
    bool anyOpen = false;
    for (Session& session : m_sessions) {
        const StreamSocket::State state = session.socket->state();
        if (state == StreamSocket::State::Closed)
            continue;
        if (state == StreamSocket::State::PeerClosed || state == StreamSocket::State::Failed ||
            t - session.openedAt >= m_sessionTimeLimitMs) {
            session.socket->close();
            continue;
        }
        anyOpen = true;
    }
    if (!anyOpen)
        m_sweepTimer.stop();
}
