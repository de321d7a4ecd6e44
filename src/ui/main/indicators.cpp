#include "ui/main/indicators.h"

// One entry per state: the switch has no default, so a state without its look does not build.
const LinkLook& linkLook(LinkState state) {
    using P = StatusPicture;
    using T = TrayPicture;
    static const TrayLook noSignalTray{
        T::Cloud, "ZAV Remote 2002... Internet not available - No Signal", true};
    static const TrayLook dialingTray{T::Dialing, "ZAV Remote 2002... server is now dialing", true};
    switch (state) {
    case LinkState::NoCard: {
        static const LinkLook look{
            P::NoCard,
            kLampPaleYellow,
            QString(),
            {T::RedX, "ZAV Remote 2002... server reports no card status available", true}};
        return look;
    }
    case LinkState::Online: {
        static const LinkLook look{
            P::Connected,
            kLampGreen,
            QString(),
            {T::Connected, "ZAV Remote 2002... Internet is available", false}};
        return look;
    }
    case LinkState::Offline: {
        static const LinkLook look{
            P::Disconnected,
            kLampGreen,
            QString(),
            {T::Disconnected, "ZAV Remote 2002... Internet not available", false}};
        return look;
    }
    case LinkState::OnlineNoSignal:
    case LinkState::OfflineNoSignal: {
        static const LinkLook look{P::NoSignal, kLampRed, QString(), noSignalTray};
        return look;
    }
    case LinkState::Dialing: {
        static const LinkLook look{P::Dialing, kLampGreen, QString(), dialingTray};
        return look;
    }
    case LinkState::DialingNoSignal: {
        static const LinkLook look{P::Dialing, kLampRed, QString(), dialingTray};
        return look;
    }
    case LinkState::NoServer:
        break;
    }
    static const LinkLook noServer{
        P::NoServer,
        kLampPaleYellow,
        kNoServerTime,
        {T::RedX, "ZAV Remote 2002... server not found - status unavailable", true}};
    return noServer;
}
