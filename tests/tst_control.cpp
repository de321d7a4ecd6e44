// The local control channel on its own: the running copy's server and queue, driven by local
// clients in this process, and the command line's end of it against copies that misbehave.
#include "peers.h"

#include "app/controlchannel.h"
#include "app/controlservice.h"
#include "app/linkstatus.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/un.h>
#include <thread>
#include <vector>

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

sockaddr_un unixAddress(const QString& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    memcpy(a.sun_path, name.constData(), size_t(name.size()));
    return a;
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

} // namespace

class TestControl : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("copy.socket")); }

private slots:
    void cleanup() { QFile::remove(path()); }

    // The command line's end: whatever the copy does, the answer or the reason comes within
    // the deadline.
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
        const sockaddr_un a = unixAddress(path());
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

    // A client that sends no whole request within the wait is dropped; one that does stays
    // until it is answered.
    void silentClientsAreDropped() {
        ControlServer server;
        server.setRequestWait(100);
        QVERIFY(server.listen(path()));
        QList<ControlConnection*> asked;
        connect(&server, &ControlServer::request, this,
                [&](ControlConnection* c, const QString&) { asked << c; });
        std::vector<std::unique_ptr<Client>> silent;
        for (int i = 0; i < 20; ++i)
            silent.push_back(std::make_unique<Client>(path()));
        Client half(path());
        QTRY_VERIFY(half.socket.state() == QLocalSocket::ConnectedState);
        half.socket.write("stat");
        Client whole(path(), "watch");
        QTRY_COMPARE(asked.size(), 1);
        QTRY_COMPARE(server.connectionCount(), 1);
        for (const auto& c : silent)
            QTRY_VERIFY(c->ended);
        QTRY_VERIFY(half.ended);
        QVERIFY(!whole.ended);
    }

    // Out of descriptors, the server pauses instead of spinning, keeps its place, and takes
    // the waiting client once descriptors are free again.
    void acceptPausesWithoutDescriptors() {
        ControlServer server;
        server.setAcceptPause(50);
        QVERIFY(server.listen(path()));
        connect(&server, &ControlServer::request, this, [](ControlConnection* c, const QString&) {
            c->sendLine(QStringLiteral("ok"));
            c->close();
        });
        const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        Held fillers;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
            fillers.push_back(fd);
            if (fillers.size() > 4096) { // a lower limit keeps filling it cheap
                const rlimit low{rlim_t(fd), saved.rlim_max};
                ::setrlimit(RLIMIT_NOFILE, &low);
            }
        }
        const sockaddr_un a = unixAddress(path());
        QCOMPARE(::connect(client, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        QTest::qWait(300);
        const int pauses = server.acceptPauses();
        for (int fd : fillers)
            ::close(fd);
        fillers.clear();
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY2(pauses >= 1 && pauses <= 10, qPrintable(QString::number(pauses)));
        QVERIFY(server.isListening());
        QVERIFY(::write(client, "status\n", 7) == 7);
        QByteArray answer;
        QTRY_VERIFY([&] {
            char chunk[8];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0)
                answer.append(chunk, n);
            return answer.endsWith('\n');
        }());
        QCOMPARE(answer, QByteArray("ok\n"));
        ::close(client);
    }

    // Commands of the command line: each goes out once, is answered for its own record, and
    // survives a request of the window or a poll tick that replaces it.
    void queuedCommands_data() {
        QTest::addColumn<QString>("server"); // "up", "down" or "stuck"
        QTest::addColumn<bool>("tickBetween");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("server up") << "up" << false << QByteArray("sent\n");
        QTest::newRow("server up, poll ticks between") << "up" << true << QByteArray("sent\n");
        QTest::newRow("server down") << "down" << false << QByteArray("failed\n");
        // A command that cannot go out in time is answered "timeout", and is not sent afterwards.
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
        // A server whose queue is full leaves connection attempts unanswered.
        Held held;
        if (stuck) {
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(quint16(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            held.push_back(listenAt(reinterpret_cast<sockaddr*>(&a), sizeof a, 0));
            queueClients(held, reinterpret_cast<sockaddr*>(&a), sizeof a);
            QTest::qWait(50);
        }
        ServerLink link;
        link.setServer(QStringLiteral("127.0.0.1"), port);
        ControlService service(link, LinkStatus{}, nullptr);
        if (stuck)
            service.setRequestTimeout(300);
        QVERIFY(service.listen(path()));
        std::vector<std::unique_ptr<Client>> clients;
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
        for (const auto& c : clients)
            QTRY_VERIFY(c->ended);
        for (const auto& c : clients)
            QCOMPARE(c->answer, answer);
        QVERIFY(!stuck || !link.commands().isBusy());
        if (!up)
            return;
        QTRY_COMPARE(records.records.size(), records.connections);
        QList<QByteArray> messages;
        for (const QByteArray& r : records.sent())
            if (r.startsWith("MESSAG"))
                messages << r;
        std::sort(messages.begin(), messages.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(messages, expected);
    }

    // The fields a script reads for every state: the fixed state word, the signal and the
    // card, and the time only while the server answers; and how a status bar is shown them.
    void machineFields_data() {
        QTest::addColumn<int>("state"); // -1: no report yet, -2: no settings file
        QTest::addColumn<QString>("word");
        QTest::addColumn<QByteArray>("signalAndCard");
        QTest::addColumn<QString>("line");
        auto row = [](const char* name, auto state, const char* word, const char* signalAndCard,
                      const char* line) {
            QTest::newRow(name) << int(state) << QString::fromLatin1(word)
                                << QByteArray(signalAndCard) << QString::fromLatin1(line);
        };
        using S = LinkState;
        row("online", S::Online, "online", "[true,true]", "ONLINE 10:15am");
        row("online, no signal", S::OnlineNoSignal, "online", "[false,true]", "ONLINE 10:15am");
        row("offline", S::Offline, "offline", "[true,true]", "OFFLINE 10:15am");
        row("offline, no signal", S::OfflineNoSignal, "offline", "[false,true]", "OFFLINE 10:15am");
        row("dialing", S::Dialing, "dialing", "[true,true]", "DIALING 10:15am");
        row("dialing, no signal", S::DialingNoSignal, "dialing", "[false,true]", "DIALING 10:15am");
        row("no card", S::NoCard, "no-card", "[null,false]", "NO CARD 10:15am");
        row("no server", S::NoServer, "no-server", "[null,null]", "NO SRVR!");
        row("waiting", -1, "waiting", "[null,null]", "WAIT...");
        row("no settings", -2, "error", "[null,null]", "ERROR");
    }
    void machineFields() {
        QFETCH(int, state);
        QFETCH(QString, word);
        QFETCH(QByteArray, signalAndCard);
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
        QCOMPARE(o.value(QStringLiteral("state")).toString(), word);
        QVERIFY(o.contains(QStringLiteral("signal")) && o.contains(QStringLiteral("card")));
        const QJsonArray fields{o.value(QStringLiteral("signal")), o.value(QStringLiteral("card"))};
        QCOMPARE(QJsonDocument(fields).toJson(QJsonDocument::Compact), signalAndCard);
        QCOMPARE(o.value(QStringLiteral("lastConnect")),
                 s.serverAnswered ? QJsonValue(QStringLiteral("10:15am")) : QJsonValue());
        QCOMPARE(StatusPrinter(OutputFormat::Line).line(o), line);
        const QJsonObject bar =
            QJsonDocument::fromJson(StatusPrinter(OutputFormat::Waybar).line(o).toUtf8()).object();
        QCOMPARE(bar.value(QStringLiteral("alt")).toString(), word);
        QCOMPARE(bar.value(QStringLiteral("class")).toArray().first().toString(), word);
    }

    // A message joins the status line in the one-line formats instead of replacing it, and
    // comes as plain text, whatever it holds.
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
        const QJsonObject o = QJsonDocument::fromJson(bar.line(message).toUtf8()).object();
        QCOMPARE(o.value(QStringLiteral("text")).toString(), QStringLiteral("OFFLINE"));
        QCOMPARE(o.value(QStringLiteral("class")).toArray(),
                 (QJsonArray{QStringLiteral("offline"), QStringLiteral("message")}));
        QVERIFY(o.value(QStringLiteral("tooltip"))
                    .toString()
                    .endsWith(QLatin1String("message from 10.0.0.2:\n<b>Dial</b>\r\nat 9")));
    }

    // Each status report is applied whole and announced once, never a mixture of two; after
    // a failure the next report turns both fields at once.
    void reportAnnouncedOnce() {
        ServerLink link;
        LinkStatusTracker tracker(link);
        QList<LinkStatus> seen;
        connect(&tracker, &LinkStatusTracker::changed, this,
                [&](const LinkStatus& s) { seen << s; });
        const QList<QStringList> steps{{"STATUS WHATEVER!09:10pm", "WAIT...", "09:10pm"},
                                       {"STATUS CONNSIGOK09:09pm", "ONLINE", "09:09pm"},
                                       {"failure", "NO SRVR!"},
                                       {"STATUS DISCSIGOK09:11pm", "OFFLINE", "09:11pm"}};
        for (int i = 0; i < steps.size(); ++i) {
            const bool failure = steps[i].size() == 2;
            if (failure)
                emit link.commandFailed();
            else
                link.dispatchRecord(steps[i][0], QStringLiteral("127.0.0.1"));
            QCOMPARE(seen.size(), i + 1);
            QCOMPARE(seen[i].word(), steps[i][1]);
            QCOMPARE(seen[i].serverAnswered, !failure);
            if (!failure)
                QCOMPARE(seen[i].lastConnect, steps[i][2]);
        }
    }
};

QTEST_MAIN(TestControl)
#include "tst_control.moc"
