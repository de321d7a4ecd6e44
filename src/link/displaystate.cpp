#include "link/displaystate.h"

const DisplayStateInfo& displayStateInfo(DisplayState state) {
    using I = StatusImage;
    using T = TrayPicture;
    static const DisplayStateInfo table[] = {
        {false, I::No_ZAV_Card_Image, "NO CARD", LAMP_PALE_YELLOW, nullptr, T::DISH_RED_X_ICON,
         "ZAV Remote 2002... server reports no card status available", true},
        {false, I::Connected_Image, "ONLINE", LAMP_GREEN, nullptr, T::DISH_CONNECTED_ICON,
         "ZAV Remote 2002... Internet is available", false},
        {false, I::Disconnected_Image, "OFFLINE", LAMP_GREEN, nullptr, T::DISH_DISCONNECTED_ICON,
         "ZAV Remote 2002... Internet not available", false},
        {false, I::No_Signal_Image, "ONLINE", LAMP_RED, nullptr, T::DISH_CLOUD_ICON,
         "ZAV Remote 2002... Internet not available - No Signal", true},
        {false, I::No_Signal_Image, "OFFLINE", LAMP_RED, nullptr, T::DISH_CLOUD_ICON,
         "ZAV Remote 2002... Internet not available - No Signal", true},
        {false, I::Dialing_Image, "DIALING", LAMP_GREEN, nullptr, T::DIALING_ICON,
         "ZAV Remote 2002... server is now dialing", true},
        {false, I::Dialing_Image, "DIALING", LAMP_RED, nullptr, T::DIALING_ICON,
         "ZAV Remote 2002... server is now dialing", true},
        {false, I::No_Server_Image, "NO SRVR!", LAMP_PALE_YELLOW, "No Server!", T::DISH_RED_X_ICON,
         "ZAV Remote 2002... server not found - status unavailable", true},
        {true, I::No_Status_Image, "", LAMP_PALE_YELLOW, nullptr, T::DISH_MESSAGE_ICON,
         "ZAV Remote 2002... message received", true},
        {true, I::No_Status_Image, "", LAMP_PALE_YELLOW, nullptr, T::DISH_PLAIN_ICON,
         "ZAV Remote 2002... waiting for status", false},
    };
    return table[static_cast<int>(state)];
}

std::optional<DisplayState> displayStateForCode(const QString& code) {
    static const struct {
        const char* code;
        DisplayState state;
    } codes[] = {
        {"NOCARDSTA", DisplayState::NO_CARD},
        {"CONNSIGOK", DisplayState::ONLINE},
        {"DISCSIGOK", DisplayState::OFFLINE},
        {"CONNNOSIG", DisplayState::ONLINE_NO_SIGNAL},
        {"DISCNOSIG", DisplayState::OFFLINE_NO_SIGNAL},
        {"DIALNOSIG", DisplayState::DIALING_NO_SIGNAL},
        {"DIALSIGOK", DisplayState::DIALING},
    };
    for (const auto& c : codes)
        if (code == QLatin1String(c.code))
            return c.state;
    return std::nullopt;
}
