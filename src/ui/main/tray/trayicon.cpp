#include "ui/main/tray/trayicon.h"

#include "ui/main/notifier.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtWidgets/private/qsystemtrayicon_p.h>

static int gTrayOverride = -1;

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    m_blink.setInterval(kBlinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_blinkPhase = !m_blinkPhase;
        applyIcon();
    });
    // A tray that comes up after the program started still gets the icon. The look-outs grow
    // further apart (3 s, doubling up to a minute) so that a desktop without any tray is not
    // woken up for nothing.
    m_trayWatch.setInterval(kFirstTrayLookMs);
    connect(&m_trayWatch, &QTimer::timeout, this, [this] {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            m_trayWatch.stop();
            ensureTray();
            return;
        }
        m_trayWatch.setInterval(qMin(m_trayWatch.interval() * 2, kLastTrayLookMs));
    });
}

TrayIcon::~TrayIcon() {
    if (m_tray)
        m_tray->hide();
}

bool TrayIcon::trayAvailable() {
    if (gTrayOverride >= 0)
        return gTrayOverride == 1;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setTrayAvailableOverride(int available) {
    gTrayOverride = available;
}

void TrayIcon::setIcon(const QIcon& icon, const QIcon& dimmed) {
    // Each status report sets the picture again; the tray is only told of a new one.
    if (icon.cacheKey() == m_icon.cacheKey() && dimmed.cacheKey() == m_dimmed.cacheKey() &&
        !m_blinkPhase)
        return;
    m_icon = icon;
    m_dimmed = dimmed;
    m_blinkPhase = false;
    applyIcon();
}

void TrayIcon::setToolTip(const QString& text) {
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    if (m_tray)
        m_tray->setToolTip(text);
}

void TrayIcon::setAlert(bool on) {
    if (on == m_alert)
        return; // a blink under way goes on at its own pace
    m_alert = on;
    m_blinkPhase = false;
    updateBlink();
    applyIcon();
}

void TrayIcon::updateBlink() {
    // Blinking is for an icon someone can see: none runs while there is no tray icon.
    if (m_alert && m_tray)
        m_blink.start();
    else
        m_blink.stop();
}

void TrayIcon::applyIcon() {
    if (!m_tray)
        return;
    const bool dim = m_alert && m_blinkPhase;
    m_tray->setIcon(dim ? (m_dimmed.isNull() ? QIcon() : m_dimmed) : m_icon);
}

void TrayIcon::setContextMenu(QMenu* menu) {
    m_menu = menu;
    if (m_tray)
        m_tray->setContextMenu(menu);
}

void TrayIcon::notify(const QString& title, const QString& text) {
    m_lastNotification = {title, text};
    // The desktop's notification service when there is one: it gives the notification the
    // program's name and icon and a click that opens the messages, whatever tray there is.
    m_lastWasBalloon = false;
    if (notifier().show(title, text))
        return;
    showBalloon(title, text);
}

void TrayIcon::showBalloon(const QString& title, const QString& text) {
    m_lastWasBalloon = true;
    if (m_tray)
        m_tray->showMessage(title, text, m_icon, 10000);
}

DesktopNotifier& TrayIcon::notifier() {
    // The session bus is reached only once there is something to tell: connecting to it is
    // no part of the start-up.
    if (!m_notifier)
        setNotificationBus(QDBusConnection::sessionBus());
    return *m_notifier;
}

void TrayIcon::setNotificationBus(const QDBusConnection& bus) {
    delete m_notifier;
    m_notifier = new DesktopNotifier(bus, this);
    connect(m_notifier, &DesktopNotifier::activated, this, &TrayIcon::notificationClicked);
    // A service that fails to take the notification leaves the tray's own bubble to show it.
    connect(m_notifier, &DesktopNotifier::failed, this, &TrayIcon::showBalloon);
}

void TrayIcon::showIcon() {
    m_shown = true;
    if (QSystemTrayIcon::isSystemTrayAvailable())
        ensureTray();
    else
        m_trayWatch.start();
}

const QString TrayIcon::kItemTitle = QStringLiteral("ZAV Remote 2002");

// The toolkit's private tray class has no exported type information for the sanitizer's type
// checks to refer to.
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
void TrayIcon::watchStatusNotifierItem() {
    // Over the StatusNotifierItem protocol (KDE, GNOME's AppIndicator extension, waybar) the
    // toolkit titles the item with the application's name, "zav-remote", the name the
    // program's files go by. Only while the item answers the tray host is that name the
    // program's title; a display name would do it for good but the toolkit would append it to
    // the windows' captions.
    auto* d = static_cast<QSystemTrayIconPrivate*>(QObjectPrivate::get(m_tray));
    QObject* item = d ? d->qpa_sys : nullptr;
    if (item && item->inherits("QDBusTrayIcon")) {
        m_statusNotifierItem = item;
        item->installEventFilter(this);
    }
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // The host's questions reach the item as calls from the bus's thread.
    if (watched != m_statusNotifierItem || event->type() != QEvent::MetaCall)
        return QObject::eventFilter(watched, event);
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(kItemTitle);
    watched->event(event);
    QCoreApplication::setApplicationName(name);
    return true;
}

void TrayIcon::ensureTray() {
    if (m_tray)
        return;
    m_tray = new QSystemTrayIcon(this);
    m_tray->setToolTip(m_toolTip);
    if (m_menu)
        m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit notification(int(reason));
            });
    // The toolkit's own click report is only trusted for its own bubble: over D-Bus it passes on
    // any notification's click, other programs' included.
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_lastWasBalloon)
            emit notificationClicked();
    });
    applyIcon();
    m_tray->show();
    watchStatusNotifierItem();
    updateBlink();
}
