// The command line, its channel to the running copy, and the program run as a user would.
#include "testsupport.h"

#include "app/clientrun.h"
#include "app/commandline.h"
#include "app/controlchannel.h"
#include "app/controlservice.h"
#include "app/linkstatus.h"
#include "app/terminationsignals.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Descriptors closed when the test ends.
struct Held : std::vector<int> {
    ~Held() {
        for (int fd : *this)
            ::close(fd);
    }
};

// A socket listening at `a` that accepts only when the test does, giving up after 2 s.
int listenAt(const sockaddr* a, socklen_t size, int backlog) {
    const int fd = ::socket(a->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::bind(fd, a, size) != 0 || ::listen(fd, backlog) != 0)
        qWarning("cannot listen");
    return fd;
}

// Clients that connect and wait: on a backlog of 0 they fill the listener's queue.
void queueClients(Held& held, const sockaddr* a, socklen_t size) {
    for (int i = 0; i < 4; ++i) {
        held.push_back(::socket(a->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(held.back(), a, size);
    }
}

// A command-line client of the running copy, driven by this test's event loop.
struct Client {
    QLocalSocket socket;
    QByteArray answer;
    bool ended = false;
    explicit Client(const QString& path, const QByteArray& request = {}) {
        QObject::connect(&socket, &QLocalSocket::readyRead, &socket,
                         [this] { answer += socket.readAll(); });
        QObject::connect(&socket, &QLocalSocket::disconnected, &socket, [this] { ended = true; });
        if (!request.isEmpty())
            QObject::connect(&socket, &QLocalSocket::connected, &socket,
                             [this, request] { socket.write(request + '\n'); });
        socket.connectToServer(path);
    }
};

// A receive port that, once polled, reports `report` to the listen port 200 ms after each command.
struct ReportingServer : RecordServer {
    int listenPort = freePort();
    int pending = 0;
    QByteArray report = "STATUS DIALSIGOK10:15am";
    ReportingServer() {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            ++pending;
            QTimer::singleShot(200, &server, [this] {
                --pending;
                if (!records.contains("STATUS"))
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

// A running copy in this process serving the local channel, polling only when asked to.
struct RunningCopy {
    TestEnvironment t;
    std::unique_ptr<TestClient> client;
    std::unique_ptr<ControlService> control;
    bool start(const QString& lockPath, const Settings& s, bool polling = false) {
        env().instanceLockPath = lockPath;
        t.writeIni(s);
        client = std::make_unique<TestClient>();
        const bool started = client->start();
        if (!polling)
            client->link().stopPolling();
        control = serveControl(client->app, client->desktop);
        return started && control;
    }
};

} // namespace

Q_DECLARE_METATYPE(CommandLineRequest::Action)

class TestRemote : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString runtime;

    // The program from a folder of its own, its settings beside it.
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
    // The exit code, standard output and standard error, as "code|output|errors".
    QString run(const QStringList& args, bool display = true) {
        QProcess p;
        start(p, args, display);
        for (QDeadlineTimer limit(15000); p.state() != QProcess::NotRunning && !limit.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return QString::number(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1) + '|' +
               QString::fromLocal8Bit(p.readAllStandardOutput()) + '|' +
               QString::fromLocal8Bit(p.readAllStandardError());
    }
    QString path() const { return dir.filePath(QStringLiteral("copy.socket")); }
    QString ini() const { return settingsFilePath(dir.path()); }
    QString lock() const { return runtime + QStringLiteral("/zav-remote-%1.lock").arg(getuid()); }
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
    void cleanup() { QFile::remove(path()); }

    void commandLine_data() {
        using Action = CommandLineRequest::Action;
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("says");
        auto row = [](const QString& arguments, Action action, const char* says) {
            QTest::newRow(qPrintable(arguments.left(30))) << arguments << action << says;
        };
        row("", Action::Run, "");
        row("--help", Action::Help, "Usage: zav-remote [options]");
        row("-v", Action::Version, "1.0.0");
        row("server", Action::Misuse, "unexpected argument 'server'");
        row("-platform offscreen -style fusion -session 1a2b -reverse", Action::Run, "");
        row("-platform", Action::Misuse, "Missing value");
        row("--status --connect", Action::Misuse, "one of");
        row("--json", Action::Misuse, "--json goes with");
        row("--send x --format line", Action::Misuse, "--format goes");
        row("--watch --format yaml", Action::Misuse, "unknown format 'yaml'");
        row("--status --json --format line", Action::Misuse, "not both");
        row("--send=", Action::Misuse, "empty");
        row("--send " + QString(351, u'x'), Action::Misuse, "351 characters");
        row("--send " + QString(349, u'y') + "\n", Action::Misuse, "351"); // a break counts two
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
        if (action == CommandLineRequest::Action::Help) // the file's place, no toolkit options
            QVERIFY(r.text.contains("~/.config/zav-remote/ZAV-Remote.ini") &&
                    !r.text.contains("platform"));
    }

    // The status bar examples of the README and the manual page are watches the program takes.
    void documentedStatusBars() {
        for (const char* file : {"README.md", "packaging/zav-remote.1"}) {
            QFile f(QStringLiteral(ZAV_SOURCE_DIR "/") + QLatin1String(file));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll()).replace("\\-", "-");
            for (const char* bar :
                 {"\"exec\": \"([^\"]+)\"", "\nexec = ([^\n]+)", "\ncommand=([^\n]+)"}) {
                const QRegularExpressionMatch m = QRegularExpression(bar).match(text);
                QVERIFY2(m.hasMatch(), bar);
                const CommandLineRequest r =
                    parseCommandLine(QProcess::splitCommand(m.captured(1)));
                QVERIFY2(r.action == CommandLineRequest::Action::Watch &&
                             r.format != OutputFormat::Text,
                         qPrintable(m.captured(1)));
            }
        }
    }

    // Without a display: had the program opened the window system it would have failed.
    void answersWithoutDisplay() {
        QCOMPARE(run({"--version"}, false), "0|zav-remote (ZAV Remote 2002) 1.0.0\n|");
        QCOMPARE(run({"--frobnicate"}, false),
                 "2||zav-remote: Unknown option 'frobnicate'. Try 'zav-remote --help'.\n");
    }

    // Whatever the running copy does, the answer or the reason comes within the deadline.
    void askEndsInTime_data() {
        QTest::addColumn<QString>("copy");
        QTest::addColumn<int>("reply");
        QTest::newRow("none runs") << "none" << int(CopyReply::NoCopy);
        QTest::newRow("socket left by an ended copy") << "stale" << int(CopyReply::NoCopy);
        QTest::newRow("stopped copy") << "stopped" << int(CopyReply::TimedOut);
        QTest::newRow("queue full") << "full" << int(CopyReply::TimedOut);
        QTest::newRow("answers") << "answers" << int(CopyReply::Answered);
        QTest::newRow("closes unanswered") << "closes" << int(CopyReply::Ended);
    }
    void askEndsInTime() {
        QFETCH(QString, copy);
        QFETCH(int, reply);
        Held held;
        std::thread running;
        sockaddr_un a{AF_UNIX, {}};
        qstrncpy(a.sun_path, QFile::encodeName(path()).constData(), sizeof a.sun_path);
        const auto* at = reinterpret_cast<const sockaddr*>(&a);
        if (copy == QLatin1String("stale")) {
            ::close(listenAt(at, sizeof a, 1));
        } else if (copy != QLatin1String("none")) {
            held.push_back(listenAt(at, sizeof a, copy == QLatin1String("full") ? 0 : 4));
            if (copy == QLatin1String("full"))
                queueClients(held, at, sizeof a);
            const bool answers = copy == QLatin1String("answers");
            if (answers || copy == QLatin1String("closes"))
                running = std::thread([fd = held[0], answers] {
                    const int c = ::accept(fd, nullptr, nullptr);
                    char request[64];
                    if (::read(c, request, sizeof request) > 0 && answers &&
                        ::write(c, "ok\n", 3) != 3)
                        qWarning("the answer was not written");
                    ::close(c);
                });
        }
        QElapsedTimer clock;
        clock.start();
        QStringList lines;
        const CopyReply got = askRunningCopy(
            path(), QStringLiteral("status"),
            [&](const QString& l) {
                lines << l;
                return false;
            },
            QDeadlineTimer(300), QDeadlineTimer(300));
        const qint64 took = clock.elapsed();
        if (running.joinable())
            running.join();
        QCOMPARE(int(got), reply);
        QVERIFY2(took < 1500, qPrintable(QString::number(took)));
        QCOMPARE(lines, got == CopyReply::Answered ? QStringList{"ok"} : QStringList());
    }

    // Out of descriptors, the server pauses instead of spinning and then takes the client.
    void acceptPausesWithoutDescriptors() {
        ControlServer server;
        server.setAcceptPause(50);
        QVERIFY(server.listen(path()));
        connect(&server, &ControlServer::request, this, [](ControlConnection* c, const QString&) {
            c->sendLine(QStringLiteral("ok"));
            c->close();
        });
        Client client(path(), "status");
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        int pauses = 0;
        {
            Held fillers;
            for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
                fillers.push_back(fd);
                if (fillers.size() > 4096) { // a lower limit keeps filling it cheap
                    const rlimit low{rlim_t(fd), saved.rlim_max};
                    ::setrlimit(RLIMIT_NOFILE, &low);
                }
            }
            QTest::qWait(300);
            pauses = server.acceptPauses();
        }
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY2(pauses >= 1 && pauses <= 10, qPrintable(QString::number(pauses)));
        QVERIFY(server.isListening());
        QTRY_COMPARE(client.answer, QByteArray("ok\n"));
    }

    // Each queued command goes out once, answered for its own record, or never when too late;
    // clients that send no whole request in time are dropped meanwhile.
    void queuedCommands_data() {
        QTest::addColumn<QString>("server"); // "up", "down" or "stuck"
        QTest::addColumn<bool>("tickBetween");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("server up") << "up" << false << QByteArray("sent\n");
        QTest::newRow("server up, poll ticks between") << "up" << true << QByteArray("sent\n");
        QTest::newRow("server down") << "down" << false << QByteArray("failed\n");
        QTest::newRow("server stuck") << "stuck" << false << QByteArray("timeout\n");
    }
    void queuedCommands() {
        QFETCH(QString, server);
        QFETCH(bool, tickBetween);
        QFETCH(QByteArray, answer);
        const bool up = server == QLatin1String("up"), stuck = server == QLatin1String("stuck");
        RecordServer records;
        const int port = up ? records.port() : freePort();
        if (!up)
            records.server.close();
        Held held;
        if (stuck) {
            sockaddr_in a{AF_INET, htons(quint16(port)), {htonl(INADDR_LOOPBACK)}, {}};
            held.push_back(listenAt(reinterpret_cast<sockaddr*>(&a), sizeof a, 0));
            queueClients(held, reinterpret_cast<sockaddr*>(&a), sizeof a);
            QTest::qWait(50);
        }
        ServerLink link;
        link.setServer(QStringLiteral("127.0.0.1"), port);
        ControlService service(link, LinkStatus{}, nullptr);
        if (stuck)
            service.setRequestTimeout(300);
        service.server().setRequestWait(100);
        QVERIFY(service.listen(path()));
        std::vector<std::unique_ptr<Client>> silent, clients;
        for (int i = 0; i < 10; ++i)
            silent.push_back(std::make_unique<Client>(path()));
        Client half(path());
        QTRY_VERIFY(half.socket.state() == QLocalSocket::ConnectedState);
        half.socket.write("stat");
        QList<QByteArray> expected;
        for (int i = 0; i < (stuck ? 2 : 20); ++i) {
            const QByteArray text = "m" + QByteArray::number(i);
            expected << "MESSAG" + text;
            clients.push_back(std::make_unique<Client>(path(), "send [\"" + text + "\"]"));
            if (tickBetween && i % 4 == 0) {
                QCoreApplication::processEvents();
                link.requestStatus();
            }
        }
        for (const auto& c : clients) {
            QTRY_VERIFY(c->ended);
            QCOMPARE(c->answer, answer);
        }
        for (const auto& c : silent)
            QTRY_VERIFY(c->ended && c->answer.isEmpty());
        QTRY_VERIFY(half.ended && half.answer.isEmpty());
        QVERIFY(!stuck || !link.commands().isBusy());
        if (!up)
            return;
        QTRY_COMPARE(records.records.size(), records.connections);
        QList<QByteArray> messages = records.sent();
        messages.removeAll("STATUS");
        std::sort(messages.begin(), messages.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(messages, expected);
    }

    // The fields a script or a status bar reads for every state.
    void machineFields_data() {
        QTest::addColumn<int>("state");         // -1: no report yet, -2: no settings file
        QTest::addColumn<QByteArray>("fields"); // state, signal, card, lastConnect
        QTest::addColumn<QString>("line");
        auto row = [](auto state, const char* fields, const char* line) {
            QTest::newRow(fields) << int(state) << QByteArray(fields).replace('\'', '"')
                                  << QString::fromLatin1(line);
        };
        using S = LinkState;
        row(S::Online, "['online',true,true,'10:15am']", "ONLINE 10:15am");
        row(S::OnlineNoSignal, "['online',false,true,'10:15am']", "ONLINE 10:15am");
        row(S::Offline, "['offline',true,true,'10:15am']", "OFFLINE 10:15am");
        row(S::Dialing, "['dialing',true,true,'10:15am']", "DIALING 10:15am");
        row(S::NoCard, "['no-card',null,false,'10:15am']", "NO CARD 10:15am");
        row(S::NoServer, "['no-server',null,null,null]", "NO SRVR!");
        row(-1, "['waiting',null,null,null]", "WAIT...");
        row(-2, "['error',null,null,null]", "ERROR");
    }
    void machineFields() {
        QFETCH(int, state);
        QFETCH(QByteArray, fields);
        QFETCH(QString, line);
        LinkStatus s;
        s.settingsMissing = state == -2;
        if (state >= 0) {
            s.state = LinkState(state);
            s.serverAnswered = s.state != LinkState::NoServer;
            s.lastConnect =
                s.serverAnswered ? QStringLiteral("10:15am") : QStringLiteral("No Server!");
        }
        const QJsonObject o = statusObject(s);
        QJsonArray got;
        for (const char* key : {"state", "signal", "card", "lastConnect"}) {
            QVERIFY2(o.contains(QLatin1String(key)), key);
            got << o.value(QLatin1String(key));
        }
        QCOMPARE(QJsonDocument(got).toJson(QJsonDocument::Compact), fields);
        QCOMPARE(StatusPrinter(OutputFormat::Line).line(o), line);
        const QJsonObject bar =
            QJsonDocument::fromJson(StatusPrinter(OutputFormat::Waybar).line(o).toUtf8()).object();
        QCOMPARE(bar.value(QStringLiteral("alt")), got[0]);
        QCOMPARE(bar.value(QStringLiteral("class")).toArray().first(), got[0]);
    }

    // A message joins the status line in the one-line formats, as plain text.
    void messagesJoinTheStatusLine() {
        LinkStatus s;
        s.state = LinkState::Offline;
        s.serverAnswered = true;
        s.lastConnect = QStringLiteral("09:00pm");
        const QJsonObject message = messageObject(QStringLiteral("<b>Dial</b>\r\nat 9"),
                                                  QStringLiteral("10.0.0.2"), QDateTime());
        StatusPrinter line(OutputFormat::Line);
        line.line(statusObject(s));
        QCOMPARE(line.line(message),
                 QStringLiteral("OFFLINE 09:00pm  message from 10.0.0.2: <b>Dial</b> / at 9"));
        StatusPrinter bar(OutputFormat::Waybar);
        bar.line(statusObject(s));
        const QString shown = bar.line(message);
        QVERIFY2(shown.contains("\"class\":[\"offline\",\"message\"],\"text\":\"OFFLINE\",") &&
                     shown.endsWith("message from 10.0.0.2:\\n<b>Dial</b>\\r\\nat 9\"}"),
                 qPrintable(shown));
    }

    // Each report is applied whole and announced once, after a failure too.
    void reportAnnouncedOnce() {
        ServerLink link;
        LinkStatusTracker tracker(link);
        QList<LinkStatus> seen;
        connect(&tracker, &LinkStatusTracker::changed, this,
                [&](const LinkStatus& s) { seen << s; });
        const QList<std::pair<const char*, QString>> steps{
            {"STATUS WHATEVER!09:10pm", "WAIT... 09:10pm"},
            {"STATUS CONNSIGOK09:09pm", "ONLINE 09:09pm"},
            {nullptr, "NO SRVR! unanswered"},
            {"STATUS DISCSIGOK09:11pm", "OFFLINE 09:11pm"}};
        for (int i = 0; i < steps.size(); ++i) {
            if (steps[i].first)
                link.dispatchRecord(steps[i].first, QStringLiteral("127.0.0.1"));
            else
                emit link.commandFailed();
            QCOMPARE(seen.size(), i + 1);
            QCOMPARE(seen[i].word() + ' ' +
                         (seen[i].serverAnswered ? seen[i].lastConnect : "unanswered"),
                     steps[i].second);
        }
    }

    // Alone from the settings file, or from the copy's state leaving its log and windows alone.
    void linkCommands_data() {
        QTest::addColumn<bool>("throughCopy");
        QTest::newRow("alone") << false;
        QTest::newRow("through the running copy") << true;
    }
    void linkCommands() {
        QFETCH(bool, throughCopy);
        ReportingServer server;
        RunningCopy running;
        const Settings settings = sampleSettings(server.listenPort, server.port());
        // Through the copy, the command's own file would lead elsewhere.
        const Settings own = throughCopy ? sampleSettings(freePort(), freePort()) : settings;
        writeIni(settingsFileBytes(own, "x"));
        if (throughCopy) {
            QVERIFY(running.start(lock(), settings));
            QCOMPARE(run({"--status"}),
                     "1|WAIT...  last connect na  (no answer from the server)\n|");
            deliver(server.listenPort, "STATUS DIALSIGOK10:15am");
            QTRY_COMPARE(running.client->window().statusWord(), QStringLiteral("DIALING"));
        }
        QCOMPARE(run({"--status"}), "0|DIALING  last connect 10:15am  (server answered)\n|");
        const int before = throughCopy ? int(running.client->window().logLines().size()) : 0;
        const QList<QByteArray> polls = server.sent();
        QCOMPARE(run({"--connect"}), "0||");
        QTRY_COMPARE(server.sent(), polls + QList<QByteArray>{"CONNEC"});
        QPointer<SendMessageWindow> window;
        if (throughCopy) {
            TestClient& copy = *running.client;
            QCOMPARE(copy.newestEntry(), QStringList{QStringLiteral("     Requesting a Connect")});
            QCOMPARE(int(copy.window().logLines().size()), qMin(22, before + 3));
            copy.desktop.openSendMessage();
            window = copy.desktop.sendMessageWindow();
            QVERIFY(window && window->findChild<QPlainTextEdit*>());
            window->findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("draft"));
        }
        QCOMPARE(run({"--send", QStringLiteral("Caf\u00e9\nok")}), "0||");
        QTRY_COMPARE(server.sent().last(), QByteArray("MESSAGCaf\xe9\r\nok"));
        if (throughCopy) {
            QCOMPARE(running.client->newestEntry(),
                     QStringList{QStringLiteral("     Sending a message to Server")});
            QVERIFY(running.client->link().reports().isListening());
            QCoreApplication::processEvents();
            QVERIFY(window && window->isVisible());
            QCOMPARE(window->messageText(), QStringLiteral("draft"));
        }
        // A report that changes state and time gives one line; a message one of its own.
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
        server.server.close();
        QString r = run({"--disconnect"});
        QVERIFY2(r.startsWith("1||") && r.count('\n') == 1, qPrintable(r));
        if (throughCopy) {
            running.control.reset();
            QTRY_VERIFY(watch.state() == QProcess::NotRunning);
            QCOMPARE(watch.exitCode(), 1);
            const QByteArray err = watch.readAllStandardError();
            QVERIFY2(err.count('\n') == 1 && err.contains("ended"), err.constData());
            return;
        }
        QVERIFY2(r.contains(QLatin1String("not found")), qPrintable(r));
        QVERIFY(run({"--status"}).startsWith(QLatin1String("1|NO SRVR!")));
        QTcpServer busy;
        QVERIFY(busy.listen(QHostAddress::AnyIPv4, quint16(server.listenPort)));
        r = run({"--watch"});
        QVERIFY2(r.startsWith("1|") && r.contains(QString::number(server.listenPort)),
                 qPrintable(r));
    }

    // A second start brings the copy forward: the Options panel while it is open, else the window.
    void secondStart() {
        RunningCopy running;
        QVERIFY(running.start(lock(), sampleSettings(freePort(), freePort()), true));
        TestClient& copy = *running.client;
        copy.desktop.openOptions();
        QCOMPARE(run({}), "0||");
        QTest::qWait(50);
        QVERIFY(copy.desktop.optionsPanel() && copy.desktop.optionsPanel()->isVisible());
        QVERIFY(!copy.window().isVisible() && !copy.link().isPolling());
        copy.desktop.optionsPanel()->cancel();
        copy.window().hide();
        QCOMPARE(run({}), "0||");
        QTRY_VERIFY(copy.window().isVisible());
    }

    // A signal runs the normal shutdown, also while start-up still runs.
    void signalsEndTheClientNormally_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QByteArray>("file"); // null: none; "sim": settings for the stand-in
        QTest::newRow("SIGTERM, polling the stand-in") << int(SIGTERM) << QByteArray("sim");
        QTest::newRow("SIGTERM, no settings file") << int(SIGTERM) << QByteArray();
        QTest::newRow("SIGHUP, unreadable file") << int(SIGHUP) << QByteArray("'\r\nport\r\n");
        QTest::newRow("SIGINT, no settings file") << int(SIGINT) << QByteArray();
    }
    void signalsEndTheClientNormally() {
        QFETCH(int, signal);
        QFETCH(QByteArray, file);
        const bool polling = file == "sim";
        const int listen = freePort();
        int receive = freePort();
        while (receive == listen)
            receive = freePort();
        Settings s = sampleSettings(listen, receive);
        s.saveWindowPosition = true;
        writeIni(polling ? settingsFileBytes(s, QStringLiteral("written by the test")) : file);
        QFile::remove(lock());
        QProcess sim, client;
        if (polling)
            sim.start(qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-manager-sim",
                      {"--receive-port", QString::number(receive), "--client-port",
                       QString::number(listen), "--dial-seconds", "0"});
        start(client, {});
        // The stand-in answers the first poll; the instance lock is what start-up takes first.
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            polling ? (out += sim.readAllStandardOutput()).contains("-> STATUS DISC")
                    : QFileInfo::exists(lock()),
            20000);
        ::kill(pid_t(client.processId()), signal);
        QVERIFY(client.waitForFinished(10000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
        if (!polling) {
            QCOMPARE(readIni(), file);
            return;
        }
        QVERIFY(!readIni().contains("written by the test"));
        Settings back;
        QVERIFY(readSettingsFile(ini(), back) && back == s);
        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(5000));
    }

    // The start-up box closes at once; the shutdown waits for the program's handler.
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
