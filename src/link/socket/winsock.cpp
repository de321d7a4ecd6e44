#include "link/socket/winsock.h"

#include "app/ansi.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace {

int gConnectTimeoutMs = 20000;

// Incoming connections that a listener has announced and nobody has accepted yet.
QHash<qint32, QPointer<QTcpSocket>>& pendingRequests() {
    static QHash<qint32, QPointer<QTcpSocket>> requests;
    return requests;
}

qint32 nextRequestId() {
    static qint32 id = 0;
    id = id == 0x7fffffff ? 1 : id + 1;
    return id;
}

QString dottedAddress(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

// Lets a socket finish sending what it still holds, then disposes of it.
void retire(QTcpSocket* socket) {
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0) {
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, &QObject::deleteLater);
        QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
        socket->disconnectFromHost();
        if (socket->state() == QAbstractSocket::UnconnectedState)
            socket->deleteLater();
        return;
    }
    socket->abort();
    socket->deleteLater();
}

} // namespace

Winsock::Winsock(int index, QObject* parent) : QObject(parent), index_(index) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this,
            [this] { fail(10060, QStringLiteral("Connection is timed out")); });
}

Winsock::~Winsock() {
    Close();
}

void Winsock::setConnectTimeoutMs(int ms) {
    gConnectTimeoutMs = ms;
}
int Winsock::connectTimeoutMs() {
    return gConnectTimeoutMs;
}

void Winsock::dropSocket() {
    connectTimer_.stop();
    if (socket_) {
        retire(socket_);
        socket_ = nullptr;
    }
    if (server_) {
        server_->close();
        server_->deleteLater();
        server_ = nullptr;
    }
}

void Winsock::Close() {
    dropSocket();
    received_.clear();
    unwritten_ = 0;
    state_ = sckClosed;
}

void Winsock::fail(int number, const QString& description) {
    connectTimer_.stop();
    state_ = sckError;
    emit Error(index_, number, description);
}

void Winsock::adopt(QTcpSocket* socket) {
    socket_ = socket;
    socket->setParent(this);
    connect(socket, &QTcpSocket::connected, this, [this] {
        connectTimer_.stop();
        state_ = sckConnected;
        remoteHostIP_ = dottedAddress(socket_->peerAddress());
        emit ConnectEvent(index_);
    });
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        const QByteArray chunk = socket_->readAll();
        if (chunk.isEmpty())
            return;
        received_ += chunk;
        emit DataArrival(index_, received_.size());
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this](qint64) {
        if (socket_->bytesToWrite() == 0 && unwritten_ > 0) {
            unwritten_ = 0;
            emit SendComplete(index_);
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (state_ != sckConnected)
            return;
        // Whatever arrived with the peer's close comes before the Close event.
        const QByteArray rest = socket_->readAll();
        if (!rest.isEmpty()) {
            received_ += rest;
            emit DataArrival(index_, received_.size());
        }
        if (state_ != sckConnected)
            return;
        state_ = sckClosing;
        emit CloseEvent(index_);
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError && state_ == sckConnected)
            return; // the disconnected signal reports the peer's close
        if (state_ == sckClosing || state_ == sckError || state_ == sckClosed)
            return;
        fail(10000 + int(e), socket_->errorString());
    });
}

void Winsock::Connect() {
    Close();
    state_ = sckConnecting;
    QHostAddress address;
    const bool usable = address.setAddress(remoteHost_) &&
                        address.protocol() == QAbstractSocket::IPv4Protocol && remotePort_ >= 1 &&
                        remotePort_ <= 65535 && remoteHost_.count(QLatin1Char('.')) == 3;
    if (!usable) {
        // Reported like any failed attempt, once the caller has returned.
        QTimer::singleShot(0, this, [this, guard = QPointer<Winsock>(this)] {
            if (guard && state_ == sckConnecting && !socket_)
                fail(10049, QStringLiteral("Address is not available"));
        });
        return;
    }
    adopt(new QTcpSocket(this));
    connectTimer_.start(gConnectTimeoutMs);
    socket_->connectToHost(address, quint16(remotePort_));
}

bool Winsock::Listen() {
    Close();
    if (localPort_ < 1 || localPort_ > 65535)
        return false;
    server_ = new QTcpServer(this);
    if (!server_->listen(QHostAddress::AnyIPv4, quint16(localPort_))) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QTcpServer::newConnection, this, &Winsock::onNewConnections);
    state_ = sckListening;
    return true;
}

void Winsock::onNewConnections() {
    while (server_ && server_->hasPendingConnections()) {
        QTcpSocket* incoming = server_->nextPendingConnection();
        if (!incoming)
            break;
        incoming->setParent(nullptr);
        const qint32 id = nextRequestId();
        pendingRequests().insert(id, incoming);
        emit ConnectionRequest(index_, id);
        // A request that no one accepted is dropped.
        QPointer<QTcpSocket> left = pendingRequests().take(id);
        if (left)
            retire(left);
    }
}

bool Winsock::Accept(qint32 requestId) {
    if (state_ != sckClosed)
        return false;
    QPointer<QTcpSocket> socket = pendingRequests().take(requestId);
    if (!socket)
        return false;
    adopt(socket);
    state_ = sckConnected;
    remoteHostIP_ = dottedAddress(socket->peerAddress());
    // Data, or the peer's close, may have come before the accept.
    QTimer::singleShot(0, this, [this, s = QPointer<QTcpSocket>(socket)] {
        if (!s || s != socket_ || state_ != sckConnected)
            return;
        if (s->bytesAvailable() > 0)
            emit s->readyRead();
        if (s == socket_ && state_ == sckConnected &&
            s->state() == QAbstractSocket::UnconnectedState)
            emit s->disconnected();
    });
    return true;
}

bool Winsock::SendData(const QString& text) {
    return SendData(toAnsi(text));
}

bool Winsock::SendData(const QByteArray& bytes) {
    if (!socket_ || state_ != sckConnected)
        return false;
    if (bytes.isEmpty())
        return true;
    unwritten_ += bytes.size();
    return socket_->write(bytes) == bytes.size();
}

QString Winsock::GetData() {
    const QString text = fromAnsi(received_);
    received_.clear();
    return text;
}
