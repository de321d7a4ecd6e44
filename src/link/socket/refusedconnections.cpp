#include "link/socket/refusedconnections.h"

#include <QElapsedTimer>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QElapsedTimer& steadyClock() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock;
}
} // namespace

RefusedConnections::RefusedConnections(QObject* parent) : QObject(parent) {
    m_timer.setInterval(kCheckIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &RefusedConnections::expire);
}

RefusedConnections::~RefusedConnections() {
    closeAll();
}

qint64 RefusedConnections::now() const {
    return m_clock ? m_clock() : steadyClock().elapsed();
}

bool RefusedConnections::turnAway(int descriptor, const QByteArray& notice) {
    // A fresh connection's send buffer takes the notice whole at once.
    ssize_t sent;
    do
        sent = ::send(descriptor, notice.constData(), size_t(notice.size()), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent != notice.size() || ::shutdown(descriptor, SHUT_WR) != 0 || m_limit < 1) {
        ::close(descriptor);
        return sent == notice.size();
    }
    if (int(m_lingering.size()) >= m_limit)
        closeAt(0);
    Lingering l;
    l.fd = descriptor;
    l.since = now();
    l.notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(l.notifier, &QSocketNotifier::activated, this,
            [this, descriptor] { onReadable(descriptor); });
    m_lingering.push_back(std::move(l));
    if (!m_timer.isActive())
        m_timer.start();
    // What the peer sent before it was turned away may already be waiting.
    onReadable(descriptor);
    return true;
}

void RefusedConnections::onReadable(int descriptor) {
    size_t index = 0;
    while (index < m_lingering.size() && m_lingering[index].fd != descriptor)
        ++index;
    if (index == m_lingering.size())
        return;
    // A bounded amount per pass, read into a scratch buffer and dropped.
    char scratch[4096];
    for (int pass = 0; pass < 16; ++pass) {
        const ssize_t n = ::recv(descriptor, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        closeAt(index); // the peer closed, or the connection broke
        return;
    }
}

void RefusedConnections::expire() {
    const qint64 t = now();
    for (size_t i = m_lingering.size(); i-- > 0;)
        if (t - m_lingering[i].since >= m_timeLimitMs)
            closeAt(i);
    if (m_lingering.empty())
        m_timer.stop();
}

void RefusedConnections::closeAll() {
    while (!m_lingering.empty())
        closeAt(m_lingering.size() - 1);
    m_timer.stop();
}

void RefusedConnections::closeAt(size_t index) {
    Lingering& l = m_lingering[index];
    l.notifier->setEnabled(false);
    l.notifier->deleteLater();
    ::close(l.fd);
    m_lingering.erase(m_lingering.begin() + std::ptrdiff_t(index));
}
