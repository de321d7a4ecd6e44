// The ZAV Manager stand-in, driven over real connections on 127.0.0.1: in-process through its
// Simulator class, and as the built zav-manager-sim program.
#include "link/wire.h"
#include "simulator.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

// The client's listening side: takes report connections and keeps each record, complete once
// the simulator has closed its side.
class FakeClient : public QObject {
public:
    QTcpServer server;
    QList<QByteArray> records;
    int refuseNext = 0; // connections to answer with the refusal notice
    int holdNext = 0;   // connections to leave open, unread

    FakeClient() {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                take(socket);
        });
        server.listen(QHostAddress::LocalHost, 0);
    }
    quint16 port() const { return server.serverPort(); }

private:
    void take(QTcpSocket* socket) {
        if (refuseNext > 0) {
            --refuseNext;
            socket->write(REFUSAL_NOTICE);
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            return;
        }
        if (holdNext > 0) {
            --holdNext;
            // Reading stops at once, so the end of the record is never seen and the
            // connection stays open until the server goes.
            socket->setReadBufferSize(1);
            return;
        }
        auto bytes = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this,
                [socket, bytes] { *bytes += socket->readAll(); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, bytes] {
            *bytes += socket->readAll();
            records.append(*bytes);
            socket->deleteLater();
        });
    }
};

// One command connection: the chunks in order, then the close that ends the record.
void sendCommand(quint16 port, const QList<QByteArray>& chunks, int pauseMs = 0,
                 const std::function<void()>& betweenChunks = {}) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(socket.waitForConnected(2000));
    for (int i = 0; i < chunks.size(); ++i) {
        if (chunks[i].isEmpty())
            continue;
        socket.write(chunks[i]);
        QVERIFY(socket.waitForBytesWritten(2000));
        if (i + 1 < chunks.size() && pauseMs > 0) {
            QTest::qWait(pauseMs);
            if (betweenChunks)
                betweenChunks();
        }
    }
    socket.disconnectFromHost();
}

int countContaining(const QStringList& lines, const QString& needle) {
    int n = 0;
    for (const QString& line : lines)
        n += line.contains(needle) ? 1 : 0;
    return n;
}

// A simulator on a free port of 127.0.0.1 that reports to a fake client, with its log kept.
struct Rig {
    FakeClient client;
    SimulatorConfig config;
    std::unique_ptr<Simulator> sim;
    QStringList log;
    QTime now{13, 7};

    Rig() {
        config.bindAddress = QHostAddress(QHostAddress::LocalHost);
        config.receivePort = 0;
        config.clientPort = client.port();
        config.dialMs = 0;
        config.reportTimeoutMs = 2000;
    }
    // Call after adjusting `config`.
    bool start() {
        sim = std::make_unique<Simulator>(config);
        sim->setClock([this] { return now; });
        QObject::connect(sim.get(), &Simulator::logLine,
                         [this](const QString& line) { log.append(line); });
        return sim->start();
    }
    quint16 port() const { return sim->receivePort(); }
    void send(const QByteArray& record) { sendCommand(port(), {record}); }
    bool logged(const QString& needle) const { return countContaining(log, needle) > 0; }
};

// The status record that one STATUS command brings back.
QByteArray askStatus(Rig& rig) {
    const int before = rig.client.records.size();
    rig.send("STATUS");
    if (!QTest::qWaitFor([&] { return rig.client.records.size() > before; }, 3000))
        return QByteArray("(no report)");
    return rig.client.records.last();
}

QString binary() {
    return qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-manager-sim";
}

// The built program, with its output collected as it comes.
struct Program {
    QProcess process;
    QByteArray out;

