// Peers on 127.0.0.1 for the tests, in the server's place.
#pragma once

#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A free TCP port below the ephemeral range (settings hold ports as 16-bit signed numbers).
inline int freePort() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = quint16(20000 + QRandomGenerator::global()->bounded(12000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::AnyIPv4, port))
            return port;
    }
    return 0;
}

// Takes command connections and keeps each one's bytes as one record once the client closed.
struct RecordServer {
    QTcpServer server;
    QList<QByteArray> records;
    int connections = 0;

    RecordServer() {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                ++connections;
                QObject::connect(s, &QTcpSocket::disconnected, s, [this, s] {
                    records.append(s->readAll());
                    s->deleteLater();
                });
            }
        });
        server.listen(QHostAddress::LocalHost, quint16(freePort()));
    }
    int port() const { return server.serverPort(); }
    // The records with content (an abandoned attempt may arrive empty).
    QList<QByteArray> sent() const {
        QList<QByteArray> out = records;
        out.removeAll(QByteArray());
        return out;
    }
};

inline std::unique_ptr<QTcpSocket> reportPeer(int port) {
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, quint16(port));
    return s->waitForConnected(3000) ? std::move(s) : nullptr;
}

// Connects to `port`, writes the record and closes, as the server does with a report.
inline void deliver(int port, const QByteArray& record) {
    auto s = reportPeer(port);
    QVERIFY(s);
    s->write(record);
    QVERIFY(s->waitForBytesWritten(3000));
    s->disconnectFromHost();
}

// A blocking descriptor connected to the port, its reads and writes limited to `limitMs`; or -1.
inline int connectLoopback(int port, int limitMs = 3000) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval limit{limitMs / 1000, (limitMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What a raw peer read, and whether the other side closed in order rather than resetting.
// readToEnd() is true once the connection ended; `wait` blocks up to the descriptor's limit.
struct PeerEnding {
    QByteArray got;
    bool done = false;
    bool orderly = false;
    bool readToEnd(int fd, bool wait = false) {
        char buffer[4096];
        while (!done) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, wait ? 0 : MSG_DONTWAIT);
            if (n > 0) {
                got.append(buffer, n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return false;
            // A reset can also read as an end once data came; it leaves its error behind.
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            orderly = n == 0 && error == 0;
            done = true;
        }
        return true;
    }
};
