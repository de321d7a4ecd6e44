// The benchmark's clocks and what it reads from /proc about its children and the machine.
#pragma once

#include <set>
#include <string>
#include <sys/types.h>

namespace benchrun {

// CLOCK_MONOTONIC in nanoseconds, the clock the probed programs print their moments on.
long long nowNs();
void sleepUntil(long long ns);
void sleepMs(int ms);

// The whole file, or nothing when it cannot be read.
std::string readFile(const std::string& path);

// utime + stime of every thread of the process, in clock ticks; -1 when it is gone.
long long cpuTicks(pid_t pid);
long long residentKiB(pid_t pid);
// Voluntary context switches of all the process's threads: how often it went to sleep.
long long wakeUps(pid_t pid);
// Time on a processor of all the process's threads, in nanoseconds (finer than the ticks).
long long cpuNs(pid_t pid);

// Whether anything listens on the TCP port, on any address.
bool isListening(int port);
// A port that nothing uses now and that is not in `taken` (where it is added); settings hold
// ports as signed 16-bit numbers, so it lies below the system's ephemeral range.
int freePort(std::set<int>& taken);

} // namespace benchrun
