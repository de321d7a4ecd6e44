#include "link/reportlistener.h"

#include "link/codepage.h"
#include "link/logging.h"
#include "link/records.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

ReportListener::ReportListener(QObject* parent) : QObject(parent) {
    m_steady.start();
    m_sweepTimer.setInterval(kSweepIntervalMs);
    connect(&m_sweepTimer, &QTimer::timeout, this, &ReportListener::sweep);
    m_graceTimer.setSingleShot(true);
    connect(&m_graceTimer, &QTimer::timeout, this, &ReportListener::serveWaiting);
    connect(&m_listener, &TcpListener::connectionsWaiting, this, &ReportListener::acceptWaiting);
    for (Session& session : m_sessions) {
        session.socket = new StreamSocket(this);
        Session* s = &session;
        connect(s->socket, &StreamSocket::dataArrived, this, [this, s] { onData(*s); });
        connect(s->socket, &StreamSocket::peerClosed, this, [this, s] { onPeerClosed(*s); });
        connect(s->socket, &StreamSocket::failed, this, [this, s] {
            qCDebug(lcLink) << "report session from" << s->socket->peerAddress() << "broke";
            s->socket->close();
            serveWaiting();
        });
    }
    setLimits(m_limits);
}

ReportListener::~ReportListener() {
    close();
}

void ReportListener::setLimits(const Limits& limits) {
    m_limits = limits;
    m_refusals.setLimit(limits.maxLingering);
    m_refusals.setTimeLimit(limits.lingerMs);
}

void ReportListener::setClock(std::function<qint64()> clock) {
    m_clock = clock;
    m_refusals.setClock(std::move(clock));
}

bool ReportListener::listen(int port) {
    const bool listening = m_listener.listen(port);
    qCDebug(lcLink) << "listening for reports on port" << port << (listening ? "" : "failed");
    return listening;
}

void ReportListener::close() {
    m_listener.close();
    for (Session& session : m_sessions)
        session.socket->close();
    while (!m_waiting.empty())
        ::close(takeWaiting(m_waiting.size() - 1).fd);
    m_refusals.closeAll();
    m_sweepTimer.stop();
    m_graceTimer.stop();
}

int ReportListener::openSessions() const {
    int open = 0;
    for (const Session& session : m_sessions)
        open += session.socket->state() != StreamSocket::State::Closed;
    return open;
}

ReportListener::Session* ReportListener::freeSession() {
    // The lowest-numbered free session always wins.
    for (Session& session : m_sessions) {
        if (session.socket->state() == StreamSocket::State::Failed)
            session.socket->close();
        if (session.socket->state() == StreamSocket::State::Closed)
            return &session;
    }
    return nullptr;
}

ReportListener::Session* ReportListener::longestSilentSession(qint64 t) {
    Session* silent = nullptr;
    for (Session& session : m_sessions)
        if (session.socket->state() == StreamSocket::State::Connected &&
            t - session.lastHeardAt >= m_limits.displaceAfterMs &&
            (!silent || session.lastHeardAt < silent->lastHeardAt))
            silent = &session;
    return silent;
}

void ReportListener::acceptWaiting() {
    // A bounded number per pass, so a flood of connections cannot hold up everything else.
    for (int taken = 0; taken < 64; ++taken) {
        QString peer;
        const int fd = m_listener.acceptNext(peer);
        if (fd < 0)
            break;
        qCDebug(lcLink) << "report connection from" << peer;
        if (m_waiting.empty()) {
            if (Session* free = freeSession()) {
                open(*free, fd, peer);
                continue;
            }
        }
        if (int(m_waiting.size()) >= m_limits.maxWaiting) {
            // Room is made by refusing the longest-waiting connection that carries nothing.
            size_t i = 0;
            while (i < m_waiting.size() && m_waiting[i].carriesRecord)
                ++i;
            if (i == m_waiting.size()) {
                refuse(fd, peer);
                continue;
            }
            Waiting silent = takeWaiting(i);
            refuse(silent.fd, silent.peer);
        }
        Waiting w;
        w.fd = fd;
        w.peer = peer;
        w.since = now();
        w.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(w.notifier, &QSocketNotifier::activated, this, [this, fd] {
            for (Waiting& waiting : m_waiting)
                if (waiting.fd == fd)
                    probe(waiting);
            serveWaiting();
        });
        m_waiting.push_back(w);
        probe(m_waiting.back());
        qCDebug(lcLink) << "every session busy;" << peer << "waits";
    }
    serveWaiting();
}

