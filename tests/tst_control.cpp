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
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

sockaddr_un unixAddress(const QString& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    memcpy(a.sun_path, name.constData(), size_t(name.size()));
    return a;
}

// A raw listening socket at `path` that never accepts; `backlog` waiting clients fit.
int silentCopy(const QString& path, int backlog) {
    const sockaddr_un a = unixAddress(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(fd, backlog) != 0)
        return -1;
    return fd;
}

int rawConnect(const QString& path) {
    const sockaddr_un a = unixAddress(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    return fd;
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

// A running copy in a thread of its own, so that the blocking command-line end can talk to it.
class CopyThread : public QThread {
public:
    CopyThread(QString path, bool answers) : m_path(std::move(path)), m_answers(answers) {}
    QSemaphore ready;

protected:
    void run() override {
        ControlServer server;
        const bool answers = m_answers;
        QObject::connect(&server, &ControlServer::request, &server,
                         [answers](ControlConnection* c, const QString&) {
                             if (answers)
                                 c->sendLine(QStringLiteral("ok"));
                             c->close();
                         });
        server.listen(m_path);
        ready.release();
        exec();
    }

private:
    QString m_path;
    bool m_answers;
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
        std::vector<int> held;
        std::unique_ptr<CopyThread> thread;
        if (copy == QLatin1String("stale")) {
            ::close(silentCopy(path(), 1));
        } else if (copy == QLatin1String("stopped")) {
            held.push_back(silentCopy(path(), 4));
        } else if (copy == QLatin1String("full")) {
            held.push_back(silentCopy(path(), 0));
            for (int i = 0; i < 4; ++i)
                held.push_back(rawConnect(path()));
        } else if (copy != QLatin1String("none")) {
            thread = std::make_unique<CopyThread>(path(), copy == QLatin1String("answers"));
            thread->start();
            thread->ready.acquire();
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
        if (thread) {
            thread->quit();
            thread->wait();
        }
        for (int fd : held)
            ::close(fd);
        QCOMPARE(int(got), reply);
        QVERIFY2(took < 1500, qPrintable(QString::number(took)));
        if (got == CopyReply::Answered)
            QCOMPARE(lines, QStringList{QStringLiteral("ok")});
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
        std::vector<int> fillers;
        for (;;) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                break;
            fillers.push_back(fd);
            if (fillers.size() > 4096) {
                // Lower the limit so that filling it stays cheap.
                rlimit low{rlim_t(fd), saved.rlim_max};
                ::setrlimit(RLIMIT_NOFILE, &low);
            }
        }
        const sockaddr_un a = unixAddress(path());
        QCOMPARE(::connect(client, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        QTest::qWait(300);
        const int pauses = server.acceptPauses();
        for (int fd : fillers)
            ::close(fd);
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
        std::vector<int> held;
        const auto release = qScopeGuard([&] {
            for (int fd : held)
                ::close(fd);
        });
        if (stuck) {
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_port = htons(quint16(port));
            at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            held.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            QVERIFY(::bind(held[0], reinterpret_cast<sockaddr*>(&at), sizeof at) == 0);
            QVERIFY(::listen(held[0], 0) == 0);
            for (int i = 0; i < 4; ++i) {
                held.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
                ::connect(held.back(), reinterpret_cast<sockaddr*>(&at), sizeof at);
            }
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

    // Each status report is applied whole and announced once: never a mixture of two.
    void reportAnnouncedOnce_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("time");
        QTest::newRow("state and time") << QByteArray("STATUS CONNSIGOK09:09pm") << "ONLINE"
                                        << "09:09pm";
        QTest::newRow("unknown code") << QByteArray("STATUS WHATEVER!09:10pm") << "WAIT..."
                                      << "09:10pm";
    }
    void reportAnnouncedOnce() {
        QFETCH(QByteArray, record);
        QFETCH(QString, word);
        QFETCH(QString, time);
        ServerLink link;
        LinkStatusTracker tracker(link);
        QList<LinkStatus> seen;
        connect(&tracker, &LinkStatusTracker::changed, this,
                [&](const LinkStatus& s) { seen << s; });
        link.dispatchRecord(QString::fromLatin1(record), QStringLiteral("127.0.0.1"));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].word(), word);
        QCOMPARE(seen[0].lastConnect, time);
        QVERIFY(seen[0].serverAnswered);
        // After a failure the next report turns both fields at once.
        emit link.commandFailed();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1].word(), QStringLiteral("NO SRVR!"));
        QVERIFY(!seen[1].serverAnswered);
        link.dispatchRecord(QStringLiteral("STATUS DISCSIGOK09:11pm"), QStringLiteral("127.0.0.1"));
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[2].word(), QStringLiteral("OFFLINE"));
        QVERIFY(seen[2].serverAnswered);
    }
};

QTEST_MAIN(TestControl)
#include "tst_control.moc"
