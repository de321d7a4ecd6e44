// The command line's link commands, run as the real program: alone from the settings file
// against peers on 127.0.0.1, and through a running copy (in this process) over the local
// channel.
#include "testsupport.h"

#include "app/clientrun.h"
#include "app/controlservice.h"

#include "ui/messages/sendmessage.h"
#include "ui/options/options.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// The server's receive port that answers every STATUS with a report to the client's listen port.
struct ReportingServer : RecordServer {
    int listenPort = freePort();
    QByteArray report = "STATUS DIALSIGOK10:15am";
    ReportingServer() {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTimer::singleShot(200, &server, [this] {
                if (!records.contains("STATUS") || report.isEmpty())
                    return;
                auto* s = new QTcpSocket(&server);
                QObject::connect(s, &QTcpSocket::connected, s, [s, this] {
                    s->write(report);
                    s->disconnectFromHost();
                });
                s->connectToHost(QHostAddress::LocalHost, quint16(listenPort));
            });
        });
    }
};

struct Result {
    int code = -1;
    QString out, err;
};

// A running copy in this process that serves the local channel; its own polling stays off
// unless asked for.
struct RunningCopy {
    TestEnvironment t;
    std::unique_ptr<TestClient> client;
    std::unique_ptr<ControlService> control;
    bool start(const QString& runtime, const Settings& s, bool polling = false) {
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        t.writeIni(s);
        client = std::make_unique<TestClient>();
        if (!client->start())
            return false;
        if (!polling)
            client->link().stopPolling();
        control = serveControl(client->app, client->desktop);
        return bool(control);
    }
};

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString runtime;

    // The program from a folder of its own, as a user's copy with its settings beside it.
    void start(QProcess& p, const QStringList& args) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.start(dir.filePath(QStringLiteral("zav-remote")), args);
    }
    Result run(const QStringList& args, int waitMs = 15000) {
        QProcess p;
        start(p, args);
        // The peers of this process answer while the program runs.
        QElapsedTimer clock;
        clock.start();
        while (p.state() != QProcess::NotRunning && clock.elapsed() < waitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    static void aloneOrThroughCopy() {
        QTest::addColumn<bool>("throughCopy");
        QTest::newRow("alone") << false;
        QTest::newRow("through the running copy") << true;
    }
    void writeSettings(int listenPort, int transmitPort) {
        QFile f(settingsFilePath(dir.path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(settingsFileBytes(sampleSettings(listenPort, transmitPort), "12/6/26"));
    }

private slots:
    void initTestCase() {
        const QString built = qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-remote";
        QVERIFY(QFile::copy(built, dir.filePath(QStringLiteral("zav-remote"))));
        runtime = dir.filePath(QStringLiteral("run"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Alone, a command sends its record from the settings file and --status listens for the
    // report on the listen port. With a copy running, the commands go to it and answer from its
    // state: no second listener, nothing in its log but what the command itself causes, and its
    // windows left as they were.
    void linkCommands_data() { aloneOrThroughCopy(); }
    void linkCommands() {
        QFETCH(bool, throughCopy);
        ReportingServer server;
        RunningCopy running;
        if (throughCopy) {
            writeSettings(freePort(), freePort()); // the command's own file would lead elsewhere
            QVERIFY(running.start(runtime, sampleSettings(server.listenPort, server.port())));
            const Result r = run({"--status"});
            QCOMPARE(r.code, 1); // no report yet
            QCOMPARE(r.out,
                     QStringLiteral("WAIT...  last connect na  (no answer from the server)\n"));
            deliver(server.listenPort, "STATUS DIALSIGOK10:15am");
            QTRY_COMPARE(running.client->window().statusWord(), QStringLiteral("DIALING"));
        } else {
            writeSettings(server.listenPort, server.port());
        }
        Result r = run({"--status"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("DIALING  last connect 10:15am  (server answered)\n"));
        r = run({"--status", "--json"});
        QCOMPARE(r.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value(QStringLiteral("status")).toString(), QStringLiteral("DIALING"));
        QCOMPARE(o.value(QStringLiteral("lastConnect")).toString(), QStringLiteral("10:15am"));
        QCOMPARE(o.value(QStringLiteral("serverAnswered")).toBool(), true);

        const int before = throughCopy ? int(running.client->window().logLines().size()) : 0;
        const QList<QByteArray> polls = server.sent();
        QCOMPARE(run({"--connect"}).code, 0);
        QTRY_COMPARE(server.sent(), polls + QList<QByteArray>{"CONNEC"});
        if (throughCopy) {
            TestClient& copy = *running.client;
            QCOMPARE(copy.newestEntry(), QStringList{QStringLiteral("     Requesting a Connect")});
            QCOMPARE(int(copy.window().logLines().size()), qMin(22, before + 3));
        }
        // A message of the command line leaves the send window and its unsent text alone.
        QPointer<SendMessageWindow> window;
        if (throughCopy) {
            running.client->desktop.openSendMessage();
            window = running.client->desktop.sendMessageWindow();
            QVERIFY(window && window->findChild<QPlainTextEdit*>());
            window->findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("draft"));
        }
        QCOMPARE(run({"--send", QStringLiteral("Caf\u00e9\nok")}).code, 0);
        QTRY_COMPARE(server.sent().last(), QByteArray("MESSAGCaf\xe9\r\nok"));
        if (!throughCopy)
            return;
        QCOMPARE(running.client->newestEntry(),
                 QStringList{QStringLiteral("     Sending a message to Server")});
        QVERIFY(running.client->link().reports().isListening());
        QCoreApplication::processEvents();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->messageText(), QStringLiteral("draft"));
        // The window's own message still closes it once sent.
        emit window->sendRequested();
        QTRY_VERIFY(!window || !window->isVisible());
        QTRY_COMPARE(server.sent().last(), QByteArray("MESSAGdraft"));
    }

    void aloneFailures() {
        const int listenPort = freePort();
        writeSettings(listenPort, freePort()); // nobody takes commands
        Result r = run({"--disconnect"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QLatin1String("not found")));
        r = run({"--status"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.startsWith(QLatin1String("NO SRVR!")));
        // A busy listen port is said plainly.
        QTcpServer busy;
        QVERIFY(busy.listen(QHostAddress::AnyIPv4, quint16(listenPort)));
        r = run({"--watch"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QString::number(listenPort)), qPrintable(r.err));
    }

    // Commands of the command line at once through the running copy: each is delivered once
    // and says so, or exits 1 with its reason.
    void concurrentSends_data() {
        QTest::addColumn<bool>("serverUp");
        QTest::newRow("server up") << true;
        QTest::newRow("server down") << false;
    }
    void concurrentSends() {
        QFETCH(bool, serverUp);
        RecordServer server;
        const int port = serverUp ? server.port() : freePort();
        if (!serverUp)
            server.server.close();
        RunningCopy running;
        QVERIFY(running.start(runtime, sampleSettings(freePort(), port)));
        std::vector<std::unique_ptr<QProcess>> sends;
        QStringList expected;
        for (int i = 0; i < 20; ++i) {
            sends.push_back(std::make_unique<QProcess>());
            expected << QStringLiteral("MESSAGtext %1").arg(i);
            start(*sends.back(), {"--send", QStringLiteral("text %1").arg(i)});
        }
        for (const auto& p : sends)
            QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 20000);
        for (const auto& p : sends) {
            QCOMPARE(p->exitCode(), serverUp ? 0 : 1);
            QCOMPARE(p->readAllStandardError().count('\n'), serverUp ? 0 : 1);
        }
        if (!serverUp)
            return;
        QTRY_COMPARE(server.records.size(), server.connections);
        QStringList got;
        for (const QByteArray& r : server.sent())
            got << QString::fromLatin1(r);
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
    }

    // Every line of --watch is a state the link was in: a report that changes the state and the
    // time gives one line with both, alone and through the running copy; a message from the
    // server comes as a line of its own, and a watcher whose running copy ends says so. The
    // status bar examples of the README and the manual page run as the bars run them, alone:
    // each line is what that bar reads.
    void watchLines_data() {
        QTest::addColumn<bool>("throughCopy");
        QTest::addColumn<QString>("file"); // the example's file; none: --watch --json
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second"); // empty: a waybar object
        const QByteArray json(R"({"card":true,"lastConnect":"10:15am","lastConnectShown":)"
                              R"("10:15am","serverAnswered":true,"signal":false,"state":)"
                              R"("online","status":"ONLINE","type":"status"})");
        const QByteArray waiting(R"("state":"waiting")");
        QTest::newRow("alone") << false << QString() << QString() << waiting << json;
        QTest::newRow("through the running copy")
            << true << QString() << QString() << waiting << json;
        for (const char* file : {"README.md", "packaging/zav-remote.1"}) {
            const QString path = QStringLiteral(ZAV_SOURCE_DIR "/") + QLatin1String(file);
            auto example = [&](const char* bar, const char* pattern, const char* first,
                               const char* second) {
                QTest::addRow("%s %s", file, bar) << false << path << QString::fromLatin1(pattern)
                                                  << QByteArray(first) << QByteArray(second);
            };
            example("waybar", "\"exec\": \"([^\"]+)\"", "\"alt\":\"waiting\"", "");
            example("polybar", "\\nexec = ([^\\n]+)", "WAIT...", "ONLINE 10:15am");
            example("i3blocks", "\\ncommand=([^\\n]+)", "WAIT...", "ONLINE 10:15am");
        }
    }
    void watchLines() {
        QFETCH(bool, throughCopy);
        QFETCH(QString, file);
        QFETCH(QString, pattern);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QStringList args{"zav-remote", "--watch", "--json"};
        if (!file.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text =
                QString::fromUtf8(f.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
            const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
            QVERIFY2(m.hasMatch(), qPrintable(pattern));
            args = QProcess::splitCommand(m.captured(1));
        }
        QCOMPARE(args.takeFirst(), QStringLiteral("zav-remote"));
        ReportingServer server;
        server.report = "STATUS CONNNOSIG10:15am";
        RunningCopy running;
        if (throughCopy)
            QVERIFY(running.start(runtime, sampleSettings(server.listenPort, server.port())));
        else
            writeSettings(server.listenPort, server.port());
        QProcess watch;
        start(watch, args);
        QByteArray lines;
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 1);
        if (throughCopy)
            deliver(server.listenPort, server.report);
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 2);
        QTest::qWait(100);
        lines += watch.readAllStandardOutput();
        const QList<QByteArray> each = lines.trimmed().split('\n');
        QCOMPARE(each.size(), 2);
        QVERIFY2(each[0].contains(first), each[0].constData());
        if (!second.isEmpty()) {
            QCOMPARE(each[1], second);
        } else {
            const QJsonObject bar = QJsonDocument::fromJson(each[1]).object();
            QCOMPARE(bar.value(QStringLiteral("text")).toString(), QStringLiteral("ONLINE"));
            QCOMPARE(bar.value(QStringLiteral("class")).toArray(),
                     (QJsonArray{QStringLiteral("online"), QStringLiteral("no-signal")}));
            QVERIFY(bar.value(QStringLiteral("tooltip")).toString().contains("10:15am"));
        }
        deliver(server.listenPort, "MESSAGHello");
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).contains("Hello"));
        if (file.isEmpty())
            QVERIFY(lines.contains("\"from\":\"127.0.0.1\",\"text\":\"Hello\",\"time\":\""));
        if (throughCopy)
            running.control.reset(); // the running copy ends
        else
            watch.terminate();
        QTRY_VERIFY(watch.state() == QProcess::NotRunning);
        if (!throughCopy)
            return;
        // A watcher whose running copy ends says so on standard error and exits with 1.
        QCOMPARE(watch.exitCode(), 1);
        const QByteArray err = watch.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains("ended"), err.constData());
    }

    // A second start ends at once and shows nothing; the running copy comes forward, or, while
    // the Options panel is open, the panel does: the main window stays hidden and polling stays
    // off until Cancel.
    void secondStart_data() {
        QTest::addColumn<bool>("optionsOpen");
        QTest::newRow("main window hidden") << false;
        QTest::newRow("Options panel open") << true;
    }
    void secondStart() {
        QFETCH(bool, optionsOpen);
        RunningCopy running;
        QVERIFY(running.start(runtime, sampleSettings(freePort(), freePort()), true));
        TestClient& copy = *running.client;
        if (optionsOpen)
            copy.desktop.openOptions();
        else
            copy.window().hide();
        QVERIFY(!copy.window().isVisible());
        QCOMPARE(run({}).code, 0);
        if (!optionsOpen) {
            QTRY_VERIFY(copy.window().isVisible());
            return;
        }
        QTest::qWait(50);
        QVERIFY(copy.desktop.optionsPanel() && copy.desktop.optionsPanel()->isVisible());
        QVERIFY(!copy.window().isVisible());
        QVERIFY(!copy.link().isPolling());
    }
};

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
