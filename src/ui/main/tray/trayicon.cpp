#include "ui/main/tray/trayicon.h"

#include <QMenu>
#include <QSystemTrayIcon>

static int gTrayOverride = -1;

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    blink_.setInterval(BLINK_MS);
    connect(&blink_, &QTimer::timeout, this, [this] {
        blinkPhase_ = !blinkPhase_;
        applyIcon();
    });
    // A tray that comes up after the program started still gets the icon.
    trayWatch_.setInterval(3000);
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            trayWatch_.stop();
            ensureTray();
        }
    });
}

TrayIcon::~TrayIcon() {
    if (tray_)
        tray_->hide();
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
    icon_ = icon;
    dimmed_ = dimmed;
    blinkPhase_ = false;
    applyIcon();
}

void TrayIcon::setToolTip(const QString& text) {
    toolTip_ = text;
    if (tray_)
        tray_->setToolTip(text);
}

void TrayIcon::setAlert(bool on) {
    alert_ = on;
    blinkPhase_ = false;
    if (on)
        blink_.start();
    else
        blink_.stop();
    applyIcon();
}

void TrayIcon::applyIcon() {
    if (!tray_)
        return;
    const bool dim = alert_ && blinkPhase_;
    tray_->setIcon(dim ? (dimmed_.isNull() ? QIcon() : dimmed_) : icon_);
}

void TrayIcon::setContextMenu(QMenu* menu) {
    menu_ = menu;
    if (tray_)
        tray_->setContextMenu(menu);
}

void TrayIcon::ShowIcon() {
    shown_ = true;
    if (QSystemTrayIcon::isSystemTrayAvailable())
        ensureTray();
    else
        trayWatch_.start();
}

void TrayIcon::ensureTray() {
    if (tray_)
        return;
    tray_ = new QSystemTrayIcon(this);
    tray_->setToolTip(toolTip_);
    if (menu_)
        tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit notification(int(reason));
            });
    applyIcon();
    tray_->show();
}
