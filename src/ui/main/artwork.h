// The program's pictures, drawn in code so that they stay crisp at any screen scale.
#pragma once

#include "ui/main/indicators.h"

#include <QIcon>
#include <QPixmap>

namespace artwork {

// A status picture of the main window, 32 x 32 logical pixels.
QPixmap statusPicture(StatusPicture which);

// A tray picture. Plain .. Cloud are designed at 32 x 32, ServerRunning, Message and Dialing
// at 16 x 16; all scale.
QIcon trayPicture(TrayPicture which);
// The tray picture drawn faded, for the blink of a tray icon that calls for attention.
QIcon trayPictureDimmed(TrayPicture which);

enum class Button { Connect, Disconnect, Settings, WindowMode, SendMessage, About };
// Icon of one of the six picture buttons of the main window (18 x 16 logical pixels).
QIcon buttonIcon(Button which);

// The main window's icon (32 x 32), also used by the About window.
QIcon windowIcon();
// The send-message and received-messages windows' own icons.
QIcon sendMessageWindowIcon();
QIcon receivedMessagesWindowIcon();

// The small product logo at the bottom of the main window, 32 x 9.
QPixmap smallLogo();
// The splash window's picture, 470 x 200, made anew at each call (the splash shows once a run,
// and its picture need not stay in memory after it).
QPixmap splashPicture();
// The About window's picture, 470 x 230.
QPixmap aboutPicture();

enum class OptionsButton { Comms, Window, Startup, Other, Save, Cancel };
// The 32 x 32 pictures above the captions of the Options panel's top buttons.
QIcon optionsButtonIcon(OptionsButton which);
// The picture of the send button of the send-message window, 38 x 16.
QPixmap sendButtonPicture();
// The small attribution picture of the Options panel, 60 x 9.
QPixmap attributionPicture();

} // namespace artwork
