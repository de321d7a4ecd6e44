#include "link/socket/streamsocket.h"

#include <QPointer>
#include <QStringList>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

bool parseDottedIPv4(const QString& text, quint32& address) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 value = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        const int n = part.toInt();
        if (n > 255)
            return false;
        value = (value << 8) | quint32(n);
    }
    address = value;
    return true;
}

QString dottedIPv4(quint32 address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

StreamSocket::StreamSocket(QObject* parent) : QObject(parent) {
    m_readNotifier.setEnabled(false);
    m_writeNotifier.setEnabled(false);
    connect(&m_readNotifier, &QSocketNotifier::activated, this, &StreamSocket::onReadable);
    connect(&m_writeNotifier, &QSocketNotifier::activated, this, &StreamSocket::onWritable);
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        if (m_state == State::Connecting)
            fail();
    });
}

StreamSocket::~StreamSocket() {
    detach();
}

template <typename F> void StreamSocket::later(F what) {
    QMetaObject::invokeMethod(
        this,
        [this, what, generation = m_generation] {
            if (generation == m_generation)
                what();
        },
        Qt::QueuedConnection);
}

void StreamSocket::attach(int descriptor) {
    m_fd = descriptor;
    m_readNotifier.setSocket(descriptor);
    m_writeNotifier.setSocket(descriptor);
}

void StreamSocket::detach() {
    ++m_generation;
    m_connectTimer.stop();
    m_readNotifier.setEnabled(false);
    m_writeNotifier.setEnabled(false);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_unsent.clear();
    m_sending = false;
}

void StreamSocket::close() {
    detach();
    m_received.clear();
    m_state = State::Closed;
}

void StreamSocket::fail() {
    // The descriptor goes at once: an abandoned attempt can never complete later.
    detach();
    m_state = State::Failed;
    emit failed();
}

void StreamSocket::connectTo(const QString& dottedAddress, int port) {
    close();
    m_state = State::Connecting;
    quint32 address = 0;
    const int fd = parseDottedIPv4(dottedAddress, address) && port >= 1 && port <= 65535
                       ? ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)
                       : -1;
    if (fd < 0) {
        later([this] { fail(); });
        return;
    }
    attach(fd);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(quint16(port));
    to.sin_addr.s_addr = htonl(address);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        later([this] { finishConnect(); });
    } else if (errno == EINPROGRESS) {
        m_writeNotifier.setEnabled(true);
        m_connectTimer.start(m_connectTimeoutMs);
    } else {
        later([this] { fail(); });
    }
}

void StreamSocket::finishConnect() {
    m_connectTimer.stop();
    m_writeNotifier.setEnabled(false);
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
        m_peerAddress = dottedIPv4(ntohl(peer.sin_addr.s_addr));
    m_state = State::Connected;
    m_readNotifier.setEnabled(true);
    emit connected();
}

void StreamSocket::adopt(int descriptor, const QString& peerAddress) {
    close();
    attach(descriptor);
    m_peerAddress = peerAddress;
    m_state = State::Connected;
    m_readNotifier.setEnabled(true);
}

bool StreamSocket::send(const QByteArray& bytes) {
    if (m_state != State::Connected)
        return false;
    m_unsent += bytes;
    m_sending = true;
    flush();
    return true;
}

void StreamSocket::flush() {
    while (!m_unsent.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_unsent.constData(), size_t(m_unsent.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_unsent.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier.setEnabled(true);
            return;
        }
        later([this] { fail(); });
        m_writeNotifier.setEnabled(false);
        return;
    }
    m_writeNotifier.setEnabled(false);
    if (m_sending) {
        m_sending = false;
        later([this] { emit sendComplete(); });
    }
}

void StreamSocket::onWritable() {
    if (m_state == State::Connecting) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            fail();
            return;
        }
        finishConnect();
        return;
    }
    flush();
}

void StreamSocket::onReadable() {
    // A bounded amount per pass keeps one busy peer from starving the others.
    char chunk[16384];
    qsizetype taken = 0;
    while (taken < qsizetype(4 * sizeof chunk)) {
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            m_received.append(chunk, n);
            taken += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The end of the stream or an error: whatever came before is announced first.
        QPointer<StreamSocket> guard(this);
        const quint64 generation = m_generation;
        if (taken > 0)
            emit dataArrived();
        if (!guard || generation != m_generation)
            return;
        if (n == 0) {
            m_readNotifier.setEnabled(false);
            m_state = State::PeerClosed;
            emit peerClosed();
        } else {
            fail();
        }
        return;
    }
    if (taken > 0)
        emit dataArrived();
}

QByteArray StreamSocket::takeReceived() {
    QByteArray out;
    out.swap(m_received);
    return out;
}
