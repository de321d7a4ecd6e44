// The server link without any window: commands over fresh connections, polling, the report
// listener and the dispatch of records. Every peer is on 127.0.0.1.
#include "peers.h"

#include "link/records.h"
#include "link/serverlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <thread>

Q_DECLARE_METATYPE(LinkState)
// How a refused peer behaves: silent, or writing its record at once, later, or at length.
enum class RefusedPeer { Silent, WritesAtOnce, WritesLater, WritesAtLength };
Q_DECLARE_METATYPE(RefusedPeer)

namespace {

// What the link announced, in order.
struct Recorder {
    QList<QStringList> log;
    QList<LinkState> states;
    QStringList times;
    QStringList messages;
    QList<Command> sent;
    int failures = 0;

    explicit Recorder(ServerLink& link) {
        QObject::connect(&link, &ServerLink::logEntry, [this](const QStringList& l) { log << l; });
        QObject::connect(&link, &ServerLink::stateChanged, [this](LinkState s) { states << s; });
        QObject::connect(&link, &ServerLink::lastConnectTimeChanged,
                         [this](const QString& t) { times << t; });
        QObject::connect(&link, &ServerLink::messageReceived,
                         [this](const QString& text, const QString& peer) {
                             messages << text + QLatin1Char('|') + peer;
                         });
        QObject::connect(&link, &ServerLink::commandSent, [this](Command c) { sent << c; });
        QObject::connect(&link, &ServerLink::commandFailed, [this] { ++failures; });
    }
    int count(const QString& line) const {
        int n = 0;
        for (const QStringList& entry : log)
            n += int(entry.count(line));
        return n;
    }
};

const QString kStatusArrived = QStringLiteral("     Status report has arrived");
const QString kRefusedLine = QStringLiteral("     Cant accept any more connections!");

// Runs the event loop until `done` or for `limitMs` at most.
void spinUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A loopback listener whose backlog is full: further connection attempts go unanswered.
struct SilentServer {
    int fd = -1;
    int port = 0;
    QList<QTcpSocket*> fillers;
    SilentServer() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(quint16(freePort()));
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 0);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        for (int i = 0; i < 2; ++i) {
            auto* s = new QTcpSocket;
            s->connectToHost(QHostAddress::LocalHost, quint16(port));
            s->waitForConnected(500);
            fillers << s;
        }
    }
    // Frees the backlog and takes every connection that arrives within `ms`; their bytes.
    QByteArray drainFor(int ms) {
        qDeleteAll(fillers);
        fillers.clear();
        std::vector<std::pair<int, PeerEnding>> accepted;
        spinUntil(
            [&] {
                if (const int c = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK); c >= 0)
                    accepted.emplace_back(c, PeerEnding{});
                for (auto& [c, ending] : accepted)
                    ending.readToEnd(c);
                QThread::msleep(10);
                return false;
            },
            ms);
        QByteArray all;
        for (auto& [c, ending] : accepted) {
            all += ending.got;
            ::close(c);
        }
        return all;
    }
    ~SilentServer() {
        qDeleteAll(fillers);
        ::close(fd);
    }
};

