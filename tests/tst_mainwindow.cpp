// The client in its session: link states, one copy, splash, start-up, shutdown, tray, menu.
#include "testsupport.h"

#include "app/settingswriter.h"

#include <QMenu>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSessionManager>
#include <unistd.h>

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

// A start-up from a settings file, then a shutdown after the window was moved.
struct Run {
    QString setup; // "missing", "damaged", "port taken", "disk full" or none
    bool savePosition;
    ShownMessage box;  // no title: no box
    QStringList entry; // %1 stands for the listen port
    Look look;
    QPoint position; // (-1, -1): not placed
    QPoint moved;
    QByteArrayList written; // left and top; none: the file is left alone
};
Q_DECLARE_METATYPE(Run)

namespace {

// One status picture shows (of those stacked at the top left), with `pictureTip` if given.
void expectLook(TestClient& c, const Look& look, const QString& pictureTip = QString()) {
    MainWindow& w = c.window();
    QStringList shown;
    for (QLabel* l : w.findChildren<QLabel*>())
        if (!l->pixmap().isNull() && l->height() == 32 && !l->isHidden())
            shown << (pictureTip.isEmpty() ? pictureTip : l->toolTip());
    QCOMPARE(shown, QStringList{pictureTip});
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
    // Each state replaces the one shown before; text from the network is shown as it is.
    void linkStates() {
        using P = StatusPicture;
        using T = TrayPicture;
        const QColor pale = kLampPaleYellow, green = kLampGreen, red = kLampRed;
        const char *noSignal = "Internet not available - No Signal",
                   *dialing = "server is now dialing";
        const char *noCard = "server reports no card status available",
                   *on = "Internet is available";
        const char *off = "Internet not available", *lost = "server not found - status unavailable";
        const Look noServer{P::NoServer, "NO SRVR!", pale, "No Server!", T::RedX, lost, true};
        const QList<std::pair<QString, Look>> states{
            {"DIALSIGOK", {P::Dialing, "DIALING", green, "01:00am", T::Dialing, dialing, true}},
            {"", noServer},
            {"NOCARDSTA", {P::NoCard, "NO CARD", pale, "07:41pm", T::RedX, noCard, true}},
            {"CONNSIGOK", {P::Connected, "ONLINE", green, "07:42pm", T::Connected, on, false}},
            {"DISCSIGOK",
             {P::Disconnected, "OFFLINE", green, "07:43pm", T::Disconnected, off, false}},
            {"CONNNOSIG", {P::NoSignal, "ONLINE", red, "07:44pm", T::Cloud, noSignal, true}},
            {"DISCNOSIG", {P::NoSignal, "OFFLINE", red, "07:45pm", T::Cloud, noSignal, true}},
            {"DIALNOSIG", {P::Dialing, "DIALING", red, "<b>x</b", T::Dialing, dialing, true}}};
        Sandbox c;
        for (const auto& [code, look] : states) {
            if (code.isEmpty())
                emit c.link().stateChanged(LinkState::NoServer);
            else
                c.link().dispatchRecord(
                    QStringLiteral("STATUS#%1%2XYZ").arg(code, look.lastConnect),
                    QStringLiteral("127.0.0.1"));
            expectLook(c, look);
        }
        for (const char* name : {"statusWord", "lastConnectTime"})
            QCOMPARE(child<QLabel>(&c.window(), name)->textFormat(), Qt::PlainText);
    }

    // Without a runtime folder the lock sits in a private folder; another user's lock is ignored.
    void instanceLock() {
        const auto restore =
            qScopeGuard([r = qgetenv("XDG_RUNTIME_DIR"), h = qgetenv("XDG_CACHE_HOME")] {
                r.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", r);
                h.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", h);
            });
        QTemporaryDir cache;
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        InstanceLock first;
        QVERIFY(first.path().startsWith(cache.path()) && first.tryTake());
        const QFileInfo folder(cache.filePath(QStringLiteral("zav-remote")));
        QVERIFY(folder.isDir() && !(folder.permissions() &
                                    (QFile::WriteGroup | QFile::WriteOther | QFile::ReadOther)));
        QVERIFY(!InstanceLock().tryTake());

        if (geteuid() != 0)
            QSKIP("Making a file of another user's needs root");
        const QString path = cache.filePath(QStringLiteral("planted.lock"));
        QLockFile planted(path);
        QVERIFY(planted.tryLock(0));
        QVERIFY(::chown(QFile::encodeName(path).constData(), 4242, 4242) == 0);
        QVERIFY(InstanceLock(path).tryTake());
    }

    // The hold, which handles no events, begins only once the splash has been painted.
    void splashIsPaintedBeforeTheHold() {
        // Holds the splash's paint back for a moment, as a window manager's late expose does.
        struct LateExpose : QObject {
            bool released = false, delayed = false, painted = false;
            bool eventFilter(QObject* watched, QEvent* event) override {
                auto* splash = qobject_cast<SplashWindow*>(watched);
                if (!splash || event->type() != QEvent::Paint)
                    return false;
                painted = released;
                if (!std::exchange(delayed, true))
                    QTimer::singleShot(200, splash, [this, splash] {
                        released = true;
                        splash->update();
                    });
                return !released;
            }
        } late;
        Sandbox c;
        env().splashHoldSeconds = 1;
        int reads = 0;
        bool paintedWhenHeld = false;
        env().now = [&] { // the hold begins at its first look at the clock; later looks end it
            if (reads++ == 0)
                paintedWhenHeld = late.painted;
            return c.clock.addSecs(reads > 1 ? 5 : 0);
        };
        qApp->installEventFilter(&late);
        const bool started = c.start();
        qApp->removeEventFilter(&late);
        QVERIFY(started && late.delayed && paintedWhenHeld);
    }

    // Start-up's outcomes (a second copy shows nothing; without a tray the window stays); shutdown
    // writes the position only when asked, after a complete read; a failed write is logged.
    void startupAndShutdown_data() {
        QTest::addColumn<Run>("run");
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
        const QPoint placed(100, 200), origin(0, 0), unplaced(-1, -1), at(40, 60), far(2200, 70);
        const QByteArrayList saved{"600", "900"}, clamped{"1500", "1050"}, untouched;
        const ShownMessage none{};
        const ShownMessage missing{
            MsgIcon::Critical, "INI File Missing...",
            "The INI file containing the settings for ZAV Remote is missing...\n\r(this is "
            "normal if it is the first time you have run this program)\n\r\n\rPlease go to the "
            "settings panel and save new settings."};
        const ShownMessage unreadable{
            MsgIcon::Information, "INI File Error...",
            "There was an error reading the INI file...\n\rplease check the current settings."};
        const QStringList noFile{"     INI file does not exist...", "     Goto settings and save!"};
        const QStringList readError{"     Error reading INI file...", check};
        const QStringList portTaken{"     Error connecting to port: %1", check};
        const Look checkSettings = look(P::NoStatus, "WAIT...", "please check settings");
        const Look noSettings = look(P::NoServer, "ERROR", "please check settings");
        const Look notStarted = look(P::NoStatus, "WAIT...", "client could not be started");
        QTest::newRow("position saved") << Run{"", true, none, started, running, placed, at, saved};
        QTest::newRow("position not asked for")
            << Run{"", false, none, started, running, placed, at, untouched};
        QTest::newRow("left edge beyond 16 bits")
            << Run{"", true, none, started, running, placed, far, clamped};
        QTest::newRow("disk full")
            << Run{"disk full", true, none, started, running, placed, at, untouched};
        QTest::newRow("no settings file")
            << Run{"missing", true, missing, noFile, noSettings, origin, at, untouched};
        QTest::newRow("last value unreadable")
            << Run{"damaged", true, unreadable, readError, checkSettings, unplaced, at, untouched};
        QTest::newRow("listen port taken")
            << Run{"port taken", true, none, portTaken, notStarted, placed, at, saved};
    }
    void startupAndShutdown() {
        QFETCH(Run, run);
        const QString& setup = run.setup;
        TestEnvironment t;
        TrayIcon::setTrayAvailableOverride(0);
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::AnyIPv4, quint16(freePort())));
        const int port = setup == QLatin1String("port taken") ? squatter.serverPort() : freePort();
        Settings s = sampleSettings(port, 2509);
        s.pollIntervalSeconds = 33;
        s.saveWindowPosition = run.savePosition;
        s.startInTray = true; // with no tray to start in
        QByteArray before = settingsFileBytes(s, QStringLiteral("1/1/01"));
        if (setup == QLatin1String("damaged")) // the interval, the last value read
            QVERIFY(before.replace("\r\n33\r\n", "\r\nthirty\r\n").contains("thirty"));
        if (setup == QLatin1String("missing"))
            before.clear();
        else
            t.writeIni(before);

