// The server link: commands over fresh connections, the report listener, dispatch and the
// indicators each status report selects. Every peer is on 127.0.0.1.
#include "testsupport.h"

#include "link/socket/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/statuslog.h"
#include "ui/main/tray/trayicon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Stands in for the server's receive port: gathers one record per connection.
class FakeServer : public QObject {
public:
    FakeServer() {
        port = freePort();
        server.listen(QHostAddress::AnyIPv4, quint16(port));
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                ++connections;
                auto* data = new QByteArray;
                connect(s, &QTcpSocket::readyRead, s, [s, data] { *data += s->readAll(); });
                connect(s, &QTcpSocket::disconnected, this, [this, s, data] {
                    *data += s->readAll();
                    records << *data;
                    delete data;
                    s->deleteLater();
                });
            }
        });
    }
    QTcpServer server;
    qint16 port = 0;
    int connections = 0;
    QList<QByteArray> records;
};

// A peer that connects to the client's listen port like the server does.
std::unique_ptr<QTcpSocket> reportPeer(qint16 port) {
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!s->waitForConnected(3000))
        return nullptr;
    return s;
}

void deliver(qint16 port, const QByteArray& record) {
    auto s = reportPeer(port);
    QVERIFY(s);
    s->write(record);
    QVERIFY(s->waitForBytesWritten(3000));
    s->disconnectFromHost();
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> t;
    std::unique_ptr<FakeServer> server;
    std::unique_ptr<Form1> f;
    qint16 listenPort = 0;

    QStringList log() const {
        QStringList l;
        for (int i = 0; i < f->STATUS_LIST->count(); ++i)
            l << f->STATUS_LIST->item(i)->text();
        return l;
    }
    // The message lines of the newest entry.
    QStringList newest() const {
        const QStringList l = log();
        QStringList out;
        for (int i = 2; i < l.size() && l[i] != logSeparator(); ++i)
            out << l[i];
        return out;
    }
    int entries(const QString& line) const { return int(log().count(line)); }
    bool trayIs(TrayPicture p) const {
        return f->TRAY_ICON->icon().cacheKey() == f->trayPictureIcon(p).cacheKey();
    }

private slots:
    void init() {
        t = std::make_unique<TestEnvironment>();
        server = std::make_unique<FakeServer>();
        listenPort = freePort();
        t->writeIni(sampleSettings(listenPort, server->port));
        f = std::make_unique<Form1>();
        QVERIFY(f->Form_Load());
        f->REQUEST_STATUS_TIMER.stop(); // the tests tick by hand
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != f.get())
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.reset();
        server.reset();
        t.reset();
        Winsock::setConnectTimeoutMs(20000);
    }

    void pollSendsStatus() {
        f->REQUEST_STATUS_TIMER_Timer();
        QCOMPARE(PENDING_COMMAND, qint16(CMD_STATUS));
        QTRY_COMPARE(server->records.size(), 1);
        QCOMPARE(server->records[0], QByteArray("STATUS"));
        QCOMPARE(newest(), QStringList{QStringLiteral("     Requesting status from server")});
        QCOMPARE(log()[1], QStringLiteral("     01:30pm"));
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
        QCOMPARE(f->WS_TALKER->State(), qint16(Winsock::sckClosed));
    }

    void commandsAndTheirLogLines() {
        f->CONNECT_BUTTON_Click();
        QTRY_COMPARE(server->records.size(), 1);
        QCOMPARE(newest(), QStringList{QStringLiteral("     Requesting a Connect")});
        f->DISCONNECT_BUTTON_Click();
        QTRY_COMPARE(server->records.size(), 2);
        QCOMPARE(newest(), QStringList{QStringLiteral("     Requesting a Disconnect")});
        QCOMPARE(server->records, (QList<QByteArray>{"CONNEC", "DISCON"}));
    }

    void lastRequestWins() {
        f->CONNECT_BUTTON_Click();
        f->STATUS_REQUEST_BUTTON_Click();
        QTRY_VERIFY(server->records.contains("STATUS"));
        QTest::qWait(100);
        // The abandoned attempt may have reached the server, but carried nothing.
        server->records.removeAll(QByteArray());
        QCOMPARE(server->records, QList<QByteArray>{"STATUS"});
        QCOMPARE(entries(QStringLiteral("     Requesting a Connect")), 0);
        QCOMPARE(entries(QStringLiteral("     Requesting status from server")), 1);

        f->CONNECT_BUTTON_Click();
        f->CONNECT_BUTTON_Click();
        QTRY_VERIFY(server->records.contains("CONNEC"));
        QTest::qWait(100);
        server->records.removeAll(QByteArray());
        QCOMPARE(server->records, (QList<QByteArray>{"STATUS", "CONNEC"}));
        QCOMPARE(entries(QStringLiteral("     Requesting a Connect")), 1);
    }

    void noServer() {
        server->server.close();
        f->SIGNAL_QUALITY_LED->setFillColor(LAMP_GREEN);
        f->STATUS_REQUEST_BUTTON_Click();
        QTRY_COMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("NO SRVR!"));
        QCOMPARE(newest(), (QStringList{QStringLiteral("     Error..."),
                                        QStringLiteral("      ZAV Manager not found!")}));
        QCOMPARE(PENDING_COMMAND, qint16(CMD_STATUS));
        QCOMPARE(f->visibleStatusImage(), StatusImage::No_Server_Image);
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("No Server!"));
        QCOMPARE(f->SIGNAL_QUALITY_LED->fillColor(), LAMP_PALE_YELLOW);
        QVERIFY(trayIs(TrayPicture::DISH_RED_X_ICON));
        QCOMPARE(f->TRAY_ICON->toolTip(),
                 QStringLiteral("ZAV Remote 2002... server not found - status unavailable"));
        QVERIFY(f->TRAY_ICON->alert());

        // The next report replaces "No Server!", known code or not.
        deliver(listenPort, "STATUS connsigok11:11am");
        QTRY_COMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("11:11am"));
        QCOMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("NO SRVR!"));
    }

    void unusableAddressIsReportedNotFatal_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("empty address") << QString() << 2509;
        QTest::newRow("not an address") << QStringLiteral("zav-server") << 2509;
        QTest::newRow("port 0") << QStringLiteral("127.0.0.1") << 0;
        QTest::newRow("negative port") << QStringLiteral("127.0.0.1") << -5;
    }
    void unusableAddressIsReportedNotFatal() {
        QFETCH(QString, address);
        QFETCH(int, port);
        Settings.SERVER_IP = address;
        Settings.TRANSMIT_PORT = qint16(port);
        f->CONNECT_BUTTON_Click();
        QCOMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("WAIT...")); // reported as an event
        QTRY_COMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("NO SRVR!"));
        QCOMPARE(entries(QStringLiteral("      ZAV Manager not found!")), 1);
        // A new request after it starts afresh.
        Settings = sampleSettings(listenPort, server->port);
        f->STATUS_REQUEST_BUTTON_Click();
        QTRY_COMPARE(server->records, QList<QByteArray>{"STATUS"});
    }

    void silentServerTimesOut() {
        // A listener whose backlog is full drops further connection attempts unanswered.
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(quint16(freePort()));
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
        QVERIFY(::listen(fd, 0) == 0);
        socklen_t len = sizeof a;
        QVERIFY(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0);
        const quint16 port = ntohs(a.sin_port);
        QList<QTcpSocket*> fillers;
        for (int i = 0; i < 2; ++i) {
            auto* s = new QTcpSocket(this);
            s->connectToHost(QHostAddress::LocalHost, port);
            s->waitForConnected(500);
            fillers << s;
        }
        Winsock::setConnectTimeoutMs(300);
        Settings.TRANSMIT_PORT = qint16(port);
        QElapsedTimer clock;
        clock.start();
        f->STATUS_REQUEST_BUTTON_Click();
        QTRY_COMPARE_WITH_TIMEOUT(f->ZAV_Stat_Label->text(), QStringLiteral("NO SRVR!"), 3000);
        QVERIFY(clock.elapsed() >= 250); // failed by the time limit, not refused
        qDeleteAll(fillers);
        ::close(fd);
    }

    void connectWithNothingPendingSendsNothing() {
        PENDING_COMMAND = CMD_NONE;
        const QStringList before = log();
        f->openCommandConnection();
        QTRY_COMPARE(server->connections, 1);
        QTest::qWait(50);
        QCOMPARE(log(), before);
        QVERIFY(server->records.isEmpty());
        // The next command closes that connection and is delivered.
        f->STATUS_REQUEST_BUTTON_Click();
        QTRY_COMPARE(server->records.size(), 2);
        QCOMPARE(server->records[0], QByteArray());
        QCOMPARE(server->records[1], QByteArray("STATUS"));
    }

    void statusCodes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("image");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QColor>("lamp");
        QTest::addColumn<int>("tray");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<bool>("alert");
        using I = StatusImage;
        using T = TrayPicture;
        const QString p = QStringLiteral("ZAV Remote 2002... ");
        QTest::newRow("NOCARDSTA")
            << "NOCARDSTA" << int(I::No_ZAV_Card_Image) << "NO CARD" << LAMP_PALE_YELLOW
            << int(T::DISH_RED_X_ICON) << p + "server reports no card status available" << true;
        QTest::newRow("CONNSIGOK")
            << "CONNSIGOK" << int(I::Connected_Image) << "ONLINE" << LAMP_GREEN
            << int(T::DISH_CONNECTED_ICON) << p + "Internet is available" << false;
        QTest::newRow("DISCSIGOK")
            << "DISCSIGOK" << int(I::Disconnected_Image) << "OFFLINE" << LAMP_GREEN
            << int(T::DISH_DISCONNECTED_ICON) << p + "Internet not available" << false;
        QTest::newRow("CONNNOSIG")
            << "CONNNOSIG" << int(I::No_Signal_Image) << "ONLINE" << LAMP_RED
            << int(T::DISH_CLOUD_ICON) << p + "Internet not available - No Signal" << true;
        QTest::newRow("DISCNOSIG")
            << "DISCNOSIG" << int(I::No_Signal_Image) << "OFFLINE" << LAMP_RED
            << int(T::DISH_CLOUD_ICON) << p + "Internet not available - No Signal" << true;
        QTest::newRow("DIALNOSIG") << "DIALNOSIG" << int(I::Dialing_Image) << "DIALING" << LAMP_RED
                                   << int(T::DIALING_ICON) << p + "server is now dialing" << true;
        QTest::newRow("DIALSIGOK")
            << "DIALSIGOK" << int(I::Dialing_Image) << "DIALING" << LAMP_GREEN
            << int(T::DIALING_ICON) << p + "server is now dialing" << true;
    }
    void statusCodes() {
        QFETCH(QString, code);
        QFETCH(int, image);
        QFETCH(QString, word);
        QFETCH(QColor, lamp);
        QFETCH(int, tray);
        QFETCH(QString, tip);
        QFETCH(bool, alert);
        f->showDisplayState(DisplayState::NO_SERVER);
        f->PROCESS_DATA(QStringLiteral("STATUS#") + code + QStringLiteral("07:45pmXYZ"), 1,
                        QStringLiteral("127.0.0.1"));
        QCOMPARE(newest(), QStringList{QStringLiteral("     Status report has arrived")});
        QCOMPARE(int(f->visibleStatusImage()), image);
        int shown = 0;
        for (int i = 0; i < STATUS_IMAGE_COUNT; ++i)
            shown += f->statusImage(StatusImage(i))->isHidden() ? 0 : 1;
        QCOMPARE(shown, 1);
        QCOMPARE(f->ZAV_Stat_Label->text(), word);
        QCOMPARE(f->SIGNAL_QUALITY_LED->fillColor(), lamp);
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("07:45pm"));
        QVERIFY(trayIs(TrayPicture(tray)));
        QCOMPARE(f->TRAY_ICON->toolTip(), tip);
        QCOMPARE(f->TRAY_ICON->alert(), alert);
    }

    void unknownOrShortReports() {
        f->PROCESS_DATA(QStringLiteral("STATUS DIALSIGOK01:00am"), 1, QString());
        const QString tip = f->TRAY_ICON->toolTip();
        f->PROCESS_DATA(QStringLiteral("STATUS connsigok02:02pm"), 1, QString());
        QCOMPARE(newest(), QStringList{QStringLiteral("     Status report has arrived")});
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("02:02pm"));
        QCOMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("DIALING"));
        QCOMPARE(f->TRAY_ICON->toolTip(), tip);

        f->PROCESS_DATA(QStringLiteral("STATUS DISCSIGOK"), 1, QString());
        QCOMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("OFFLINE"));
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QString());

        // Markup from the network is shown as the characters it is.
        f->PROCESS_DATA(QStringLiteral("STATUS XXXXXXXXX<b>x</b>"), 1, QString());
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("<b>x</b"));
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->textFormat(), Qt::PlainText);
    }

    void recordsWithoutEffect() {
        const QStringList before = log();
        const QString word = f->ZAV_Stat_Label->text();
        for (const char* r : {"MSGREC", "CONNEC", "DISCON", "messagHello", "STAT", "", "???"})
            f->PROCESS_DATA(QString::fromLatin1(r), 1, QStringLiteral("127.0.0.1"));
        QCOMPARE(log(), before);
        QCOMPARE(f->ZAV_Stat_Label->text(), word);
    }

    void randomRecordsAreHandledSafely() {
        QRandomGenerator rng(2519);
        const QStringList kinds{QStringLiteral("STATUS"), QStringLiteral("MESSAG"),
                                QStringLiteral("MSGREC"), QStringLiteral("STATU"), QString()};
        for (int round = 0; round < 300; ++round) {
            QString record = kinds.at(int(rng.bounded(kinds.size())));
            const int extra = int(rng.bounded(40));
            for (int i = 0; i < extra; ++i)
                record += QChar(char16_t(rng.bounded(1, 0x2100)));
            f->PROCESS_DATA(record, 1, QStringLiteral("127.0.0.1"));
            QVERIFY(f->STATUS_LIST->count() <= 22);
            QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->textFormat(), Qt::PlainText);
        }
        QVERIFY(f->visibleStatusImage() != StatusImage(-1));
    }

    void reportOverTheNetwork() {
        deliver(listenPort, "STATUS CONNSIGOK08:15am");
        QTRY_COMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("ONLINE"));
        QCOMPARE(f->LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("08:15am"));
        QCOMPARE(f->WS_LISTENER[1]->State(), qint16(Winsock::sckClosed));
        QCOMPARE(f->WS_LISTENER_SCKDATA[1], QString());
    }

    void recordInChunksIsDispatchedOnce() {
        auto peer = reportPeer(listenPort);
        QVERIFY(peer);
        for (const char* chunk : {"STA", "TUS DISC", "NOSIG10:30pm"}) {
            peer->write(chunk);
            QVERIFY(peer->waitForBytesWritten(2000));
            QTest::qWait(30);
        }
        QCOMPARE(entries(QStringLiteral("     Status report has arrived")), 0);
        QCOMPARE(f->WS_LISTENER_SCKDATA[1], QStringLiteral("STATUS DISCNOSIG10:30pm"));
        peer->disconnectFromHost();
        QTRY_COMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("OFFLINE"));
        QTest::qWait(50);
        QCOMPARE(entries(QStringLiteral("     Status report has arrived")), 1);
        QCOMPARE(f->WS_LISTENER_SCKDATA[1], QString());
        QCOMPARE(f->SIGNAL_QUALITY_LED->fillColor(), LAMP_RED);
    }

    void emptyConnectionShowsNothing() {
        const QStringList before = log();
        auto peer = reportPeer(listenPort);
        QVERIFY(peer);
        QTRY_COMPARE(f->WS_LISTENER[1]->State(), qint16(Winsock::sckConnected));
        peer->disconnectFromHost();
        QTRY_COMPARE(f->WS_LISTENER[1]->State(), qint16(Winsock::sckClosed));
        QCOMPARE(log(), before);
    }

    void sessionLimitAndReuse() {
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        for (int i = 1; i <= 9; ++i) {
            peers.push_back(reportPeer(listenPort));
            QVERIFY(peers.back());
            QTRY_COMPARE(f->WS_LISTENER[i]->State(), qint16(Winsock::sckConnected));
        }
        auto tenth = reportPeer(listenPort);
        QVERIFY(tenth);
        QByteArray told;
        QTRY_VERIFY(
            (told += tenth->readAll(), tenth->state() == QAbstractSocket::UnconnectedState));
        told += tenth->readAll();
        QCOMPARE(told,
                 QByteArray("MAXIMUM CONCURRENT SESSIONS REACHED - TERMINATING SESSION.\r\n"));
        QCOMPARE(newest(), (QStringList{QStringLiteral("     Cant accept any more connections!"),
                                        QStringLiteral("     (IP:127.0.0.1)")}));
        QCOMPARE(f->WS_LISTENER[10]->State(), qint16(Winsock::sckClosed));
        // The sessions already open are not disturbed.
        for (int i = 1; i <= 9; ++i)
            QCOMPARE(f->WS_LISTENER[i]->State(), qint16(Winsock::sckConnected));

        // Free sessions 2 and 5; the next connection takes the lower one.
        peers[1]->write("MSGREC");
        peers[1]->disconnectFromHost();
        peers[4]->disconnectFromHost();
        QTRY_COMPARE(f->WS_LISTENER[2]->State(), qint16(Winsock::sckClosed));
        QTRY_COMPARE(f->WS_LISTENER[5]->State(), qint16(Winsock::sckClosed));
        auto again = reportPeer(listenPort);
        QVERIFY(again);
        QTRY_COMPARE(f->WS_LISTENER[2]->State(), qint16(Winsock::sckConnected));
        QCOMPARE(f->WS_LISTENER[5]->State(), qint16(Winsock::sckClosed));
        again->write("STATUS DIALSIGOK");
        again->disconnectFromHost();
        QTRY_COMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("DIALING"));
    }

    void oversizedRecordIsDropped() {
        auto peer = reportPeer(listenPort);
        QVERIFY(peer);
        const QByteArray block(16 * 1024, 'S');
        qsizetype largest = 0;
        for (int i = 0; i < 40 && peer->state() == QAbstractSocket::ConnectedState; ++i) {
            peer->write(i == 0 ? QByteArray("STATUS CONNSIGOK") + block : block);
            peer->waitForBytesWritten(200);
            QTest::qWait(5);
            largest = qMax(largest, f->WS_LISTENER_SCKDATA[1].size());
        }
        QTRY_COMPARE(f->WS_LISTENER_SCKDATA[1].size(), 0);
        QVERIFY(largest <= Form1::MAX_SESSION_BYTES);
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(entries(QStringLiteral("     Status report has arrived")), 0);
        QCOMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("WAIT..."));
        // The session is free for the next report.
        deliver(listenPort, "STATUS CONNSIGOK01:01am");
        QTRY_COMPARE(f->ZAV_Stat_Label->text(), QStringLiteral("ONLINE"));
    }

    void closerTimerFreesBrokenSessions() {
        auto peer = reportPeer(listenPort);
        QVERIFY(peer);
        QTRY_COMPARE(f->WS_LISTENER[1]->State(), qint16(Winsock::sckConnected));
        peer->write("STATUS CONNSIGOK");
        QTRY_COMPARE(f->WS_LISTENER_SCKDATA[1].size(), 16);
        // Stop handling the peer's close: the session is left in the closing state.
        f->WS_LISTENER[1]->disconnect(f.get());
        peer->disconnectFromHost();
        QTRY_COMPARE(f->WS_LISTENER[1]->State(), qint16(Winsock::sckClosing));
        f->SOCKET_CLOSER_TIMER_Timer();
        QCOMPARE(f->WS_LISTENER[1]->State(), qint16(Winsock::sckClosed));
        QCOMPARE(f->WS_LISTENER_SCKDATA[1], QString());
        QCOMPARE(entries(QStringLiteral("     Status report has arrived")), 0);
    }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
