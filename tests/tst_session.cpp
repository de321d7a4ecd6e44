// The client in a desktop session: one copy, splash, session manager, tray, Options' way back.
#include "testsupport.h"

#include "app/instancelock.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QSessionManager>
#include <unistd.h>

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Without a runtime folder the lock sits in a private folder and still keeps a second copy out.
    void instanceLockInAPrivateFolder() {
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
    }

    // A lock file that another user put in the lock's place is no running copy.
    void instanceLockOfAnotherUserIsIgnored() {
        if (geteuid() != 0)
            QSKIP("Making a file of another user's needs root");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("instance.lock"));
        QLockFile planted(path);
        QVERIFY(planted.tryLock(0));
        QVERIFY(::chown(QFile::encodeName(path).constData(), 4242, 4242) == 0);
        QVERIFY(InstanceLock(path).tryTake());
    }

    // A minimised window (some window managers allow it) counts as hidden: the tray restores it.
    void trayRestoresAMinimisedWindow_data() {
        QTest::addColumn<bool>("thenHidden");
        QTest::newRow("minimised") << false;
        QTest::newRow("minimised, then hidden") << true;
    }
    void trayRestoresAMinimisedWindow() {
        QFETCH(bool, thenHidden);
        TrayIcon::setTrayAvailableOverride(1);
        Sandbox c;
        QVERIFY(c.start());
        MainWindow& w = c.window();
        w.showMinimized();
        QVERIFY(w.isMinimized());
        if (thenHidden)
            w.hide();
        for (int round = 0; round < 2; ++round) {
            c.desktop.toggleFromTray();
            QVERIFY(w.isVisible() && !w.isMinimized());
            QCOMPARE(w.height(), MainWindow::kNormalHeight);
            c.desktop.toggleFromTray();
            QVERIFY(!w.isVisible());
        }
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
                if (released)
                    return false;
                if (!delayed) {
                    delayed = true;
                    QTimer::singleShot(200, splash, [this, splash] {
                        released = true;
                        splash->update();
                    });
                }
                return true;
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
        QVERIFY(started);
        QVERIFY(late.delayed);
        QVERIFY(paintedWhenHeld);
    }

    // A session manager's save request (a checkpoint, or a logout that another program cancels)
    // leaves the program running; only the application quitting runs the shutdown steps.
    void sessionSaveKeepsRunningQuitShutsDown() {
        Sandbox c;
        QVERIFY(c.start());
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &c.app,
                         [&c] { c.app.shutdown(c.window().pos()); });
        auto* manager = qApp->findChild<QSessionManager*>();
        if (!manager)
            QSKIP("This Qt has no session manager");
        emit qApp->commitDataRequest(*manager);
        emit qApp->saveStateRequest(*manager);
        QVERIFY(!c.app.isShutDown() && c.window().isVisible());
        QVERIFY(c.link().reports().isListening() && c.link().isPolling());

        // The end of the session: the manager's "die" reaches the application as a quit event.
        QTimer::singleShot(0, qApp, [] {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(c.app.isShutDown() && !c.link().reports().isListening());
    }

    // The Options panel hides the main window and stops polling, yet a request under way still
    // goes out. Cancel discards the edits and resumes polling as start-up left it: off for an
    // interval of 0 or less in the file, and off when the listen port could not be taken.
    void cancelResumesPollingAsStartUpDid_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("portBusy");
        QTest::newRow("7 s") << 7 << false;
        QTest::newRow("0") << 0 << false;
        QTest::newRow("negative") << -5 << false;
        QTest::newRow("listen port busy") << 7 << true;
    }
    void cancelResumesPollingAsStartUpDid() {
        QFETCH(int, interval);
        QFETCH(bool, portBusy);
        RecordServer server;
        Settings stored = sampleSettings(freePort(), server.port());
        stored.pollIntervalSeconds = qint16(interval);
        Sandbox c(stored);
        const QByteArray file = c.readIni();
        QTcpServer blocker;
        if (portBusy)
            QVERIFY(blocker.listen(QHostAddress::AnyIPv4, quint16(stored.listenPort)));
        QVERIFY(c.start());
        const bool polling = interval > 0 && !portBusy;
        QCOMPARE(c.link().isPolling(), polling);
        const Settings before = c.app.settings();
        c.link().requestStatus();
        c.desktop.openOptions();
        OptionsPanel* p = c.desktop.optionsPanel();
        QVERIFY(!c.link().isPolling() && !c.window().isVisible());
        QTRY_COMPARE(server.sent(), QList<QByteArray>{"STATUS"});
        child<QLineEdit>(p, "listenPortBox")->setText(QStringLiteral("1234"));
        QTest::mouseClick(child<QWidget>(p, "otherPageButton"), Qt::LeftButton);
        QTest::mouseClick(child<QWidget>(p, "cancelButton"), Qt::LeftButton);
        QCOMPARE(c.link().isPolling(), polling);
        if (polling)
            QCOMPARE(c.link().pollIntervalMs(), interval * 1000);
        QVERIFY(c.window().isVisible());
        QCOMPARE(c.app.settings(), before);
        QCOMPARE(c.readIni(), file);
        QVERIFY(c.boxes.isEmpty() && c.endCodes.isEmpty());
        QTRY_VERIFY(!c.desktop.optionsPanel());
        // Opened again, it shows what is stored, on its first page.
        c.desktop.openOptions();
        p = c.desktop.optionsPanel();
        QCOMPARE(p->visiblePage(), child<QGroupBox>(p, "commsPage"));
        QCOMPARE(child<QLineEdit>(p, "listenPortBox")->text(), QString::number(before.listenPort));
    }

    // A save refused for want of an address still takes the new transmit port for commands.
    void refusedSaveRedirectsCommands() {
        RecordServer oldServer, newServer;
        Sandbox c(sampleSettings(freePort(), oldServer.port()));
        QVERIFY(c.start());
        SettingsEntries entries{QString::number(c.app.settings().listenPort),
                                QString::number(newServer.port()), false, "5", "0.0.0.0"};
        QCOMPARE(c.app.saveSettings(entries, nullptr), SaveOutcome::NoServerAddress);
        c.link().requestStatus();
        QTRY_COMPARE(newServer.sent(), QList<QByteArray>{"STATUS"});
        QVERIFY(oldServer.sent().isEmpty());
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