    void start(const QStringList& args) {
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { out += process.readAllStandardOutput(); });
        process.start(binary(), args);
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    // The port it announces when started with --receive-port 0.
    quint16 announcedPort() {
        static const QRegularExpression listening(
            QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        QRegularExpressionMatch match;
        const bool found = QTest::qWaitFor(
            [&] {
                match = listening.match(QString::fromUtf8(out));
                return match.hasMatch();
            },
            5000);
        return found ? quint16(match.captured(1).toUInt()) : 0;
    }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    // --- status reports ---
    void statusIsAnsweredOnTheClientPort();
    void statusCodes_data();
    void statusCodes();
    void dialingTakesTheDialTimeThenConnects();
    void connectionTimeIsATwelveHourClock_data();
    void connectionTimeIsATwelveHourClock();
    void disconDuringDialingAbortsIt();
    void disconKeepsTheLastConnectionTime();
    void reportDelayHoldsTheAnswerBack();
    void pushIntervalSendsUnsolicitedReports();
    void firstSixCharactersDecide_data();
    void firstSixCharactersDecide();

    // --- messages ---
    void messageIsPrintedInFullAndReceipted();
    void splitRecordIsHandledOnceWhenClosed_data();
    void splitRecordIsHandledOnceWhenClosed();
    void consoleMessageGoesToTheLastClient();
    void clientHostReceivesReportsBeforeAnyCommand();

    // --- report connections ---
    void refusalNoticeIsPrinted();
    void unreachableClientIsLoggedAndQueueMovesOn();
    void clientHoldingAConnectionDoesNotStallReports();
    void reportsKeepTheirOrder();

    // --- the program ---
    void programHelpListsEveryFlag();
    void programRejectsBadFlags_data();
    void programRejectsBadFlags();
    void programFailsOnABusyPort();
    void programAnswersStatusAndQuits();
    void programOutlivesClosedInputAndStopsOnSigterm();
};

void TestSimulator::statusIsAnsweredOnTheClientPort() {
    Rig rig;
    QVERIFY(rig.start());
    const QByteArray record = askStatus(rig);
    QCOMPARE(record, QByteArray("STATUS DISCSIGOK--:----"));
    QCOMPARE(record.size(), 23);
    // The client's own reading of the fields agrees.
    QCOMPARE(statusReportCode(QString::fromLatin1(record)), QStringLiteral("DISCSIGOK"));
    QCOMPARE(statusReportTime(QString::fromLatin1(record)), QStringLiteral("--:----"));
    QVERIFY(rig.logged(QStringLiteral("<- STATUS from 127.0.0.1")));
    QVERIFY(rig.logged(
        QStringLiteral("-> STATUS DISCSIGOK--:---- to 127.0.0.1:%1").arg(rig.client.port())));
    // One command, one report.
    QTest::qWait(100);
    QCOMPARE(rig.client.records.size(), 1);
}

void TestSimulator::statusCodes_data() {
    QTest::addColumn<bool>("signal");
    QTest::addColumn<bool>("card");
    QTest::addColumn<int>("dialMs");
    QTest::addColumn<QStringList>("steps"); // upper case: a command record; else console
    QTest::addColumn<QString>("code");

    QTest::newRow("started without signal") << false << true << 0 << QStringList() << "DISCNOSIG";
    QTest::newRow("started without card") << true << false << 0 << QStringList() << "NOCARDSTA";
    QTest::newRow("no card outranks the link")
        << true << false << 0 << QStringList{"CONNEC"} << "NOCARDSTA";
    QTest::newRow("no card outranks no signal")
        << false << false << 0 << QStringList() << "NOCARDSTA";
    QTest::newRow("connected") << true << true << 0 << QStringList{"CONNEC"} << "CONNSIGOK";
    QTest::newRow("signal lost while connected")
        << true << true << 0 << QStringList{"CONNEC", "signal off"} << "CONNNOSIG";
    QTest::newRow("dialing without signal")
        << false << true << 60000 << QStringList{"CONNEC"} << "DIALNOSIG";
    QTest::newRow("card back") << true << false << 0 << QStringList{"card on"} << "DISCSIGOK";
    QTest::newRow("signal back") << false << true << 0 << QStringList{"signal on"} << "DISCSIGOK";
    QTest::newRow("console dials too")
        << true << true << 60000 << QStringList{"connect"} << "DIALSIGOK";
}

void TestSimulator::statusCodes() {
    QFETCH(bool, signal);
    QFETCH(bool, card);
    QFETCH(int, dialMs);
    QFETCH(QStringList, steps);
    QFETCH(QString, code);

    Rig rig;
    rig.config.signalPresent = signal;
    rig.config.cardPresent = card;
    rig.config.dialMs = dialMs;
    QVERIFY(rig.start());
    for (const QString& step : steps) {
        if (step == step.toUpper()) {
            const int seen = countContaining(rig.log, QStringLiteral("<- "));
            rig.send(step.toLatin1());
            QTRY_COMPARE(countContaining(rig.log, QStringLiteral("<- ")), seen + 1);
        } else {
            rig.sim->consoleLine(step);
        }
    }
    QCOMPARE(askStatus(rig).mid(7, 9), code.toLatin1());
}

void TestSimulator::dialingTakesTheDialTimeThenConnects() {
    Rig rig;
    rig.config.dialMs = 300;
    QVERIFY(rig.start());
    rig.send("CONNEC");
    QCOMPARE(askStatus(rig), QByteArray("STATUS DIALSIGOK--:----"));
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim->link() == Simulator::Link::Connected, 3000);
    QCOMPARE(askStatus(rig), QByteArray("STATUS CONNSIGOK01:07pm"));
    // A second CONNEC while connected changes nothing.
    rig.now = QTime(14, 0);
    rig.send("CONNEC");
    QCOMPARE(askStatus(rig), QByteArray("STATUS CONNSIGOK01:07pm"));
}

