// The main window's life: start-up outcomes, placement, modes, tray, focus, About, shutdown.
#include "testsupport.h"

#include "app/splash.h"
#include "link/socket/winsock.h"
#include "ui/main/about.h"
#include "ui/main/form1.h"
#include "ui/main/tray/trayicon.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT

    static QStringList logLines(const Form1& f) {
        QStringList l;
        for (int i = 0; i < f.STATUS_LIST->count(); ++i)
            l << f.STATUS_LIST->item(i)->text();
        return l;
    }
    static bool sameIcon(const QIcon& a, const QIcon& b) { return a.cacheKey() == b.cacheKey(); }

private slots:
    void cleanup() {
        TrayIcon::setTrayAvailableOverride(-1);
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        QCoreApplication::processEvents();
    }

    void designState() {
        TestEnvironment t;
        Form1 f;
        QCOMPARE(f.windowTitle(), QStringLiteral("ZAV Remote 2002"));
        QCOMPARE(f.size(), QSize(161, 275));
        QCOMPARE(f.minimumSize(), f.maximumSize());
        QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f.ZAV_Stat_Label->text(), QStringLiteral("OFFLINE"));
        QCOMPARE(f.LAST_CONNECT_ISP_TIME_LABEL->text(), QStringLiteral("na"));
        QCOMPARE(f.SIGNAL_QUALITY_LED->fillColor(), QColor(255, 255, 192));
        QCOMPARE(int(f.visibleStatusImage()), -1);
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());
        QVERIFY(f.SOCKET_CLOSER_TIMER.isActive());
        QCOMPARE(f.SOCKET_CLOSER_TIMER.interval(), 250);
        // Labels that can show network text never interpret it.
        QCOMPARE(f.LAST_CONNECT_ISP_TIME_LABEL->textFormat(), Qt::PlainText);
        QCOMPARE(f.ZAV_Stat_Label->textFormat(), Qt::PlainText);
        // Nothing auxiliary lies inside the client area.
        const QRect client(0, 0, 161, 275);
        QList<QWidget*> hidden{f.TAB_STOP_ZERO, f.STATUS_REQUEST_BUTTON};
        for (QLabel* h : f.pictureHolders)
            hidden << h;
        for (QWidget* w : hidden)
            QVERIFY2(!client.intersects(w->geometry()), qPrintable(w->objectName()));
        // Everything visible starts inside it.
        for (QWidget* w : QList<QWidget*>{f.CONNECT_BUTTON, f.ABOUT_BUTTON, f.STATUS_LIST,
                                          f.LAST_CONNECT_ISP_TIME_LABEL, f.SMALL_ZAV_LOGO})
            QVERIFY(client.contains(w->geometry().topLeft()));
    }

    void startsRunning() {
        TestEnvironment t;
        SettingsValues s = sampleSettings(freePort(), 2509);
        s.pollIntervalSeconds = 33;
        t.writeIni(s);
        Form1 f;
        QVERIFY(f.Form_Load());
        QVERIFY(t.boxes.isEmpty());
        const QStringList expected{QStringLiteral("     --------------------------------------"),
                                   QStringLiteral("     01:30pm"),
                                   QStringLiteral("     ZAV Remote 2002 started OK"),
                                   QStringLiteral("     Values read from INI file..."),
                                   QStringLiteral("      Transmit Port: 2509"),
                                   QStringLiteral("      Listen Port: ") +
                                       QString::number(s.listenPort),
                                   QStringLiteral("      Server IP: 127.0.0.1"),
                                   QStringLiteral("      Interval: 33 secs")};
        QCOMPARE(logLines(f), expected);
        QCOMPARE(f.TRAY_ICON->toolTip(), QStringLiteral("ZAV Remote 2002... client running"));
        QVERIFY(sameIcon(f.TRAY_ICON->icon(),
                         f.trayPictureIcon(TrayPicture::ServerRunning)));
        QVERIFY(!f.TRAY_ICON->alert());
        QVERIFY(f.TRAY_ICON->shown());
        QCOMPARE(f.ZAV_Stat_Label->text(), QStringLiteral("WAIT..."));
        QCOMPARE(f.visibleStatusImage(), StatusPicture::NoStatus);
        QCOMPARE(f.WS_LISTENER[0]->State(), qint16(Winsock::sckListening));
        QCOMPARE(f.listenerUpperBound(), 10);
        QVERIFY(f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(f.REQUEST_STATUS_TIMER.interval(), 33000);
        QCOMPARE(f.pos(), QPoint(100, 200));
        QVERIFY(f.isVisible());
        QCOMPARE(PENDING_COMMAND, qint16(CMD_NONE));
        QVERIFY(f.TAB_STOP_ZERO->hasFocus() || QApplication::focusWidget() == nullptr ||
                QApplication::focusWidget() == f.TAB_STOP_ZERO);
    }

    void missingFile() {
        TestEnvironment t;
        Form1 f;
        QVERIFY(f.Form_Load());
        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].icon, MsgIcon::Critical);
        QCOMPARE(t.boxes[0].title, QStringLiteral("INI File Missing..."));
        QCOMPARE(t.boxes[0].text,
                 QStringLiteral("The INI file containing the settings for ZAV Remote is "
                                "missing...\n\r(this is normal if it is the first time you have "
                                "run this program)\n\r\n\rPlease go to the settings panel and "
                                "save new settings."));
        QCOMPARE(logLines(f),
                 (QStringList{QStringLiteral("     --------------------------------------"),
                              QStringLiteral("     01:30pm"),
                              QStringLiteral("     INI file does not exist..."),
                              QStringLiteral("     Goto settings and save!")}));
        const QString check = QStringLiteral("ZAV Remote 2002... please check settings");
        QCOMPARE(f.TRAY_ICON->toolTip(), check);
        QVERIFY(f.TRAY_ICON->alert());
        QVERIFY(sameIcon(f.TRAY_ICON->icon(), f.trayPictureIcon(TrayPicture::RedX)));
        QCOMPARE(f.ZAV_Stat_Label->text(), QStringLiteral("ERROR"));
        QCOMPARE(f.visibleStatusImage(), StatusPicture::NoServer);
        QCOMPARE(f.No_Server_Image->toolTip(), check);
        QCOMPARE(f.pos(), QPoint(0, 0));
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(f.WS_LISTENER[0]->State(), qint16(Winsock::sckClosed));
        QVERIFY(Settings == SettingsValues());
    }

    void unreadableFile() {
        TestEnvironment t;
        QByteArray bytes = settingsFileBytes(sampleSettings(2519, 2509), QStringLiteral("x"));
        bytes.replace("\r\n1500\r\n", "\r\nleft\r\n");
        t.writeIni(bytes);
        Form1 f;
        QVERIFY(f.Form_Load());
        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].icon, MsgIcon::Information);
        QCOMPARE(t.boxes[0].title, QStringLiteral("INI File Error..."));
        QCOMPARE(t.boxes[0].text, QStringLiteral("There was an error reading the INI file...\n\r"
                                                 "please check the current settings."));
        QCOMPARE(logLines(f).mid(2),
                 (QStringList{QStringLiteral("     Error reading INI file..."),
                              QStringLiteral("     Check the current settings!")}));
        QCOMPARE(f.TRAY_ICON->toolTip(),
                 QStringLiteral("ZAV Remote 2002... please check settings"));
        QCOMPARE(f.ZAV_Stat_Label->text(), QStringLiteral("WAIT..."));
        QCOMPARE(f.visibleStatusImage(), StatusPicture::NoStatus);
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(Settings.listenPort, qint16(2519)); // stored before the failure
        QCOMPARE(Settings.transmitPort, qint16(2509));
        QCOMPARE(Settings.windowLeft, qint16(0));
    }

    void busyListenPort() {
        TestEnvironment t;
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::AnyIPv4, quint16(freePort())));
        t.writeIni(sampleSettings(qint16(squatter.serverPort()), 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        QVERIFY(t.boxes.isEmpty());
        QCOMPARE(logLines(f),
                 (QStringList{QStringLiteral("     --------------------------------------"),
                              QStringLiteral("     01:30pm"),
                              QStringLiteral("     Error connecting to port: ") +
                                  QString::number(squatter.serverPort()),
                              QStringLiteral("     Check the current settings!")}));
        QCOMPARE(f.TRAY_ICON->toolTip(),
                 QStringLiteral("ZAV Remote 2002... client could not be started"));
        QVERIFY(f.TRAY_ICON->alert());
        QCOMPARE(f.pos(), QPoint(100, 200)); // placed before listening
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(f.listenerUpperBound(), 0);
    }

    void secondInstanceEndsAtOnce() {
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), 2509));
        Form1 first;
        QVERIFY(first.Form_Load());
        const QStringList before = logLines(first);
        Form1 second;
        QVERIFY(!second.Form_Load());
        QVERIFY(!second.isVisible());
        QCOMPARE(second.STATUS_LIST->count(), 0);
        QVERIFY(t.boxes.isEmpty());
        QCOMPARE(logLines(first), before);
        QCOMPARE(first.WS_LISTENER[0]->State(), qint16(Winsock::sckListening));
    }

    void windowAtOneOneOpensAtZero() {
        TestEnvironment t;
        SettingsValues s = sampleSettings(freePort(), 2509);
        s.windowLeft = s.windowTop = 1;
        t.writeIni(s);
        Form1 f;
        QVERIFY(f.Form_Load());
        QCOMPARE(f.pos(), QPoint(0, 0));
    }

    void startOptions_data() {
        QTest::addColumn<bool>("mini");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("trayAvailable");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("height");
        QTest::newRow("mini") << true << false << 1 << true << 80;
        QTest::newRow("tray") << false << true << 1 << false << 275;
        QTest::newRow("both") << true << true << 1 << false << 80;
        QTest::newRow("tray option, no tray") << false << true << 0 << true << 275;
    }
    void startOptions() {
        QFETCH(bool, mini);
        QFETCH(bool, tray);
        QFETCH(int, trayAvailable);
        QFETCH(bool, visible);
        QFETCH(int, height);
        TrayIcon::setTrayAvailableOverride(trayAvailable);
        TestEnvironment t;
        SettingsValues s = sampleSettings(freePort(), 2509);
        s.startInMiniMode = mini;
        s.startInTray = tray;
        t.writeIni(s);
        Form1 f;
        QVERIFY(f.Form_Load());
        QCOMPARE(f.isVisible(), visible);
        QCOMPARE(f.height(), height);
        if (!visible) {
            // The tray brings it back in the mode it had.
            f.TRAY_ICON_notification();
            QVERIFY(f.isVisible());
            QCOMPARE(f.height(), height);
        }
    }

    void modeToggleAndTrayToggle() {
        TrayIcon::setTrayAvailableOverride(1);
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        const QPoint corner = f.pos();
        f.WINDOW_MODE_BUTTON->click();
        QCOMPARE(f.height(), 80);
        QVERIFY(f.isMiniMode());
        // The buttons stay inside the mini window.
        QVERIFY(f.rect().contains(f.ABOUT_BUTTON->geometry()));
        // The log keeps receiving entries while out of sight.
        f.addLogEntry({QStringLiteral("     x")});
        f.WINDOW_MODE_BUTTON->click();
        QCOMPARE(f.height(), 275);
        QCOMPARE(f.pos(), corner);
        QCOMPARE(f.STATUS_LIST->item(2)->text(), QStringLiteral("     x"));

        f.WINDOW_MODE_BUTTON->click();
        f.TRAY_ICON_notification();
        QVERIFY(!f.isVisible());
        f.TRAY_ICON_notification();
        QVERIFY(f.isVisible());
        QCOMPARE(f.height(), 80);
        QCOMPARE(f.pos(), corner);

        // Any other height: the button does nothing.
        f.setFixedSize(161, 100);
        f.WINDOW_MODE_BUTTON->click();
        QCOMPARE(f.height(), 100);
    }

    void trayMenuAndAttention() {
        TrayIcon::setTrayAvailableOverride(1);
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        QList<QAction*> actions;
        for (QAction* a : f.trayMenu->actions())
            if (!a->isSeparator())
                actions << a;
        QCOMPARE(actions.size(), 8);
        actions.first()->trigger(); // Show / Hide
        QVERIFY(!f.isVisible());
        actions.first()->trigger();
        QVERIFY(f.isVisible());
        actions[1]->trigger(); // Normal / Mini
        QCOMPARE(f.height(), 80);

        QVERIFY(!f.TRAY_ICON->blinking());
        f.showDisplayState(DisplayState::NO_SERVER);
        QVERIFY(f.TRAY_ICON->blinking());
        f.showDisplayState(DisplayState::ONLINE);
        QVERIFY(!f.TRAY_ICON->blinking());

        actions.last()->trigger(); // Quit: the normal shutdown
        QVERIFY(f.shutdownDone());
        QVERIFY(!f.isVisible());
    }

    void trayToggleNeverHidesWithoutATray() {
        TrayIcon::setTrayAvailableOverride(0);
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        f.TRAY_ICON_notification();
        QVERIFY(f.isVisible());
    }

    void focusStaysOnTheSink() {
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.TAB_STOP_ZERO);
        for (QPushButton* b :
             {f.CONNECT_BUTTON, f.DISCONNECT_BUTTON, f.WINDOW_MODE_BUTTON, f.ABOUT_BUTTON}) {
            b->setFocus();
            b->click();
            QCOMPARE(QApplication::focusWidget(), f.TAB_STOP_ZERO);
            f.activateWindow();
        }
        if (f.isMiniMode())
            f.WINDOW_MODE_BUTTON->click();
        QTest::mouseClick(f.STATUS_LIST->viewport(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), f.TAB_STOP_ZERO);
        f.STATUS_LIST->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), f.TAB_STOP_ZERO);
        // Enter and Space on the sink do nothing.
        const int lines = f.STATUS_LIST->count();
        QTest::keyClick(f.TAB_STOP_ZERO, Qt::Key_Space);
        QTest::keyClick(f.TAB_STOP_ZERO, Qt::Key_Return);
        QCOMPARE(f.STATUS_LIST->count(), lines);
    }

    void aboutWindowIsSingle() {
        TestEnvironment t;
        Form1 f;
        f.ABOUT_BUTTON_Click();
        f.ABOUT_BUTTON_Click();
        QList<AboutForm*> abouts;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* a = qobject_cast<AboutForm*>(w); a && a->isVisible())
                abouts << a;
        QCOMPARE(abouts.size(), 1);
        QCOMPARE(abouts[0]->windowTitle(), QStringLiteral("About ZAV Manager 2002"));
        QCOMPARE(abouts[0]->lblVERSION->text(), QStringLiteral("v1.00"));
        QCOMPARE(abouts[0]->size(), QSize(470, 230));
        abouts[0]->close();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.ABOUT_BUTTON_Click(); // loaded afresh after closing
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<AboutForm*>(w) && w->isVisible())
                ++shown;
        QCOMPARE(shown, 1);
    }

    void splashShowsTheVersion() {
        frmSplash s;
        QCOMPARE(s.lblVERSION->text(), QStringLiteral("v1.00"));
        QCOMPARE(s.size(), QSize(469, 198));
    }

    void shutdownWritesOnlyWhenAsked_data() {
        QTest::addColumn<bool>("save");
        QTest::newRow("save position") << true;
        QTest::newRow("leave the file") << false;
    }
    void shutdownWritesOnlyWhenAsked() {
        QFETCH(bool, save);
        TestEnvironment t;
        SettingsValues s = sampleSettings(freePort(), 2509);
        s.saveWindowPosition = save;
        t.writeIni(settingsFileBytes(s, QStringLiteral("1/1/01")));
        const QByteArray before = t.readIni();
        Form1 f;
        QVERIFY(f.Form_Load());
        f.move(40, 60);
        t.clock = QDateTime(QDate(2027, 2, 3), QTime(8, 0));
        f.close();
        QVERIFY(f.shutdownDone());
        QVERIFY(!f.isVisible());
        QCOMPARE(f.WS_LISTENER[0]->State(), qint16(Winsock::sckClosed));
        QCOMPARE(f.listenerUpperBound(), 0);
        const QByteArray after = t.readIni();
        if (!save) {
            QCOMPARE(after, before);
            return;
        }
        const QList<QByteArray> a = before.split('\n');
        const QList<QByteArray> b = after.split('\n');
        QCOMPARE(a.size(), b.size());
        for (int i = 0; i < a.size(); ++i) {
            if (i == 20)
                QCOMPARE(b[i], QByteArray("600\r"));
            else if (i == 23)
                QCOMPARE(b[i], QByteArray("900\r"));
            else if (i == 48)
                QCOMPARE(b[i], QByteArray("'2/3/27\r"));
            else
                QCOMPARE(b[i], a[i]);
        }
    }

    void shutdownKeepsAnEdgeThatDoesNotFit() {
        TestEnvironment t;
        SettingsValues s = sampleSettings(freePort(), 2509);
        s.saveWindowPosition = true;
        t.writeIni(s);
        Form1 f;
        QVERIFY(f.Form_Load());
        f.move(2200, 70); // 33000 twips
        f.close();
        SettingsValues back;
        QVERIFY(readSettingsFile(t.iniPath(), back));
        QCOMPARE(back.windowLeft, s.windowLeft);
        QCOMPARE(back.windowTop, qint16(1050));
    }

    void shutdownAfterAFailedReadLeavesTheFile() {
        TestEnvironment t;
        SettingsValues s = sampleSettings(freePort(), 2509);
        s.saveWindowPosition = true;
        QByteArray bytes = settingsFileBytes(s, QStringLiteral("x"));
        bytes.replace("\r\n5\r\n", "\r\nfive\r\n"); // the interval
        t.writeIni(bytes);
        Form1 f;
        QVERIFY(f.Form_Load());
        QVERIFY(Settings.saveWindowPosition);
        f.close();
        QCOMPARE(t.readIni(), bytes);
    }

    void programEndsWhileTheOptionsPanelIsOpen() {
        // The panel refuses to be closed by anything but its own buttons; the end of the
        // program must not wait for it.
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        f.SETTINGS_BUTTON_Click();
        QVERIFY(!f.isVisible());
        QTimer::singleShot(0, &f, [&f] { f.requestShutdown(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(f.shutdownDone());
    }

    void shutdownDropsOpenSessionsUnread() {
        TestEnvironment t;
        const qint16 port = freePort();
        t.writeIni(sampleSettings(port, 2509));
        Form1 f;
        QVERIFY(f.Form_Load());
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, quint16(port));
        QVERIFY(peer.waitForConnected(2000));
        peer.write("STATUS CONNSIGOK01:00pm");
        QTRY_COMPARE(f.WS_LISTENER[1]->State(), qint16(Winsock::sckConnected));
        const int lines = f.STATUS_LIST->count();
        f.close();
        QCOMPARE(f.STATUS_LIST->count(), lines);
        QCOMPARE(f.ZAV_Stat_Label->text(), QStringLiteral("WAIT..."));
        QTRY_COMPARE(peer.state(), QAbstractSocket::UnconnectedState);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
