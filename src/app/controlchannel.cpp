#include "app/controlchannel.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A request is one short line; anything longer is not one of ours.
constexpr qsizetype kMaxRequestBytes = 4096;

bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path)
        return false;
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return true;
}

int connectTo(const QString& path) {
    sockaddr_un address;
    if (!socketAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString controlSocketPath(const QString& lockPath) {
    // Without a lock there is no private place for the socket either: no channel then.
    if (lockPath.isEmpty())
        return QString();
    const QFileInfo lock(lockPath);
    return lock.absolutePath() + QLatin1Char('/') + lock.completeBaseName() +
           QStringLiteral(".socket");
}

ControlConnection::ControlConnection(int descriptor, QObject* parent)
    : QObject(parent), m_fd(descriptor) {
    m_notifier.setSocket(descriptor);
    connect(&m_notifier, &QSocketNotifier::activated, this, &ControlConnection::onReadable);
    m_notifier.setEnabled(true);
}

ControlConnection::~ControlConnection() {
    close();
}

void ControlConnection::close() {
    if (m_fd < 0)
        return;
    m_notifier.setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
    emit closed();
    deleteLater();
}

bool ControlConnection::sendLine(const QString& line) {
    if (m_fd < 0)
        return false;
    const QByteArray bytes = line.toUtf8() + '\n';
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close();
            return false;
        }
        sent += n;
    }
    return true;
}

void ControlConnection::onReadable() {
    char chunk[1024];
    const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        close();
        return;
    }
    if (m_requested)
        return; // one request per connection; what follows is ignored
    m_buffer.append(chunk, n);
    const qsizetype end = m_buffer.indexOf('\n');
    if (end < 0) {
        if (m_buffer.size() > kMaxRequestBytes)
            close();
        return;
    }
    m_requested = true;
    emit requestLine(QString::fromUtf8(m_buffer.left(end)));
}

ControlServer::ControlServer(QObject* parent) : QObject(parent) {
    connect(&m_notifier, &QSocketNotifier::activated, this, &ControlServer::acceptWaiting);
}

ControlServer::~ControlServer() {
    close();
}

bool ControlServer::listen(const QString& path) {
    close();
    sockaddr_un address;
    if (!socketAddress(path, address))
        return false;
    // Only the holder of the instance lock listens, so a socket file found here was left by a
    // copy that has ended.
    ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_notifier.setSocket(fd);
    m_notifier.setEnabled(true);
    return true;
}

void ControlServer::close() {
    m_notifier.setEnabled(false);
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(QFile::encodeName(m_path).constData());
}

void ControlServer::acceptWaiting() {
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto* connection = new ControlConnection(fd, this);
        connect(connection, &ControlConnection::requestLine, this,
                [this, connection](const QString& line) { emit request(connection, line); });
    }
}

bool askRunningCopy(const QString& path, const QString& request,
                    const std::function<bool(const QString&)>& onLine, int timeoutMs) {
    const int fd = connectTo(path);
    if (fd < 0)
        return false;
    const QByteArray line = request.toUtf8() + '\n';
    if (::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size()) {
        ::close(fd);
        return false;
    }
    QByteArray buffer;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        buffer.append(chunk, n);
        qsizetype end;
        bool more = true;
        while (more && (end = buffer.indexOf('\n')) >= 0) {
            more = onLine(QString::fromUtf8(buffer.left(end)));
            buffer.remove(0, end + 1);
        }
        if (!more)
            break;
    }
    ::close(fd);
    return true;
}
