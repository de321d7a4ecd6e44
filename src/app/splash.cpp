#include "app/splash.h"

#include "app/version.h"
#include "ui/main/artwork.h"
#include "ui/main/fonts.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(469, 198);
    lblVERSION = new QLabel(QStringLiteral("vX.XX"), this);
    lblVERSION->setGeometry(twips(5760, 2760, 1215, 255));
    lblVERSION->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVERSION->setTextFormat(Qt::PlainText);
    lblVERSION->setText(versionText());
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
