// The send-message and received-messages windows, driven through the client's desktop against a
// fake server on 127.0.0.1.
#include "testsupport.h"

#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kSending = QStringLiteral("     Sending a message to Server");
const QString kRule = QStringLiteral(" ") + QString(105, QLatin1Char('-'));

// Types text into a widget: '\n' is the Enter key, '\b' the Backspace key.
void typeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            QTest::keyClick(w, Qt::Key_Return);
        else if (c == QLatin1Char('\b'))
            QTest::keyClick(w, Qt::Key_Backspace);
        else
            QTest::keyClicks(w, QString(c));
    }
}

void paste(QPlainTextEdit* box, const QString& text) {
    if (text.isEmpty())
        return;
    QApplication::clipboard()->setText(text);
    box->paste();
}

QString messageBlock(const QString& time, const QString& message) {
    return QStringLiteral(" Received at ") + time +
           QStringLiteral(" from IP Address 127.0.0.1...") + QStringLiteral("\r\n  ") + message +
           QStringLiteral("\r\n") + kRule;
}

// The running client with polling stopped; its commands go to `server` unless told otherwise.
struct Rig {
    TestEnvironment t;
    RecordServer server;
    const int listenPort = freePort();
    TestClient client;

    explicit Rig(int transmitPort = 0) {
        t.writeIni(sampleSettings(listenPort, transmitPort ? transmitPort : server.port()));
    }
    bool start() {
        if (!client.start())
            return false;
        client.link().stopPolling();
        return true;
    }
    SendMessageWindow* sendWindow() { return client.desktop.sendMessageWindow(); }
    ReceivedMessagesWindow* receivedWindow() { return client.desktop.receivedMessagesWindow(); }
    SendMessageWindow* openSendWindow() {
        child<QPushButton>(&client.window(), "sendMessageButton")->click();
        return sendWindow();
    }
    int logged(const QString& line) { return int(client.window().logLines().count(line)); }
    bool trayIs(TrayPicture picture, const char* toolTip, bool alert) {
        TrayIcon& tray = client.desktop.tray();
        return client.trayShows(picture) && tray.toolTip() == QLatin1String(toolTip) &&
               tray.alert() == alert;
    }
};