        TestClient c;
        QVERIFY(c.start());
        TestClient second;
        QVERIFY(!second.start() && !second.window().isVisible() && !second.desktop.tray().shown() &&
                second.window().logLines().isEmpty());
        QCOMPARE(t.boxes.size(), run.box.title.isEmpty() ? 0 : 1);
        for (const ShownMessage& m : std::as_const(t.boxes))
            QVERIFY(m.icon == run.box.icon && m.title == run.box.title && m.text == run.box.text);
        MainWindow& w = c.window();
        const QString separator = QStringLiteral("     ") + QString(38, QLatin1Char('-'));
        QCOMPARE(w.logLines(), QStringList({separator, QStringLiteral("     01:30pm")}) +
                                   run.entry.replaceInStrings("%1", QString::number(port)));
        expectLook(c, run.look,
                   setup == QLatin1String("missing") ? c.desktop.tray().toolTip() : "");
        QVERIFY(c.desktop.tray().shown() && w.isVisible());
        emit c.desktop.tray().notification(0); // nothing could bring a hidden window back
        QVERIFY(w.isVisible());
        if (run.position != QPoint(-1, -1))
            QCOMPARE(w.pos(), run.position);
        const bool running = run.look.tray == TrayPicture::ServerRunning;
        QCOMPARE(c.link().reports().isListening(), running);
        QCOMPARE(c.link().isPolling() ? c.link().pollIntervalMs() : 0, running ? 33000 : 0);