void TestSimulator::connectionTimeIsATwelveHourClock_data() {
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("just after midnight") << QTime(0, 5) << QByteArray("12:05am");
    QTest::newRow("morning") << QTime(9, 30) << QByteArray("09:30am");
    QTest::newRow("noon") << QTime(12, 0) << QByteArray("12:00pm");
    QTest::newRow("afternoon") << QTime(13, 7) << QByteArray("01:07pm");
    QTest::newRow("last minute") << QTime(23, 59, 59) << QByteArray("11:59pm");
}

void TestSimulator::connectionTimeIsATwelveHourClock() {
    QFETCH(QTime, time);
    QFETCH(QByteArray, shown);
    Rig rig;
    rig.now = time;
    QVERIFY(rig.start());
    rig.send("CONNEC");
    QCOMPARE(askStatus(rig), "STATUS CONNSIGOK" + shown);
}

void TestSimulator::disconDuringDialingAbortsIt() {
    Rig rig;
    rig.config.dialMs = 150;
    QVERIFY(rig.start());
    rig.send("CONNEC");
    QTRY_VERIFY(rig.sim->link() == Simulator::Link::Dialing);
    rig.send("DISCON");
    QTRY_VERIFY(rig.logged(QStringLiteral("<- DISCON from 127.0.0.1")));
    QTest::qWait(300); // well past the dial time
    QCOMPARE(askStatus(rig), QByteArray("STATUS DISCSIGOK--:----"));
}

void TestSimulator::disconKeepsTheLastConnectionTime() {
    Rig rig;
    rig.now = QTime(9, 30);
    QVERIFY(rig.start());
    rig.send("CONNEC");
    QCOMPARE(askStatus(rig), QByteArray("STATUS CONNSIGOK09:30am"));
    rig.now = QTime(10, 45);
    rig.send("DISCON");
    QCOMPARE(askStatus(rig), QByteArray("STATUS DISCSIGOK09:30am"));
    // Dialing again shows the time of the new connection.
    rig.send("CONNEC");
    QCOMPARE(askStatus(rig), QByteArray("STATUS CONNSIGOK10:45am"));
}

void TestSimulator::reportDelayHoldsTheAnswerBack() {
    Rig rig;
    rig.config.reportDelayMs = 400;
    QVERIFY(rig.start());
    rig.send("STATUS");
    QTRY_VERIFY(rig.logged(QStringLiteral("<- STATUS")));
    QTest::qWait(150);
    QCOMPARE(rig.client.records.size(), 0);
    QTRY_COMPARE(rig.client.records.size(), 1);
    QCOMPARE(rig.client.records.first(), QByteArray("STATUS DISCSIGOK--:----"));
}

