#include "ui/main/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOver(QWidget* window, const QWidget* owner) {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QRect around = owner ? owner->frameGeometry() : area;
    // The new window's frame is not known before it is shown; it is taken to be like the main
    // window's, whose decoration is of the same kind (the main window may be hidden by now).
    QSize frame = window->size();
    if (owner)
        frame += owner->frameGeometry().size() - owner->geometry().size();
    QRect placed(QPoint(0, 0), frame);
    placed.moveCenter(around.center());
    if (area.isValid()) {
        // A main window near a screen edge must not push the new window off the screen.
        if (placed.right() > area.right())
            placed.moveRight(area.right());
        if (placed.bottom() > area.bottom())
            placed.moveBottom(area.bottom());
        if (placed.left() < area.left())
            placed.moveLeft(area.left());
        if (placed.top() < area.top())
            placed.moveTop(area.top());
    }
    window->move(placed.topLeft());
}

bool windowSystemPlacesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
