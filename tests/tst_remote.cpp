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
    int listenPort = 0;
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

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString runtime;

    // The program from a folder of its own, as a user's copy with its settings beside it.
    Result run(const QStringList& args, int waitMs = 15000) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.start(dir.filePath(QStringLiteral("zav-remote")), args);
        // The peers of this process answer while the program runs.
        QElapsedTimer clock;
        clock.start();
        while (p.state() != QProcess::NotRunning && clock.elapsed() < waitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    void writeSettings(int listenPort, int transmitPort) {
        QFile f(settingsFilePath(dir.path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(settingsFileBytes(sampleSettings(listenPort, transmitPort), "12/6/26"));
    }

private slots:
    void initTestCase() {
        const QString built =
            qEnvironmentVariable("ZAV_TEST_BIN_DIR") + QStringLiteral("/zav-remote");
        QVERIFY(QFile::copy(built, dir.filePath(QStringLiteral("zav-remote"))));
        runtime = dir.filePath(QStringLiteral("run"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("two commands") << QStringList{"--status", "--connect"} << "one of";
        QTest::newRow("json alone") << QStringList{"--json"} << "--json goes with";
        QTest::newRow("json with connect") << QStringList{"--connect", "--json"} << "--json goes";
        QTest::newRow("format with send")
            << QStringList{"--send", "x", "--format", "line"} << "--format goes";
        QTest::newRow("unknown format")
            << QStringList{"--watch", "--format", "yaml"} << "unknown format 'yaml'";
        QTest::newRow("json and format")
            << QStringList{"--status", "--json", "--format", "line"} << "not both";
        QTest::newRow("empty message") << QStringList{"--send", ""} << "empty";
        QTest::newRow("351 characters")
            << QStringList{"--send", QString(351, QLatin1Char('x'))} << "351 characters";
        QTest::newRow("a break counts two")
            << QStringList{"--send", QString(349, QLatin1Char('x')) + QLatin1Char('\n')} << "351";
        QTest::newRow("no text") << QStringList{"--send"} << "Missing value";
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const Result r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void helpListsEveryOption() {
        const Result r = run({QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        for (const char* o :
             {"--status", "--connect", "--disconnect", "--send", "--watch", "--json", "--format"})
            QVERIFY2(r.out.contains(QLatin1String(o)), o);
    }

    // Alone: the command sends its record from the settings file; --status listens for the
    // report on the listen port.
    void aloneCommands() {
        ReportingServer server;
        server.listenPort = freePort();
        writeSettings(server.listenPort, server.port());
        Result r = run({QStringLiteral("--connect")});
        QCOMPARE(r.code, 0);
        QTRY_COMPARE(server.sent(), QList<QByteArray>{"CONNEC"});
        r = run({QStringLiteral("--send"), QStringLiteral("Caf\u00e9\nok")});
        QCOMPARE(r.code, 0);
        QTRY_COMPARE(server.sent().last(), QByteArray("MESSAGCaf\xe9\r\nok"));
        r = run({QStringLiteral("--status")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("DIALING  last connect 10:15am  (server answered)\n"));
        r = run({QStringLiteral("--status"), QStringLiteral("--json")});
        QCOMPARE(r.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value(QStringLiteral("status")).toString(), QStringLiteral("DIALING"));
        QCOMPARE(o.value(QStringLiteral("lastConnect")).toString(), QStringLiteral("10:15am"));
        QCOMPARE(o.value(QStringLiteral("serverAnswered")).toBool(), true);
    }

    void aloneFailures() {
        const int listenPort = freePort();
        writeSettings(listenPort, freePort()); // nobody takes commands
        Result r = run({QStringLiteral("--disconnect")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QLatin1String("not found")));
        r = run({QStringLiteral("--status")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.startsWith(QLatin1String("NO SRVR!")));
        // A busy listen port is said plainly.
        QTcpServer busy;
        QVERIFY(busy.listen(QHostAddress::AnyIPv4, quint16(listenPort)));
        r = run({QStringLiteral("--watch")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QString::number(listenPort)), qPrintable(r.err));
    }

    // With a copy running, the commands go to it and answer from its state: no second
    // listener, and nothing in its log but what the command itself causes.
    void throughTheRunningCopy() {
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        RecordServer server;
        const int listenPort = freePort();
        t.writeIni(sampleSettings(listenPort, server.port()));
        writeSettings(freePort(), freePort()); // the command's own file would lead elsewhere
        TestClient copy;
        QVERIFY(copy.start());
        copy.link().stopPolling();
        const auto control = serveControl(copy.app, copy.desktop);
        QVERIFY(control);

        Result r = run({QStringLiteral("--status")});
        QCOMPARE(r.code, 1); // no report yet
        QCOMPARE(r.out, QStringLiteral("WAIT...  last connect na  (no answer from the server)\n"));
        deliver(listenPort, "STATUS CONNSIGOK09:09pm");
        QTRY_COMPARE(copy.window().statusWord(), QStringLiteral("ONLINE"));
        r = run({QStringLiteral("--status"), QStringLiteral("--json")});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(QLatin1String("\"status\":\"ONLINE\"")));

        const int before = int(copy.window().logLines().size());
        r = run({QStringLiteral("--connect")});
        QCOMPARE(r.code, 0);
        QTRY_COMPARE(server.sent(), QList<QByteArray>{"CONNEC"});
        QCOMPARE(copy.newestEntry(), QStringList{QStringLiteral("     Requesting a Connect")});
        QCOMPARE(int(copy.window().logLines().size()), qMin(22, before + 3));
        r = run({QStringLiteral("--send"), QStringLiteral("hi")});
        QCOMPARE(r.code, 0);
        QTRY_COMPARE(server.sent().last(), QByteArray("MESSAGhi"));
        QCOMPARE(copy.newestEntry(),
                 QStringList{QStringLiteral("     Sending a message to Server")});

        // A watcher sees the state at once and every change after it.
        QProcess watch;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        watch.setProcessEnvironment(e);
        watch.start(dir.filePath(QStringLiteral("zav-remote")),
                    {QStringLiteral("--watch"), QStringLiteral("--json")});
        QByteArray lines;
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') == 1);
        deliver(listenPort, "STATUS DIALSIGOK09:10pm");
        deliver(listenPort, "MESSAGHello");
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 3);
        QVERIFY(lines.contains("\"status\":\"DIALING\""));
        QVERIFY(lines.contains("\"from\":\"127.0.0.1\",\"text\":\"Hello\",\"time\":\""));
        watch.terminate();
        QVERIFY(watch.waitForFinished(5000));
        // The running copy still takes its reports itself.
        QVERIFY(copy.link().reports().isListening());
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
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        RecordServer server;
        const int port = serverUp ? server.port() : freePort();
        if (!serverUp)
            server.server.close();
        t.writeIni(sampleSettings(freePort(), port));
        TestClient copy;
        QVERIFY(copy.start());
        copy.link().stopPolling();
        const auto control = serveControl(copy.app, copy.desktop);
        QVERIFY(control);
        std::vector<std::unique_ptr<QProcess>> sends;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        QStringList expected;
        for (int i = 0; i < 20; ++i) {
            sends.push_back(std::make_unique<QProcess>());
            sends.back()->setProcessEnvironment(e);
            expected << QStringLiteral("MESSAGtext %1").arg(i);
            sends.back()->start(dir.filePath(QStringLiteral("zav-remote")),
                                {QStringLiteral("--send"), QStringLiteral("text %1").arg(i)});
        }
        for (const auto& p : sends)
            QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 20000);
        for (const auto& p : sends) {
            QCOMPARE(p->exitCode(), serverUp ? 0 : 1);
            const QByteArray err = p->readAllStandardError();
            QCOMPARE(err.count('\n'), serverUp ? 0 : 1);
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

    // Every line of --watch is a state the link was in: a report that changes the state and
    // the time gives one line with both, alone and through the running copy.
    void watchLinesAreWholeReports_data() {
        QTest::addColumn<bool>("throughCopy");
        QTest::newRow("alone") << false;
        QTest::newRow("through the running copy") << true;
    }
    void watchLinesAreWholeReports() {
        QFETCH(bool, throughCopy);
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        ReportingServer server;
        server.listenPort = freePort();
        std::unique_ptr<TestClient> copy;
        std::unique_ptr<ControlService> control;
        if (throughCopy) {
            t.writeIni(sampleSettings(server.listenPort, server.port()));
            copy = std::make_unique<TestClient>();
            QVERIFY(copy->start());
            copy->link().stopPolling();
            control = serveControl(copy->app, copy->desktop);
            QVERIFY(control);
        } else {
            writeSettings(server.listenPort, server.port());
        }
        QProcess watch;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        watch.setProcessEnvironment(e);
        watch.start(dir.filePath(QStringLiteral("zav-remote")),
                    {QStringLiteral("--watch"), QStringLiteral("--json")});
        QByteArray lines;
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 1);
        if (throughCopy)
            deliver(server.listenPort, "STATUS DIALSIGOK10:15am");
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).contains("DIALING"));
        QTest::qWait(100);
        lines += watch.readAllStandardOutput();
        watch.terminate();
        QVERIFY(watch.waitForFinished(5000));
        const QList<QByteArray> each = lines.trimmed().split('\n');
        QCOMPARE(each.size(), 2);
        QCOMPARE(each[1], QByteArray(R"({"card":true,"lastConnect":"10:15am",)"
                                     R"("lastConnectShown":"10:15am","serverAnswered":true,)"
                                     R"("signal":true,"state":"dialing","status":"DIALING",)"
                                     R"("type":"status"})"));
    }

    // The status bar examples of the README and the manual page, run as the bars run them
    // (alone against a server on 127.0.0.1): each line is what that bar reads.
    void statusBarExamples_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("bar");
        const QString readme = QStringLiteral(ZAV_SOURCE_DIR "/README.md");
        const QString manual = QStringLiteral(ZAV_SOURCE_DIR "/packaging/zav-remote.1");
        QTest::newRow("README waybar") << readme << "\"exec\": \"([^\"]+)\""
                                       << "waybar";
        QTest::newRow("README polybar") << readme << "\\nexec = ([^\\n]+)"
                                        << "line";
        QTest::newRow("README i3blocks") << readme << "\\ncommand=([^\\n]+)"
                                         << "line";
        QTest::newRow("manual waybar") << manual << "\"exec\": \"([^\"]+)\""
                                       << "waybar";
        QTest::newRow("manual polybar") << manual << "\\nexec = ([^\\n]+)"
                                        << "line";
        QTest::newRow("manual i3blocks") << manual << "\\ncommand=([^\\n]+)"
                                         << "line";
    }
    void statusBarExamples() {
        QFETCH(QString, file);
        QFETCH(QString, pattern);
        QFETCH(QString, bar);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text =
            QString::fromUtf8(f.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
        const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
        QVERIFY2(m.hasMatch(), qPrintable(pattern));
        QStringList args = QProcess::splitCommand(m.captured(1));
        QCOMPARE(args.takeFirst(), QStringLiteral("zav-remote"));

        ReportingServer server;
        server.listenPort = freePort();
        server.report = "STATUS CONNNOSIG10:15am";
        writeSettings(server.listenPort, server.port());
        QProcess watch;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        watch.setProcessEnvironment(e);
        watch.start(dir.filePath(QStringLiteral("zav-remote")), args);
        QByteArray lines;
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 2);
        watch.terminate();
        QVERIFY(watch.waitForFinished(5000));
        const QList<QByteArray> each = lines.trimmed().split('\n');
        if (bar == QLatin1String("line")) {
            QCOMPARE(each[0], QByteArray("WAIT..."));
            QCOMPARE(each[1], QByteArray("ONLINE 10:15am"));
            return;
        }
        QList<QJsonObject> objects;
        for (const QByteArray& line : each) {
            QJsonParseError error;
            const QJsonDocument d = QJsonDocument::fromJson(line, &error);
            QVERIFY2(d.isObject(), line.constData());
            objects << d.object();
        }
        QCOMPARE(objects[1].value(QStringLiteral("text")).toString(), QStringLiteral("ONLINE"));
        QCOMPARE(objects[1].value(QStringLiteral("alt")).toString(), QStringLiteral("online"));
        QCOMPARE(objects[1].value(QStringLiteral("class")).toArray(),
                 (QJsonArray{QStringLiteral("online"), QStringLiteral("no-signal")}));
        QVERIFY(objects[1]
                    .value(QStringLiteral("tooltip"))
                    .toString()
                    .contains(QLatin1String("10:15am")));
        QCOMPARE(objects[0].value(QStringLiteral("alt")).toString(), QStringLiteral("waiting"));
    }

    // A watcher whose running copy ends says so on standard error and exits with 1.
    void watchSaysWhenTheCopyEnds() {
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        t.writeIni(sampleSettings(freePort(), freePort()));
        TestClient copy;
        QVERIFY(copy.start());
        auto control = serveControl(copy.app, copy.desktop);
        QVERIFY(control);
        QProcess watch;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        watch.setProcessEnvironment(e);
        watch.start(dir.filePath(QStringLiteral("zav-remote")), {QStringLiteral("--watch")});
        QByteArray lines;
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') == 1);
        control.reset();
        QTRY_VERIFY(watch.state() == QProcess::NotRunning);
        QCOMPARE(watch.exitCode(), 1);
        const QByteArray err = watch.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains("ended"), err.constData());
    }

    // A message of the command line leaves the send window and its unsent text alone; the
    // window's own message still closes it once sent.
    void commandLineMessageLeavesTheSendWindow() {
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        RecordServer server;
        t.writeIni(sampleSettings(freePort(), server.port()));
        TestClient copy;
        QVERIFY(copy.start());
        copy.link().stopPolling();
        const auto control = serveControl(copy.app, copy.desktop);
        QVERIFY(control);
        copy.desktop.openSendMessage();
        QPointer<SendMessageWindow> window = copy.desktop.sendMessageWindow();
        QVERIFY(window);
        auto* box = window->findChild<QPlainTextEdit*>();
        QVERIFY(box);
        box->setPlainText(QStringLiteral("draft"));
        const Result r = run({QStringLiteral("--send"), QStringLiteral("from the shell")});
        QCOMPARE(r.code, 0);
        QTRY_COMPARE(server.sent(), QList<QByteArray>{"MESSAGfrom the shell"});
        QCoreApplication::processEvents();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->messageText(), QStringLiteral("draft"));
        emit window->sendRequested();
        QTRY_VERIFY(!window || !window->isVisible());
        QTRY_COMPARE(server.sent().last(), QByteArray("MESSAGdraft"));
    }

    // A second start while the Options panel is open brings the panel forward; the main
    // window stays hidden and polling stays off until Cancel.
    void secondStartWhileOptionsOpen() {
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        t.writeIni(sampleSettings(freePort(), freePort()));
        TestClient copy;
        QVERIFY(copy.start());
        const auto control = serveControl(copy.app, copy.desktop);
        QVERIFY(control);
        copy.desktop.openOptions();
        QVERIFY(copy.desktop.optionsPanel());
        QVERIFY(!copy.window().isVisible());
        const Result r = run({});
        QCOMPARE(r.code, 0);
        QTest::qWait(50);
        QVERIFY(copy.desktop.optionsPanel() && copy.desktop.optionsPanel()->isVisible());
        QVERIFY(!copy.window().isVisible());
        QVERIFY(!copy.link().isPolling());
    }

    // A second start ends at once and shows nothing; the running copy comes forward.
    void secondStartBringsTheCopyForward() {
        TestEnvironment t;
        env().instanceLockPath = runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
        t.writeIni(sampleSettings(freePort(), freePort()));
        TestClient copy;
        QVERIFY(copy.start());
        const auto control = serveControl(copy.app, copy.desktop);
        QVERIFY(control);
        copy.window().hide();
        const Result r = run({});
        QCOMPARE(r.code, 0);
        QTRY_VERIFY(copy.window().isVisible());
    }
};

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
