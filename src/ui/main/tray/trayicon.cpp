#include "ui/main/tray/trayicon.h"

#include <QMenu>
#include <QSystemTrayIcon>

static int gTrayOverride = -1;

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    m_blink.setInterval(kBlinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_blinkPhase = !m_blinkPhase;
        applyIcon();
    });
    // A tray that comes up after the program started still gets the icon.
    m_trayWatch.setInterval(3000);
    connect(&m_trayWatch, &QTimer::timeout, this, [this] {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            m_trayWatch.stop();
            ensureTray();
        }
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
    m_icon = icon;
    m_dimmed = dimmed;
    m_blinkPhase = false;
    applyIcon();
}

void TrayIcon::setToolTip(const QString& text) {
    m_toolTip = text;
    if (m_tray)
        m_tray->setToolTip(text);
}

void TrayIcon::setAlert(bool on) {
    m_alert = on;
    m_blinkPhase = false;
    if (on)
        m_blink.start();
    else
        m_blink.stop();
    applyIcon();
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

void TrayIcon::showIcon() {
    m_shown = true;
    if (QSystemTrayIcon::isSystemTrayAvailable())
        ensureTray();
    else
        m_trayWatch.start();
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
    applyIcon();
    m_tray->show();
}
