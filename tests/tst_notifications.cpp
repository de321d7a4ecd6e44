// Notifications, the tray's item and the captions, under xvfb-run and dbus-run-session.
#include "testsupport.h"

#include "ui/main/notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QMutex>
#include <QSet>
#include <QSignalSpy>
#include <QThread>
#include <cstdlib>
#include <xcb/xcb.h>

// The caption a window manager shows: the window's _NET_WM_NAME.
QString netWmName(QWidget* window) {
    xcb_connection_t* c = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const char name[] = "_NET_WM_NAME";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr), &free);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, xcb_window_t(window->winId()), atom->atom,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                               nullptr),
        &free);
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

// One Notify call as the service received it.
struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString icon;
    QString summary, body;
    QStringList actions;
    QVariantMap hints;
};

// A notification service on its own connection to the session bus, as a desktop would run it.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QDBusConnection bus{QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                      QStringLiteral("fake-notifications"))};
    QStringList capabilities{"body", "body-markup", "actions"};
    QList<NotifyCall> calls;
    bool refuse = false;
    int refused = 0;
    QSet<uint> open;
    uint lastId = 100;

    bool start() {
        return bus.registerObject(DesktopNotifier::kPath, this,
                                  QDBusConnection::ExportAllSlots |
                                      QDBusConnection::ExportAllSignals) &&
               bus.registerService(DesktopNotifier::kService);
    }
    void click(uint id, const QString& action) { emit ActionInvoked(id, action); }

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int, const QDBusMessage& message) {
        if (refuse) {
            ++refused;
            message.setDelayedReply(true);
            bus.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("refused")));
            return 0;
        }
        calls.append({appName, replacesId, icon, summary, body, actions, hints});
        const uint id = replacesId != 0 && open.contains(replacesId) ? replacesId : ++lastId;
        open.insert(id);
        return id;
    }

signals:
    void ActionInvoked(uint id, const QString& actionKey);
};

