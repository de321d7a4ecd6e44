// The client's life in a desktop session: one copy per user, the splash before its hold, the
// session manager's requests, the tray and a minimised window, and the Options panel's way back.
#include "testsupport.h"

#include "app/instancelock.h"
#include "ui/main/splashwindow.h"
#include "ui/messages/receivedmessages.h"
#include "ui/options/options.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSessionManager>
#include <QTimer>
#include <QtTest>
#include <unistd.h>

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Without a runtime folder the lock lies in a folder of the user's own, out of other users'
    // reach, and still keeps a second copy out.
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
        QVERIFY(first.path().startsWith(cache.path()));
        QVERIFY(first.tryTake());
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

    // Some window managers offer a minimise button although the window asks for none. A
    // minimised window counts as hidden: the tray brings it back shown normally.
    void trayRestoresAMinimisedWindow_data() {
        QTest::addColumn<bool>("thenHidden");
        QTest::newRow("minimised") << false;
        QTest::newRow("minimised, then hidden") << true;
    }
    void trayRestoresAMinimisedWindow() {
        QFETCH(bool, thenHidden);
        TestEnvironment t;
        TrayIcon::setTrayAvailableOverride(1);
        t.writeIni(sampleSettings(freePort(), freePort()));
        TestClient c;
        QVERIFY(c.start());
        MainWindow& w = c.window();
        w.showMinimized();
        QVERIFY(w.isMinimized());
        if (thenHidden)
            w.hide();
        for (int round = 0; round < 2; ++round) {
            c.desktop.toggleFromTray();
            QVERIFY(w.isVisible());
            QVERIFY(!w.isMinimized());
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
            bool released = false;
            bool delayed = false;
            bool painted = false;
            bool eventFilter(QObject* watched, QEvent* event) override {
                auto* splash = qobject_cast<SplashWindow*>(watched);
                if (!splash || event->type() != QEvent::Paint)
                    return false;
                if (released) {
                    painted = true;
                    return false;
                }
                if (!delayed) {
                    delayed = true;
                    QPointer<SplashWindow> w = splash;
                    QTimer::singleShot(200, this, [this, w] {
                        released = true;
                        if (w)
                            w->update();
                    });
                }
                return true;
            }
        } late;
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), freePort()));
        env().splashHoldSeconds = 1;
        int reads = 0;
        bool paintedWhenHeld = false;
        env().now = [&] {
            // The hold's first look at the clock is where it begins; later looks end it.
            if (reads++ == 0)
                paintedWhenHeld = late.painted;
            return t.clock.addSecs(reads > 1 ? 5 : 0);
        };
        qApp->installEventFilter(&late);
        TestClient c;
        const bool started = c.start();
        qApp->removeEventFilter(&late);
        QVERIFY(started);
        QVERIFY(late.delayed);
        QVERIFY(paintedWhenHeld);
    }

    // A session manager's save request (a checkpoint, or a logout that another program cancels)
    // leaves the program running; only the application quitting runs the shutdown steps.
    void sessionSaveKeepsRunningQuitShutsDown() {
        TestEnvironment t;
        const int listenPort = freePort();
        t.writeIni(sampleSettings(listenPort, freePort()));
        TestClient c;
        QVERIFY(c.start());
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &c.app,
                         [&c] { c.app.shutdown(c.window().pos()); });
        auto* manager = qApp->findChild<QSessionManager*>();
        if (!manager)
            QSKIP("This Qt has no session manager");
        emit qApp->commitDataRequest(*manager);
        emit qApp->saveStateRequest(*manager);
        QVERIFY(!c.app.isShutDown());
        QVERIFY(c.link().reports().isListening());
        QVERIFY(c.link().isPolling());
        QVERIFY(c.window().isVisible());

        // The end of the session: the manager's "die" reaches the application as a quit event.
        QTimer::singleShot(0, qApp, [] {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(c.app.isShutDown());
        QVERIFY(!c.link().reports().isListening());
    }

    // Cancel in the Options panel resumes polling as start-up left it: off for an interval of
    // 0 or less in the file, and off when the listen port could not be taken.
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
        TestEnvironment t;
        Settings stored = sampleSettings(freePort(), freePort());
        stored.pollIntervalSeconds = qint16(interval);
        t.writeIni(stored);
        QTcpServer blocker;
        if (portBusy)
            QVERIFY(blocker.listen(QHostAddress::AnyIPv4, quint16(stored.listenPort)));
        TestClient c;
        QVERIFY(c.start());
        const bool polling = c.link().isPolling();
        QCOMPARE(polling, interval > 0 && !portBusy);
        c.desktop.openOptions();
        QVERIFY(!c.link().isPolling());
        QTest::mouseClick(child<QAbstractButton>(c.desktop.optionsPanel(), "cancelButton"),
                          Qt::LeftButton);
        QCOMPARE(c.link().isPolling(), polling);
        if (polling)
            QCOMPARE(c.link().pollIntervalMs(), interval * 1000);
        QVERIFY(c.window().isVisible());
    }

    // A message that arrives while the main window is out of sight also raises a desktop
    // notification with the sender and the first line; with the window shown it does not.
    void messageNotifiesWhileTheWindowIsHidden() {
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), freePort()));
        TestClient c;
        QVERIFY(c.start());
        c.desktop.showReceivedMessage(QStringLiteral("Seen"), QStringLiteral("10.0.0.7"));
        QVERIFY(c.desktop.tray().lastNotification().isEmpty());
        c.window().hide();
        c.desktop.showReceivedMessage(QStringLiteral("Dial at 9\r\nthen hang up"),
                                      QStringLiteral("10.0.0.7"));
        QCOMPARE(c.desktop.tray().lastNotification(),
                 (QStringList{QStringLiteral("Message from ZAV Manager (10.0.0.7)"),
                              QStringLiteral("Dial at 9")}));
        // A click on it shows the messages.
        c.desktop.receivedMessagesWindow()->hide();
        emit c.desktop.tray().notificationClicked();
        QVERIFY(c.desktop.receivedMessagesWindow()->isVisible());
    }

    // A save refused for want of an address has still taken the new transmit port: after
    // Cancel, the next command goes there.
    void refusedSaveRedirectsCommands() {
        TestEnvironment t;
        RecordServer oldServer, newServer;
        t.writeIni(sampleSettings(freePort(), oldServer.port()));
        TestClient c;
        QVERIFY(c.start());
        SettingsEntries entries;
        entries.listenPort = QString::number(c.app.settings().listenPort);
        entries.transmitPort = QString::number(newServer.port());
        entries.interval = QStringLiteral("5");
        entries.serverIp = QStringLiteral("0.0.0.0");
        QCOMPARE(c.app.saveSettings(entries, nullptr), SaveOutcome::NoServerAddress);
        c.link().requestStatus();
        QTRY_COMPARE(newServer.sent(), QList<QByteArray>{"STATUS"});
        QVERIFY(oldServer.sent().isEmpty());
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
