// The command line and the real program: the parser; the link commands alone from the
// settings file against peers on 127.0.0.1 and through a running copy (in this process) over
// the local channel; the client against the ZAV Manager stand-in; termination signals.
#include "testsupport.h"

#include "app/clientrun.h"
#include "app/commandline.h"
#include "app/controlservice.h"
#include "app/terminationsignals.h"

#include "ui/messages/sendmessage.h"
#include "ui/options/options.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// The server's receive port that answers every STATUS with a report to the client's listen port
// 200 ms later.
struct ReportingServer : RecordServer {
    int listenPort = freePort();
    int pending = 0;
    QByteArray report = "STATUS DIALSIGOK10:15am";
    ReportingServer() {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            ++pending;
            QTimer::singleShot(200, &server, [this] {
                --pending;
                if (!records.contains("STATUS") || report.isEmpty())
                    return;
                auto* s = new QTcpSocket(&server);
                QObject::connect(s, &QTcpSocket::connected, s, [s, r = report] {
                    s->write(r);
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
    bool start(const QString& lockPath, const Settings& s, bool polling = false) {
        env().instanceLockPath = lockPath;
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

Q_DECLARE_METATYPE(CommandLineRequest::Action)

class TestRemote : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString runtime;

    // The program from a folder of its own, as a user's copy with its settings beside it.
    void start(QProcess& p, const QStringList& args, bool display = true) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QString::fromLatin1(name));
        if (display)
            e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.start(dir.filePath(QStringLiteral("zav-remote")), args);
    }
    Result run(const QStringList& args, bool display = true) {
        QProcess p;
        start(p, args, display);
        // The peers of this process answer while the program runs.
        QElapsedTimer clock;
        clock.start();
        while (p.state() != QProcess::NotRunning && clock.elapsed() < 15000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString ini() const { return settingsFilePath(dir.path()); }
    QString lock() const { return runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid()); }
    // The program's own settings file: `bytes`, or none when null.
    void writeIni(const QByteArray& bytes) {
        QFile f(ini());
        f.remove();
        QVERIFY(bytes.isNull() || (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()));
    }
    QByteArray readIni() const {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        const QString built = qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-remote";
        QVERIFY(QFile::copy(built, dir.filePath(QStringLiteral("zav-remote"))));
        runtime = dir.filePath(QStringLiteral("run"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void commandLine_data() {
        using Action = CommandLineRequest::Action;
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << "" << Action::Run << "";
        QTest::newRow("help") << "--help" << Action::Help << "Usage: zav-remote [options]";
        QTest::newRow("short help") << "-h" << Action::Help << "--version";
        QTest::newRow("short version") << "-v" << Action::Version << "1.0.0";
        QTest::newRow("unknown after help") << "--help -x" << Action::Misuse << "'x'";
        QTest::newRow("argument") << "server" << Action::Misuse << "unexpected argument 'server'";
        QTest::newRow("toolkit options pass")
            << "-platform offscreen -style fusion -session 1a2b -reverse" << Action::Run << "";
        QTest::newRow("toolkit option without its value")
            << "-platform" << Action::Misuse << "Missing value";
        QTest::newRow("two commands") << "--status --connect" << Action::Misuse << "one of";
        QTest::newRow("json alone") << "--json" << Action::Misuse << "--json goes with";
        QTest::newRow("json with connect") << "--connect --json" << Action::Misuse << "--json goes";
        QTest::newRow("format with send")
            << "--send x --format line" << Action::Misuse << "--format goes";
        QTest::newRow("unknown format")
            << "--watch --format yaml" << Action::Misuse << "unknown format 'yaml'";
        QTest::newRow("json and format")
            << "--status --json --format line" << Action::Misuse << "not both";
        QTest::newRow("empty message") << "--send=" << Action::Misuse << "empty";
        QTest::newRow("351 characters")
            << "--send " + QString(351, QLatin1Char('x')) << Action::Misuse << "351 characters";
        QTest::newRow("a break counts two") << "--send " + QString(349, QLatin1Char('x')) + "\n"
                                            << Action::Misuse << "351";
        QTest::newRow("message without its text") << "--send" << Action::Misuse << "Missing value";
    }
    void commandLine() {
        QFETCH(QString, arguments);
        QFETCH(CommandLineRequest::Action, action);
        QFETCH(QString, says);
        const CommandLineRequest r =
            parseCommandLine(QStringList{QStringLiteral("/usr/bin/zav-remote")} +
                             arguments.split(' ', Qt::SkipEmptyParts));
        QCOMPARE(r.action, action);
        QVERIFY2(r.text.contains(says), qPrintable(r.text));
        const bool misuse = action == CommandLineRequest::Action::Misuse;
        QCOMPARE(r.exitCode, misuse ? 2 : 0);
        if (misuse)
            QCOMPARE(r.text.count(QLatin1Char('\n')), 1);
        if (action != CommandLineRequest::Action::Help)
            return;
        // The settings file's place is told; the toolkit's options are not listed.
        QVERIFY(r.text.contains(QStringLiteral("~/.config/zav-remote/ZAV-Remote.ini")));
        QVERIFY(!r.text.contains(QStringLiteral("platform")));
        for (const char* o :
             {"--status", "--connect", "--disconnect", "--send", "--watch", "--json", "--format"})
            QVERIFY2(r.text.contains(QLatin1String(o)), o);
    }

    // The program answers without a display: had it opened the window system it would have
    // failed for want of one.
    void answersWithoutDisplay() {
        Result r = run({"--version"}, false);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("zav-remote (ZAV Remote 2002) 1.0.0\n"));
        r = run({"--frobnicate"}, false);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral(
                            "zav-remote: Unknown option 'frobnicate'. Try 'zav-remote --help'.\n"));
    }

    // Alone, a command sends its record from the settings file and --status listens for the
    // report on the listen port. With a copy running, the commands go to it and answer from its
    // state: no second listener, nothing in its log but what the command itself causes, and its
    // windows left as they were.
    void linkCommands_data() {
        QTest::addColumn<bool>("throughCopy");
        QTest::newRow("alone") << false;
        QTest::newRow("through the running copy") << true;
    }
    void linkCommands() {
        QFETCH(bool, throughCopy);
        ReportingServer server;
        RunningCopy running;
        if (throughCopy) {
            // The command's own file would lead elsewhere.
            writeIni(settingsFileBytes(sampleSettings(freePort(), freePort()), "x"));
            QVERIFY(running.start(lock(), sampleSettings(server.listenPort, server.port())));
            const Result r = run({"--status"});
            QCOMPARE(r.code, 1); // no report yet
            QCOMPARE(r.out,
                     QStringLiteral("WAIT...  last connect na  (no answer from the server)\n"));
            deliver(server.listenPort, "STATUS DIALSIGOK10:15am");
            QTRY_COMPARE(running.client->window().statusWord(), QStringLiteral("DIALING"));
        } else {
            writeIni(settingsFileBytes(sampleSettings(server.listenPort, server.port()), "x"));
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
        if (throughCopy) {
            QCOMPARE(running.client->newestEntry(),
                     QStringList{QStringLiteral("     Sending a message to Server")});
            QVERIFY(running.client->link().reports().isListening());
            QCoreApplication::processEvents();
            QVERIFY(window && window->isVisible());
            QCOMPARE(window->messageText(), QStringLiteral("draft"));
        }
        // Every line of --watch is a state the link was in: a report that changes the state and
        // the time gives one line with both; a message from the server comes as a line of its own.
        QTRY_COMPARE(server.pending, 0);
        server.report = "STATUS CONNNOSIG10:15am";
        QProcess watch;
        start(watch, {"--watch", "--json"});
        QByteArray lines;
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 1);
        if (throughCopy)
            deliver(server.listenPort, server.report);
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).count('\n') >= 2);
        QTest::qWait(100);
        lines += watch.readAllStandardOutput();
        const QList<QByteArray> each = lines.trimmed().split('\n');
        QCOMPARE(each.size(), 2);
        const QByteArray first = throughCopy ? "\"state\":\"dialing\"" : "\"state\":\"waiting\"";
        QVERIFY2(each[0].contains(first), each[0].constData());
        QCOMPARE(each[1], "{\"card\":true,\"lastConnect\":\"10:15am\",\"lastConnectShown\":"
                          "\"10:15am\",\"serverAnswered\":true,\"signal\":false,\"state\":"
                          "\"online\",\"status\":\"ONLINE\",\"type\":\"status\"}");
        deliver(server.listenPort, "MESSAGHello");
        QTRY_VERIFY((lines += watch.readAllStandardOutput()).contains("Hello"));
        QVERIFY(lines.contains("\"from\":\"127.0.0.1\",\"text\":\"Hello\",\"time\":\""));
        if (!throughCopy) {
            watch.terminate();
            QVERIFY(watch.waitForFinished(5000));
        }
        // A command nobody takes exits 1 with its reason on one line.
        server.server.close();
        r = run({"--disconnect"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        if (throughCopy) {
            // A watcher whose running copy ends says so on standard error and exits with 1.
            running.control.reset();
            QTRY_VERIFY(watch.state() == QProcess::NotRunning);
            QCOMPARE(watch.exitCode(), 1);
            const QByteArray err = watch.readAllStandardError();
            QVERIFY2(err.count('\n') == 1 && err.contains("ended"), err.constData());
            return;
        }
        QVERIFY(r.err.contains(QLatin1String("not found")));
        r = run({"--status"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.startsWith(QLatin1String("NO SRVR!")));
        // A busy listen port is said plainly.
        QTcpServer busy;
        QVERIFY(busy.listen(QHostAddress::AnyIPv4, quint16(server.listenPort)));
        r = run({"--watch"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QString::number(server.listenPort)), qPrintable(r.err));
    }

    // A second start ends at once and shows nothing; while the Options panel is open the panel
    // comes forward (the main window stays hidden and polling stays off), else the main window.
    void secondStart() {
        RunningCopy running;
        QVERIFY(running.start(lock(), sampleSettings(freePort(), freePort()), true));
        TestClient& copy = *running.client;
        copy.desktop.openOptions();
        QVERIFY(!copy.window().isVisible());
        QCOMPARE(run({}).code, 0);
        QTest::qWait(50);
        QVERIFY(copy.desktop.optionsPanel() && copy.desktop.optionsPanel()->isVisible());
        QVERIFY(!copy.window().isVisible());
        QVERIFY(!copy.link().isPolling());
        copy.desktop.optionsPanel()->cancel();
        copy.window().hide();
        QCOMPARE(run({}).code, 0);
        QTRY_VERIFY(copy.window().isVisible());
    }

    // The client against the stand-in: the first poll leaves one interval after start-up and
    // is answered; SIGTERM runs the normal shutdown, which writes the file anew with today's
    // date.
    void pollReportAndShutdown() {
        const int listen = freePort();
        int receive = freePort();
        while (receive == listen)
            receive = freePort();
        Settings s = sampleSettings(listen, receive);
        s.saveWindowPosition = true;
        writeIni(settingsFileBytes(s, QStringLiteral("written by the test")));
        QProcess sim, client;
        sim.start(qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-manager-sim",
                  {"--receive-port", QString::number(receive), "--client-port",
                   QString::number(listen), "--dial-seconds", "0"});
        QVERIFY(sim.waitForStarted());
        start(client, {});
        QByteArray out;
        QTRY_VERIFY2_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains("<- STATUS"),
                                  out.constData(), 15000);
        QTRY_VERIFY2_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains("-> STATUS DISC"),
                                  out.constData(), 5000);
        ::kill(pid_t(client.processId()), SIGTERM);
        QVERIFY(client.waitForFinished(5000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
        QVERIFY(!readIni().contains("written by the test"));
        Settings back;
        QVERIFY(readSettingsFile(ini(), back) && back == s);
        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(5000));
    }

    // A signal that comes while start-up still runs (the splash, then the box about the
    // settings file) is not fatal: the box goes, and the normal shutdown runs.
    void signalsDuringStartUp_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QByteArray>("file"); // null: none
        QTest::newRow("SIGTERM, no settings file") << int(SIGTERM) << QByteArray();
        QTest::newRow("SIGHUP, unreadable file") << int(SIGHUP) << QByteArray("'\r\nport\r\n");
        QTest::newRow("SIGINT, no settings file") << int(SIGINT) << QByteArray();
    }
    void signalsDuringStartUp() {
        QFETCH(int, signal);
        QFETCH(QByteArray, file);
        writeIni(file);
        QFile::remove(lock());
        QProcess p;
        start(p, {});
        QVERIFY(p.waitForStarted());
        // The instance lock is the first thing start-up takes.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock()), 10000);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(readIni(), file.isNull() ? QByteArray() : file);
    }

    // In the client itself: the box closes at once; the shutdown waits for the program's
    // handler and then runs.
    void signalWhileTheStartUpBoxIsOpen() {
        catchTerminationSignals();
        watchTerminationSignals();
        TestEnvironment t; // no settings file: start-up shows the missing-file box
        setMessageBoxHook(nullptr);
        bool boxSeen = false;
        bool boxStayed = false; // closed here after a while, so that a fault fails, not hangs
        QDeadlineTimer giveUp;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box && !boxSeen) {
                boxSeen = true;
                giveUp.setRemainingTime(5000);
                ::raise(SIGTERM);
            } else if (box && giveUp.hasExpired()) {
                boxStayed = true;
                box->close();
            }
        });
        watch.start();
        TestClient c;
        QVERIFY(c.start()); // comes back only once the box has gone
        watch.stop();
        QVERIFY(boxSeen && !boxStayed);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!c.app.isShutDown());
        onTerminationSignal([&c] { c.desktop.requestShutdown(); });
        QTRY_VERIFY(c.app.isShutDown() && !c.window().isVisible());
    }
};

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