// A tray host's watcher, answering from a thread of its own the toolkit's blocking calls.
class FakeStatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER hostRegistered)
    Q_PROPERTY(int ProtocolVersion MEMBER protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    QDBusConnection bus{
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-watcher"))};
    bool hostRegistered = true;
    int protocolVersion = 0;

    QStringList items() const {
        QMutexLocker lock(&m_lock);
        return m_items;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        QMutexLocker lock(&m_lock);
        m_items << service;
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    mutable QMutex m_lock;
    QStringList m_items;
};

class TestNotifications : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!QDBusConnection::sessionBus().isConnected() ||
            QGuiApplication::platformName() != "xcb")
            QSKIP("Run under xvfb-run and dbus-run-session");
        // The toolkit looks for a tray host once, before its first tray icon.
        QVERIFY(m_watcher.bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                                             QDBusConnection::ExportAllContents) &&
                m_watcher.bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        m_watcher.moveToThread(&m_watcherThread);
        m_watcherThread.start();
    }

    // The captions as the X server holds them, nothing added by the toolkit.
    void captionsReadAsDesigned() {
        Sandbox client;
        Desktop& d = client.desktop;
        client.window().show();
        SplashWindow splash; // no title bar; the caption names it in the desktop's lists
        splash.show();
        d.openAbout();
        d.openOptions();
        d.openSendMessage();
        d.showReceivedMessage(QStringLiteral("Hello"), QStringLiteral("127.0.0.1"));
        const QList<std::pair<QWidget*, const char*>> windows{
            {&client.window(), "ZAV Remote 2002"},
            {&splash, "ZAV Remote 2002"},
            {d.aboutWindow(), "About ZAV Manager 2002"},
            {d.optionsPanel(), "ZAV Remote 2002 Options Panel"},
            {d.sendMessageWindow(), "Send a Message to the Server..."},
            {d.receivedMessagesWindow(), "Messages Received..."}};
        for (const auto& [window, caption] : windows)
            QCOMPARE(netWmName(window), QString::fromLatin1(caption));
        setMessageBoxHook(nullptr);
        QString shown;
        QTimer::singleShot(0, qApp, [&shown] {
            QWidget* box = QApplication::activeModalWidget();
            if (box) {
                shown = netWmName(box);
                box->close();
            }
        });
        showMessageBox(&client.window(), MsgIcon::Information, QStringLiteral("INI File Error..."),
                       QStringLiteral("text"));
        QCOMPARE(shown, QStringLiteral("INI File Error..."));
    }

    // The tray item's title; a message by the tray's bubble, then by the notification service.
    void notificationScenario() {
        Sandbox c;
        c.desktop.tray().setNotificationBus(QDBusConnection::sessionBus());
        QVERIFY(c.start());
        auto receive = [&c](const QString& text) { // while the main window is hidden
            c.window().hide();
            c.desktop.showReceivedMessage(text, QStringLiteral("127.0.0.1"));
        };
        TrayIcon& tray = c.desktop.tray();
        QTRY_VERIFY(!m_watcher.items().isEmpty());
        QDBusMessage get = QDBusMessage::createMethodCall(
            m_watcher.items().constLast(), QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Title");
        // The item answers from this thread's event loop: the question must not block it.
        QDBusPendingCallWatcher answer(m_watcher.bus.asyncCall(get, 5000));
        QTRY_VERIFY(answer.isFinished());
        const QDBusMessage reply = answer.reply();
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QCOMPARE(reply.arguments().constFirst().value<QDBusVariant>().variant().toString(),
                 QStringLiteral("ZAV Remote 2002"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("zav-remote"));
        // With the main window in sight the window itself says it.
        c.desktop.showReceivedMessage(QStringLiteral("Seen"), QStringLiteral("127.0.0.1"));
        QVERIFY(tray.lastNotification().isEmpty());
        receive(QStringLiteral("Dial at 9"));
        QCOMPARE(tray.lastNotification(),
                 (QStringList{QStringLiteral("Message from ZAV Manager (127.0.0.1)"),
                              QStringLiteral("Dial at 9")}));

        QVERIFY(m_service.start());
        m_service.refuse = true;
        QSignalSpy failed(&tray.notifier(), &DesktopNotifier::failed);
        receive(QStringLiteral("again"));
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.constFirst().at(1).toString(), QStringLiteral("again"));
        QCOMPARE(tray.notifier().currentId(), 0u);
        // The tray's bubble goes to the same service (the toolkit's tray item sends it there).
        QTRY_COMPARE(m_service.refused, 2);

        m_service.refuse = false;
        receive(QStringLiteral("Dial at 9"));
        QTRY_COMPARE(m_service.calls.size(), 1);
        const NotifyCall n = m_service.calls.constFirst();
        QCOMPARE(n.appName, QStringLiteral("ZAV Remote 2002"));
        QCOMPARE(n.icon, QStringLiteral("zav-remote"));
        QCOMPARE(n.hints.value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("zav-remote"));
        QCOMPARE(n.summary, QStringLiteral("Message from ZAV Manager (127.0.0.1)"));
        QCOMPARE(n.body, QStringLiteral("Dial at 9"));
        QCOMPARE(n.replacesId, 0u);
        QVERIFY(n.actions.size() >= 2 && n.actions.constFirst() == QStringLiteral("default"));

        // Only this notification's default action brings the messages back.
        c.desktop.receivedMessagesWindow()->hide();
        QTRY_VERIFY(tray.notifier().currentId() != 0);
        const uint id = tray.notifier().currentId();
        QSignalSpy clicked(&tray, &TrayIcon::notificationClicked);
        m_service.click(id + 1, QStringLiteral("default"));
        m_service.click(id, QStringLiteral("other"));
        m_service.click(id, QStringLiteral("default"));
        QTRY_VERIFY(c.desktop.receivedMessagesWindow()->isVisible());
        QCOMPARE(clicked.size(), 1);

        // The body: the first lines, as plain text escaped for markup; a burst updates one.
        receive(QStringLiteral("<b>Hang up</b> & dial"));
        receive(QStringLiteral("one\r\ntwo\rthree\nfour\r\nfive"));
        QTRY_COMPARE(m_service.calls.constLast().body, QStringLiteral("one\ntwo\nthree"));
        QCOMPARE(m_service.calls.at(1).body,
                 QStringLiteral("&lt;b&gt;Hang up&lt;/b&gt; &amp; dial"));
        QCOMPARE(m_service.open, QSet<uint>{id});
        for (int i = 1; i < m_service.calls.size(); ++i)
            QCOMPARE(m_service.calls[i].replacesId, id);

        // A service that shows the body as it is gets the text as it is.
        m_service.capabilities = QStringList{QStringLiteral("body")};
        tray.setNotificationBus(QDBusConnection::sessionBus());
        receive(QStringLiteral("<i>a</i> & b"));
        QTRY_COMPARE(m_service.calls.constLast().body, QStringLiteral("<i>a</i> & b"));
    }

    void cleanupTestCase() {
        m_watcherThread.quit();
        m_watcherThread.wait(5000);
    }

private:
    QThread m_watcherThread;
    FakeStatusNotifierWatcher m_watcher;
    FakeNotificationService m_service;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nameApplication(app);
    TestNotifications test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_notifications.moc"
