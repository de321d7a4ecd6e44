// The client in its session: one copy, start-up and splash, link states, start options, modes,
// tray, About, session manager and shutdown.
#include "testsupport.h"

#include "app/instancelock.h"
#include "app/settingswriter.h"

#include <QMenu>
#include <QPushButton>
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
Q_DECLARE_METATYPE(Look)
Q_DECLARE_METATYPE(ShownMessage)
enum class SettingsFile { Missing, Good, Unreadable, PortTaken };
Q_DECLARE_METATYPE(SettingsFile)

namespace {

// The one status picture on show (they are stacked at the top left); fails on none or several.
QLabel* shownPicture(MainWindow& w) {
    QList<QLabel*> out;
    for (QLabel* l : w.findChildren<QLabel*>())
        if (!l->pixmap().isNull() && l->height() == 32 && !l->isHidden())
            out << l;
    return out.size() == 1 ? out[0] : nullptr;
}

void expectLook(TestClient& c, const Look& look) {
    MainWindow& w = c.window();
    QVERIFY(shownPicture(w));
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

    // Without a runtime folder the lock sits in a private folder and still keeps a second copy
    // out; a lock file that another user put in the lock's place is no running copy.
    void instanceLock() {
        QTemporaryDir cache;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const auto restore = qScopeGuard([&] {
            runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
            cacheHome.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", cacheHome);
        });
        InstanceLock first;
        QVERIFY(first.path().startsWith(cache.path()) && first.tryTake());
        const QFileInfo folder(cache.filePath(QStringLiteral("zav-remote")));
        QVERIFY(folder.isDir());
        QCOMPARE(folder.permissions() & (QFile::WriteGroup | QFile::WriteOther | QFile::ReadOther),
                 QFile::Permissions());
        InstanceLock second;
        QCOMPARE(second.path(), first.path());
        QVERIFY(!second.tryTake());

        if (geteuid() != 0)
            QSKIP("Making a file of another user's needs root");
        const QString path = cache.filePath(QStringLiteral("planted.lock"));
        QLockFile planted(path);
        QVERIFY(planted.tryLock(0));
        QVERIFY(::chown(QFile::encodeName(path).constData(), 4242, 4242) == 0);
        QVERIFY(InstanceLock(path).tryTake());
    }

    // Under a window manager the splash is exposed only after start-up's first pass of events;
    // the hold, which processes none, must not begin before the splash has been painted.
    void splashIsPaintedBeforeTheHold() {
        // Holds the splash's paint events back for a moment, as a late expose does.
        struct LateExpose : QObject {
            bool released = false, delayed = false, painted = false;
            bool eventFilter(QObject* watched, QEvent* event) override {
                auto* splash = qobject_cast<SplashWindow*>(watched);
                if (!splash || event->type() != QEvent::Paint)
                    return false;
                painted = released;
                if (!released && !delayed) {
                    delayed = true;
                    QTimer::singleShot(200, splash, [this, splash] {
                        released = true;
                        splash->update();
                    });
                }
                return !released;
            }
        } late;
        Sandbox c;
        env().splashHoldSeconds = 1;
        int reads = 0;
        bool paintedWhenHeld = false;
        env().now = [&] {
            // The hold's first look at the clock is where it begins; later looks end it.
            if (reads++ == 0)
                paintedWhenHeld = late.painted;
            return c.clock.addSecs(reads > 1 ? 5 : 0);
        };
        qApp->installEventFilter(&late);
        const bool started = c.start();
        qApp->removeEventFilter(&late);
        QVERIFY(started && late.delayed && paintedWhenHeld);
    }

    // Each outcome also refuses a second copy, which ends at once and shows nothing.
    void startup_data() {
        QTest::addColumn<SettingsFile>("file");
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
        QTest::newRow("running") << S::Good << ShownMessage{} << started
                                 << look(P::NoStatus, "WAIT...", "client running")
                                 << QPoint(100, 200);
        QTest::newRow("no settings file")
            << S::Missing
            << ShownMessage{MsgIcon::Critical, "INI File Missing...",
                            "The INI file containing the settings for ZAV Remote is missing...\n\r"
                            "(this is normal if it is the first time you have run this program)"
                            "\n\r\n\rPlease go to the settings panel and save new settings."}
            << QStringList{"     INI file does not exist...", "     Goto settings and save!"}
            << look(P::NoServer, "ERROR", "please check settings") << QPoint(0, 0);
        QTest::newRow("unreadable settings file")
            << S::Unreadable
            << ShownMessage{MsgIcon::Information, "INI File Error...",
                            "There was an error reading the INI file...\n\r"
                            "please check the current settings."}
            << QStringList{"     Error reading INI file...", check}
            << look(P::NoStatus, "WAIT...", "please check settings") << QPoint(-1, -1);
        QTest::newRow("listen port taken")
            << S::PortTaken << ShownMessage{}
            << QStringList{"     Error connecting to port: %1", check}
            << look(P::NoStatus, "WAIT...", "client could not be started") << QPoint(100, 200);
    }
    void startup() {
        QFETCH(SettingsFile, file);
        QFETCH(ShownMessage, box);
        QFETCH(QStringList, entry);
        QFETCH(Look, look);
        QFETCH(QPoint, position);
        TestEnvironment t;
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::AnyIPv4, quint16(freePort())));
        const int port = file == SettingsFile::PortTaken ? squatter.serverPort() : freePort();
        Settings s = sampleSettings(port, 2509);
        s.pollIntervalSeconds = 33;
        QByteArray bytes = settingsFileBytes(s, QStringLiteral("12/6/26"));
        if (file == SettingsFile::Unreadable)
            bytes.replace("\r\n1500\r\n", "\r\nleft\r\n");
        if (file != SettingsFile::Missing)
            t.writeIni(bytes);

