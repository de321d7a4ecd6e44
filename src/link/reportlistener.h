// The report listener: the server connects in to deliver one record per connection. Up to nine
// connections are served at once. A connection that finds them all busy waits a short grace: if
// it carries a record, it takes the place of a session that has long received nothing (an idle
// peer is not delivering a report); otherwise it is told the client is full and closed.
#pragma once

#include "link/socket/refusedconnections.h"
#include "link/socket/streamsocket.h"
#include "link/socket/tcplistener.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <utility>
#include <vector>

class ReportListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kSessionCount = 9;
    // A record is a few hundred bytes at most; a session that gathers more is dropped.
    static constexpr qsizetype kMaxRecordBytes = 64 * 1024;
    // How often sessions that ended badly (or stayed open too long) are cleared away.
    static constexpr int kSweepIntervalMs = 250;

    // How the listener shares its sessions when connections outnumber them.
    struct Limits {
        // How long a connection that finds every session busy may wait to show it carries a
        // record before it is refused.
        int graceMs = kSweepIntervalMs;
        // A session that has received nothing for this long gives way to a waiting connection
        // that carries a record.
        int displaceAfterMs = 1000;
        // Connections waiting at once; beyond that the longest-waiting silent one is refused.
        int maxWaiting = 32;
        // A session open longer than this is dropped unread (a real report takes milliseconds).
        int sessionTimeLimitMs = 30000;
        // Refused connections kept open at once to hear the peer out before closing, and how
        // long each is kept at most.
        int maxLingering = 64;
        int lingerMs = 2000;
    };

    explicit ReportListener(QObject* parent = nullptr);
    ~ReportListener() override;

    bool listen(int port);
    // Stops listening and drops every open session without reading it.
    void close();
    bool isListening() const { return m_listener.isListening(); }

    void setLimits(const Limits& limits);
    const Limits& limits() const { return m_limits; }
    // Milliseconds on a steady clock; tests replace it.
    void setClock(std::function<qint64()> clock);

    int openSessions() const;
    StreamSocket::State sessionState(int i) const { return m_sessions[size_t(i)].socket->state(); }
    qsizetype sessionBytes(int i) const { return m_sessions[size_t(i)].socket->receivedSize(); }
    // Connections refused, and sessions that gave way to a record, since the start.
    int refusedCount() const { return m_refusedCount; }
    int displacedCount() const { return m_displacedCount; }
    // Connections that found every session busy and wait for their grace.
    int waitingConnections() const { return int(m_waiting.size()); }
    bool sweepScheduled() const { return m_sweepTimer.isActive(); }
    // Drops the sessions that ended in an error, were left half-closed, or are too old, and
    // refuses the waiting connections whose grace has run out.
    void sweep();

signals:
    // A session's whole record, once its peer closed the connection normally.
    void recordReceived(const QString& record, const QString& peerAddress);
    // A connection beyond the limit was told so and closed.
    void refused(const QString& peerAddress);
    // A session silent for long was closed to make room for a connection carrying a record.
    void displaced(const QString& peerAddress);

private:
    struct Session {
        StreamSocket* socket = nullptr;
        qint64 openedAt = 0;
        qint64 lastHeardAt = 0; // when it opened or last received bytes
    };
    struct Waiting {
        int fd = -1;
        QString peer;
        qint64 since = 0;
        bool carriesRecord = false; // bytes are waiting to be read
        bool broken = false;
        QSocketNotifier* notifier = nullptr; // a child; deleted later, it may be signalling
    };
    void acceptWaiting();
    void serveWaiting();
    void probe(Waiting& waiting);
    Waiting takeWaiting(size_t index);
    Session* freeSession();
    Session* longestSilentSession(qint64 t);
    void open(Session& session, int descriptor, const QString& peer);
    void refuse(int descriptor, const QString& peer);
    void keepSweeping();
    // Emits the refusals and displacements of a pass once the pass is over, so that whatever
    // their receivers do cannot pull the lists from under it.
    void announce();
    void onData(Session& session);
    void onPeerClosed(Session& session);
    qint64 now() const { return m_clock ? m_clock() : m_steady.elapsed(); }

    TcpListener m_listener;
    std::array<Session, kSessionCount> m_sessions;
    std::vector<Waiting> m_waiting;
    RefusedConnections m_refusals;
    std::vector<std::pair<bool, QString>> m_unannounced; // (refused rather than displaced, peer)
    QTimer m_sweepTimer;
    QTimer m_graceTimer; // ends the earliest grace on time, between sweep ticks
    QElapsedTimer m_steady;
    std::function<qint64()> m_clock;
    Limits m_limits;
    int m_refusedCount = 0;
    int m_displacedCount = 0;
};
