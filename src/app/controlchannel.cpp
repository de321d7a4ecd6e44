#include "app/controlchannel.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <cstring>

#include <cerrno>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A request is one short line; anything longer is not one of ours.
constexpr qsizetype kMaxRequestBytes = 4096;
// Lines waiting for a client that does not read (a watcher that stopped): beyond this the
// client is dropped rather than kept in memory.
constexpr qint64 kMaxUnsentBytes = 64 * 1024;
// Connections held at once; beyond them a new one is closed at once.
constexpr int kMaxConnections = 128;
// How long a closing connection may take to hand over its last lines.
constexpr int kCloseWaitMs = 2000;

bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path)
        return false;
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return true;
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

ControlConnection::ControlConnection(QLocalSocket* socket, int requestWaitMs, QObject* parent)
    : QObject(parent), m_socket(socket) {
    m_socket->setParent(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &ControlConnection::onReadable);
    connect(m_socket, &QLocalSocket::disconnected, this, &ControlConnection::finish);
    connect(m_socket, &QLocalSocket::errorOccurred, this, &ControlConnection::finish);
    m_requestTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, &ControlConnection::finish);
    m_requestTimer.start(requestWaitMs);
}

ControlConnection::~ControlConnection() {
    m_socket->disconnect(this);
}

void ControlConnection::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_open = false;
    m_requestTimer.stop();
    m_socket->abort();
    emit closed();
    deleteLater();
}

void ControlConnection::close() {
    if (!m_open)
        return;
    m_open = false;
    m_socket->disconnectFromServer(); // hands over what is queued first
    if (m_socket->state() == QLocalSocket::UnconnectedState) {
        finish();
        return;
    }
    // A client that does not take its last lines is not waited for.
    m_requestTimer.start(kCloseWaitMs);
}

bool ControlConnection::sendLine(const QString& line) {
    if (!m_open)
        return false;
    if (m_socket->bytesToWrite() > kMaxUnsentBytes) {
        finish();
        return false;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    if (m_socket->write(bytes) != bytes.size()) {
        finish();
        return false;
    }
    return true;
}

void ControlConnection::onReadable() {
    const QByteArray chunk = m_socket->readAll();
    if (m_requested || !m_open)
        return; // one request per connection; what follows is ignored
    m_buffer.append(chunk);
    const qsizetype end = m_buffer.indexOf('\n');
    if (end < 0) {
        if (m_buffer.size() > kMaxRequestBytes)
            finish();
        return;
    }
    m_requested = true;
    m_requestTimer.stop();
    const QByteArray request = m_buffer.left(end);
    m_buffer.clear();
    emit requestLine(QString::fromUtf8(request));
}

ControlServer::ControlServer(QObject* parent) : QObject(parent) {
    connect(&m_socket, &ListeningSocket::connectionsWaiting, this, &ControlServer::acceptWaiting);
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
        ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    m_socket.adopt(fd);
    m_path = path;
    return true;
}

void ControlServer::close() {
    if (!m_socket.isListening())
        return;
    m_socket.close();
    ::unlink(QFile::encodeName(m_path).constData());
}

void ControlServer::acceptWaiting() {
    for (;;) {
        const int fd = m_socket.acceptNext();
        if (fd < 0)
            return;
        if (m_connections >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        auto* socket = new QLocalSocket;
        if (!socket->setSocketDescriptor(fd)) {
            delete socket;
            ::close(fd);
            continue;
        }
        auto* connection = new ControlConnection(socket, m_requestWaitMs, this);
        ++m_connections;
        connect(connection, &ControlConnection::closed, this, [this] { --m_connections; });
        connect(connection, &ControlConnection::requestLine, this,
                [this, connection](const QString& line) { emit request(connection, line); });
    }
}

CopyReply askRunningCopy(const QString& path, const QString& request,
                         const std::function<bool(const QString&)>& onLine, QDeadlineTimer deadline,
                         QDeadlineTimer connectWithin) {
    if (path.isEmpty())
        return CopyReply::NoCopy;
    auto earlier = [](QDeadlineTimer a, QDeadlineTimer b) { return a < b ? a : b; };
    const QDeadlineTimer connecting = earlier(deadline, connectWithin);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(qMax<qint64>(0, connecting.remainingTime())))) {
        const auto error = socket.error();
        socket.abort();
        if (error == QLocalSocket::ServerNotFoundError ||
            error == QLocalSocket::ConnectionRefusedError)
            return CopyReply::NoCopy;
        return CopyReply::TimedOut;
    }
    const QByteArray line = request.toUtf8() + '\n';
    if (socket.write(line) != line.size())
        return CopyReply::Ended;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(qMax<qint64>(0, connecting.remainingTime())))) {
            if (socket.state() != QLocalSocket::ConnectedState)
                return CopyReply::Ended;
            return CopyReply::TimedOut;
        }
    }
    for (;;) {
        while (socket.canReadLine()) {
            QByteArray answer = socket.readLine();
            answer.chop(1);
            if (!onLine(QString::fromUtf8(answer)))
                return CopyReply::Answered;
        }
        if (socket.state() != QLocalSocket::ConnectedState)
            return CopyReply::Ended;
        const int wait = deadline.isForever() ? -1 : int(qMax<qint64>(0, deadline.remainingTime()));
        if (!socket.waitForReadyRead(wait)) {
            if (socket.canReadLine())
                continue;
            if (socket.state() != QLocalSocket::ConnectedState ||
                socket.error() == QLocalSocket::PeerClosedError)
                return CopyReply::Ended;
            return CopyReply::TimedOut;
        }
    }
}
