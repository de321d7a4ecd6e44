// The named combinations of indicator settings that the main window and the tray show.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

enum class DisplayState {
    NO_CARD,
    ONLINE,
    OFFLINE,
    ONLINE_NO_SIGNAL,
    OFFLINE_NO_SIGNAL,
    DIALING,
    DIALING_NO_SIGNAL,
    NO_SERVER,
    MESSAGE_WAITING, // tray only
    WAITING,         // tray only
};

// The seven stacked status pictures, in the order a display state sets them.
enum class StatusImage {
    Dialing_Image,
    No_ZAV_Card_Image,
    No_Signal_Image,
    Connected_Image,
    Disconnected_Image,
    No_Status_Image,
    No_Server_Image,
};
inline constexpr int STATUS_IMAGE_COUNT = 7;

// The hidden picture holders whose pictures the tray shows.
enum class TrayPicture {
    DISH_PLAIN_ICON,
    DISH_CONNECTED_ICON,
    DISH_DISCONNECTED_ICON,
    DISH_RED_X_ICON,
    DISH_CLOUD_ICON,
    DISH_SERVER_RUNNING_ICON,
    DISH_MESSAGE_ICON,
    DIALING_ICON,
};
inline constexpr int TRAY_PICTURE_COUNT = 8;

inline const QColor LAMP_GREEN{0, 255, 0};
inline const QColor LAMP_RED{255, 0, 0};
inline const QColor LAMP_PALE_YELLOW{255, 255, 192};

struct DisplayStateInfo {
    bool trayOnly;           // sets only the tray's picture, tooltip and Alert
    StatusImage image;       // the one status picture shown
    const char* word;        // ZAV_Stat_Label
    QColor lamp;             // SIGNAL_QUALITY_LED
    const char* lastConnect; // LAST_CONNECT_ISP_TIME_LABEL, or nullptr to leave it
    TrayPicture tray;
    const char* tooltip;
    bool alert;
};

const DisplayStateInfo& displayStateInfo(DisplayState state);

// The state a status code selects; none for a code outside the seven (compared exactly).
std::optional<DisplayState> displayStateForCode(const QString& code);
