// Where the secondary windows appear.
#pragma once

#include <QPointer>
#include <QWidget>

// Whether the window system lets a program put its windows where it wants (X11 does; Wayland
// leaves that to the compositor and does not tell a window where it is).
bool windowSystemPlacesWindows();

// Moves a window that is about to be shown for the first time so that it is centred over
// `owner` (or the screen when there is none), kept inside the screen's free area.
void centreOver(QWidget* window, const QWidget* owner);

// Shows the one window kept in `slot` and brings it forward; when there is none, `make` creates
// it first and it is centred over `owner`. `activate` also gives it the keyboard.
template <class Window, class Make>
Window* showSingleWindow(QPointer<Window>& slot, const QWidget* owner, Make make,
                         bool activate = true) {
    if (!slot) {
        slot = make();
        centreOver(slot, owner);
    }
    slot->show();
    slot->raise();
    if (activate)
        slot->activateWindow();
    return slot;
}
