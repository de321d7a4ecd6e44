// The ZAV Manager stand-in, driven over real connections on 127.0.0.1: in-process through its
// Simulator class, and once as the built zav-manager-sim program.
#include "peers.h"

#include "link/records.h"

#include "simulator.h"

#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace {

// One command connection: the chunks in order, a short pause between them, then the close that
// ends the record.
void sendCommand(quint16 port, const QList<QByteArray>& chunks,
                 const std::function<void()>& betweenChunks = {}) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(socket.waitForConnected(2000));
    for (int i = 0; i < chunks.size(); ++i) {
        if (i > 0) {
            QTest::qWait(40);
            if (betweenChunks)
                betweenChunks();
        }
        socket.write(chunks[i]);
        QVERIFY(socket.waitForBytesWritten(2000));
    }
    socket.disconnectFromHost();
}

// A simulator on a free port of 127.0.0.1 that reports to a fake client, with its log kept.
struct Rig {
    RecordServer client;
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
    void send(const QByteArray& record) { sendCommand(sim->receivePort(), {record}); }
    int logged(const QString& needle) const {
        return int(std::count_if(log.cbegin(), log.cend(),
                                 [&](const QString& line) { return line.contains(needle); }));
    }
    // The status record that one STATUS command brings back.
    QByteArray askStatus() {
        const qsizetype before = client.records.size();
        send("STATUS");
        if (!QTest::qWaitFor([&] { return client.records.size() > before; }, 3000))
            return QByteArray("(no report)");
        return client.records.last();
    }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void statusIsAnsweredOnTheClientPort() {
        Rig rig;
        QVERIFY(rig.start());
        const QByteArray record = rig.askStatus();
        QCOMPARE(record, QByteArray("STATUS DISCSIGOK--:----"));
        QCOMPARE(record.size(), 23);
        // The client's own reading of the fields agrees.
        QCOMPARE(statusReportCode(QString::fromLatin1(record)), QStringLiteral("DISCSIGOK"));
        QCOMPARE(statusReportTime(QString::fromLatin1(record)), QStringLiteral("--:----"));
        QCOMPARE(rig.logged(QStringLiteral("<- STATUS from 127.0.0.1")), 1);
        QTest::qWait(100);
        QCOMPARE(rig.client.records.size(), 1); // one command, one report
    }

