// The main window: link states, start-up outcomes, start options, modes, tray, About, shutdown.
#include "testsupport.h"

#include "app/settingswriter.h"

#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>

// What the indicators and the tray show.
struct Look {
    StatusPicture picture;
    QString word;
    QColor lamp;
    QString lastConnect;
    TrayPicture tray;
    QString tip; // after "ZAV Remote 2002... "
    bool alert;
};
Q_DECLARE_METATYPE(Look)
Q_DECLARE_METATYPE(ShownMessage)
enum class SettingsFile { Missing, Good, Unreadable, PortTaken };
Q_DECLARE_METATYPE(SettingsFile)

namespace {

const char* const kCommandButtons[] = {"connectButton", "disconnectButton",  "settingsButton",
                                       "modeButton",    "sendMessageButton", "aboutButton"};

// The status pictures on show (the 32-pixel pictures stacked at the top left).
QList<QLabel*> shownPictures(MainWindow& w) {
    QList<QLabel*> out;
    for (QLabel* l : w.findChildren<QLabel*>())
        if (!l->pixmap().isNull() && l->height() == 32 && !l->isHidden())
            out << l;
    return out;
}

void expectLook(TestClient& c, const Look& look) {
    MainWindow& w = c.window();
    QCOMPARE(shownPictures(w).size(), 1);
    QCOMPARE(int(w.visiblePicture()), int(look.picture));
    QCOMPARE(w.statusWord(), look.word);
    QCOMPARE(w.lampColour(), look.lamp);
    QCOMPARE(w.lastConnectTime(), look.lastConnect);
    QVERIFY(c.trayShows(look.tray));
    QCOMPARE(c.desktop.tray().toolTip(), QStringLiteral("ZAV Remote 2002... ") + look.tip);
    QCOMPARE(c.desktop.tray().alert(), look.alert);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void linkStates_data() {
        QTest::addColumn<Look>("look"); // the row's name is the status code
        using P = StatusPicture;
        using T = TrayPicture;
        const QColor pale = kLampPaleYellow, green = kLampGreen, red = kLampRed;
        const char* noSignal = "Internet not available - No Signal";
        const char* dialing = "server is now dialing";
        auto row = [](const char* code, const Look& look) { QTest::newRow(code) << look; };
        const QString at = QStringLiteral("07:45pm");
        row("NOCARDSTA", {P::NoCard, "NO CARD", pale, at, T::RedX,
                          "server reports no card status available", true});
        row("CONNSIGOK",
            {P::Connected, "ONLINE", green, at, T::Connected, "Internet is available", false});
        row("DISCSIGOK", {P::Disconnected, "OFFLINE", green, at, T::Disconnected,
                          "Internet not available", false});
        row("CONNNOSIG", {P::NoSignal, "ONLINE", red, at, T::Cloud, noSignal, true});
        row("DISCNOSIG", {P::NoSignal, "OFFLINE", red, at, T::Cloud, noSignal, true});
        row("DIALNOSIG", {P::Dialing, "DIALING", red, at, T::Dialing, dialing, true});
        row("DIALSIGOK", {P::Dialing, "DIALING", green, at, T::Dialing, dialing, true});
        row("no server", {P::NoServer, "NO SRVR!", pale, "No Server!", T::RedX,
                          "server not found - status unavailable", true});
    }
    void linkStates() {
        QFETCH(Look, look);
        Sandbox c;
        ServerLink& link = c.link();
        const QString peer = QStringLiteral("127.0.0.1");
        // Each state replaces those shown before; a command finding no server comes last.
        link.dispatchRecord(QStringLiteral("STATUS#DIALSIGOK01:00am"), peer);
        emit link.stateChanged(LinkState::NoServer);
        if (look.picture != StatusPicture::NoServer)
            link.dispatchRecord(
                QStringLiteral("STATUS#%1%2XYZ").arg(QTest::currentDataTag(), look.lastConnect),
                peer);
        expectLook(c, look);
        // Text from the network is shown as it is, never interpreted.
        for (const char* name : {"statusWord", "lastConnectTime"})
            QCOMPARE(child<QLabel>(&c.window(), name)->textFormat(), Qt::PlainText);
    }

    void startup_data() {
        QTest::addColumn<SettingsFile>("file");
        QTest::addColumn<QPoint>("stored");     // twips
        QTest::addColumn<ShownMessage>("box");  // no title: no box
        QTest::addColumn<QStringList>("entry"); // %1 stands for the listen port
        QTest::addColumn<Look>("look");
        QTest::addColumn<QPoint>("position"); // (-1, -1): not placed
        using S = SettingsFile;
        using P = StatusPicture;
        const QStringList started{
            "     ZAV Remote 2002 started OK", "     Values read from INI file...",
            "      Transmit Port: 2509",       "      Listen Port: %1",
            "      Server IP: 127.0.0.1",      "      Interval: 33 secs"};
        const QString check = QStringLiteral("     Check the current settings!");
        auto look = [](P picture, const char* word, const char* tip) {
            const bool running = QByteArray(tip) == "client running";
            const TrayPicture tray = running ? TrayPicture::ServerRunning : TrayPicture::RedX;
            return Look{picture, word, kLampPaleYellow, "na", tray, tip, !running};
        };
        const Look running = look(P::NoStatus, "WAIT...", "client running");
        QTest::newRow("running") << S::Good << QPoint(1500, 3000) << ShownMessage{} << started
                                 << running << QPoint(100, 200);
        QTest::newRow("stored at 1,1 opens at 0,0")
            << S::Good << QPoint(1, 1) << ShownMessage{} << started << running << QPoint(0, 0);
        QTest::newRow("no settings file")
            << S::Missing << QPoint()
            << ShownMessage{MsgIcon::Critical, "INI File Missing...",
                            "The INI file containing the settings for ZAV Remote is missing...\n\r"
                            "(this is normal if it is the first time you have run this program)"
                            "\n\r\n\rPlease go to the settings panel and save new settings."}
            << QStringList{"     INI file does not exist...", "     Goto settings and save!"}
            << look(P::NoServer, "ERROR", "please check settings") << QPoint(0, 0);
        QTest::newRow("unreadable settings file")
            << S::Unreadable << QPoint(1500, 3000)
            << ShownMessage{MsgIcon::Information, "INI File Error...",
                            "There was an error reading the INI file...\n\r"
                            "please check the current settings."}
            << QStringList{"     Error reading INI file...", check}
            << look(P::NoStatus, "WAIT...", "please check settings") << QPoint(-1, -1);
        QTest::newRow("listen port taken")
            << S::PortTaken << QPoint(1500, 3000) << ShownMessage{}
            << QStringList{"     Error connecting to port: %1", check}
            << look(P::NoStatus, "WAIT...", "client could not be started") << QPoint(100, 200);
    }
    void startup() {
        QFETCH(SettingsFile, file);
        QFETCH(QPoint, stored);
        QFETCH(ShownMessage, box);
        QFETCH(QStringList, entry);
        QFETCH(Look, look);
        QFETCH(QPoint, position);
        TestEnvironment t;
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::AnyIPv4, quint16(freePort())));
        const int port = file == SettingsFile::PortTaken ? squatter.serverPort() : freePort();
        Settings s = sampleSettings(port, 2509);
        s.windowLeft = qint16(stored.x());
        s.windowTop = qint16(stored.y());
        s.pollIntervalSeconds = 33;
        QByteArray bytes = settingsFileBytes(s, QStringLiteral("12/6/26"));
        if (file == SettingsFile::Unreadable)
            bytes.replace("\r\n1500\r\n", "\r\nleft\r\n");
        if (file != SettingsFile::Missing)
            t.writeIni(bytes);

