// Where the secondary windows appear.
#pragma once

class QWidget;

// Moves a window that is about to be shown for the first time so that it is centred over the
// main window (or the screen when there is none), kept inside the screen's free area.
void centreOnMainWindow(QWidget* window);
