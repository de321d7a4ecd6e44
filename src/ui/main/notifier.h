// Desktop notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications). A burst of messages updates one notification instead of
// stacking many; a click on it (its default action) is reported by activated().
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // Whether a notification service runs on the bus (or the bus can start one).
    bool serviceAvailable() const;

    // Shows (or updates) the program's notification. The body is plain text: it is escaped for
    // services that read markup. Returns false when there is no service to ask.
    bool show(const QString& summary, const QString& body);

    // The id the service gave the notification on the screen, 0 when none is open.
    uint currentId() const { return m_currentId; }

    static const QString kService;
    static const QString kPath;
    static const QString kInterface;
    // The longest the program waits for the service's answer to one call.
    static constexpr int kCallTimeoutMs = 5000;
    // How many of a message's lines the notification carries.
    static constexpr int kBodyLines = 3;

    // The first lines of a message, as the body of its notification.
    static QString bodyOf(const QString& message);
    // `text` with the three characters a notification body's markup knows escaped.
    static QString escapeMarkup(const QString& text);

signals:
    // The user clicked the notification (its default action).
    void activated();
    // The service did not take a notification (an error or no answer in time); `summary` and
    // `body` are what was to be shown, for another way of showing them.
    void failed(const QString& summary, const QString& body);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    void askCapabilities();
    void sendPending();

    QDBusConnection m_bus;
    uint m_currentId = 0;
    bool m_capabilitiesKnown = false;
    bool m_capabilitiesAsked = false;
    bool m_escapeBody = true;
    bool m_callInFlight = false;
    bool m_hasPending = false;
    QString m_pendingSummary;
    QString m_pendingBody;
};