    void statusCodes_data() {
        QTest::addColumn<bool>("signal");
        QTest::addColumn<bool>("card");
        QTest::addColumn<int>("dialMs");
        QTest::addColumn<QStringList>("steps"); // upper case: a command record; else console
        QTest::addColumn<QString>("code");
        QTest::newRow("no signal") << false << true << 0 << QStringList() << "DISCNOSIG";
        QTest::newRow("no card") << true << false << 0 << QStringList() << "NOCARDSTA";
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
        QTest::newRow("signal back")
            << false << true << 0 << QStringList{"signal on"} << "DISCSIGOK";
        QTest::newRow("console dials")
            << true << true << 60000 << QStringList{"connect"} << "DIALSIGOK";
        QTest::newRow("no dial without the card")
            << true << false << 0 << QStringList{"CONNEC", "card on"} << "DISCSIGOK";
        QTest::newRow("dial fails when the card goes")
            << true << true << 60000 << QStringList{"CONNEC", "card off", "card on"} << "DISCSIGOK";
    }
    void statusCodes() {
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
                const int seen = rig.logged(QStringLiteral("<- "));
                rig.send(step.toLatin1());
                QTRY_COMPARE(rig.logged(QStringLiteral("<- ")), seen + 1);
            } else {
                rig.sim->consoleLine(step);
            }
        }
        QCOMPARE(rig.askStatus().mid(7, 9), code.toLatin1());
    }

    // With no dial time CONNEC connects at once; the time is a twelve-hour clock and DISCON
    // keeps the last one until the next connection.
    void connectAndDisconnect() {
        Rig rig;
        rig.now = QTime(0, 5);
        QVERIFY(rig.start());
        rig.send("CONNEC");
        QCOMPARE(rig.askStatus(), QByteArray("STATUS CONNSIGOK12:05am"));
        rig.now = QTime(13, 7);
        rig.send("CONNEC"); // already connected: nothing changes
        QCOMPARE(rig.askStatus(), QByteArray("STATUS CONNSIGOK12:05am"));
        rig.send("DISCON");
        QCOMPARE(rig.askStatus(), QByteArray("STATUS DISCSIGOK12:05am"));
        rig.send("CONNEC");
        QCOMPARE(rig.askStatus(), QByteArray("STATUS CONNSIGOK01:07pm"));
    }

    void messageIsPrintedInFullAndReceipted() {
        Rig rig;
        QVERIFY(rig.start());
        // 0x80 is the euro sign in the client's code page.
        rig.send("MESSAGFirst line\r\nsecond \x80 line\r\n\r\nlast");
        QTRY_COMPARE(rig.client.records, QList<QByteArray>{"MSGREC"});
        const int head = rig.log.indexOf(QRegularExpression(
            QStringLiteral(".*<- MESSAG from 127\\.0\\.0\\.1 \\(33 characters\\):$")));
        QVERIFY2(head >= 0 && rig.log.size() > head + 4, qPrintable(rig.log.join('\n')));
        const QStringList lines{"First line", "second \u20ac line", "", "last"};
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(rig.log[head + 1 + i].endsWith(QStringLiteral("   | ") + lines[i]));
    }

    // Deciding on the first six characters as soon as they are in would lose the text.
    void splitRecordIsHandledOnceWhenClosed() {
        Rig rig;
        QVERIFY(rig.start());
        sendCommand(rig.sim->receivePort(), {"MESS", "AGhel", "lo there"}, [&] {
            QCOMPARE(rig.logged(QStringLiteral("<- ")), 0);
            QCOMPARE(rig.client.records.size(), 0);
        });
        QTRY_COMPARE(rig.client.records, QList<QByteArray>{"MSGREC"});
        QCOMPARE(rig.logged(QStringLiteral("   | hello there")), 1);
        QTest::qWait(100);
        QCOMPARE(rig.client.records.size(), 1);
        QCOMPARE(rig.logged(QStringLiteral("<- ")), 1);
    }

    void consoleMessageGoesToTheLastClient() {
        Rig rig;
        QVERIFY(rig.start());
        rig.sim->consoleLine(QStringLiteral("msg too early"));
        QCOMPARE(rig.logged(QStringLiteral("no client known yet")), 1);

        rig.askStatus();
        rig.sim->consoleLine(QStringLiteral("msg Line one\\nLine two \u20ac and C:\\\\dir"));
        QTRY_COMPARE(rig.client.records.size(), 2);
        QCOMPARE(rig.client.records[1], QByteArray("MESSAGLine one\r\nLine two \x80 and C:\\dir"));
        // Nothing to say is refused with a hint.
        for (const char* empty : {"msg", "msg    "})
            rig.sim->consoleLine(QString::fromLatin1(empty));
        QCOMPARE(rig.logged(QStringLiteral("usage: msg <text>")), 2);
        QTest::qWait(100);
        QCOMPARE(rig.client.records.size(), 2);
    }

    // Quiet: a known client's polls and unchanged reports go unlogged; its first poll, every
    // change and everything else still show.
    void quietShowsOnlyChanges() {
        Rig rig;
        rig.config.quiet = true;
        QVERIFY(rig.start());
        for (int i = 0; i < 3; ++i)
            rig.askStatus();
        rig.sim->consoleLine(QStringLiteral("signal off"));
        rig.askStatus();
        rig.askStatus();
        QTRY_COMPARE(rig.client.records.size(), 5);
        QCOMPARE(rig.logged(QStringLiteral("<- STATUS")), 1);
        QCOMPARE(rig.logged(QStringLiteral("-> STATUS DISCSIGOK")), 1);
        QCOMPARE(rig.logged(QStringLiteral("-> STATUS DISCNOSIG")), 1);
        rig.send("CONNEC");
        QTRY_COMPARE(rig.logged(QStringLiteral("<- CONNEC")), 1);

        rig.sim->consoleLine(QStringLiteral("quiet off"));
        rig.askStatus();
        QCOMPARE(rig.logged(QStringLiteral("<- STATUS")), 2);
        QCOMPARE(rig.logged(QStringLiteral("-> STATUS CONNNOSIG")), 1);
        rig.askStatus();
        QCOMPARE(rig.logged(QStringLiteral("-> STATUS CONNNOSIG")), 2);
    }

    // The built program: its help, a STATUS exchange, a console message and `quit` on stdin.
    void programAnswersStatusAndQuits() {
        const QString binary = qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-manager-sim";
        QProcess help;
        help.start(binary, {QStringLiteral("--help")});
        QVERIFY2(help.waitForFinished(5000), qPrintable(binary));
        QCOMPARE(help.exitCode(), 0);
        const QByteArray helpText = help.readAllStandardOutput();
        for (const char* word : {"--receive-port", "--client-port", "--no-signal", "msg <text>"})
            QVERIFY2(helpText.contains(word), word);

        RecordServer client;

        QProcess program;
        QByteArray out;
        connect(&program, &QProcess::readyReadStandardOutput, this,
                [&] { out += program.readAllStandardOutput(); });
        program.start(binary, {QStringLiteral("--receive-port"), QStringLiteral("0"),
                               QStringLiteral("--client-port"), QString::number(client.port()),
                               QStringLiteral("--no-signal")});
        static const QRegularExpression listening(
            QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        QTRY_VERIFY2(listening.match(QString::fromUtf8(out)).hasMatch(), out.constData());
        sendCommand(quint16(listening.match(QString::fromUtf8(out)).captured(1).toUInt()),
                    {"STATUS"});
        QTRY_COMPARE(client.records, QList<QByteArray>{"STATUS DISCNOSIG--:----"});

        program.write("msg hello\\nthere\n");
        QTRY_COMPARE(client.records.size(), 2);
        QCOMPARE(client.records[1], QByteArray("MESSAGhello\r\nthere"));

        program.write("quit\n");
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
