// The system-tray icon: a picture, a tooltip, an attention flag that makes it blink, and one
// notification when the user activates it. A context menu can be attached.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class DesktopNotifier;
class QDBusConnection;
class QMenu;
class QSystemTrayIcon;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void setIcon(const QIcon& icon, const QIcon& dimmed = QIcon());
    QIcon icon() const { return m_icon; }
    void setToolTip(const QString& text);
    QString toolTip() const { return m_toolTip; }
    // True makes the icon blink until it is set false again.
    void setAlert(bool on);
    bool alert() const { return m_alert; }
    // Whether the icon is blinking for attention right now (only while it is in a tray).
    bool blinking() const { return m_blink.isActive(); }
    // Puts the icon into the tray, now or as soon as a tray appears.
    void showIcon();
    bool shown() const { return m_shown; }

    void setContextMenu(QMenu* menu);

    // A desktop notification: through the desktop's notification service when one is on the
    // session bus, else as the tray icon's bubble. notificationClicked() follows a click on it.
    void notify(const QString& title, const QString& text);
    DesktopNotifier& notifier();
    // Notifications go to the service on `bus` (by default the session bus).
    void setNotificationBus(const QDBusConnection& bus);
    // The last notification asked for (title, text), whether or not a tray could show it.
    QStringList lastNotification() const { return m_lastNotification; }

    // Whether the desktop has a tray that can show the icon and bring the window back.
    static bool trayAvailable();
    // Tests pretend there is (or is not) a tray.
    static void setTrayAvailableOverride(int available); // -1 none, 0 no, 1 yes

    // The name the tray host shows for the item (StatusNotifierItem's Title).
    static const QString kItemTitle;

    static constexpr int kBlinkMs = 600;
    static constexpr int kFirstTrayLookMs = 3000;
    static constexpr int kLastTrayLookMs = 60000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void notification(int reason);
    void notificationClicked();

private:
    void ensureTray();
    void watchStatusNotifierItem();
    void showBalloon(const QString& title, const QString& text);
    void applyIcon();
    void updateBlink();

    QIcon m_icon;
    QIcon m_dimmed;
    QString m_toolTip;
    bool m_alert = false;
    bool m_shown = false;
    bool m_blinkPhase = false;
    bool m_lastWasBalloon = false;
    QTimer m_blink;
    QTimer m_trayWatch;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    QPointer<QObject> m_statusNotifierItem;
    QStringList m_lastNotification;
};