void ReportListener::probe(Waiting& waiting) {
    char first;
    const ssize_t n = ::recv(waiting.fd, &first, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    // Bytes, or the peer's end without any (an empty record), or a broken connection: nothing
    // more to learn until it is served or refused.
    waiting.carriesRecord = n > 0;
    waiting.broken = n < 0;
    waiting.notifier->setEnabled(false);
}

ReportListener::Waiting ReportListener::takeWaiting(size_t index) {
    Waiting w = m_waiting[index];
    m_waiting.erase(m_waiting.begin() + std::ptrdiff_t(index));
    w.notifier->setEnabled(false);
    w.notifier->deleteLater();
    return w;
}

void ReportListener::serveWaiting() {
    const qint64 t = now();
    for (size_t i = m_waiting.size(); i-- > 0;)
        if (m_waiting[i].broken)
            ::close(takeWaiting(i).fd);
    // Free sessions go first to the connections carrying a record, in order of arrival; only
    // those may take the place of a session that has long received nothing.
    for (const bool records : {true, false}) {
        for (size_t i = 0; i < m_waiting.size();) {
            if (m_waiting[i].carriesRecord != records) {
                ++i;
                continue;
            }
            Session* session = freeSession();
            if (!session && records) {
                session = longestSilentSession(t);
                if (session) {
                    const QString peer = session->socket->peerAddress();
                    qCDebug(lcLink)
                        << "session from" << peer << "silent for" << t - session->lastHeardAt
                        << "ms gives way to" << m_waiting[i].peer;
                    session->socket->close();
                    ++m_displacedCount;
                    m_unannounced.emplace_back(false, peer);
                }
            }
            if (!session) {
                ++i;
                continue;
            }
            const Waiting w = takeWaiting(i);
            open(*session, w.fd, w.peer);
        }
    }
    for (size_t i = 0; i < m_waiting.size();) {
        if (t - m_waiting[i].since < m_limits.graceMs) {
            ++i;
            continue;
        }
        const Waiting w = takeWaiting(i);
        refuse(w.fd, w.peer);
    }
    if (!m_waiting.empty()) {
        qint64 earliest = m_waiting.front().since;
        for (const Waiting& w : m_waiting)
            earliest = qMin(earliest, w.since);
        m_graceTimer.start(int(std::clamp<qint64>(earliest + m_limits.graceMs - t, 1, 60000)));
    } else {
        m_graceTimer.stop();
    }
    keepSweeping();
    announce();
}

void ReportListener::announce() {
    std::vector<std::pair<bool, QString>> events;
    events.swap(m_unannounced);
    for (const auto& [wasRefused, peer] : events) {
        if (wasRefused)
            emit refused(peer);
        else
            emit displaced(peer);
    }
}

void ReportListener::open(Session& session, int descriptor, const QString& peer) {
    session.socket->adopt(descriptor, peer);
    session.openedAt = session.lastHeardAt = now();
    keepSweeping();
}

void ReportListener::keepSweeping() {
    if (!m_sweepTimer.isActive() && (openSessions() > 0 || !m_waiting.empty()))
        m_sweepTimer.start();
}

void ReportListener::refuse(int descriptor, const QString& peer) {
    // The peer hears the notice whole and then an orderly close, whether it writes or not.
    if (!m_refusals.turnAway(descriptor, QByteArray(kRefusalNotice)))
        qCDebug(lcLink) << "the refusal notice could not be sent to" << peer;
    ++m_refusedCount;
    qCDebug(lcLink) << "refused" << peer << "(" << m_refusedCount << "so far)";
    m_unannounced.emplace_back(true, peer);
}

void ReportListener::onData(Session& session) {
    session.lastHeardAt = now();
    if (session.socket->receivedSize() > kMaxRecordBytes) {
        qCDebug(lcLink) << "record from" << session.socket->peerAddress() << "too long; dropped";
        session.socket->close();
        serveWaiting();
    }
}

void ReportListener::onPeerClosed(Session& session) {
    const QByteArray bytes = session.socket->takeReceived();
    const QString peer = session.socket->peerAddress();
    session.socket->close();
    emit recordReceived(fromWindows1252(bytes), peer);
    serveWaiting();
}

void ReportListener::sweep() {
    const qint64 t = now();
    for (Session& session : m_sessions) {
        const StreamSocket::State state = session.socket->state();
        if (state == StreamSocket::State::Closed)
            continue;
        if (state == StreamSocket::State::PeerClosed || state == StreamSocket::State::Failed) {
            session.socket->close();
        } else if (t - session.openedAt >= m_limits.sessionTimeLimitMs) {
            qCDebug(lcLink) << "session from" << session.socket->peerAddress() << "timed out after"
                            << t - session.openedAt << "ms";
            session.socket->close();
        }
    }
    serveWaiting();
    if (openSessions() == 0 && m_waiting.empty())
        m_sweepTimer.stop();
}
