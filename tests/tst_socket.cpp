// The socket layer on its own, against peers on 127.0.0.1.
#include "peers.h"

#include "link/socket/refusedconnections.h"
#include "link/socket/streamsocket.h"
#include "link/socket/tcplistener.h"

#include <QtTest>
#include <fcntl.h>
#include <sys/resource.h>

namespace {

// A listener with one accepted connection: the client's end and the accepted one.
struct LoopbackPair {
    TcpListener listener;
    int client = -1;
    int accepted = -1;
    LoopbackPair() {
        const int port = freePort();
        QString peer;
        if (listener.listen(port) && (client = connectLoopback(port)) >= 0)
            (void)QTest::qWaitFor([&] { return (accepted = listener.acceptNext(peer)) >= 0; });
    }
    ~LoopbackPair() { ::close(client); }
};

const QByteArray kNotice("FULL - GOODBYE\r\n");

} // namespace

class TestSocket : public QObject {
    Q_OBJECT

private slots:
    void dottedAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("address");
        QTest::newRow("loopback") << "127.0.0.1" << true << 0x7f000001u;
        QTest::newRow("highest") << "255.255.255.255" << true << 0xffffffffu;
        // Padded numbers are read as the decimal numbers a user means, never as octal.
        QTest::newRow("leading zeros") << "010.000.0.1" << true << 0x0a000001u;
        for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "1.2.3.4 ",
                                " 1.2.3.4", "+1.2.3.4", "1.2.3.0004", "a.b.c.d", "1,2.3.4"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << false << 0u;
    }
    void dottedAddresses() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(quint32, address);
        quint32 parsed = 0xdeadbeef;
        QCOMPARE(parseDottedIPv4(text, parsed), valid);
        QCOMPARE(parsed, valid ? address : 0xdeadbeefu); // untouched when refused
    }

    // Sending is announced complete only once every byte is with the system, never from inside.
    void streamConnectsAndSendsEverything() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, quint16(freePort())));
        StreamSocket stream;
        QSignalSpy connected(&stream, &StreamSocket::connected);
        QSignalSpy complete(&stream, &StreamSocket::sendComplete);
        stream.connectTo(QStringLiteral("127.0.0.1"), server.serverPort());
        QTRY_COMPARE(connected.size(), 1);
        QCOMPARE(stream.peerAddress(), QStringLiteral("127.0.0.1"));
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket* peer = server.nextPendingConnection();

        QByteArray bytes(4 * 1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7 / 3);
        QVERIFY(stream.send(bytes));
        QCOMPARE(complete.size(), 0);
        QByteArray received;
        QElapsedTimer t;
        t.start();
        while (received.size() < bytes.size() && t.elapsed() < 10000) {
            QCoreApplication::processEvents();
            received += peer->readAll();
            if (complete.isEmpty())
                QVERIFY(received.size() < bytes.size());
        }
        QCOMPARE(received.size(), bytes.size());
        QVERIFY(received == bytes);
        QTRY_COMPARE(complete.size(), 1);
        stream.close();
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(!stream.send("late")); // nothing goes out on a closed stream
    }

    // Out of descriptors, the listener rests instead of spinning, and accepts once they are back.
    void listenerRestsWhenOutOfDescriptors() {
        TcpListener listener;
        const int port = freePort();
        QVERIFY(listener.listen(port));
        int wakeups = 0;
        int accepted = -1;
        connect(&listener, &TcpListener::connectionsWaiting, this, [&] {
            ++wakeups;
            QString peer;
            accepted = listener.acceptNext(peer);
        });
        const int client = connectLoopback(port);
        QVERIFY(client >= 0);
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        const int probe = ::dup(0);
        QVERIFY(probe >= 0);
        ::close(probe);
        rlimit tight = saved;
        tight.rlim_cur = rlim_t(probe);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        QTest::qWait(300); // the event loop runs, the listener is woken as it will
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        QCOMPARE(accepted, -1);
        QVERIFY2(wakeups <= 300 / TcpListener::kPauseMs + 1, qPrintable(QString::number(wakeups)));
        QTRY_VERIFY(accepted >= 0);
        ::close(accepted);
        ::close(client);
    }

    // Refused peers get the notice and an orderly close even while writing; they are heard out
    // in limited number (the oldest closed at once) and for a limited time.
    void refusalsAreHeardOutWithinLimits() {
        qint64 clockMs = 0;
        RefusedConnections refusals;
        refusals.setClock([&] { return clockMs; });
        refusals.setTimeLimit(2000);
        refusals.setLimit(2);
        std::vector<std::unique_ptr<LoopbackPair>> pairs;
        for (int i = 0; i < 3; ++i) {
            pairs.push_back(std::make_unique<LoopbackPair>());
            const LoopbackPair& pair = *pairs.back();
            QVERIFY(pair.accepted >= 0);
            if (i == 2)
                QCOMPARE(::send(pair.client, "MESSAGhe", 8, 0), 8);
            QVERIFY(refusals.turnAway(pair.accepted, kNotice));
            if (i == 2)
                QCOMPARE(::send(pair.client, "llo", 3, 0), 3);
            QCOMPARE(refusals.lingering(), qMin(i + 1, 2));
        }
        QCOMPARE(::fcntl(pairs[0]->accepted, F_GETFD), -1);
        QVERIFY(::fcntl(pairs[2]->accepted, F_GETFD) >= 0);
        for (const auto& pair : pairs) {
            PeerEnding ending;
            QTRY_VERIFY(ending.readToEnd(pair->client));
            QCOMPARE(ending.got, kNotice);
            QVERIFY(ending.orderly);
        }
        ::shutdown(pairs[1]->client, SHUT_WR);
        QTRY_COMPARE(refusals.lingering(), 1);
        QCOMPARE(::send(pairs[2]->client, "more", 4, 0), 4);
        QTest::qWait(20);
        clockMs = 1999;
        refusals.expire();
        QCOMPARE(refusals.lingering(), 1);
        clockMs = 2000;
        refusals.expire();
        QCOMPARE(refusals.lingering(), 0);
        QTest::qWait(20);
        for (const auto& pair : pairs) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(pair->client, SOL_SOCKET, SO_ERROR, &error, &length);
            QCOMPARE(error, 0); // no reset followed
        }
    }
};

QTEST_GUILESS_MAIN(TestSocket)
#include "tst_socket.moc"
