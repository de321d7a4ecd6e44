#include "link/socket/tcplistener.h"

#include "link/socket/streamsocket.h"

#include <QLoggingCategory>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
Q_LOGGING_CATEGORY(lcSocket, "zav.link.socket", QtWarningMsg)
}

TcpListener::TcpListener(QObject* parent) : QObject(parent) {
    m_notifier.setEnabled(false);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        if (m_fd >= 0)
            m_notifier.setEnabled(true);
    });
    connect(&m_notifier, &QSocketNotifier::activated, this, &TcpListener::connectionsWaiting);
}

TcpListener::~TcpListener() {
    close();
}

bool TcpListener::listen(int port) {
    close();
    if (port < 1 || port > 65535)
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(quint16(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_notifier.setSocket(fd);
    m_notifier.setEnabled(true);
    return true;
}

void TcpListener::close() {
    m_pause.stop();
    m_notifier.setEnabled(false);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

int TcpListener::acceptNext(QString& peerAddress) {
    if (m_fd < 0)
        return -1;
    for (;;) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            peerAddress = dottedIPv4(ntohl(peer.sin_addr.s_addr));
            return fd;
        }
        // A connection that was reset while it waited is simply gone; try the next one.
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        // Out of descriptors or memory: the connection stays queued and the socket readable, so
        // taking a rest keeps the owner from spinning on it.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            qCDebug(lcSocket) << "cannot accept a connection:" << qt_error_string(errno)
                              << "- pausing for" << kPauseMs << "ms";
            m_notifier.setEnabled(false);
            m_pause.start(kPauseMs);
        }
        return -1;
    }
}
