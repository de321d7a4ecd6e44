// The send-message and received-messages windows, driven through the main window against a
// fake server on 127.0.0.1.
#include "testsupport.h"

#include "link/socket/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/tray/trayicon.h"
#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString SENDING = QStringLiteral("     Sending a message to Server");
const QString HYPHENS = QStringLiteral(" ") + QString(105, QLatin1Char('-'));

// A listening port whose accept queue is kept full, so that a connection attempt to it stays
// unanswered: the kernel drops its SYN until the queue has room and the client tries again
// (about a second later). This is "the connection is not made yet" for as long as a test needs.
struct HeldServer {
    int listener = -1;
    int fillers[2] = {-1, -1};
    quint16 port = 0;

    static sockaddr_in loopback(quint16 p) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(p);
        return a;
    }
    bool hold() {
        for (int i = 0; i < 50 && listener < 0; ++i) {
            const quint16 p = quint16(freePort());
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in a = loopback(p);
            if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 &&
                ::listen(fd, 1) == 0) {
                listener = fd;
                port = p;
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
        if (listener < 0)
            return false;
        // With a backlog of one, two finished connections fill the queue.
        const sockaddr_in a = loopback(port);
        for (int& fd : fillers) {
            fd = ::socket(AF_INET, SOCK_STREAM, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
                return false;
        }
        return true;
    }
    // Empties the queue and hands the listening socket to `server`, which then takes the
    // client's next attempt.
    bool releaseInto(RecordServer& server) {
        for (int i = 0; i < 2; ++i) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd >= 0)
                ::close(fd);
        }
        for (int& fd : fillers) {
            ::close(fd);
            fd = -1;
        }
        const bool ok = server.server.setSocketDescriptor(listener);
        if (ok)
            listener = -1;
        return ok;
    }
    ~HeldServer() {
        for (int fd : fillers)
            if (fd >= 0)
                ::close(fd);
        if (listener >= 0)
            ::close(listener);
    }
};

int logCount(const Form1& f, const QString& line) {
    int n = 0;
    for (int i = 0; i < f.STATUS_LIST->count(); ++i)
        n += f.STATUS_LIST->item(i)->text() == line ? 1 : 0;
    return n;
}

// Types text into a widget; '\n' is the Enter key.
void typeText(QWidget* w, const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClicks(w, lines[i]);
    }
}

void paste(MessageTextBox* box, const QString& text) {
    QApplication::clipboard()->setText(text);
    box->paste();
}

bool trayShows(const Form1& f, TrayPicture picture, const char* toolTip, bool alert) {
    return f.TRAY_ICON->icon().cacheKey() == f.trayPictureIcon(picture).cacheKey() &&
           f.TRAY_ICON->toolTip() == QLatin1String(toolTip) && f.TRAY_ICON->alert() == alert;
}

QString expectedBlock(const QString& time, const QString& peer, const QString& message) {
    return QStringLiteral(" Received at ") + time + QStringLiteral(" from IP Address ") + peer +
           QStringLiteral("...\r\n  ") + message + QStringLiteral("\r\n") + HYPHENS;
}

// One running client whose command connection goes to `transmitPort`; polling is left to the
// tests themselves.
struct Rig {
    TestEnvironment t;
    std::unique_ptr<Form1> f;
    quint16 listenPort = 0;