// One peer thread's view of a report connection: the listener's answer until it closed.
QByteArray reportAndRead(int port, const QByteArray& record) {
    const int fd = connectLoopback(port, 10000);
    if (fd < 0)
        return "connect failed";
    ::send(fd, record.constData(), size_t(record.size()), MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    PeerEnding ending;
    ending.readToEnd(fd, true);
    ::close(fd);
    return ending.got;
}

// A report peer on a plain descriptor, read without blocking while the listener runs.
struct RawPeer : PeerEnding {
    int fd = -1;
    explicit RawPeer(int port) : fd(connectLoopback(port)) {}
    ~RawPeer() { ::close(fd); }
    void write(const QByteArray& bytes) {
        ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    }
    bool finished() { return readToEnd(fd); }
};

// One refused peer's try on a blocking socket with time limits: true when the notice arrived
// whole and the listener then closed in order.
bool refusedInOrder(int port, RefusedPeer kind) {
    const int fd = connectLoopback(port, 5000);
    if (fd < 0)
        return false;
    const QByteArray record = kind == RefusedPeer::WritesAtLength
                                  ? QByteArray(256 * 1024, 'M').prepend("MESSAG")
                                  : QByteArray("STATUS CONNSIGOK10:10pm");
    if (kind == RefusedPeer::WritesLater)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PeerEnding ending;
    const bool ok =
        (kind == RefusedPeer::Silent ||
         ::send(fd, record.constData(), size_t(record.size()), MSG_NOSIGNAL) == record.size()) &&
        ending.readToEnd(fd, true) && ending.orderly && ending.got == kRefusalNotice;
    ::close(fd);
    return ok;
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordServer> server;
    std::unique_ptr<ServerLink> link;
    std::unique_ptr<Recorder> seen;
    int listenPort = 0;
    qint64 clockMs = 0;

    // Opens every report session, each with `each` received so far.
    bool fillSessions(std::vector<std::unique_ptr<QTcpSocket>>& peers, const QByteArray& each) {
        for (int i = 0; i < ReportListener::kSessionCount; ++i) {
            peers.push_back(reportPeer(listenPort));
            if (!peers.back())
                return false;
            peers.back()->write(each);
            if (!QTest::qWaitFor([&] {
                    return link->reports().openSessions() == i + 1 &&
                           link->reports().sessionBytes(i) == each.size();
                }))
                return false;
        }
        return true;
    }

private slots:
    void init() {
        server = std::make_unique<RecordServer>();
        link = std::make_unique<ServerLink>();
        seen = std::make_unique<Recorder>(*link);
        link->setServer(QStringLiteral("127.0.0.1"), server->port());
        listenPort = freePort();
        QVERIFY(link->startListening(listenPort));
        clockMs = 0;
        link->reports().setClock([this] { return clockMs; });
    }
    void cleanup() {
        link.reset();
        seen.reset();
        server.reset();
    }

    void commands_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("announced");
        QTest::newRow("status") << int(Command::Status) << QByteArray("STATUS")
                                << "     Requesting status from server";
        QTest::newRow("connect") << int(Command::Connect) << QByteArray("CONNEC")
                                 << "     Requesting a Connect";
        QTest::newRow("disconnect")
            << int(Command::Disconnect) << QByteArray("DISCON") << "     Requesting a Disconnect";
        // A message's text is taken when the connection is made, in the wire's code page.
        QTest::newRow("message") << int(Command::Message)
                                 << QByteArray("MESSAGCaf\xe9 \x80 ok\r\nnext") << QString();
    }
    void commands() {
        QFETCH(int, command);
        QFETCH(QByteArray, record);
        QFETCH(QString, announced);
        QString text = QStringLiteral("will change");
        link->setMessageTextSource([&text] { return text; });
        link->commands().start(Command(command));
        QCOMPARE(link->commands().pendingCommand(), Command(command));
        text = QStringLiteral("Caf\u00e9 \u20ac ok\r\nnext");
        QTRY_COMPARE(server->records.size(), 1);
        QCOMPARE(server->records[0], record);
        QCOMPARE(seen->log,
                 announced.isEmpty() ? QList<QStringList>{} : QList<QStringList>{{announced}});
        QCOMPARE(seen->sent, QList<Command>{Command(command)});
        QCOMPARE(link->commands().pendingCommand(), Command::None);
    }

    void pollingAsksForStatus() {
        link->startPolling(5);
        QCOMPARE(link->pollIntervalMs(), 5000);
        link->startPolling(0); // no interval: no polling rather than polling without pause
        QVERIFY(!link->isPolling());
        link->startPolling(1);
        QTRY_COMPARE_WITH_TIMEOUT(server->sent(), QList<QByteArray>{"STATUS"}, 3000);
        link->stopPolling();
    }

    void lastRequestWins() {
        link->requestConnect();
        link->requestStatus();
        QTRY_VERIFY(server->sent().contains("STATUS"));
        QTest::qWait(100);
        QCOMPARE(server->sent(), QList<QByteArray>{"STATUS"});
        QCOMPARE(seen->count(QStringLiteral("     Requesting a Connect")), 0);
        link->requestConnect();
        link->requestConnect();
        QTRY_VERIFY(server->sent().contains("CONNEC"));
        QTest::qWait(100);
        QCOMPARE(server->sent(), (QList<QByteArray>{"STATUS", "CONNEC"}));
        QCOMPARE(seen->count(QStringLiteral("     Requesting a Connect")), 1);
    }

    void unreachableServer_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("nobody listens") << QStringLiteral("127.0.0.1") << freePort();
        QTest::newRow("not an address") << QStringLiteral("zav-server") << 2509;
        QTest::newRow("port 0") << QStringLiteral("127.0.0.1") << 0;
        QTest::newRow("negative port") << QStringLiteral("127.0.0.1") << -5;
    }
    void unreachableServer() {
        QFETCH(QString, address);
        QFETCH(int, port);
        link->setServer(address, port);
        link->requestStatus();
        QCOMPARE(seen->failures, 0); // always reported from the event loop
        QTRY_COMPARE(seen->failures, 1);
        QCOMPARE(seen->log, (QList<QStringList>{{QStringLiteral("     Error..."),
                                                 QStringLiteral("      ZAV Manager not found!")}}));
        QCOMPARE(seen->states, QList<LinkState>{LinkState::NoServer});
        QCOMPARE(link->commands().pendingCommand(), Command::Status);
        // The next request starts afresh.
        link->setServer(QStringLiteral("127.0.0.1"), server->port());
        link->requestConnect();
        QTRY_COMPARE(server->sent(), QList<QByteArray>{"CONNEC"});
    }

    // An attempt the server never answers fails after the time limit and is abandoned for good:
    // a server that frees up later never receives it.
    void silentServerTimesOutForGood() {
        SilentServer silent;
        link->commands().setConnectTimeout(300);
        link->setServer(QStringLiteral("127.0.0.1"), silent.port);
        QElapsedTimer clock;
        clock.start();
        link->requestStatus();
        QTRY_COMPARE_WITH_TIMEOUT(seen->failures, 1, 3000);
        QVERIFY(clock.elapsed() >= 250); // failed by the time limit, not refused
        QCOMPARE(silent.drainFor(1500), QByteArray());
        QCOMPARE(seen->failures, 1);
        QVERIFY(seen->sent.isEmpty());
    }

    void connectionWithNothingPendingSendsNothing() {
        link->requestStatus();
        QTRY_COMPARE(server->sent().size(), 1);
        // Only the connection of a request that names no command: it stays open, silent.
        link->commands().start(Command::None);
        QTRY_COMPARE(server->connections, 2);
        QTest::qWait(50);
        QCOMPARE(seen->log.size(), 1);
        link->requestDisconnect();
        QTRY_COMPARE(server->records.size(), 3);
        QCOMPARE(server->records.mid(1), (QList<QByteArray>{"", "DISCON"}));
    }

    void dispatch_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("logged");
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QList<LinkState>>("states");
        QTest::addColumn<QStringList>("messages");
        const QStringList arrived{kStatusArrived};
        const std::pair<const char*, LinkState> codes[] = {
            {"NOCARDSTA", LinkState::NoCard},          {"CONNSIGOK", LinkState::Online},
            {"DISCSIGOK", LinkState::Offline},         {"CONNNOSIG", LinkState::OnlineNoSignal},
            {"DISCNOSIG", LinkState::OfflineNoSignal}, {"DIALNOSIG", LinkState::DialingNoSignal},
            {"DIALSIGOK", LinkState::Dialing},
        };
        for (const auto& [code, state] : codes)
            QTest::newRow(code) << "STATUS#" + QString::fromLatin1(code) + "07:45pmXYZ" << arrived
                                << QStringList{"07:45pm"} << QList<LinkState>{state}
                                << QStringList{};
        QTest::newRow("codes compare exactly")
            << "STATUS connsigok02:02pm" << arrived << QStringList{"02:02pm"} << QList<LinkState>{}
            << QStringList{};
        QTest::newRow("no time") << "STATUS DISCSIGOK" << arrived << QStringList{""}
                                 << QList<LinkState>{LinkState::Offline} << QStringList{};
        QTest::newRow("markup stays text")
            << "STATUS XXXXXXXXX<b>x</b>" << arrived << QStringList{"<b>x</b"} << QList<LinkState>{}
            << QStringList{};
        QTest::newRow("message") << "MESSAGHello\r\nthere"
                                 << QStringList{"     Message received from server",
                                                "     (IP:10.1.2.3)"}
                                 << QStringList{} << QList<LinkState>{}
                                 << QStringList{"Hello\r\nthere|10.1.2.3"};
        for (const char* quiet : {"MSGREC", "CONNEC", "DISCON", "messagHello", "STAT", "", "???"})
            QTest::newRow(quiet) << QString::fromLatin1(quiet) << QStringList{} << QStringList{}
                                 << QList<LinkState>{} << QStringList{};
    }
    void dispatch() {
        QFETCH(QString, record);
        QFETCH(QStringList, logged);
        QFETCH(QStringList, times);
        QFETCH(QList<LinkState>, states);
        QFETCH(QStringList, messages);
        link->dispatchRecord(record, QStringLiteral("10.1.2.3"));
        QCOMPARE(seen->log, logged.isEmpty() ? QList<QStringList>{} : QList<QStringList>{logged});
        QCOMPARE(seen->times, times);
        QCOMPARE(seen->states, states);
        QCOMPARE(seen->messages, messages);
    }

    // A record that comes in pieces is dispatched once, when its peer closes; sessions are
    // taken lowest first and each keeps its own bytes.
    void recordsInPiecesAndSessionReuse() {
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        QVERIFY(fillSessions(peers, {}));
        peers[3]->write("STATUS CONNSIG");
        QTRY_COMPARE(link->reports().sessionBytes(3), 14);
        QTest::qWait(30);
        QVERIFY(seen->log.isEmpty());
        // Free the second and fifth sessions; the next connection takes the lower one.
        peers[1]->write("MSGREC");
        peers[1]->disconnectFromHost();
        peers[4]->disconnectFromHost();
        QTRY_COMPARE(link->reports().openSessions(), ReportListener::kSessionCount - 2);
        auto again = reportPeer(listenPort);
        QVERIFY(again);
        QTRY_COMPARE(link->reports().sessionState(1), StreamSocket::State::Connected);
        QCOMPARE(link->reports().sessionState(4), StreamSocket::State::Closed);
        again->write("STATUS DIALSIGOK");
        again->disconnectFromHost();
        QTRY_COMPARE(seen->states, QList<LinkState>{LinkState::Dialing});
        // The session that had half a record keeps it to itself.
        peers[3]->write("OK09:09am");
        peers[3]->disconnectFromHost();
        QTRY_COMPARE(seen->states, (QList<LinkState>{LinkState::Dialing, LinkState::Online}));
        QCOMPARE(seen->times.last(), QStringLiteral("09:09am"));
        QCOMPARE(seen->count(kStatusArrived), 2);
        QCOMPARE(link->reports().sessionState(3), StreamSocket::State::Closed);
        QCOMPARE(link->reports().sessionBytes(3), 0);
    }

    // Sessions that end without a complete record dispatch nothing and free their socket; the
    // next report is taken as usual. A peer that never closes holds its session for a limited
    // time only, so idle peers cannot keep the server's reports out for good.
    void sessionsEndingWithoutARecord_data() {
        QTest::addColumn<QString>("ending");
        for (const char* e :
             {"closed empty", "reset", "oversized", "listening stopped", "open too long"})
            QTest::newRow(e) << QString::fromLatin1(e);
    }
    void sessionsEndingWithoutARecord() {
        QFETCH(QString, ending);
        auto peer = reportPeer(listenPort);
        QVERIFY(peer);
        QTRY_COMPARE(link->reports().openSessions(), 1);
        if (ending == QLatin1String("closed empty")) {
            peer->disconnectFromHost();
        } else {
            peer->write("STATUS CONNSIGOK");
            QTRY_COMPARE(link->reports().sessionBytes(0), 16);
        }
        if (ending == QLatin1String("reset")) {
            const linger reset{1, 0}; // a reset instead of a close
            ::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                         sizeof reset);
            peer->abort();
        } else if (ending == QLatin1String("oversized")) {
            const QByteArray block(16 * 1024, 'S');
            for (int i = 0; i < 40 && peer->state() == QAbstractSocket::ConnectedState; ++i) {
                peer->write(block);
                peer->waitForBytesWritten(200);
                QTest::qWait(5);
                QVERIFY(link->reports().sessionBytes(0) <= 2 * ReportListener::kMaxRecordBytes);
            }
        } else if (ending == QLatin1String("listening stopped")) {
            link->stopListening();
            QCOMPARE(link->reports().openSessions(), 0);
            QVERIFY(!reportPeer(listenPort));
            QVERIFY(link->startListening(listenPort)); // the port is free again at once
        } else if (ending == QLatin1String("open too long")) {
            clockMs += 29999;
            link->reports().sweep();
            QCOMPARE(link->reports().openSessions(), 1);
            clockMs += 1;
            link->reports().sweep();
            QCOMPARE(link->reports().openSessions(), 0);
            QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        }
        QTRY_COMPARE(link->reports().openSessions(), 0);
        QTest::qWait(50);
        QVERIFY(seen->log.isEmpty());
        QTRY_VERIFY(!link->reports().sweepScheduled()); // no clean-up ticks while idle
        deliver(listenPort, "STATUS CONNSIGOK01:01am");
        QTRY_COMPARE(seen->states, QList<LinkState>{LinkState::Online});
    }

    // A connection that finds every session busy waits a short grace: a record it carries takes
    // the place of a session that has long received nothing; otherwise it is refused, and a free
    // session is its at once.
    void waitingConnection_data() {
        QTest::addColumn<int>("holdersSilentMs");
        QTest::addColumn<bool>("carriesRecord");
        QTest::addColumn<bool>("sessionFrees");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("silent, sessions just opened") << 0 << false << false << "refused";
        QTest::newRow("silent, a session long silent") << 5000 << false << false << "refused";
        QTest::newRow("record, sessions receiving") << 0 << true << false << "refused";
        QTest::newRow("record, a session long silent") << 1000 << true << false << "displaced";
        QTest::newRow("silent, a session frees") << 0 << false << true << "served";
        QTest::newRow("record, a session frees") << 0 << true << true << "served";
    }
    void waitingConnection() {
        QFETCH(int, holdersSilentMs);
        QFETCH(bool, carriesRecord);
        QFETCH(bool, sessionFrees);
        QFETCH(QString, outcome);
        ReportListener& reports = link->reports();
        std::vector<std::unique_ptr<RawPeer>> holders;
        for (int i = 0; i < ReportListener::kSessionCount; ++i) {
            holders.push_back(std::make_unique<RawPeer>(listenPort));
            QTRY_COMPARE(reports.openSessions(), i + 1);
        }
        // Every session but the seventh is receiving a record right now.
        clockMs = holdersSilentMs;
        for (int i = 0; i < ReportListener::kSessionCount; ++i)
            if (i != 6)
                holders[size_t(i)]->write("S");
        for (int i = 0; i < ReportListener::kSessionCount; ++i)
            QTRY_COMPARE(reports.sessionBytes(i), i == 6 ? 0 : 1);

        RawPeer tenth(listenPort);
        QVERIFY(tenth.fd >= 0);
        if (carriesRecord) {
            tenth.write("STATUS CONNSIGOK03:03am");
            ::shutdown(tenth.fd, SHUT_WR);
        }
        if (sessionFrees) {
            QTRY_COMPARE(reports.waitingConnections(), 1);
            holders[2].reset();
            QTRY_COMPARE(reports.sessionState(2), StreamSocket::State::Connected);
            ::shutdown(tenth.fd, SHUT_WR);
            QTRY_VERIFY(tenth.finished());
            QVERIFY(tenth.orderly);
            QCOMPARE(tenth.got, QByteArray());
            QCOMPARE(seen->states,
                     carriesRecord ? QList<LinkState>{LinkState::Online} : QList<LinkState>{});
        } else if (outcome == QLatin1String("displaced")) {
            QTRY_COMPARE(seen->states, QList<LinkState>{LinkState::Online});
            QTRY_VERIFY(holders[6]->finished());
            QVERIFY(holders[6]->orderly);
        } else {
            // Refused only once the grace has run out, with the notice and an orderly close.
            QTRY_COMPARE(reports.waitingConnections(), 1);
            clockMs += reports.limits().graceMs - 1;
            reports.sweep();
            QVERIFY(!tenth.finished());
            clockMs += 1;
            reports.sweep();
            QTRY_VERIFY(tenth.finished());
            QVERIFY(tenth.orderly);
            QCOMPARE(tenth.got, QByteArray(kRefusalNotice));
            QCOMPARE(seen->log,
                     (QList<QStringList>{{kRefusedLine, QStringLiteral("     (IP:127.0.0.1)")}}));
            QVERIFY(seen->states.isEmpty());
        }
        QCOMPARE(reports.refusedCount(), outcome == QLatin1String("refused") ? 1 : 0);
        QCOMPARE(reports.displacedCount(), outcome == QLatin1String("displaced") ? 1 : 0);
        QCOMPARE(reports.waitingConnections(), 0);
        // The sessions that were receiving keep what they had.
        for (int i = 0; i < ReportListener::kSessionCount; ++i)
            if (i != 6 && i != 2)
                QCOMPARE(reports.sessionBytes(i), 1);
    }

    // With every session receiving a record, refused peers get the whole notice and then an
    // orderly close, whether they write or not; every refusal is logged once.
    void refusalNoticeThenOrderlyClose_data() {
        QTest::addColumn<RefusedPeer>("kind");
        QTest::newRow("silent") << RefusedPeer::Silent;
        QTest::newRow("writes at once") << RefusedPeer::WritesAtOnce;
        QTest::newRow("writes 50 ms later") << RefusedPeer::WritesLater;
        QTest::newRow("writes 256 KiB") << RefusedPeer::WritesAtLength;
    }
    void refusalNoticeThenOrderlyClose() {
        QFETCH(RefusedPeer, kind);
        ReportListener::Limits limits;
        limits.graceMs = 0;
        link->reports().setLimits(limits);
        std::vector<std::unique_ptr<QTcpSocket>> holders;
        QVERIFY(fillSessions(holders, "STATUS"));
        constexpr int kThreads = 10, kTries = 5;
        std::atomic<int> inOrder{0}, running{kThreads};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, port = listenPort] {
                for (int i = 0; i < kTries; ++i)
                    inOrder += refusedInOrder(port, kind);
                --running;
            });
        spinUntil([&] { return running == 0; }, 20000);
        for (auto& th : threads)
            th.join();
        QCOMPARE(inOrder.load(), kThreads * kTries);
        QCOMPARE(link->reports().refusedCount(), kThreads * kTries);
        QCOMPARE(seen->count(kRefusedLine), kThreads * kTries);
        for (int i = 0; i < ReportListener::kSessionCount; ++i)
            QCOMPARE(link->reports().sessionBytes(i), 6);
    }

    // A genuine report (connect, write, close) reaches the display within 3 s however many
    // peers connect idly and reconnect as soon as they are dropped or refused; the link keeps
    // working afterwards.
    void genuineReportAmongIdlePeers_data() {
        QTest::addColumn<bool>("holdOpen");
        QTest::addColumn<int>("maxWaiting");
        QTest::newRow("idle peers hold and reconnect") << true << 32;
        QTest::newRow("idle peers, few may wait") << true << 3;
        QTest::newRow("peers connect and close at once") << false << 32;
    }
    void genuineReportAmongIdlePeers() {
        QFETCH(bool, holdOpen);
        QFETCH(int, maxWaiting);
        ReportListener& reports = link->reports();
        ReportListener::Limits limits;
        limits.maxWaiting = maxWaiting;
        reports.setLimits(limits);
        QElapsedTimer steady;
        steady.start();
        std::atomic<qint64> offset{0};
        reports.setClock([&] { return steady.elapsed() + offset; });

        constexpr int kIdlePeers = 12;
        std::atomic<bool> stop{false};
        std::atomic<int> running{kIdlePeers + 1}, attempts{0};
        std::vector<std::thread> threads;
        const int port = listenPort;
        for (int i = 0; i < kIdlePeers; ++i)
            threads.emplace_back([&, port] {
                while (!stop && attempts < 20000) {
                    ++attempts;
                    const int fd = connectLoopback(port, 200);
                    PeerEnding ending; // held open until dropped or refused, or the end
                    while (fd >= 0 && holdOpen && !stop && !ending.readToEnd(fd, true)) {
                    }
                    if (fd >= 0)
                        ::close(fd);
                }
                --running;
            });
        spinUntil([&] { return reports.openSessions() == ReportListener::kSessionCount; }, 3000);
        offset = 1500; // every idle session has now received nothing for long

        std::atomic<bool> delivered{false};
        threads.emplace_back([&, port] {
            while (!stop && !delivered) {
                if (reportAndRead(port, "STATUS DIALSIGOK12:34pm").isEmpty())
                    delivered = true;
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            --running;
        });
        QElapsedTimer t;
        t.start();
        spinUntil([&] { return seen->states.contains(LinkState::Dialing); }, 3000);
        const qint64 took = t.elapsed();
        stop = true;
        spinUntil([&] { return running == 0; }, 10000);
        for (auto& th : threads)
            th.join();
        QVERIFY2(seen->states.contains(LinkState::Dialing),
                 qPrintable(QStringLiteral("no report within %1 ms").arg(took)));
        QCOMPARE(seen->count(kRefusedLine), reports.refusedCount());
        QTRY_COMPARE(reports.openSessions(), 0);
        seen->states.clear();
        deliver(listenPort, "STATUS DIALSIGOK01:02am");
        QTRY_COMPARE(seen->states, QList<LinkState>{LinkState::Dialing});
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
