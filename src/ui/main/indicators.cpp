#include "ui/main/indicators.h"

const LinkLook& linkLook(LinkState state) {
    using P = StatusPicture;
    using T = TrayPicture;
    static const LinkLook looks[] = {
        {P::NoCard,
         kLampPaleYellow,
         nullptr,
         {T::RedX, "ZAV Remote 2002... server reports no card status available", true}},
        {P::Connected,
         kLampGreen,
         nullptr,
         {T::Connected, "ZAV Remote 2002... Internet is available", false}},
        {P::Disconnected,
         kLampGreen,
         nullptr,
         {T::Disconnected, "ZAV Remote 2002... Internet not available", false}},
        {P::NoSignal,
         kLampRed,
         nullptr,
         {T::Cloud, "ZAV Remote 2002... Internet not available - No Signal", true}},
        {P::NoSignal,
         kLampRed,
         nullptr,
         {T::Cloud, "ZAV Remote 2002... Internet not available - No Signal", true}},
        {P::Dialing,
         kLampGreen,
         nullptr,
         {T::Dialing, "ZAV Remote 2002... server is now dialing", true}},
        {P::Dialing,
         kLampRed,
         nullptr,
         {T::Dialing, "ZAV Remote 2002... server is now dialing", true}},
        {P::NoServer,
         kLampPaleYellow,
         "No Server!",
         {T::RedX, "ZAV Remote 2002... server not found - status unavailable", true}},
    };
    return looks[static_cast<int>(state)];
}
