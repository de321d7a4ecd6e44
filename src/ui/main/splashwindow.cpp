#include "ui/main/splashwindow.h"

#include "ui/main/accessibility.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    installAccessibleInterfaces();
    setAttribute(Qt::WA_DeleteOnClose);
    // Never shown in a title bar (there is none); it names the window in the desktop's lists.
    setWindowTitle(QStringLiteral("ZAV Remote 2002"));
    setFixedSize(469, 198);
    addVersionLabel(this, 2760);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, artwork::splashPicture());
    m_painted = true;
}

void SplashWindow::mousePressEvent(QMouseEvent*) {
    close();
}

void SplashWindow::keyPressEvent(QKeyEvent*) {
    close();
}
