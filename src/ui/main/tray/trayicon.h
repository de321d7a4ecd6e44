// The system-tray icon: a picture, a tooltip, an attention flag that makes it blink, and one
// notification when the user activates it. A context menu can be attached.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void setIcon(const QIcon& icon, const QIcon& dimmed = QIcon());
    QIcon icon() const { return icon_; }
    void setToolTip(const QString& text);
    QString toolTip() const { return toolTip_; }
    // True makes the icon blink until it is set false again.
    void setAlert(bool on);
    bool alert() const { return alert_; }
    // Whether the icon is blinking for attention right now.
    bool blinking() const { return blink_.isActive(); }
    // Puts the icon into the tray, now or as soon as a tray appears.
    void ShowIcon();
    bool shown() const { return shown_; }

    void setContextMenu(QMenu* menu);

    // Whether the desktop has a tray that can show the icon and bring the window back.
    static bool trayAvailable();
    // Tests pretend there is (or is not) a tray.
    static void setTrayAvailableOverride(int available); // -1 none, 0 no, 1 yes

    static constexpr int BLINK_MS = 600;

signals:
    void notification(int reason);

private:
    void ensureTray();
    void applyIcon();

    QIcon icon_;
    QIcon dimmed_;
    QString toolTip_;
    bool alert_ = false;
    bool shown_ = false;
    bool blinkPhase_ = false;
    QTimer blink_;
    QTimer trayWatch_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
};