        TestClient c;
        QVERIFY(c.start());
        // A second copy ends at once and shows nothing; all below holds for the first still.
        TestClient second;
        QVERIFY(!second.start());
        QVERIFY(!second.window().isVisible() && !second.desktop.tray().shown() &&
                second.window().logLines().isEmpty());

        QCOMPARE(t.boxes.size(), box.title.isEmpty() ? 0 : 1);
        for (const ShownMessage& m : std::as_const(t.boxes))
            QVERIFY(m.icon == box.icon && m.title == box.title && m.text == box.text);
        // Exactly one entry: separator, time line, the message lines.
        MainWindow& w = c.window();
        const QString separator = QStringLiteral("     ") + QString(38, QLatin1Char('-'));
        QCOMPARE(w.logLines(), QStringList({separator, QStringLiteral("     01:30pm")}) +
                                   entry.replaceInStrings("%1", QString::number(port)));
        expectLook(c, look);
        if (file == SettingsFile::Missing)
            QCOMPARE(shownPictures(w).value(0)->toolTip(), c.desktop.tray().toolTip());
        QVERIFY(c.desktop.tray().shown() && w.isVisible());
        if (position != QPoint(-1, -1))
            QCOMPARE(w.pos(), position);
        // Only a running client listens and polls.
        const bool running = look.tray == TrayPicture::ServerRunning;
        QCOMPARE(c.link().reports().isListening(), running);
        QCOMPARE(c.link().isPolling() ? c.link().pollIntervalMs() : 0, running ? 33000 : 0);
    }

    void modesAndTray_data() {
        QTest::addColumn<bool>("mini"); // the start options
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<bool>("visible");
        QTest::newRow("normal") << false << false << true << true;
        QTest::newRow("mini") << true << false << true << true;
        QTest::newRow("tray") << false << true << true << false;
        QTest::newRow("both") << true << true << true << false;
        QTest::newRow("tray option, no tray") << false << true << false << true;
    }
    void modesAndTray() {
        QFETCH(bool, mini);
        QFETCH(bool, tray);
        QFETCH(bool, trayAvailable);
        QFETCH(bool, visible);
        TrayIcon::setTrayAvailableOverride(trayAvailable);
        Settings s = sampleSettings(freePort(), freePort());
        s.startInMiniMode = mini;
        s.startInTray = tray;
        Sandbox c(s);
        QVERIFY(c.start());
        MainWindow& w = c.window();
        const int height = mini ? 80 : 275;
        const QPoint corner = w.pos();
        QCOMPARE(w.isVisible(), visible);
        QCOMPARE(w.height(), height);
        // The tray toggles the window in its mode and place; never hidden without a tray.
        emit c.desktop.tray().notification(0);
        QCOMPARE(w.isVisible(), !visible || !trayAvailable);
        emit c.desktop.tray().notification(0);
        QCOMPARE(w.isVisible(), visible || !trayAvailable);
        QCOMPARE(w.height(), height);
        QCOMPARE(w.pos(), corner);

        // Two presses of the mode button return; the log and the buttons work in either mode.
        auto* mode = child<QPushButton>(&w, "modeButton");
        mode->click();
        QCOMPARE(w.height(), mini ? 275 : 80);
        emit c.link().logEntry({QStringLiteral("     x")});
        for (const char* name : kCommandButtons)
            QVERIFY2(w.rect().contains(child<QWidget>(&w, name)->geometry()), name);
        mode->click();
        QCOMPARE(w.height(), height);
        QCOMPARE(w.pos(), corner);
        QCOMPARE(w.logLines().value(2), QStringLiteral("     x"));
    }

    void trayMenu() {
        TrayIcon::setTrayAvailableOverride(1);
        RecordServer server;
        Sandbox c(sampleSettings(freePort(), server.port()));
        QVERIFY(c.start());
        auto action = [&c](const char* text) {
            for (QAction* a : c.desktop.trayMenu()->actions())
                if (a->text().remove(QLatin1Char('&')) == QLatin1String(text))
                    return a;
            qFatal("no tray menu entry %s", text);
        };
        action("Show / Hide")->trigger();
        action("Normal / Mini window")->trigger();
        QVERIFY(!c.window().isVisible() && c.window().isMiniMode());
        action("Connect")->trigger();
        QTRY_COMPARE(server.sent(), QList<QByteArray>{"CONNEC"});
        for (const char* entry : {"Send a message...", "About...", "Options..."})
            action(entry)->trigger();
        QVERIFY(c.desktop.sendMessageWindow()->isVisible() &&
                c.desktop.aboutWindow()->isVisible() && c.desktop.optionsPanel()->isVisible());

        // Quit runs the shutdown and ends the event loop, even with the Options panel open.
        QTimer::singleShot(0, action("Quit"), &QAction::trigger);
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(c.app.isShutDown());
        QVERIFY(!c.window().isVisible());
        for (QWidget* w : {static_cast<QWidget*>(c.desktop.sendMessageWindow()),
                           static_cast<QWidget*>(c.desktop.aboutWindow())})
            QVERIFY(!w || !w->isVisible());
    }

    // The sink lies out of sight; About is one window, brought forward, made anew once closed.
    void sinkAndAbout() {
        Sandbox c;
        QVERIFY(c.start());
        MainWindow& w = c.window();
        QVERIFY(!QRect(0, 0, 161, 275).intersects(child<QWidget>(&w, "focusSink")->geometry()));
        child<QPushButton>(&w, "aboutButton")->click();
        AboutWindow* about = c.desktop.aboutWindow();
        child<QPushButton>(&w, "aboutButton")->click();
        QCOMPARE(c.desktop.aboutWindow(), about);
        about->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!c.desktop.aboutWindow());
        child<QPushButton>(&w, "aboutButton")->click();
        QVERIFY(c.desktop.aboutWindow() && c.desktop.aboutWindow()->isVisible());
    }

    void shutdown_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QByteArrayList>("written"); // left and top; none: the file is left alone
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("position saved")
            << true << false << QPoint(40, 60) << QByteArrayList{"600", "900"} << false;
        QTest::newRow("not asked to")
            << false << false << QPoint(40, 60) << QByteArrayList() << false;
        QTest::newRow("left edge beyond 16 bits")
            << true << false << QPoint(2200, 70) << QByteArrayList{"1500", "1050"} << false;
        QTest::newRow("after an incomplete read")
            << true << true << QPoint(40, 60) << QByteArrayList() << false;
        QTest::newRow("disk full: the old file stays, the failure is logged")
            << true << false << QPoint(40, 60) << QByteArrayList() << true;
    }
    void shutdown() {
        QFETCH(bool, save);
        QFETCH(bool, damaged);
        QFETCH(QPoint, position);
        QFETCH(QByteArrayList, written);
        QFETCH(bool, diskFull);
        TestEnvironment t;
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        Settings s = sampleSettings(freePort(), freePort());
        s.saveWindowPosition = save;
        QByteArray before = settingsFileBytes(s, QStringLiteral("1/1/01"));
        if (damaged) // the interval, the last value read
            QVERIFY(before.replace("\r\n5\r\n", "\r\nfive\r\n").contains("five"));
        t.writeIni(before);
        TestClient c;
        QVERIFY(c.start());
        c.window().move(position);
        t.clock = QDateTime(QDate(2027, 2, 3), QTime(8, 0));
        if (diskFull) {
            setFileReplaceFault({300, FileReplaceFault::Step::None});
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^the settings were not saved to "
                                                    ".*: cannot write the new file: No space"));
        }
        c.window().close();
        QVERIFY(!c.window().isVisible());
        QVERIFY(!c.link().reports().isListening() && !c.link().isPolling());
        // Only the position and the date change, if anything.
        QByteArrayList expected = before.split('\n');
        if (!written.isEmpty()) {
            expected[20] = written[0] + '\r';
            expected[23] = written[1] + '\r';
            expected[48] = "'2/3/27\r";
        }
        QCOMPARE(t.readIni().split('\n'), expected);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
