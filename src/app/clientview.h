// What start-up and shutdown ask of the windows. The desktop side implements it; tests can
// implement it without any window.
#pragma once

#include "app/msgbox.h"

#include <QPoint>
#include <QStringList>

// The indicator and tray states that start-up shows before the link reports anything.
enum class StartupState {
    StartingUp,         // the tray icon's first picture
    SettingsMissing,    // no settings file: "ERROR", the no-server picture, tray asks to check
    WaitingForStatus,   // a file was found: "WAIT...", the no-status picture
    SettingsUnreadable, // the file could not be read: tray asks to check the settings
    ListenFailed,       // the listen port could not be taken: tray says the client did not start
    ClientRunning,      // all is well: tray says the client runs
};

// Start-up's message boxes come through MessageBoxes; they belong to the splash while it is up.
class ClientView : public MessageBoxes {
public:
    virtual ~ClientView() = default;
    // The splash window shown while the program starts; it is painted before show returns.
    virtual void showSplash() = 0;
    virtual void closeSplash() = 0;
    virtual void showStartupState(StartupState state) = 0;
    // Adds an entry to the log (the log adds the separator and the time).
    virtual void addLogEntry(const QStringList& lines) = 0;
    // Places the main window's frame, in pixels.
    virtual void placeMainWindow(const QPoint& topLeft) = 0;
    virtual QPoint mainWindowPosition() const = 0;
    virtual void setMiniMode(bool mini) = 0;
    // Whether the desktop has a system tray that could bring a hidden window back.
    virtual bool trayAvailable() const = 0;
    virtual void showMainWindow() = 0;
    // Shows what the user would see of the running program, normal and raised (a second start
    // asks for it).
    virtual void bringForward() = 0;
    // Ends the program through the shutdown steps (a termination signal asks for it).
    virtual void requestShutdown() = 0;
};
