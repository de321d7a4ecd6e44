// Desktop notifications through a notification service of the test's own on a private session
// bus (the test runs under dbus-run-session): what the notification carries, one notification
// for a burst, its click, and the tray's bubble when there is no service.
#include "testsupport.h"

#include "ui/main/notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QMutex>
#include <QSet>
#include <QSignalSpy>
#include <QThread>

// One Notify call as the service received it.
struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString icon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
};

// A notification service on its own connection to the session bus, as a desktop would run it.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit FakeNotificationService(QStringList capabilities = {QStringLiteral("body"),
                                                                 QStringLiteral("body-markup"),
                                                                 QStringLiteral("actions")})
        : m_capabilities(std::move(capabilities)),
          m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("fake-notifications"))) {
        m_registered = m_bus.registerObject(DesktopNotifier::kPath, this,
                                            QDBusConnection::ExportAllSlots |
                                                QDBusConnection::ExportAllSignals) &&
                       m_bus.registerService(DesktopNotifier::kService);
    }
    ~FakeNotificationService() override {
        m_bus.unregisterService(DesktopNotifier::kService);
        m_bus.unregisterObject(DesktopNotifier::kPath);
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }
    bool registered() const { return m_registered; }

    QList<NotifyCall> calls;
    bool refuse = false;
    QSet<uint> open;

    void click(uint id, const QString& action) { emit ActionInvoked(id, action); }
    void dismiss(uint id) {
        open.remove(id);
        emit NotificationClosed(id, 2);
    }

public slots:
    QStringList GetCapabilities() { return m_capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int, const QDBusMessage& message) {
        if (refuse) {
            message.setDelayedReply(true);
            m_bus.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("refused")));
            return 0;
        }
        calls.append({appName, replacesId, icon, summary, body, actions, hints});
        const uint id = replacesId != 0 && open.contains(replacesId) ? replacesId : ++m_lastId;
        open.insert(id);
        return id;
    }

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    QStringList m_capabilities;
    QDBusConnection m_bus;
    bool m_registered = false;
    uint m_lastId = 100;
};

