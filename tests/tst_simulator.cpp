// The ZAV Manager stand-in, driven through its Simulator class over 127.0.0.1.
#include "peers.h"

#include "console.h"
#include "simulator.h"

#include <QRegularExpression>

namespace {

// One command connection: the chunks, a short pause between them, then the close.
void sendCommand(
    quint16 port, const QList<QByteArray>& chunks,
    const std::function<void()>& betweenChunks = [] {}) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(socket.waitForConnected(2000));
    for (int i = 0; i < chunks.size(); ++i) {
        if (i > 0) {
            QTest::qWait(40);
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
        config.receivePort = 0;
        config.clientPort = client.port();
        config.dialMs = 0;
        config.reportTimeoutMs = 2000;
    }
    bool start() { // after adjusting `config`
        sim = std::make_unique<Simulator>(config);
        sim->setClock([this] { return now; });
        QObject::connect(sim.get(), &Simulator::logLine,
                         [this](const QString& line) { log.append(line); });
        return sim->start();
    }
    void send(const QByteArray& record) { sendCommand(sim->receivePort(), {record}); }
    int logged(const char* needle) const { return int(log.filter(QLatin1String(needle)).size()); }
    // The status record that one STATUS command brings back.
    QByteArray askStatus() {
        const qsizetype before = client.records.size();
        send("STATUS");
        const bool got = QTest::qWaitFor([&] { return client.records.size() > before; }, 3000);
        return got ? client.records.last() : QByteArray("(no report)");
    }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    // Steps: an upper-case word is a command record, anything else a console line.
    void statusCodes_data() {
        QTest::addColumn<int>("dialMs");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("code");
        auto row = [](const char* name, int dialMs, const QStringList& steps, const char* code) {
            QTest::newRow(name) << dialMs << steps << QString(code);
        };
        row("no signal", 0, {"signal off"}, "DISCNOSIG");
        row("no card", 0, {"card off"}, "NOCARDSTA");
        row("no card outranks the link", 0, {"card off", "CONNEC"}, "NOCARDSTA");
        row("connected", 0, {"CONNEC"}, "CONNSIGOK");
        row("signal lost while connected", 0, {"CONNEC", "signal off"}, "CONNNOSIG");
        row("dialing without signal", 60000, {"signal off", "CONNEC"}, "DIALNOSIG");
        row("signal back", 0, {"signal off", "signal on"}, "DISCSIGOK");
        row("console dials", 60000, {"connect"}, "DIALSIGOK");
        row("no dial without the card", 0, {"card off", "CONNEC", "card on"}, "DISCSIGOK");
        row("dial fails when the card goes", 60000, {"CONNEC", "card off", "card on"}, "DISCSIGOK");
    }
    void statusCodes() {
        QFETCH(int, dialMs);
        QFETCH(QStringList, steps);
        QFETCH(QString, code);
        Rig rig;
        rig.config.dialMs = dialMs;
        QVERIFY(rig.start());
        for (const QString& step : steps) {
            if (step == step.toUpper()) {
                const int seen = rig.logged("<- ");
                rig.send(step.toLatin1());
                QTRY_COMPARE(rig.logged("<- "), seen + 1);
            } else {
                runConsoleLine(*rig.sim, step);
            }
        }
        QCOMPARE(rig.askStatus().mid(7, 9), code.toLatin1());
    }

    // Each STATUS brings one report. With no dial time CONNEC connects at once; the time is a
    // twelve-hour clock and DISCON keeps the last one until the next connection.
    void connectAndDisconnect() {
        Rig rig;
        rig.now = QTime(0, 5);
        QVERIFY(rig.start());
        QCOMPARE(rig.askStatus(), QByteArray("STATUS DISCSIGOK--:----"));
        rig.send("CONNEC");
        QCOMPARE(rig.askStatus(), QByteArray("STATUS CONNSIGOK12:05am"));
        rig.now = QTime(13, 7);
        rig.send("CONNEC"); // already connected: nothing changes
        QCOMPARE(rig.askStatus(), QByteArray("STATUS CONNSIGOK12:05am"));
        rig.send("DISCON");
        QCOMPARE(rig.askStatus(), QByteArray("STATUS DISCSIGOK12:05am"));
        rig.send("CONNEC");
        QCOMPARE(rig.askStatus(), QByteArray("STATUS CONNSIGOK01:07pm"));
        QCOMPARE(rig.client.records.size(), 5);
    }

    // A message is handled once, when its connection closes (deciding on the first six
    // characters as soon as they are in would lose the text), printed line by line and receipted.
    void messageIsPrintedInFullAndReceipted() {
        Rig rig;
        QVERIFY(rig.start());
        // 0x80 is the euro sign in the client's code page.
        sendCommand(rig.sim->receivePort(),
                    {"MESS", "AGFirst line\r\nsecond \x80", " line\r\n\r\nlast"}, [&] {
                        QCOMPARE(rig.logged("<- "), 0);
                        QCOMPARE(rig.client.records.size(), 0);
                    });
        QTRY_COMPARE(rig.client.records, QList<QByteArray>{"MSGREC"});
        const int head = rig.log.indexOf(QRegularExpression(
            QStringLiteral(".*<- MESSAG from 127\\.0\\.0\\.1 \\(33 characters\\):$")));
        QVERIFY2(head >= 0 && rig.log.size() > head + 4, qPrintable(rig.log.join('\n')));
        const QStringList lines{"First line", "second \u20ac line", "", "last"};
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(rig.log[head + 1 + i].endsWith(QStringLiteral("   | ") + lines[i]));
        QTest::qWait(100);
        QCOMPARE(rig.client.records.size(), 1);
        QCOMPARE(rig.logged("<- "), 1);
    }

    // A console message goes to the last client seen; with no client or no text nothing goes.
    void consoleMessageGoesToTheLastClient() {
        Rig rig;
        QVERIFY(rig.start());
        runConsoleLine(*rig.sim, QStringLiteral("msg too early"));
        rig.askStatus();
        runConsoleLine(*rig.sim, QStringLiteral("msg Line one\\nLine two \u20ac and C:\\\\dir"));
        runConsoleLine(*rig.sim, QStringLiteral("msg"));
        runConsoleLine(*rig.sim, QStringLiteral("msg    "));
        QTRY_COMPARE(rig.client.records.size(), 2);
        QCOMPARE(rig.client.records[1], QByteArray("MESSAGLine one\r\nLine two \x80 and C:\\dir"));
        QTest::qWait(100);
        QCOMPARE(rig.client.records.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
