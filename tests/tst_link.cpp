// The server link without any window, against peers on 127.0.0.1.
#include "peers.h"

#include "link/codepage.h"
#include "link/serverlink.h"

#include <QtTest>
#include <atomic>
#include <thread>

namespace {

// What the link announced, in order.
struct Recorder {
    QList<QStringList> log;
    QList<LinkState> states;
    QStringList heard; // times and messages
    QList<Command> sent;
    int failures = 0;

    explicit Recorder(ServerLink& link) {
        QObject::connect(&link, &ServerLink::logEntry, [this](const QStringList& l) { log << l; });
        QObject::connect(&link, &ServerLink::stateChanged, [this](LinkState s) { states << s; });
        QObject::connect(&link, &ServerLink::lastConnectTimeChanged,
                         [this](const QString& t) { heard << QStringLiteral("time ") + t; });
        QObject::connect(&link, &ServerLink::messageReceived,
                         [this](const QString& text, const QString& peer) {
                             heard << QStringLiteral("message %1|%2").arg(text, peer);
                         });
        QObject::connect(&link, &ServerLink::commandSent, [this](Command c) { sent << c; });
        QObject::connect(&link, &ServerLink::commandFailed, [this] { ++failures; });
    }
};

const QString kStatusArrived = QStringLiteral("     Status report has arrived");
const QString kRefusedLine = QStringLiteral("     Cant accept any more connections!");

// A loopback listener whose full backlog leaves connection attempts unanswered.
struct SilentServer : RecordServer {
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    SilentServer() {
        server.close();
        server.setListenBacklogSize(0);
        server.listen(QHostAddress::LocalHost, quint16(freePort()));
        server.pauseAccepting();
        for (int i = 0; i < 2; ++i) {
            fillers.push_back(std::make_unique<QTcpSocket>());
            fillers.back()->connectToHost(QHostAddress::LocalHost, quint16(port()));
            fillers.back()->waitForConnected(500);
        }
    }
};

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

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordServer> server;
    std::unique_ptr<ServerLink> link;
    std::unique_ptr<Recorder> seen;
    int listenPort = 0;
    qint64 clockMs = 0;

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

    // One connection per command; the last request silently replaces one not yet sent; a
    // message's text is taken when its connection is made, in the wire's code page; polls ask
    // for status.
    void commands() {
        QString text = QStringLiteral("will change");
        link->setMessageTextSource([&text] { return text; });
        link->setServer(QStringLiteral("zav-server"), server->port());
        link->requestConnect();
        link->setServer(QStringLiteral("127.0.0.1"), server->port());
        const QList<Command> all{Command::Status, Command::Connect, Command::Disconnect,
                                 Command::Message};
        for (const Command command : all) {
            link->commands().start(command);
            link->commands().start(command);
            text = QStringLiteral("Caf\u00e9 \u20ac ok\r\nnext");
            QTRY_VERIFY(!link->commands().isBusy());
        }
        QTest::qWait(100);
        QCOMPARE(server->sent(), (QList<QByteArray>{"STATUS", "CONNEC", "DISCON",
                                                    "MESSAGCaf\xe9 \x80 ok\r\nnext"}));
        QCOMPARE(seen->log, (QList<QStringList>{{"     Requesting status from server"},
                                                {"     Requesting a Connect"},
                                                {"     Requesting a Disconnect"}}));
        QCOMPARE(seen->sent, all);
        QCOMPARE(seen->failures, 0);
        link->startPolling(5);
        link->startPolling(0); // no interval: no polling rather than polling without pause
        QVERIFY(!link->isPolling());
        link->startPolling(1);
        QTRY_COMPARE_WITH_TIMEOUT(server->sent().size(), 5, 3000);
        QCOMPARE(server->sent().last(), QByteArray("STATUS"));
    }

