// Where the secondary windows appear.
#pragma once

#include <QPointer>
#include <QWidget>

// Moves a window that is about to be shown for the first time so that it is centred over the
// main window (or the screen when there is none), kept inside the screen's free area.
void centreOnMainWindow(QWidget* window);

// Shows the one window kept in `slot` and brings it forward; when there is none, `make` creates
// it first and it is centred over the main window. `activate` also gives it the keyboard.
template <class Window, class Make>
Window* showSingleWindow(QPointer<Window>& slot, Make make, bool activate = true) {
    if (!slot) {
        slot = make();
        centreOnMainWindow(slot);
    }
    slot->show();
    slot->raise();
    if (activate)
        slot->activateWindow();
    return slot;
}