// A tray host's watcher (org.kde.StatusNotifierWatcher), as KDE or waybar runs it: the toolkit
// then puts the tray icon up as a StatusNotifierItem. It answers from a thread of its own, as
// the toolkit asks it with a blocking call.
class FakeStatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    FakeStatusNotifierWatcher()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("fake-watcher"))) {
        m_registered = m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                            QDBusConnection::ExportAllContents) &&
                       m_bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~FakeStatusNotifierWatcher() override {
        m_bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        m_bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }
    bool registered() const { return m_registered; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const {
        QMutexLocker lock(&m_lock);
        return m_items;
    }
    QDBusConnection& bus() { return m_bus; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        QMutexLocker lock(&m_lock);
        m_items << service;
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QDBusConnection m_bus;
    mutable QMutex m_lock;
    QStringList m_items;
    bool m_registered = false;
};

// A client whose notifications go to the test's session bus, its main window hidden.
struct NotifyingClient : TestEnvironment, TestClient {
    NotifyingClient() {
        desktop.tray().setNotificationBus(QDBusConnection::sessionBus());
        writeIni(sampleSettings(freePort(), freePort()));
    }
    void receive(const QString& text) {
        window().hide();
        desktop.showReceivedMessage(text, QStringLiteral("127.0.0.1"));
    }
};

class TestNotifications : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No session bus: run under dbus-run-session");
        // The toolkit looks for a tray host once, before its first tray icon.
        QVERIFY(m_watcher.registered());
        m_watcher.moveToThread(&m_watcherThread);
        m_watcherThread.start();
    }

    // The tray host lists the item by the program's title; the windows' captions stay exact.
    void trayItemCarriesTheProgramsTitle() {
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), freePort()));
        TestClient c;
        QVERIFY(c.start());
        QTRY_VERIFY(!m_watcher.items().isEmpty());
        QDBusMessage get = QDBusMessage::createMethodCall(
            m_watcher.items().constLast(), QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Title");
        // The item answers from this thread's event loop: the question must not block it.
        QDBusPendingCallWatcher answer(m_watcher.bus().asyncCall(get, 5000));
        QTRY_VERIFY(answer.isFinished());
        const QDBusMessage reply = answer.reply();
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QCOMPARE(reply.arguments().constFirst().value<QDBusVariant>().variant().toString(),
                 QStringLiteral("ZAV Remote 2002"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("zav-remote"));
    }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // A message while the window is hidden becomes one notification with the program's name,
    // icon and desktop entry, the sender in the summary and a click that opens the messages.
    void notificationCarriesTheProgram() {
        FakeNotificationService service;
        QVERIFY(service.registered());
        NotifyingClient c;
        QVERIFY(c.start());
        // With the main window in sight the window itself says it.
        c.desktop.showReceivedMessage(QStringLiteral("Seen"), QStringLiteral("127.0.0.1"));
        QVERIFY(c.desktop.tray().lastNotification().isEmpty());
        c.receive(QStringLiteral("Dial at 9"));
        QTRY_COMPARE(service.calls.size(), 1);
        const NotifyCall& n = service.calls.constFirst();
        QCOMPARE(n.appName, QStringLiteral("ZAV Remote 2002"));
        QCOMPARE(n.icon, QStringLiteral("zav-remote"));
        QCOMPARE(n.hints.value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("zav-remote"));
        QCOMPARE(n.summary, QStringLiteral("Message from ZAV Manager (127.0.0.1)"));
        QCOMPARE(n.body, QStringLiteral("Dial at 9"));
        QCOMPARE(n.replacesId, 0u);
        QVERIFY(n.actions.size() >= 2 && n.actions.constFirst() == QStringLiteral("default"));

        // The received-messages window, closed meanwhile, comes back with the click.
        // Another notification's click, or another action, does not count.
        c.desktop.receivedMessagesWindow()->hide();
        QTRY_VERIFY(c.desktop.tray().notifier().currentId() != 0);
        const uint id = c.desktop.tray().notifier().currentId();
        QSignalSpy clicked(&c.desktop.tray(), &TrayIcon::notificationClicked);
        service.click(id + 1, QStringLiteral("default"));
        service.click(id, QStringLiteral("other"));
        service.click(id, QStringLiteral("default"));
        QTRY_VERIFY(c.desktop.receivedMessagesWindow()->isVisible());
        QCOMPARE(clicked.size(), 1);
    }

    // The body is the message's first lines as plain text: escaped where the service reads
    // markup, as it is where it does not.
    void bodyIsPlainText_data() {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("body");
        auto row = [](const char* name, bool markup, const char* message, const char* body) {
            QTest::newRow(name) << markup << QString(message) << QString(body);
        };
        row("tags and ampersand escaped", true, "<b>Hang up</b> & dial",
            "&lt;b&gt;Hang up&lt;/b&gt; &amp; dial");
        row("entity stays visible", true, "&amp;", "&amp;amp;");
        row("no markup service gets the text", false, "<i>a</i> & b", "<i>a</i> & b");
        row("first three lines", true, "one\r\ntwo\rthree\nfour\r\nfive", "one\ntwo\nthree");
        row("empty message", true, "", "");
    }
    void bodyIsPlainText() {
        QFETCH(bool, markup);
        QFETCH(QString, message);
        QFETCH(QString, body);
        FakeNotificationService service(markup ? QStringList{QStringLiteral("body-markup")}
                                               : QStringList{QStringLiteral("body")});
        QVERIFY(service.registered());
        NotifyingClient c;
        QVERIFY(c.start());
        c.receive(message);
        QTRY_COMPARE(service.calls.size(), 1);
        QCOMPARE(service.calls.constFirst().body, body);
    }

    // A burst updates the one notification on the screen; once the user dismissed it, the next
    // message opens a new one.
    void burstUpdatesOneNotification() {
        FakeNotificationService service;
        QVERIFY(service.registered());
        NotifyingClient c;
        QVERIFY(c.start());
        c.receive(QStringLiteral("first"));
        c.receive(QStringLiteral("second"));
        c.receive(QStringLiteral("third"));
        QTRY_VERIFY(!service.calls.isEmpty() &&
                    service.calls.constLast().body == QStringLiteral("third"));
        QCOMPARE(service.open.size(), 1);
        const uint id = *service.open.cbegin();
        for (int i = 1; i < service.calls.size(); ++i)
            QCOMPARE(service.calls[i].replacesId, id);
        QTRY_COMPARE(c.desktop.tray().notifier().currentId(), id);

        service.dismiss(id);
        QTRY_COMPARE(c.desktop.tray().notifier().currentId(), 0u);
        const qsizetype before = service.calls.size();
        c.receive(QStringLiteral("fourth"));
        QTRY_COMPARE(service.calls.size(), before + 1);
        QCOMPARE(service.calls.constLast().replacesId, 0u);
        QTRY_VERIFY(c.desktop.tray().notifier().currentId() != id);
    }

    // Without a service, or with one that refuses, the tray's bubble is left to show it.
    void withoutServiceTheTrayShowsIt() {
        NotifyingClient c;
        QVERIFY(c.start());
        QVERIFY(!c.desktop.tray().notifier().serviceAvailable());
        c.receive(QStringLiteral("Dial at 9"));
        QCOMPARE(c.desktop.tray().lastNotification(),
                 (QStringList{QStringLiteral("Message from ZAV Manager (127.0.0.1)"),
                              QStringLiteral("Dial at 9")}));
        QCOMPARE(c.desktop.tray().notifier().currentId(), 0u);

        FakeNotificationService service;
        service.refuse = true;
        QVERIFY(service.registered());
        QSignalSpy failed(&c.desktop.tray().notifier(), &DesktopNotifier::failed);
        c.receive(QStringLiteral("again"));
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.constFirst().at(1).toString(), QStringLiteral("again"));
        QCOMPARE(c.desktop.tray().notifier().currentId(), 0u);
    }

    void cleanupTestCase() {
        m_watcherThread.quit();
        m_watcherThread.wait(5000);
    }

private:
    QThread m_watcherThread;
    FakeStatusNotifierWatcher m_watcher;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nameApplication(app);
    TestNotifications test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_notifications.moc"
