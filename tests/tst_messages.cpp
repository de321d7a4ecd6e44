// The message windows, driven through the client's desktop against a record server on 127.0.0.1.
#include "testsupport.h"

#include <QClipboard>
#include <QPushButton>

namespace {

QString messageBlock(const QString& time, const QString& message) {
    return " Received at " + time + " from IP Address 127.0.0.1...\r\n  " + message + "\r\n " +
           QString(105, QLatin1Char('-'));
}

// The running client with polling stopped; its commands go to the record server.
struct Rig : RecordServer, Sandbox {
    bool started;
    Rig() : Sandbox(sampleSettings(freePort(), port())), started(start()) { link().stopPolling(); }
    bool trayIs(TrayPicture picture, const char* toolTip, bool alert) {
        return trayShows(picture) && desktop.tray().toolTip() == QLatin1String(toolTip) &&
               desktop.tray().alert() == alert;
    }
};

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    // Send logs, sends one record (350 characters at most, a break counting two) and closes, once
    // for a double press; the text is read on connecting; a message not taken stays.
    void sendDeliversOneRecord_data() {
        QTest::addColumn<QString>("typed"); // '\r' is the Enter key, '\b' Backspace
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<int>("clicks"); // negative: the window is closed then; 0: nobody listens
        QTest::addColumn<QByteArray>("record");
        auto row = [](const char* name, const QString& typed, const QString& pasted,
                      const QString& record, int clicks = 1) {
            QTest::newRow(name) << typed << pasted << clicks << "MESSAG" + record.toLatin1();
        };
        const QString a348(348, u'a'), b349(349, u'b'), c340(340, u'c'), d347(347, u'd');
        row("351st character", QString(350, u'x') + "y\r", "", QString(350, u'x'));
        row("typed break counts two", a348 + "\rq", "", a348 + "\r\n");
        row("deleting makes room", b349 + "\r\b\r", "", b349.left(348) + "\r\n");
        row("paste after typing cut", c340, "0123456789ABC", c340 + "0123456789");
        row("pasted CR LF counts two", d347, "x\r\ny", d347 + "x\r\n");
        row("pasted break does not fit", b349, "\nz", b349);
        row("sent twice", "twice", "", "twice", 2);
        row("window closed before the connection", "never sent", "", "", -1);
        row("server not found", "try again", "", "", 0);
    }
    void sendDeliversOneRecord() {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(int, clicks);
        QFETCH(QByteArray, record);
        Rig rig;
        QVERIFY(rig.started);
        child<QPushButton>(&rig.window(), "sendMessageButton")->click();
        SendMessageWindow* w = rig.desktop.sendMessageWindow();
        auto* text = child<MessageTextBox>(w, "messageText");
        QTest::keyClicks(text, typed);
        QApplication::clipboard()->setText(pasted);
        text->paste();
        if (clicks == 0) {
            rig.link().setServer(QStringLiteral("127.0.0.1"), freePort());
            click(w, "sendButton");
            QTRY_COMPARE(rig.newestEntry().value(1),
                         QStringLiteral("      ZAV Manager not found!"));
            QVERIFY(rig.desktop.sendMessageWindow() == w && w->messageText() == typed);
            QVERIFY(rig.sent().isEmpty());
            return;
        }
        for (int i = 0; i < qAbs(clicks); ++i)
            click(w, "sendButton");
        if (clicks < 0)
            w->close();
        QTRY_COMPARE(rig.sent(), QList<QByteArray>{record});
        QTRY_VERIFY(!rig.desktop.sendMessageWindow());
        QCOMPARE(rig.window().logLines().count("     Sending a message to Server"), qAbs(clicks));
    }

    // Messages join one window byte for byte, never as markup; closing it resets the tray only.
    void messagesCollectInOneWindow() {
        Rig rig;
        QVERIFY(rig.started);
        const int listenPort = rig.app.settings().listenPort;
        deliver(listenPort, "MESSAGHello\r\nthere");
        QTRY_VERIFY(rig.desktop.receivedMessagesWindow());
        ReceivedMessagesWindow* w = rig.desktop.receivedMessagesWindow();
        QVERIFY(w->isVisible() &&
                rig.trayIs(TrayPicture::Message, "ZAV Remote 2002... message received", true));
        rig.clock = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 0));
        QString expected = messageBlock("01:30pm", "Hello\r\nthere");
        const QList<std::pair<QByteArray, QString>> more{
            {"<b>x</b> <img src=\"a.png\"> &amp;", "<b>x</b> <img src=\"a.png\"> &amp;"},
            {"Caf\xe9 \x80", "Caf\u00e9 \u20ac"}};
        for (const auto& [bytes, shown] : more) {
            deliver(listenPort, "MESSAG" + bytes);
            expected += messageBlock("09:05am", shown);
            QTRY_COMPARE(w->historyText(), expected);
        }
        QCOMPARE(child<QPlainTextEdit>(w, "history")->toPlainText(),
                 expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        MainWindow& main = rig.window();
        main.hide();
        const QString word = main.statusWord();
        w->close();
        QVERIFY(rig.trayIs(TrayPicture::Plain, "ZAV Remote 2002... waiting for status", false));
        QVERIFY(main.statusWord() == word && !main.isVisible());
        QTRY_VERIFY(!rig.desktop.receivedMessagesWindow());
        rig.link().dispatchRecord(QStringLiteral("MESSAGnext"), QStringLiteral("127.0.0.1"));
        QVERIFY(rig.desktop.receivedMessagesWindow());
        QCOMPARE(rig.desktop.receivedMessagesWindow()->historyText(),
                 messageBlock("09:05am", "next"));
    }

    // A flood keeps the newest blocks unchanged, on screen too, and drops the oldest whole.
    void historyKeepsTheNewestBlocks() {
        ReceivedMessagesWindow w;
        const QString peer = QStringLiteral("10.0.0.7");
        const QTime time(13, 30);
        QStringList blocks;
        for (int i = 0; i < 20; ++i) {
            QString message = QString::number(i) + QString(60 * 1024, QChar(u'a' + i));
            if (i % 2) // and some of several lines
                message.insert(100, QStringLiteral("\r\n")).insert(5000, u'\r').insert(9000, u'\n');
            w.appendMessage(message, peer, time);
            blocks << ReceivedMessagesWindow::messageBlock(message, peer, time);
        }
        QString kept;
        while (kept.size() + blocks.last().size() <= ReceivedMessagesWindow::kMaxHistoryChars)
            kept.prepend(blocks.takeLast()); // some are left: all would not fit
        QVERIFY(w.historyText() == kept);
        kept.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        QVERIFY(child<QPlainTextEdit>(&w, "history")->toPlainText() == kept);
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
