// How the main window and the tray show each state of the link (beside its word, see
// linkStateWord): the status picture, the signal lamp, the tray picture, its tooltip and whether
// the tray draws attention.
#pragma once

#include "app/linkstatus.h"
#include "link/records.h"

#include <QColor>

// The seven stacked status pictures, in the order a state sets their visibility.
enum class StatusPicture { Dialing, NoCard, NoSignal, Connected, Disconnected, NoStatus, NoServer };
inline constexpr int kStatusPictureCount = 7;

enum class TrayPicture {
    Plain,
    Connected,
    Disconnected,
    RedX,
    Cloud,
    ServerRunning,
    Message,
    Dialing
};
inline constexpr int kTrayPictureCount = 8;

inline const QColor kLampGreen{0, 255, 0};
inline const QColor kLampRed{255, 0, 0};
inline const QColor kLampPaleYellow{255, 255, 192};

struct TrayLook {
    TrayPicture picture;
    const char* toolTip;
    bool alert;
};

struct LinkLook {
    StatusPicture picture;
    QColor lamp;
    QString lastConnect; // replaces the last-connect time, or empty to leave it
    TrayLook tray;
};

const LinkLook& linkLook(LinkState state);

// The tray's own states: a message waits to be read; the window was closed, a status is awaited.
inline constexpr TrayLook kMessageWaitingTray{TrayPicture::Message,
                                              "ZAV Remote 2002... message received", true};
inline constexpr TrayLook kWaitingTray{TrayPicture::Plain, "ZAV Remote 2002... waiting for status",
                                       false};
