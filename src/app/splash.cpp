#include "app/splash.h"

#include "ui/main/artwork.h"
#include "ui/main/design.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(469, 198);
    lblVERSION = addVersionLabel(this, 2760);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void frmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, artwork::splashPicture());
}

void frmSplash::mousePressEvent(QMouseEvent*) {
    close();
}

void frmSplash::keyPressEvent(QKeyEvent*) {
    close();
}
