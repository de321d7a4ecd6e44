// The report flood: 9 peers on 127.0.0.1, each in a loop connecting, sending a report and
// closing, against two listeners by turns.
#pragma once

#include <array>
#include <cmath>
#include <sys/types.h>

namespace benchrun {

extern const char kStatusReport[];

struct FloodResult {
    double perSecond = NAN;
    double cpuMicrosPerReport = NAN;
    long counted = 0;
    long resets = 0;
    long refused = 0;
    long failed = 0;
};

struct Listener {
    pid_t pid;
    int port;
};

// Floods two listeners by turns in short slices, starting with `first`, `seconds` for each in
// all, so that whatever else the machine does meanwhile falls on both alike. CPU is the time
// on a processor of all the listener's threads during its slices (the 10 ms ticks of
// utime+stime are too coarse for half a second).
std::array<FloodResult, 2> floodByTurns(const std::array<Listener, 2>& listeners, int first,
                                        double seconds);

} // namespace benchrun