void TestSimulator::pushIntervalSendsUnsolicitedReports() {
    Rig rig;
    rig.config.pushIntervalMs = 40;
    QVERIFY(rig.start());
    // Nobody to push to until a client shows up.
    QTest::qWait(150);
    QCOMPARE(rig.client.records.size(), 0);

    rig.send("CONNEC");
    QTRY_VERIFY(rig.client.records.size() >= 3);
    for (const QByteArray& record : std::as_const(rig.client.records))
        QCOMPARE(record, QByteArray("STATUS CONNSIGOK01:07pm"));
}

void TestSimulator::firstSixCharactersDecide_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("logged");
    QTest::newRow("exact") << QByteArray("STATUS") << true << "<- STATUS from";
    QTest::newRow("trailing text") << QByteArray("STATUS?x") << true << "trailing";
    QTest::newRow("lower case") << QByteArray("status") << false << "unknown record \"status\"";
    QTest::newRow("short") << QByteArray("STATU") << false << "unknown record \"STATU\"";
    QTest::newRow("a report's name") << QByteArray("MSGREC") << false << "unknown record";
    QTest::newRow("empty") << QByteArray() << false << "empty record";
}

void TestSimulator::firstSixCharactersDecide() {
    QFETCH(QByteArray, record);
    QFETCH(bool, answered);
    QFETCH(QString, logged);
    Rig rig;
    QVERIFY(rig.start());
    rig.send(record);
    QTRY_VERIFY(rig.logged(logged));
    // A STATUS afterwards marks where answers to the first record would have been.
    QCOMPARE(askStatus(rig), QByteArray("STATUS DISCSIGOK--:----"));
    QTest::qWait(50);
    QCOMPARE(rig.client.records.size(), answered ? 2 : 1);
}

void TestSimulator::messageIsPrintedInFullAndReceipted() {
    Rig rig;
    QVERIFY(rig.start());
    // 0x80 is the euro sign in the client's code page.
    rig.send("MESSAGFirst line\r\nsecond \x80 line\r\n\r\nlast");
    QTRY_COMPARE(rig.client.records.size(), 1);
    QCOMPARE(rig.client.records.first(), QByteArray("MSGREC"));
    const int head = rig.log.indexOf(QRegularExpression(
        QStringLiteral(".*<- MESSAG from 127\\.0\\.0\\.1 \\(33 characters\\):$")));
    QVERIFY2(head >= 0, qPrintable(rig.log.join('\n')));
    QVERIFY(rig.log.size() > head + 4);
    QVERIFY(rig.log[head + 1].endsWith(QStringLiteral("   | First line")));
    QVERIFY(rig.log[head + 2].endsWith(QStringLiteral("   | second \u20ac line")));
    QVERIFY(rig.log[head + 3].endsWith(QStringLiteral("   | ")));
    QVERIFY(rig.log[head + 4].endsWith(QStringLiteral("   | last")));
}

void TestSimulator::splitRecordIsHandledOnceWhenClosed_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("logged");
    QTest::newRow("status") << QList<QByteArray>{"ST", "AT", "US"}
                            << QByteArray("STATUS DISCSIGOK--:----") << "<- STATUS from";
    // Deciding on the first six characters as soon as they are in would lose the text.
    QTest::newRow("message") << QList<QByteArray>{"MESS", "AGhel", "lo there"}
                             << QByteArray("MSGREC") << "   | hello there";
}

void TestSimulator::splitRecordIsHandledOnceWhenClosed() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, answer);
    QFETCH(QString, logged);
    Rig rig;
    QVERIFY(rig.start());
    sendCommand(rig.port(), chunks, 40, [&] {
        QCOMPARE(countContaining(rig.log, QStringLiteral("<- ")), 0);
        QCOMPARE(rig.client.records.size(), 0);
    });
    QTRY_COMPARE(rig.client.records.size(), 1);
    QCOMPARE(rig.client.records.first(), answer);
    QCOMPARE(countContaining(rig.log, logged), 1);
    QTest::qWait(100);
    QCOMPARE(rig.client.records.size(), 1);
    QCOMPARE(countContaining(rig.log, QStringLiteral("<- ")), 1);
}