MessageTextBox* textBox(QWidget* w) {
    return child<MessageTextBox>(w, "messageText");
}
void clickSend(QWidget* w) {
    QTest::mouseClick(child<QPushButton>(w, "sendButton"), Qt::LeftButton);
}

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    // The box takes 350 characters on the wire, typed or pasted, a line break counting two.
    void textStopsAtTheLimit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("wire");
        const QString a348(348, QLatin1Char('a'));
        const QString b349(349, QLatin1Char('b'));
        const QString c340(340, QLatin1Char('c'));
        const QString d347(347, QLatin1Char('d'));
        QTest::newRow("351st character") << QString(350, QLatin1Char('x')) + QStringLiteral("y\n")
                                         << QString() << QString(350, QLatin1Char('x'));
        QTest::newRow("typed break counts two")
            << a348 + QStringLiteral("\nq") << QString() << a348 + QStringLiteral("\r\n");
        QTest::newRow("typed break does not fit")
            << b349 + QStringLiteral("\n") << QString() << b349;
        QTest::newRow("deleting makes room") << b349 + QStringLiteral("\n\b\n") << QString()
                                             << b349.left(348) + QStringLiteral("\r\n");
        QTest::newRow("paste cut")
            << QString() << QString(400, QLatin1Char('p')) << QString(350, QLatin1Char('p'));
        QTest::newRow("paste after typing cut")
            << c340 << QStringLiteral("0123456789ABC") << c340 + QStringLiteral("0123456789");
        QTest::newRow("pasted CR LF counts two")
            << d347 << QStringLiteral("x\r\ny") << d347 + QStringLiteral("x\r\n");
        QTest::newRow("pasted break does not fit") << b349 << QStringLiteral("\nz") << b349;
    }
    void textStopsAtTheLimit() {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, wire);
        SendMessageWindow w;
        typeText(textBox(&w), typed);
        paste(textBox(&w), pasted);
        QCOMPARE(w.messageText(), wire);
    }

    // An empty Send only marks the box, until a click in it; reopening brings the same window
    // with its text, and a closed window takes its text with it.
    void emptySendOnlyMarksTheBox() {
        Rig rig;
        QVERIFY(rig.start());
        SendMessageWindow* w = rig.openSendWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->focusWidget(), textBox(w));
        const QStringList log = rig.client.window().logLines();
        clickSend(w);
        QCOMPARE(w->messageBackground(), QColor(255, 192, 192));
        QCOMPARE(rig.client.window().logLines(), log);
        QTest::keyClicks(textBox(w), QStringLiteral("keep me"));
        QCOMPARE(w->messageBackground(), QColor(255, 192, 192));
        QTest::mouseClick(textBox(w)->viewport(), Qt::LeftButton);
        QCOMPARE(w->messageBackground(), QColor(255, 255, 255));

        QCOMPARE(rig.openSendWindow(), w);
        QCOMPARE(textBox(w)->toPlainText(), QStringLiteral("keep me"));
        w->close();
        QTRY_VERIFY(!rig.sendWindow());
        QVERIFY(textBox(rig.openSendWindow())->toPlainText().isEmpty());
        QCOMPARE(rig.server.connections, 0);
    }

    // Send logs at once; the text goes out as one record in the wire's code page, line breaks as
    // CR LF, and the window closes. Pressed twice before the connection, it still sends once.
    void sendDeliversOneRecord_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QByteArray>("record");
        const QString a(100, QLatin1Char('a'));
        const QString b(248, QLatin1Char('b'));
        QTest::newRow("350 characters over two lines")
            << a + QLatin1Char('\n') + b + QLatin1Char('!') << QString() << 1
            << "MESSAG" + (a + QStringLiteral("\r\n") + b).toLatin1();
        QTest::newRow("code page") << QString() << QStringLiteral("Caf\u00e9 \u20ac ok\nnext") << 1
                                   << QByteArray("MESSAGCaf\xe9 \x80 ok\r\nnext");
        QTest::newRow("blanks only")
            << QStringLiteral("  \n") << QString() << 1 << QByteArray("MESSAG  \r\n");
        QTest::newRow("sent twice")
            << QStringLiteral("twice") << QString() << 2 << QByteArray("MESSAGtwice");
    }
    void sendDeliversOneRecord() {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(int, clicks);
        QFETCH(QByteArray, record);
        Rig rig;
        QVERIFY(rig.start());
        SendMessageWindow* w = rig.openSendWindow();
        typeText(textBox(w), typed);
        paste(textBox(w), pasted);
        for (int i = 0; i < clicks; ++i)
            clickSend(w);
        QCOMPARE(rig.client.newestEntry(), QStringList{kSending});
        QTRY_COMPARE(rig.server.sent(), QList<QByteArray>{record});
        QTRY_VERIFY(!rig.sendWindow());
        QCOMPARE(rig.logged(kSending), clicks);
    }

    // The text is read when the connection is made: a window closed before then sends none.
    void windowClosedBeforeTheConnectionSendsNoText() {
        Rig rig;
        QVERIFY(rig.start());
        SendMessageWindow* w = rig.openSendWindow();
        QTest::keyClicks(textBox(w), QStringLiteral("never sent"));
        clickSend(w);
        w->close();
        QTRY_COMPARE(rig.server.sent(), QList<QByteArray>{"MESSAG"});
        QVERIFY(!rig.sendWindow());
    }

    void unreachableServerKeepsTheMessage() {
        Rig rig(freePort()); // nobody listens there
        QVERIFY(rig.start());
        SendMessageWindow* w = rig.openSendWindow();
        QTest::keyClicks(textBox(w), QStringLiteral("try again"));
        clickSend(w);
        QTRY_COMPARE(rig.logged(QStringLiteral("      ZAV Manager not found!")), 1);
        QCOMPARE(rig.sendWindow(), w);
        QCOMPARE(textBox(w)->toPlainText(), QStringLiteral("try again"));
    }

    // A second message joins the first in the same window, its block right after the first
    // block's rule, byte for byte and never read as markup.
    void messagesCollectInOneWindow_data() {
        QTest::addColumn<QByteArray>("second"); // the record's bytes after "MESSAG"
        QTest::addColumn<QString>("shown");
        QTest::newRow("one line") << QByteArray("Second") << QStringLiteral("Second");
        QTest::newRow("several lines")
            << QByteArray("one\r\ntwo\r\n  three") << QStringLiteral("one\r\ntwo\r\n  three");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("markup") << QByteArray("<b>x</b> <img src=\"a.png\"> &amp;")
                                << QStringLiteral("<b>x</b> <img src=\"a.png\"> &amp;");
        QTest::newRow("code page")
            << QByteArray("Caf\xe9 \x80") << QStringLiteral("Caf\u00e9 \u20ac");
    }
    void messagesCollectInOneWindow() {
        QFETCH(QByteArray, second);
        QFETCH(QString, shown);
        Rig rig;
        QVERIFY(rig.start());
        deliver(rig.listenPort, "MESSAGHello\r\nthere");
        QTRY_VERIFY(rig.receivedWindow());
        ReceivedMessagesWindow* w = rig.receivedWindow();
        QVERIFY(w->isVisible());
        QVERIFY(rig.trayIs(TrayPicture::Message, "ZAV Remote 2002... message received", true));

        rig.t.clock = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 0));
        deliver(rig.listenPort, "MESSAG" + second);
        const QString expected =
            messageBlock(QStringLiteral("01:30pm"), QStringLiteral("Hello\r\nthere")) +
            messageBlock(QStringLiteral("09:05am"), shown);
        QTRY_COMPARE(w->historyText(), expected);
        QCOMPARE(rig.receivedWindow(), w);
        auto* history = child<QPlainTextEdit>(w, "history");
        QCOMPARE(history->toPlainText(),
                 QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }

    // Closing the window sets the tray back to waiting whatever the link showed, touches nothing
    // else, and the next message starts a new history.
    void closingReturnsTheTrayToWaiting() {
        Rig rig;
        QVERIFY(rig.start());
        ServerLink& link = rig.client.link();
        const QString peer = QStringLiteral("127.0.0.1");
        link.dispatchRecord(QStringLiteral("MESSAGfirst"), peer);
        ReceivedMessagesWindow* w = rig.receivedWindow();
        QVERIFY(w);
        // A status report while the window is open takes the tray over.
        link.dispatchRecord(QStringLiteral("STATUS DISCNOSIG12:40pm"), peer);
        QVERIFY(rig.trayIs(TrayPicture::Cloud,
                           "ZAV Remote 2002... Internet not available - No Signal", true));

        MainWindow& main = rig.client.window();
        main.hide();
        const auto indicators = [&main] {
            return QVariantList{int(main.visiblePicture()), main.statusWord(), main.lampColour(),
                                main.lastConnectTime()};
        };
        const QVariantList before = indicators();
        w->close();
        QVERIFY(rig.trayIs(TrayPicture::Plain, "ZAV Remote 2002... waiting for status", false));
        QCOMPARE(indicators(), before);
        QVERIFY(!main.isVisible());
        QTRY_VERIFY(!rig.receivedWindow());

        link.dispatchRecord(QStringLiteral("MESSAGnext"), peer);
        QVERIFY(rig.receivedWindow());
        QCOMPARE(rig.receivedWindow()->historyText(),
                 messageBlock(QStringLiteral("01:30pm"), QStringLiteral("next")));
    }

    // A peer that sends many large messages cannot make the window grow without bound: it keeps
    // the newest blocks within its bound, drops the oldest ones whole, and keeps every block it
    // keeps exactly as it was, on screen too.
    void historyKeepsTheNewestBlocks_data() {
        QTest::addColumn<bool>("severalLines");
        QTest::newRow("one line each") << false;
        QTest::newRow("several lines each") << true;
    }
    void historyKeepsTheNewestBlocks() {
        QFETCH(bool, severalLines);
        ReceivedMessagesWindow w;
        const QString peer = QStringLiteral("10.0.0.7");
        const QTime time(13, 30);
        QStringList blocks;
        for (int i = 0; i < 20; ++i) {
            QString message = QString::number(i) + QString(60 * 1024, QChar(u'a' + i));
            if (severalLines) {
                message.insert(100, QStringLiteral("\r\n"));
                message.insert(5000, QLatin1Char('\r'));
                message.insert(9000, QLatin1Char('\n'));
            }
            w.appendMessage(message, peer, time);
            blocks << ReceivedMessagesWindow::messageBlock(message, peer, time);
        }
        QString kept;
        for (qsizetype i = blocks.size() - 1;
             i >= 0 && kept.size() + blocks[i].size() <= ReceivedMessagesWindow::kMaxHistoryChars;
             --i)
            kept.prepend(blocks[i]);
        QVERIFY(kept.size() < blocks.join(QString()).size());
        QVERIFY(w.historyText() == kept);
        QString shown = kept;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QVERIFY(child<QPlainTextEdit>(&w, "history")->toPlainText() == shown);
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