        TestClient c;
        QVERIFY(c.start());
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
            QCOMPARE(shownPicture(w)->toolTip(), c.desktop.tray().toolTip());
        QVERIFY(c.desktop.tray().shown() && w.isVisible());
        if (position != QPoint(-1, -1))
            QCOMPARE(w.pos(), position);
        // Only a running client listens and polls.
        const bool running = look.tray == TrayPicture::ServerRunning;
        QCOMPARE(c.link().reports().isListening(), running);
        QCOMPARE(c.link().isPolling() ? c.link().pollIntervalMs() : 0, running ? 33000 : 0);
    }

    // One session per start option: the tray toggles the window in its mode and place, never
    // hiding it without a tray; two presses of the mode button return, the log and the buttons
    // working in either mode; About, a minimised window, a session manager's save request and
    // the tray menu; Quit ends it.
    void session_data() {
        QTest::addColumn<bool>("mini"); // the start options
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("trayAvailable");
        QTest::newRow("normal") << false << false << true;
        QTest::newRow("mini") << true << false << true;
        QTest::newRow("tray") << false << true << true;
        QTest::newRow("both") << true << true << true;
        QTest::newRow("tray option, no tray") << false << true << false;
    }
    void session() {
        QFETCH(bool, mini);
        QFETCH(bool, tray);
        QFETCH(bool, trayAvailable);
        TrayIcon::setTrayAvailableOverride(trayAvailable);
        RecordServer server;
        Settings s = sampleSettings(freePort(), server.port());
        s.startInMiniMode = mini;
        s.startInTray = tray;
        Sandbox c(s);
        QVERIFY(c.start());
        MainWindow& w = c.window();
        const bool visible = !tray || !trayAvailable;
        const int height = mini ? 80 : 275;
        const QPoint corner = w.pos();
        QCOMPARE(w.isVisible(), visible);
        QCOMPARE(w.height(), height);
        emit c.desktop.tray().notification(0);
        QCOMPARE(w.isVisible(), !visible || !trayAvailable);
        emit c.desktop.tray().notification(0);
        QCOMPARE(w.isVisible(), visible || !trayAvailable);
        QCOMPARE(w.height(), height);
        QCOMPARE(w.pos(), corner);

        auto* mode = child<QPushButton>(&w, "modeButton");
        mode->click();
        QCOMPARE(w.height(), mini ? 275 : 80);
        emit c.link().logEntry({QStringLiteral("     x")});
        for (const char* name : {"connectButton", "disconnectButton", "settingsButton",
                                 "modeButton", "sendMessageButton", "aboutButton"})
            QVERIFY2(w.rect().contains(child<QWidget>(&w, name)->geometry()), name);
        mode->click();
        QCOMPARE(w.height(), height);
        QCOMPARE(w.pos(), corner);
        QCOMPARE(w.logLines().value(2), QStringLiteral("     x"));
        // The focus sink lies out of sight.
        QVERIFY(!QRect(0, 0, 161, 275).intersects(child<QWidget>(&w, "focusSink")->geometry()));
        if (!trayAvailable)
            return;

        // About is one window, brought forward; closed, it goes (the menu makes it anew below).
        child<QPushButton>(&w, "aboutButton")->click();
        AboutWindow* about = c.desktop.aboutWindow();
        child<QPushButton>(&w, "aboutButton")->click();
        QCOMPARE(c.desktop.aboutWindow(), about);
        about->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!c.desktop.aboutWindow());

        // A minimised window (some window managers allow it) counts as hidden: the tray
        // restores it, hidden afterwards or not.
        for (const bool thenHidden : {false, true}) {
            w.showMinimized();
            QVERIFY(w.isMinimized());
            if (thenHidden)
                w.hide();
            c.desktop.toggleFromTray();
            QVERIFY(w.isVisible() && !w.isMinimized());
            QCOMPARE(w.height(), height);
            c.desktop.toggleFromTray();
            QVERIFY(!w.isVisible());
            c.desktop.toggleFromTray();
        }

        // A save request (a checkpoint, or a logout another program cancels) leaves it running.
        if (auto* manager = qApp->findChild<QSessionManager*>()) {
            emit qApp->commitDataRequest(*manager);
            emit qApp->saveStateRequest(*manager);
            QVERIFY(!c.app.isShutDown() && w.isVisible());
            QVERIFY(c.link().reports().isListening() && c.link().isPolling());
        }

        auto action = [&c](const char* text) {
            for (QAction* a : c.desktop.trayMenu()->actions())
                if (a->text().remove(QLatin1Char('&')) == QLatin1String(text))
                    return a;
            qFatal("no tray menu entry %s", text);
        };
        action("Show / Hide")->trigger();
        action("Normal / Mini window")->trigger();
        QVERIFY(!w.isVisible() && w.isMiniMode() == !mini);
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
        for (QWidget* other : {static_cast<QWidget*>(c.desktop.sendMessageWindow()),
                               static_cast<QWidget*>(c.desktop.aboutWindow())})
            QVERIFY(!other || !other->isVisible());
    }

    // The position is written at shutdown only when asked and after a complete read; a failed
    // write keeps the old file and is logged.
    void shutdown_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QByteArrayList>("written"); // left and top; none: the file is left alone
        const QPoint at(40, 60);
        QTest::newRow("position saved") << true << "" << at << QByteArrayList{"600", "900"};
        QTest::newRow("not asked to") << false << "" << at << QByteArrayList();
        QTest::newRow("left edge beyond 16 bits")
            << true << "" << QPoint(2200, 70) << QByteArrayList{"1500", "1050"};
        QTest::newRow("after an incomplete read") << true << "damaged" << at << QByteArrayList();
        QTest::newRow("disk full") << true << "disk full" << at << QByteArrayList();
    }
    void shutdown() {
        QFETCH(bool, save);
        QFETCH(QString, fault);
        QFETCH(QPoint, position);
        QFETCH(QByteArrayList, written);
        TestEnvironment t;
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        Settings s = sampleSettings(freePort(), freePort());
        s.saveWindowPosition = save;
        QByteArray before = settingsFileBytes(s, QStringLiteral("1/1/01"));
        if (fault == QLatin1String("damaged")) // the interval, the last value read
            QVERIFY(before.replace("\r\n5\r\n", "\r\nfive\r\n").contains("five"));
        t.writeIni(before);
        TestClient c;
        QVERIFY(c.start());
        c.window().move(position);
        t.clock = QDateTime(QDate(2027, 2, 3), QTime(8, 0));
        if (fault == QLatin1String("disk full")) {
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