    // A command that reaches nobody fails from the event loop; the next one starts afresh.
    void unreachableServer_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("nobody listens") << QStringLiteral("127.0.0.1") << freePort();
        QTest::newRow("not an address") << QStringLiteral("zav-server") << 2509;
        QTest::newRow("port 0") << QStringLiteral("127.0.0.1") << 0;
        QTest::newRow("port 65536") << QStringLiteral("127.0.0.1") << 65536;
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
        link->setServer(QStringLiteral("127.0.0.1"), server->port());
        link->requestConnect();
        QTRY_COMPARE(server->sent(), QList<QByteArray>{"CONNEC"});
    }

    // An unanswered attempt fails at its time limit and never reaches a server freed later.
    void silentServerTimesOutForGood() {
        SilentServer silent;
        link->commands().setConnectTimeout(300);
        link->setServer(QStringLiteral("127.0.0.1"), silent.port());
        QElapsedTimer clock;
        clock.start();
        link->requestStatus();
        QTRY_COMPARE_WITH_TIMEOUT(seen->failures, 1, 3000);
        QVERIFY(clock.elapsed() >= 250); // failed by the time limit, not refused
        silent.fillers.clear();
        silent.server.resumeAccepting();
        QTest::qWait(1500);
        QCOMPARE(silent.sent(), QList<QByteArray>{});
        QCOMPARE(seen->failures, 1);
        QVERIFY(seen->sent.isEmpty());
    }

    // What each record announces, in one log entry.
    void dispatch_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("heard");
        const auto state = [](LinkState s) { return QStringLiteral("state %1").arg(int(s)); };
        QTest::newRow("status, any separator")
            << "STATUS#DIALNOSIG07:45pmXYZ"
            << QStringList{kStatusArrived, "time 07:45pm", state(LinkState::DialingNoSignal)};
        QTest::newRow("codes compare exactly")
            << "STATUS connsigok02:02pm" << QStringList{kStatusArrived, "time 02:02pm"};
        QTest::newRow("no time") << "STATUS DISCSIGOK"
                                 << QStringList{kStatusArrived, "time ", state(LinkState::Offline)};
        QTest::newRow("message") << "MESSAGHello\r\nthere"
                                 << QStringList{"     Message received from server",
                                                "     (IP:10.1.2.3)",
                                                "message Hello\r\nthere|10.1.2.3"};
        for (const char* quiet : {"MSGREC", "CONNEC", "DISCON", "messagHello", "STAT", "", "???"})
            QTest::newRow(quiet) << QString::fromLatin1(quiet) << QStringList{};
    }
    void dispatch() {
        QFETCH(QString, record);
        QFETCH(QStringList, heard);
        link->dispatchRecord(record, QStringLiteral("10.1.2.3"));
        QCOMPARE(seen->log.size(), heard.isEmpty() ? 0 : 1);
        QStringList got = seen->log.value(0) + seen->heard;
        for (const LinkState s : seen->states)
            got << QStringLiteral("state %1").arg(int(s));
        QCOMPARE(got, heard);
    }

    // Every byte comes back from the code page unchanged; what it cannot hold goes out as '?'.
    void codePage() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toWindows1252(fromWindows1252(all)), all);
        QCOMPARE(toWindows1252(QStringLiteral("\u4e2d\U0001F600")), QByteArray("???"));
    }

    // Sessions ending without a whole record dispatch nothing, free their socket and hold it
    // for a limited time only.
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
            for (const int unusable : {0, 65536, -1})
                QVERIFY(!link->startListening(unusable));
            QVERIFY(link->startListening(listenPort)); // the port is free again at once
        } else if (ending == QLatin1String("open too long")) {
            clockMs += link->reports().limits().sessionTimeLimitMs;
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

    // A connection finding every session busy: displaces a long silent one when it carries a
    // record, takes a session that frees, or is refused once its grace has run out.
    void waitingConnection_data() {
        QTest::addColumn<int>("holdersSilentMs");
        QTest::addColumn<bool>("carriesRecord");
        QTest::addColumn<QString>("outcome"); // "served": a session frees while it waits
        QTest::newRow("silent, sessions just opened") << 0 << false << "refused";
        QTest::newRow("silent, a session long silent") << 5000 << false << "refused";
        QTest::newRow("record, sessions receiving") << 0 << true << "refused";
        QTest::newRow("record, a session long silent") << 1000 << true << "displaced";
        QTest::newRow("silent, a session frees") << 0 << false << "served";
        QTest::newRow("record, a session frees") << 0 << true << "served";
    }
    void waitingConnection() {
        QFETCH(int, holdersSilentMs);
        QFETCH(bool, carriesRecord);
        QFETCH(QString, outcome);
        ReportListener& reports = link->reports();
        std::vector<std::unique_ptr<RawPeer>> holders;
        for (int i = 0; i < ReportListener::kSessionCount; ++i) {
            holders.push_back(std::make_unique<RawPeer>(listenPort));
            QTRY_COMPARE(reports.openSessions(), i + 1);
        }
        clockMs = holdersSilentMs;
        for (int i = 0; i < ReportListener::kSessionCount; ++i) {
            if (i != 6)
                holders[size_t(i)]->write("S");
            QTRY_COMPARE(reports.sessionBytes(i), i == 6 ? 0 : 1);
        }

        RawPeer tenth(listenPort);
        QVERIFY(tenth.fd >= 0);
        if (carriesRecord) {
            tenth.write("STATUS CONNSIGOK03:03am");
            ::shutdown(tenth.fd, SHUT_WR);
        }
        const bool refused = outcome == QLatin1String("refused");
        if (outcome == QLatin1String("served")) {
            QTRY_COMPARE(reports.waitingConnections(), 1);
            holders[2].reset();
            QTRY_COMPARE(reports.sessionState(2), StreamSocket::State::Connected);
            ::shutdown(tenth.fd, SHUT_WR);
        } else if (outcome == QLatin1String("displaced")) {
            QTRY_VERIFY(holders[6]->finished());
            QVERIFY(holders[6]->orderly);
        } else {
            // What the refused peer still sends is read away: no reset takes the notice.
            QTRY_COMPARE(reports.waitingConnections(), 1);
            clockMs += reports.limits().graceMs - 1;
            reports.sweep();
            QVERIFY(!tenth.finished());
            clockMs += 1;
            reports.sweep();
            tenth.write("late");
        }
        QTRY_VERIFY(tenth.finished());
        QVERIFY(tenth.orderly);
        QCOMPARE(tenth.got, refused ? QByteArray(kRefusalNotice) : QByteArray());
        QList<QStringList> logged;
        if (refused)
            logged << QStringList{kRefusedLine, QStringLiteral("     (IP:127.0.0.1)")};
        else if (carriesRecord)
            logged << QStringList{kStatusArrived};
        QCOMPARE(seen->log, logged);
        QCOMPARE(seen->states, carriesRecord && !refused ? QList<LinkState>{LinkState::Online}
                                                         : QList<LinkState>{});
        QCOMPARE(reports.refusedCount(), refused ? 1 : 0);
        QCOMPARE(reports.displacedCount(), outcome == QLatin1String("displaced") ? 1 : 0);
        QCOMPARE(reports.waitingConnections(), 0);
        for (int i = 0; i < ReportListener::kSessionCount; ++i)
            if (i != 6 && i != 2)
                QCOMPARE(reports.sessionBytes(i), 1);
    }

    // A report gets through within 3 s however many idle peers hold sessions and reconnect.
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

        std::atomic<bool> stop{false}, delivered{false};
        std::atomic<int> running{13};
        std::vector<std::thread> threads;
        const auto peer = [&, port = listenPort](const QByteArray& record) {
            while (!stop && !delivered) {
                const int fd = connectLoopback(port, record.isEmpty() ? 200 : 10000);
                ::send(fd, record.constData(), size_t(record.size()), MSG_NOSIGNAL);
                if (!record.isEmpty())
                    ::shutdown(fd, SHUT_WR);
                PeerEnding ending;
                while (fd >= 0 && (holdOpen || !record.isEmpty()) && !stop &&
                       !ending.readToEnd(fd, true)) {
                }
                ::close(fd);
                if (!record.isEmpty() && fd >= 0 && ending.done && ending.got.isEmpty())
                    delivered = true; // not refused
                else if (!record.isEmpty())
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            --running;
        };
        for (int i = 0; i < 12; ++i)
            threads.emplace_back(peer, QByteArray());
        (void)QTest::qWaitFor(
            [&] { return reports.openSessions() == ReportListener::kSessionCount; }, 3000);
        offset = 1500; // every idle session has now received nothing for long
        threads.emplace_back(peer, QByteArray("STATUS DIALSIGOK12:34pm"));
        const bool arrived =
            QTest::qWaitFor([&] { return seen->states.contains(LinkState::Dialing); }, 3000);
        stop = true;
        (void)QTest::qWaitFor([&] { return running == 0; }, 10000);
        for (auto& th : threads)
            th.join();
        QVERIFY2(arrived, "no report within 3 s");
        int refusedLines = 0; // each refusal logged once
        for (const QStringList& entry : seen->log)
            refusedLines += int(entry.count(kRefusedLine));
        QCOMPARE(refusedLines, reports.refusedCount());
        QTRY_COMPARE(reports.openSessions(), 0);
        seen->states.clear();
        deliver(listenPort, "STATUS DIALSIGOK01:02am");
        QTRY_COMPARE(seen->states, QList<LinkState>{LinkState::Dialing});
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