    bool start(quint16 transmitPort) {
        do
            listenPort = quint16(freePort());
        while (listenPort && listenPort == transmitPort);
        if (!listenPort || !transmitPort)
            return false;
        t.writeIni(sampleSettings(qint16(listenPort), qint16(transmitPort)));
        f = std::make_unique<Form1>();
        if (!f->Form_Load())
            return false;
        f->REQUEST_STATUS_TIMER.stop();
        return true;
    }
    SendMessageForm* openSendWindow() {
        f->SEND_MESSAGE_BUTTON_Click();
        return sendMessageForm();
    }
    // Sends `text` from the window once the client is connecting to a held port.
    SendMessageForm* sendWhileHeld(HeldServer& held, const QString& text) {
        if (!held.hold() || !start(held.port))
            return nullptr;
        SendMessageForm* w = openSendWindow();
        typeText(w->MESSAGE_TEXT, text);
        QTest::mouseClick(w->SEND_THE_MESSAGE_BUTTON, Qt::LeftButton);
        return w;
    }
};

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        delete sendMessageForm();
        delete receivedMessagesForm();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!sendMessageForm());
        QVERIFY(!receivedMessagesForm());
    }

    // ---- Send-message window -----------------------------------------------------------------

    // An empty Send only marks the box, until a click in it; one window keeps its text until
    // the user closes it.
    void emptySendMarksTheBoxOnly() {
        RecordServer server;
        QVERIFY(server.listen(quint16(freePort())));
        Rig rig;
        QVERIFY(rig.start(server.port()));
        SendMessageForm* w = rig.openSendWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->focusWidget(), w->MESSAGE_TEXT);
        const int lines = rig.f->STATUS_LIST->count();

        QTest::mouseClick(w->SEND_THE_MESSAGE_BUTTON, Qt::LeftButton);
        QCOMPARE(w->messageBackground(), QColor(255, 192, 192));
        QCOMPARE(rig.f->STATUS_LIST->count(), lines);
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
        QCOMPARE(rig.f->WS_TALKER->State(), qint16(Winsock::sckClosed));
        QCOMPARE(sendMessageForm(), w);

        typeText(w->MESSAGE_TEXT, QStringLiteral("keep me"));
        QCOMPARE(w->messageBackground(), QColor(255, 192, 192));
        QTest::mouseClick(w->MESSAGE_TEXT->viewport(), Qt::LeftButton);
        QCOMPARE(w->messageBackground(), QColor(255, 255, 255));

        QCOMPARE(rig.openSendWindow(), w);
        QCOMPARE(w->MESSAGE_TEXT->toPlainText(), QStringLiteral("keep me"));
        w->close();
        QVERIFY(!sendMessageForm());
        QVERIFY(rig.openSendWindow()->MESSAGE_TEXT->toPlainText().isEmpty());
        QCOMPARE(rig.f->STATUS_LIST->count(), lines);
        QCOMPARE(server.connections, 0);
    }

    // 350 characters go in, typed or pasted, a line break counting two; nothing more.
    void textStopsAtTheLimit() {
        Rig rig;
        QVERIFY(rig.start(quint16(freePort())));
        MessageTextBox* box = rig.openSendWindow()->MESSAGE_TEXT;
        const QString full(350, QLatin1Char('x'));
        QTest::keyClicks(box, full + QLatin1Char('y'));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->toPlainText(), full);
        box->clear();

        const QString a348(348, QLatin1Char('a'));
        typeText(box, a348 + QStringLiteral("\nq"));
        QCOMPARE(box->toPlainText(), a348 + QLatin1Char('\n'));
        QCOMPARE(box->wireLength(), 350);
        box->clear();

        const QString b349(349, QLatin1Char('b'));
        typeText(box, b349 + QLatin1Char('\n'));
        QCOMPARE(box->toPlainText(), b349);
        QTest::keyClick(box, Qt::Key_Backspace); // deleting makes room again
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->toPlainText(), b349.left(348) + QLatin1Char('\n'));
        box->clear();

        paste(box, QString(400, QLatin1Char('p')));
        QCOMPARE(box->toPlainText(), QString(350, QLatin1Char('p')));
        box->clear();

        const QString c340(340, QLatin1Char('c'));
        QTest::keyClicks(box, c340);
        paste(box, QStringLiteral("0123456789ABC"));
        QCOMPARE(box->toPlainText(), c340 + QStringLiteral("0123456789"));
        box->clear();

        // A pasted CR LF is one line break worth two characters; what follows does not fit.
        const QString d347(347, QLatin1Char('d'));
        QTest::keyClicks(box, d347);
        paste(box, QStringLiteral("x\r\ny"));
        QCOMPARE(box->wireText(), d347 + QStringLiteral("x\r\n"));
        box->clear();

        // One character left: a line break does not fit, and nothing after it is taken.
        QTest::keyClicks(box, b349);
        paste(box, QStringLiteral("\nz"));
        QCOMPARE(box->toPlainText(), b349);
    }

    // A full 350 characters over two lines: logged at once, sent whole with CR LF, and the
    // window closes.
    void fullLengthMessageIsSentWhole() {
        RecordServer server;
        QVERIFY(server.listen(quint16(freePort())));
        Rig rig;
        QVERIFY(rig.start(server.port()));
        SendMessageForm* w = rig.openSendWindow();
        const QString a(100, QLatin1Char('a'));
        const QString b(248, QLatin1Char('b'));
        typeText(w->MESSAGE_TEXT, a + QLatin1Char('\n') + b + QLatin1Char('!'));

        QTest::mouseClick(w->SEND_THE_MESSAGE_BUTTON, Qt::LeftButton);
        QCOMPARE(rig.f->STATUS_LIST->item(0)->text(),
                 QStringLiteral("     --------------------------------------"));
        QCOMPARE(rig.f->STATUS_LIST->item(1)->text(), QStringLiteral("     01:30pm"));
        QCOMPARE(rig.f->STATUS_LIST->item(2)->text(), SENDING);
        QTRY_COMPARE(server.records.size(), 1);
        QCOMPARE(server.records[0], "MESSAG" + (a + QStringLiteral("\r\n") + b).toLatin1());
        QCOMPARE(server.records[0].size(), 6 + 350);
        QTRY_VERIFY(!sendMessageForm());
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
        QCOMPARE(logCount(*rig.f, SENDING), 1);
    }

    void sendTwiceBeforeTheConnectionSendsOnce() {
        HeldServer held;
        Rig rig;
        SendMessageForm* w = rig.sendWhileHeld(held, QStringLiteral("twice"));
        QVERIFY(w);
        QTest::mouseClick(w->SEND_THE_MESSAGE_BUTTON, Qt::LeftButton);
        QCOMPARE(logCount(*rig.f, SENDING), 2);
        QCOMPARE(PENDING_COMMAND, qint16(CMD_MESSAG));

        RecordServer server;
        QVERIFY(held.releaseInto(server));
        QTRY_COMPARE_WITH_TIMEOUT(server.records, QList<QByteArray>{"MESSAGtwice"}, 8000);
        QTRY_VERIFY(!sendMessageForm());
        QCOMPARE(server.connections, 1);
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
    }

    void pollTickAfterSendReplacesTheMessage() {
        HeldServer held;
        Rig rig;
        SendMessageForm* w = rig.sendWhileHeld(held, QStringLiteral("lost to the poll"));
        QVERIFY(w);
        rig.f->STATUS_REQUEST_BUTTON_Click();
        QCOMPARE(PENDING_COMMAND, qint16(CMD_STATUS));

        RecordServer server;
        QVERIFY(held.releaseInto(server));
        QTRY_COMPARE_WITH_TIMEOUT(server.records, QList<QByteArray>{"STATUS"}, 8000);
        QCOMPARE(logCount(*rig.f, QStringLiteral("     Requesting status from server")), 1);
        // The window waits with its text for another Send.
        QCOMPARE(sendMessageForm(), w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->MESSAGE_TEXT->toPlainText(), QStringLiteral("lost to the poll"));
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
    }

    void windowClosedBeforeTheConnectionSendsAnEmptyMessage() {
        HeldServer held;
        Rig rig;
        SendMessageForm* w = rig.sendWhileHeld(held, QStringLiteral("never sent"));
        QVERIFY(w);
        w->close();
        QVERIFY(!sendMessageForm());

        RecordServer server;
        QVERIFY(held.releaseInto(server));
        QTRY_COMPARE_WITH_TIMEOUT(server.records, QList<QByteArray>{"MESSAG"}, 8000);
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
    }

    void unreachableServerLeavesTheWindowOpen() {
        Rig rig;
        QVERIFY(rig.start(quint16(freePort()))); // nobody listens there: refused
        SendMessageForm* w = rig.openSendWindow();
        typeText(w->MESSAGE_TEXT, QStringLiteral("try again"));
        QTest::mouseClick(w->SEND_THE_MESSAGE_BUTTON, Qt::LeftButton);
        QTRY_COMPARE(logCount(*rig.f, QStringLiteral("      ZAV Manager not found!")), 1);
        QCOMPARE(sendMessageForm(), w);
        QCOMPARE(w->MESSAGE_TEXT->toPlainText(), QStringLiteral("try again"));
    }

    // ---- Received-messages window ------------------------------------------------------------

    // The first message comes over the network; the second joins it in the same window, its
    // block right after the first block's hyphens, and is shown as it is.
    void messagesCollectInOneWindow_data() {
        QTest::addColumn<QString>("second"); // the second record's text after "MESSAG"
        QTest::newRow("one line") << QStringLiteral("Second");
        QTest::newRow("several lines") << QStringLiteral("line one\r\nline two\r\n  line three");
        QTest::newRow("empty") << QString();
        QTest::newRow("markup stays text") << QStringLiteral("<b>x</b> <img src=\"a.png\"> &amp;");
    }
    void messagesCollectInOneWindow() {
        QFETCH(QString, second);
        Rig rig;
        QVERIFY(rig.start(quint16(freePort())));
        QTcpSocket server;
        server.connectToHost(QHostAddress::LocalHost, rig.listenPort);
        QVERIFY(server.waitForConnected(3000));
        server.write("MESSAGHello\r\nthere");
        QVERIFY(server.waitForBytesWritten(3000));
        server.disconnectFromHost();
        QTRY_VERIFY(receivedMessagesForm());
        ReceivedMessagesForm* w = receivedMessagesForm();
        QVERIFY(w->isVisible());
        QVERIFY(w->MESSAGES_LIST->isReadOnly());

        rig.t.clock = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 0));
        rig.f->PROCESS_DATA(QStringLiteral("MESSAG") + second, 1, QStringLiteral("10.0.0.7"));
        QCOMPARE(receivedMessagesForm(), w);
        const QString expected =
            expectedBlock(QStringLiteral("01:30pm"), QStringLiteral("127.0.0.1"),
                          QStringLiteral("Hello\r\nthere")) +
            expectedBlock(QStringLiteral("09:05am"), QStringLiteral("10.0.0.7"), second);
        QCOMPARE(w->historyText(), expected);
        QCOMPARE(w->MESSAGES_LIST->toPlainText(),
                 QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY(trayShows(*rig.f, TrayPicture::Message,
                          "ZAV Remote 2002... message received", true));

        // On screen the first rule fills its line alone; the next heading wraps below it.
        const QTextBlock ruleLine = w->MESSAGES_LIST->document()->findBlockByNumber(3);
        QVERIFY(ruleLine.text().startsWith(HYPHENS + QStringLiteral(" Received at 09:05am")));
        QTextLayout* layout = ruleLine.layout();
        QVERIFY(layout && layout->lineCount() >= 2);
        QCOMPARE(ruleLine.text().left(layout->lineAt(0).textLength()).trimmed(), HYPHENS.trimmed());
    }

    void closingReturnsTheTrayToWaiting() {
        Rig rig;
        QVERIFY(rig.start(quint16(freePort())));
        Form1& f = *rig.f;
        const QString peer = QStringLiteral("127.0.0.1");
        f.PROCESS_DATA(QStringLiteral("STATUS CONNSIGOK12:34pm"), 1, peer);
        f.PROCESS_DATA(QStringLiteral("MESSAGfirst"), 1, peer);
        ReceivedMessagesForm* w = receivedMessagesForm();
        QVERIFY(w);

        // A status report while the window is open takes the tray back.
        f.PROCESS_DATA(QStringLiteral("STATUS DISCNOSIG12:40pm"), 1, peer);
        QVERIFY(trayShows(f, TrayPicture::Cloud,
                          "ZAV Remote 2002... Internet not available - No Signal", true));
        QCOMPARE(receivedMessagesForm(), w);
        QVERIFY(w->isVisible());

        f.hide();
        w->close();
        QVERIFY(!receivedMessagesForm());
        QVERIFY(trayShows(f, TrayPicture::Plain, "ZAV Remote 2002... waiting for status",
                          false));
        // Only the tray changed; the main window stays hidden and its indicators stay.
        QVERIFY(!f.isVisible());
        QCOMPARE(f.visibleStatusImage(), StatusPicture::NoSignal);
        QCOMPARE(f.ZAV_Stat_Label->text(), QStringLiteral("OFFLINE"));
        QCOMPARE(f.SIGNAL_QUALITY_LED->fillColor(), LAMP_RED);
        QCOMPARE(f.LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("12:40pm"));

        // The next message starts a new history.
        f.PROCESS_DATA(QStringLiteral("MESSAGnext"), 1, peer);
        QVERIFY(receivedMessagesForm());
        QCOMPARE(receivedMessagesForm()->historyText(),
                 expectedBlock(QStringLiteral("01:30pm"), peer, QStringLiteral("next")));
    }

    void windowsCloseWithTheMainWindow() {
        Rig rig;
        QVERIFY(rig.start(quint16(freePort())));
        Form1& f = *rig.f;
        f.show();
        f.PROCESS_DATA(QStringLiteral("MESSAGbye"), 1, QStringLiteral("127.0.0.1"));
        rig.openSendWindow();
        QVERIFY(receivedMessagesForm() && sendMessageForm());

        f.close();
        QVERIFY(f.shutdownDone());
        QTRY_VERIFY(!receivedMessagesForm());
        QVERIFY(!sendMessageForm());
        // The closing window left the tray and the main window alone.
        QVERIFY(trayShows(f, TrayPicture::Message, "ZAV Remote 2002... message received",
                          true));
        QVERIFY(!f.isVisible());
    }

    void closingAfterTheMainWindowIsGone() {
        Rig rig;
        QVERIFY(rig.start(quint16(freePort())));
        rig.f->PROCESS_DATA(QStringLiteral("MESSAGorphan"), 1, QStringLiteral("127.0.0.1"));
        ReceivedMessagesForm* w = receivedMessagesForm();
        QVERIFY(w);
        rig.f.reset();
        w->close();
        QVERIFY(!receivedMessagesForm());
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
