// Normal and mini window modes, the tray toggle, and the fade at the end of the run.
#include "app/environment.h"
#include "ui/main/form1.h"
#include "ui/main/tray/trayicon.h"

#include <QApplication>
#include <QPropertyAnimation>
#include <QPushButton>

bool Form1::isMiniMode() const {
    return height() == MINI_HEIGHT;
}

void Form1::WINDOW_MODE_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    if (height() == NORMAL_HEIGHT) {
        setFixedSize(CLIENT_WIDTH, MINI_HEIGHT);
        return;
    }
    if (height() == MINI_HEIGHT)
        setFixedSize(CLIENT_WIDTH, NORMAL_HEIGHT);
}

void Form1::TRAY_ICON_notification() {
    if (isVisible()) {
        // Without a tray nothing could bring the window back.
        if (TrayIcon::trayAvailable())
            hide();
        return;
    }
    show();
    raise();
}

void Form1::fadeOut() {
    auto finish = [this] {
        hide();
        // Windows opened from this one go with it.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible())
                w->close();
        QCoreApplication::exit(0);
    };
    const int ms = env().fadeMilliseconds;
    if (!isVisible() || ms <= 0) {
        finish();
        return;
    }
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(ms);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, finish);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}