void TestSimulator::consoleMessageGoesToTheLastClient() {
    Rig rig;
    QVERIFY(rig.start());
    rig.sim->consoleLine(QStringLiteral("msg too early"));
    QVERIFY(rig.logged(QStringLiteral("no client known yet")));

    askStatus(rig);
    rig.sim->consoleLine(QStringLiteral("msg Line one\\nLine two \u20ac and C:\\\\dir"));
    QTRY_COMPARE(rig.client.records.size(), 2);
    QCOMPARE(rig.client.records[1], QByteArray("MESSAGLine one\r\nLine two \x80 and C:\\dir"));
    QVERIFY(rig.logged(QStringLiteral("-> MESSAG to 127.0.0.1:%1").arg(rig.client.port())));

    rig.sim->consoleLine(QStringLiteral("msg"));
    QTRY_COMPARE(rig.client.records.size(), 3);
    QCOMPARE(rig.client.records[2], QByteArray("MESSAG"));
}

void TestSimulator::clientHostReceivesReportsBeforeAnyCommand() {
    Rig rig;
    rig.config.clientHost = QStringLiteral("127.0.0.1");
    QVERIFY(rig.start());
    rig.sim->consoleLine(QStringLiteral("card off"));
    rig.sim->consoleLine(QStringLiteral("status"));
    QTRY_COMPARE(rig.client.records.size(), 1);
    QCOMPARE(rig.client.records.first(), QByteArray("STATUS NOCARDSTA--:----"));
}

void TestSimulator::refusalNoticeIsPrinted() {
    Rig rig;
    rig.client.refuseNext = 1;
    QVERIFY(rig.start());
    rig.send("STATUS");
    QTRY_VERIFY(rig.logged(QStringLiteral("<- from the client at 127.0.0.1:%1: MAXIMUM CONCURRENT "
                                          "SESSIONS REACHED - TERMINATING SESSION.")
                               .arg(rig.client.port())));
    // The next report goes through once the client takes it.
    QCOMPARE(askStatus(rig), QByteArray("STATUS DISCSIGOK--:----"));
}

void TestSimulator::unreachableClientIsLoggedAndQueueMovesOn() {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    Rig rig;
    rig.config.clientPort = closedPort;
    QVERIFY(rig.start());
    rig.send("STATUS");
    rig.send("MESSAGhi");
    const QString where = QStringLiteral("127.0.0.1:%1").arg(closedPort);
    QTRY_VERIFY(rig.logged(QStringLiteral("!! STATUS not delivered to ") + where));
    QTRY_VERIFY(rig.logged(QStringLiteral("!! MSGREC not delivered to ") + where));
}

void TestSimulator::clientHoldingAConnectionDoesNotStallReports() {
    Rig rig;
    rig.client.holdNext = 1;
    rig.config.reportTimeoutMs = 150;
    QVERIFY(rig.start());
    rig.send("STATUS");
    rig.send("MESSAGx");
    QTRY_VERIFY(rig.logged(QStringLiteral("kept the connection open")));
    QTRY_COMPARE(rig.client.records.size(), 1);
    QCOMPARE(rig.client.records.first(), QByteArray("MSGREC"));
}

void TestSimulator::reportsKeepTheirOrder() {
    Rig rig;
    rig.config.clientHost = QStringLiteral("127.0.0.1");
    QVERIFY(rig.start());
    rig.sim->consoleLine(QStringLiteral("status"));
    rig.sim->consoleLine(QStringLiteral("msg one"));
    rig.sim->consoleLine(QStringLiteral("signal off"));
    rig.sim->consoleLine(QStringLiteral("status"));
    rig.sim->consoleLine(QStringLiteral("msg two"));
    QTRY_COMPARE(rig.client.records.size(), 4);
    // The state is read when the report is queued.
    QCOMPARE(rig.client.records, (QList<QByteArray>{"STATUS DISCSIGOK--:----", "MESSAGone",
                                                    "STATUS DISCNOSIG--:----", "MESSAGtwo"}));
}

