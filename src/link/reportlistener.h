// The report listener: the server connects in to deliver one record per connection. Up to nine
// connections are served at once; one more is told the client is full and closed at once.
#pragma once

#include "link/socket/streamsocket.h"
#include "link/socket/tcplistener.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

class ReportListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kSessionCount = 9;
    // A record is a few hundred bytes at most; a session that gathers more is dropped.
    static constexpr qsizetype kMaxRecordBytes = 64 * 1024;
    // How often sessions that ended badly (or stayed open too long) are cleared away.
    static constexpr int kSweepIntervalMs = 250;

    explicit ReportListener(QObject* parent = nullptr);

    bool listen(int port);
    // Stops listening and drops every open session without reading it.
    void close();
    bool isListening() const { return m_listener.isListening(); }

    // A session open longer than this is dropped unread (a real report takes milliseconds).
    void setSessionTimeLimit(int milliseconds) { m_sessionTimeLimitMs = milliseconds; }
    // Milliseconds on a steady clock; tests replace it.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    int openSessions() const;
    StreamSocket::State sessionState(int i) const { return m_sessions[size_t(i)].socket->state(); }
    qsizetype sessionBytes(int i) const { return m_sessions[size_t(i)].socket->receivedSize(); }
    bool sweepScheduled() const { return m_sweepTimer.isActive(); }
    // Drops the sessions that ended in an error, were left half-closed, or are too old.
    void sweep();

signals:
    // A session's whole record, once its peer closed the connection normally.
    void recordReceived(const QString& record, const QString& peerAddress);
    // A connection beyond the limit was told so and closed.
    void refused(const QString& peerAddress);

private:
    struct Session {
        StreamSocket* socket = nullptr;
        qint64 openedAt = 0;
    };
    void acceptWaiting();
    void refuse(int descriptor);
    void onData(Session& session);
    void onPeerClosed(Session& session);
    qint64 now() const { return m_clock ? m_clock() : m_steady.elapsed(); }

    TcpListener m_listener;
    std::array<Session, kSessionCount> m_sessions;
    QTimer m_sweepTimer;
    QElapsedTimer m_steady;
    std::function<qint64()> m_clock;
    int m_sessionTimeLimitMs = 30000;
};
