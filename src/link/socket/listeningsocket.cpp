#include "link/socket/listeningsocket.h"

#include <QLoggingCategory>

#include <cerrno>
#include <unistd.h>

namespace {
Q_LOGGING_CATEGORY(lcSocket, "zav.link.socket", QtWarningMsg)
}

ListeningSocket::ListeningSocket(int restMs, QObject* parent) : QObject(parent) {
    m_notifier.setEnabled(false);
    m_rest.setSingleShot(true);
    m_rest.setInterval(restMs);
    connect(&m_rest, &QTimer::timeout, this, [this] {
        if (m_fd >= 0)
            m_notifier.setEnabled(true);
    });
    connect(&m_notifier, &QSocketNotifier::activated, this, &ListeningSocket::connectionsWaiting);
}

ListeningSocket::~ListeningSocket() {
    close();
}

void ListeningSocket::adopt(int fd) {
    close();
    m_fd = fd;
    m_notifier.setSocket(fd);
    m_notifier.setEnabled(true);
}

void ListeningSocket::close() {
    m_rest.stop();
    m_notifier.setEnabled(false);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

int ListeningSocket::acceptNext(sockaddr* peer, socklen_t* length) {
    if (m_fd < 0)
        return -1;
    for (;;) {
        const int fd = ::accept4(m_fd, peer, length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0)
            return fd;
        // A connection that was reset while it waited is simply gone; try the next one.
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            qCDebug(lcSocket) << "cannot accept a connection:" << qt_error_string(errno)
                              << "- resting for" << m_rest.interval() << "ms";
            m_notifier.setEnabled(false);
            ++m_rests;
            m_rest.start();
        }
        return -1;
    }
}