void TestSimulator::programHelpListsEveryFlag() {
    QProcess process;
    process.start(binary(), {QStringLiteral("--help")});
    QVERIFY2(process.waitForFinished(5000), qPrintable(binary()));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    for (const char* flag :
         {"--bind", "--receive-port", "--client-port", "--client-host", "--dial-seconds",
          "--push-interval", "--report-delay-ms", "--no-signal", "--no-card", "--help"})
        QVERIFY2(help.contains(QLatin1String(flag)), flag);
    for (const char* command : {"msg <text>", "signal on|off", "card on|off", "status", "quit"})
        QVERIFY2(help.contains(QLatin1String(command)), command);
}

void TestSimulator::programRejectsBadFlags_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown flag") << QStringList{"--bogus"};
    QTest::newRow("missing value") << QStringList{"--client-port"};
    QTest::newRow("client port 0") << QStringList{"--client-port", "0"};
    QTest::newRow("port too big") << QStringList{"--receive-port", "70000"};
    QTest::newRow("not seconds") << QStringList{"--dial-seconds", "soon"};
    QTest::newRow("negative seconds") << QStringList{"--push-interval", "-1"};
    QTest::newRow("fractional ms") << QStringList{"--report-delay-ms", "1.5"};
    QTest::newRow("bind to a name") << QStringList{"--bind", "example"};
    QTest::newRow("stray argument") << QStringList{"extra"};
}

void TestSimulator::programRejectsBadFlags() {
    QFETCH(QStringList, args);
    QProcess process;
    process.start(binary(), args);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(!process.readAllStandardError().isEmpty());
}

void TestSimulator::programFailsOnABusyPort() {
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::LocalHost, 0));
    QProcess process;
    process.start(binary(),
                  {QStringLiteral("--receive-port"), QString::number(occupant.serverPort())});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("cannot listen"));
}

void TestSimulator::programAnswersStatusAndQuits() {
    FakeClient client;
    Program program;
    program.start({QStringLiteral("--receive-port"), QStringLiteral("0"),
                   QStringLiteral("--client-port"), QString::number(client.port()),
                   QStringLiteral("--no-signal")});
    const quint16 port = program.announcedPort();
    QVERIFY2(port != 0, program.out.constData());

    sendCommand(port, {"STATUS"});
    QTRY_COMPARE(client.records.size(), 1);
    QCOMPARE(client.records.first(), QByteArray("STATUS DISCNOSIG--:----"));
    QTRY_VERIFY(program.out.contains(
        QStringLiteral("-> STATUS DISCNOSIG--:---- to 127.0.0.1:%1").arg(client.port()).toUtf8()));
    QVERIFY(
        QRegularExpression(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\] <- STATUS from 127.0.0.1"))
            .match(QString::fromUtf8(program.out))
            .hasMatch());

    program.process.write("msg hello\\nthere\n");
    QTRY_COMPARE(client.records.size(), 2);
    QCOMPARE(client.records[1], QByteArray("MESSAGhello\r\nthere"));

    program.process.write("quit\n");
    QTRY_COMPARE(program.process.state(), QProcess::NotRunning);
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);
}

void TestSimulator::programOutlivesClosedInputAndStopsOnSigterm() {
    FakeClient client;
    Program program;
    program.start({QStringLiteral("--receive-port"), QStringLiteral("0"),
                   QStringLiteral("--client-port"), QString::number(client.port())});
    const quint16 port = program.announcedPort();
    QVERIFY2(port != 0, program.out.constData());
    program.process.closeWriteChannel();
    QTRY_VERIFY(program.out.contains("standard input closed"));

    sendCommand(port, {"STATUS"});
    QTRY_COMPARE(client.records.size(), 1);
    QCOMPARE(program.process.state(), QProcess::Running);

    program.process.terminate();
    QTRY_COMPARE(program.process.state(), QProcess::NotRunning);
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);
    QVERIFY(program.out.contains("stopped"));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
