#include "ui/main/notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRegularExpression>
#include <QVariantMap>

const QString DesktopNotifier::kService = QStringLiteral("org.freedesktop.Notifications");
const QString DesktopNotifier::kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString DesktopNotifier::kInterface = QStringLiteral("org.freedesktop.Notifications");

namespace {
const QString kAppName = QStringLiteral("ZAV Remote 2002");
const QString kIconName = QStringLiteral("zav-remote");
const QString kDefaultAction = QStringLiteral("default");
} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

namespace {
// One question to the bus itself, answered within two seconds or taken as "no".
QVariant askBus(const QDBusConnection& bus, const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(args);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst();
}
} // namespace

bool DesktopNotifier::serviceAvailable() const {
    if (!m_bus.isConnected())
        return false;
    if (askBus(m_bus, QStringLiteral("NameHasOwner"), {kService}).toBool())
        return true;
    // A service the bus starts on the first call counts too.
    return askBus(m_bus, QStringLiteral("ListActivatableNames"), {})
        .toStringList()
        .contains(kService);
}

QString DesktopNotifier::bodyOf(const QString& message) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = message.split(lineBreak);
    if (lines.size() > kBodyLines)
        lines = lines.mid(0, kBodyLines);
    return lines.join(QLatin1Char('\n'));
}

QString DesktopNotifier::escapeMarkup(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            escaped += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            escaped += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            escaped += QLatin1String("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

bool DesktopNotifier::show(const QString& summary, const QString& body) {
    if (!serviceAvailable())
        return false;
    // Only the newest text waits: a burst while a call is under way ends in one update.
    m_pendingSummary = summary;
    m_pendingBody = body;
    m_hasPending = true;
    if (!m_capabilitiesKnown)
        askCapabilities();
    else
        sendPending();
    return true;
}

void DesktopNotifier::askCapabilities() {
    if (m_capabilitiesAsked)
        return;
    m_capabilitiesAsked = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                             QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        // Body markup is escaped unless the service says it shows the body as it is.
        m_escapeBody = reply.isError() || reply.value().contains(QStringLiteral("body-markup"));
        m_capabilitiesKnown = true;
        m_capabilitiesAsked = false;
        sendPending();
    });
}

void DesktopNotifier::sendPending() {
    if (m_callInFlight || !m_hasPending)
        return;
    m_hasPending = false;
    const QString summary = m_pendingSummary;
    const QString body = m_pendingBody;
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kIconName);
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << kAppName << m_currentId << kIconName << summary
         << (m_escapeBody ? escapeMarkup(body) : body)
         << QStringList{kDefaultAction, tr("Show messages")} << hints << int(-1);
    m_callInFlight = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                m_callInFlight = false;
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError() || reply.value() == 0) {
                    m_currentId = 0;
                    emit failed(summary, body);
                } else {
                    m_currentId = reply.value();
                }
                sendPending();
            });
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    if (id != 0 && id == m_currentId && action == kDefaultAction)
        emit activated();
}

void DesktopNotifier::onClosed(uint id, uint) {
    // The next message opens a new notification.
    if (id != 0 && id == m_currentId)
        m_currentId = 0;
}
