// The ZAV Manager stand-in, driven through its Simulator class over 127.0.0.1.
#include "peers.h"

#include "console.h"
#include "simulator.h"

#include <QRegularExpression>

namespace {

// A simulator on a free port that reports to a fake client, with its log kept.
struct Rig {
    RecordServer client;
    SimulatorConfig config;
    std::unique_ptr<Simulator> sim;
    QStringList log;
    QTime now{13, 7};
    bool started = false;

    explicit Rig(int dialMs = 0) {
        config.receivePort = 0;
        config.clientPort = client.port();
        config.dialMs = dialMs;
        config.reportTimeoutMs = 2000;
        sim = std::make_unique<Simulator>(config);
        sim->setClock([this] { return now; });
        QObject::connect(sim.get(), &Simulator::logLine,
                         [this](const QString& line) { log.append(line); });
        started = sim->start();
    }
    int logged(const char* needle) const { return int(log.filter(QLatin1String(needle)).size()); }
    QByteArray askStatus() {
        const qsizetype before = client.records.size();
        deliver(sim->receivePort(), "STATUS");
        const bool got = QTest::qWaitFor([&] { return client.records.size() > before; }, 3000);
        return got ? client.records.last() : QByteArray("(no report)");
    }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    // Steps: a command record in capitals, "at HH:mm" for the clock, or a console line. A report
    // of nine letters is compared by its code.
    void statusReports_data() {
        QTest::addColumn<int>("dialMs");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("report");
        auto row = [](const char* name, int dialMs, const QStringList& steps, const char* report) {
            QTest::newRow(name) << dialMs << steps << QByteArray(report);
        };
        row("never connected", 0, {}, "STATUS DISCSIGOK--:----");
        row("connected after midnight", 0, {"at 00:05", "CONNEC"}, "STATUS CONNSIGOK12:05am");
        row("connected in the afternoon", 0, {"CONNEC"}, "STATUS CONNSIGOK01:07pm");
        row("connecting again changes nothing", 0, {"at 00:05", "CONNEC", "at 13:07", "CONNEC"},
            "STATUS CONNSIGOK12:05am");
        row("disconnected", 0, {"at 00:05", "CONNEC", "at 13:07", "DISCON"},
            "STATUS DISCSIGOK12:05am");
        row("no signal", 0, {"signal off"}, "DISCNOSIG");
        row("no card outranks the link", 0, {"card off", "CONNEC"}, "NOCARDSTA");
        row("signal lost while connected", 0, {"CONNEC", "signal off"}, "CONNNOSIG");
        row("dialing without signal", 60000, {"signal off", "CONNEC"}, "DIALNOSIG");
        row("signal back", 0, {"signal off", "signal on"}, "DISCSIGOK");
        row("console dials", 60000, {"connect"}, "DIALSIGOK");
        row("no dial without the card", 0, {"card off", "CONNEC", "card on"}, "DISCSIGOK");
        row("dial fails when the card goes", 60000, {"CONNEC", "card off", "card on"}, "DISCSIGOK");
    }
    void statusReports() {
        QFETCH(int, dialMs);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, report);
        Rig rig(dialMs);
        QVERIFY(rig.started);
        for (const QString& step : steps) {
            if (step.startsWith(QLatin1String("at "))) {
                rig.now = QTime::fromString(step.mid(3), QStringLiteral("HH:mm"));
            } else if (step == step.toUpper()) {
                const int seen = rig.logged("<- ");
                deliver(rig.sim->receivePort(), step.toLatin1());
                QTRY_COMPARE(rig.logged("<- "), seen + 1);
            } else {
                runConsoleLine(*rig.sim, step);
            }
        }
        const QByteArray got = rig.askStatus();
        QCOMPARE(report.size() == 9 ? got.mid(7, 9) : got, report);
        QCOMPARE(rig.askStatus(), got);
        QCOMPARE(rig.client.records.size(), 2);
    }

    // A message is handled once its connection closes (not on its first six characters) and
    // receipted; a console message goes to the last client seen, if any, and never empty.
    void messagesBothWays() {
        Rig rig;
        QVERIFY(rig.started);
        runConsoleLine(*rig.sim, QStringLiteral("msg too early"));
        auto command = reportPeer(rig.sim->receivePort());
        QVERIFY(command);
        for (const char* piece : {"MESS", "AGFirst line\r\nsecond \x80", " line\r\n\r\nlast"}) {
            command->write(piece);
            QVERIFY(command->waitForBytesWritten(2000));
            QTest::qWait(40);
            QCOMPARE(rig.logged("<- "), 0);
            QCOMPARE(rig.client.records.size(), 0);
        }
        command->disconnectFromHost();
        QTRY_COMPARE(rig.client.records, QList<QByteArray>{"MSGREC"});
        const int head = rig.log.indexOf(QRegularExpression(
            QStringLiteral(".*<- MESSAG from 127\\.0\\.0\\.1 \\(33 characters\\):$")));
        QVERIFY2(head >= 0 && rig.log.size() > head + 4, qPrintable(rig.log.join('\n')));
        const QStringList lines{"First line", "second \u20ac line", "", "last"};
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(rig.log[head + 1 + i].endsWith(QStringLiteral("   | ") + lines[i]));

        runConsoleLine(*rig.sim, QStringLiteral("msg Line one\\nLine two \u20ac and C:\\\\dir"));
        runConsoleLine(*rig.sim, QStringLiteral("msg"));
        runConsoleLine(*rig.sim, QStringLiteral("msg    "));
        QTRY_COMPARE(rig.client.records.size(), 2);
        QCOMPARE(rig.client.records[1], QByteArray("MESSAGLine one\r\nLine two \x80 and C:\\dir"));
        QTest::qWait(100);
        QCOMPARE(rig.client.records.size(), 2);
        QCOMPARE(rig.logged("<- "), 1);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