        w.move(run.moved);
        t.clock = QDateTime(QDate(2027, 2, 3), QTime(8, 0));
        if (setup == QLatin1String("disk full")) {
            setFileReplaceFault({300, FileReplaceFault::Step::None});
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^the settings were not saved to "
                                                    ".*: cannot write the new file: No space"));
        }
        w.close();
        QVERIFY(!w.isVisible() && !c.link().reports().isListening() && !c.link().isPolling());
        QByteArrayList expected = before.split('\n'); // only the position and date change
        if (!run.written.isEmpty()) {
            expected[20] = run.written[0] + '\r';
            expected[23] = run.written[1] + '\r';
            expected[48] = "'2/3/27\r";
        }
        QCOMPARE(t.readIni().split('\n'), expected);
    }

    // The tray and a minimised window, a session save, the tray menu, and Quit.
    void session() {
        TrayIcon::setTrayAvailableOverride(1);
        RecordServer server;
        Settings s = sampleSettings(freePort(), server.port());
        s.startInTray = true;
        Sandbox c(s);
        QVERIFY(c.start());
        MainWindow& w = c.window();
        const QPoint corner = w.pos();
        QVERIFY(!w.isVisible());

        // The tray toggles the window in its mode and place; a minimised one counts as hidden.
        for (const bool thenHidden : {false, true}) {
            w.showMinimized();
            if (thenHidden)
                w.hide();
            emit c.desktop.tray().notification(0);
            QVERIFY(w.isVisible() && !w.isMinimized() && w.pos() == corner);
            emit c.desktop.tray().notification(0);
            QVERIFY(!w.isVisible());
            emit c.desktop.tray().notification(0);
        }

        // A save request (a checkpoint, or a logout that is cancelled) leaves it running.
        if (auto* manager = qApp->findChild<QSessionManager*>()) {
            emit qApp->commitDataRequest(*manager);
            emit qApp->saveStateRequest(*manager);
            QVERIFY(!c.app.isShutDown() && w.isVisible() && c.link().reports().isListening() &&
                    c.link().isPolling());
        }

        auto action = [&c](const char* text) {
            for (QAction* a : c.desktop.trayMenu()->actions())
                if (a->text().remove(QLatin1Char('&')) == QLatin1String(text))
                    return a;
            qFatal("no tray menu entry %s", text);
        };
        action("Show / Hide")->trigger();
        action("Normal / Mini window")->trigger();
        QVERIFY(!w.isVisible() && w.isMiniMode());
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
        QVERIFY(c.app.isShutDown() && !w.isVisible() && !c.link().reports().isListening());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
