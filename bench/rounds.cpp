#include "rounds.h"

#include "children.h"
#include "flood.h"
#include "proc.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>

namespace benchrun {

std::string Bench::program() const {
    return (programFolder / "zav-remote").string();
}

std::string Bench::tool(const char* name) const {
    return (bin / name).string();
}

bool Bench::writeSettings(const std::filesystem::path& folder, int listenPort) {
    Child c = spawn({tool("bench-client"), "settings", folder.string(), std::to_string(listenPort),
                     std::to_string(commandPort)},
                    false);
    const int status = finish(c, 10000);
    if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    problems.push_back("the settings file of " + folder.string() + " could not be written");
    return false;
}

double Bench::startupMs(const std::vector<std::string>& args) {
    Child c = spawn(args, true);
    std::string line;
    double ms = NAN;
    if (readLine(c, line, 15000) && line.rfind("shown ", 0) == 0)
        ms = double(std::atoll(line.c_str() + 6) - c.startedNs) / 1e6;
    else
        problems.push_back(args[0] + " never showed its window");
    finish(c, 5000);
    return ms;
}

double Bench::programStartup() {
    return startupMs({tool("bench-client"), "startup", clientFolder});
}

double Bench::anchorStartup() {
    return startupMs({tool("bench-anchor"), "window", "--quit-when-shown"});
}

void Bench::latency() {
    Child c = spawn({tool("bench-client"), "latency", clientFolder.string(),
                     std::to_string(clientPort), "1000", "2"},
                    true);
    std::string line;
    bool got = false;
    while (readLine(c, line, 60000)) {
        unsigned long n = 0;
        int missed = 0;
        double p50 = 0, p99 = 0, max = 0;
        if (std::sscanf(line.c_str(), "latency-us n=%lu missed=%d p50=%lf p99=%lf max=%lf", &n,
                        &missed, &p50, &p99, &max) == 5 &&
            n > 0) {
            latencyP50.add(p50 / 1000);
            latencyP99.add(p99 / 1000);
            latencyMax.add(max / 1000);
            latencyMissed += missed;
            got = true;
        }
    }
    if (!got)
        problems.push_back("the latency run gave no figures");
    finish(c, 5000);
}

void Bench::listener() {
    Child c = spawn({tool("bench-client"), "listener", clientFolder.string(),
                     std::to_string(clientPort), "3000"},
                    true);
    std::string line;
    ++listenerRuns;
    while (readLine(c, line, 60000)) {
        int count = 0, failed = 0;
        double seconds = 0, rate = 0;
        long kib = 0;
        long long offered = 0;
        char state[32] = {};
        if (std::sscanf(line.c_str(), "report connections: %d in %lf s = %lf per second (%d",
                        &count, &seconds, &rate, &failed) == 4)
            listenerRate.add(rate);
        else if (std::sscanf(line.c_str(), "peak memory after them: %ld KiB", &kib) == 1)
            listenerPeakKiB.add(double(kib));
        else if (std::sscanf(line.c_str(),
                             "flood: %lld KiB offered, peer %31[^,], peak memory "
                             "%ld KiB",
                             &offered, state, &kib) == 3) {
            floodOfferedKiB.add(double(offered));
            floodPeakKiB.add(double(kib));
            floodCutOff += std::strcmp(state, "cut off") == 0;
        }
    }
    finish(c, 5000);
}

void Bench::round(int index) {
    const bool programFirst = index % 2 == 0;

    for (int i = 0; i < startupPairs; ++i) {
        if ((i % 2 == 0) == programFirst) {
            const double p = programStartup();
            startup.add(p, anchorStartup());
        } else {
            const double a = anchorStartup();
            startup.add(programStartup(), a);
        }
    }
    if (startupOnly)
        return;
    latency();
    listener();

    // The real program (with its splash hold) and the minimal window, side by side:
    // memory 10 s after each one's start, then each one idle for the idle window.
    Child p = spawn({program()}, false);
    sleepUntil(p.startedNs + 2000000000LL);
    Child a = spawn({tool("bench-anchor"), "window"}, false);
    const long long tenP = p.startedNs + 10000000000LL;
    const long long tenA = a.startedNs + 10000000000LL;
    const long long idle = (long long)(idleSeconds * 1e9);
    sleepUntil(tenP);
    const double rssP = double(residentKiB(p.pid)) / 1024;
    const long long ticksP = cpuTicks(p.pid), wakeP = wakeUps(p.pid), nsP = cpuNs(p.pid);
    sleepUntil(tenA);
    const double rssA = double(residentKiB(a.pid)) / 1024;
    const long long ticksA = cpuTicks(a.pid), wakeA = wakeUps(a.pid), nsA = cpuNs(a.pid);
    sleepUntil(tenP + idle);
    const long long ticksP1 = cpuTicks(p.pid), wakeP1 = wakeUps(p.pid), nsP1 = cpuNs(p.pid);
    sleepUntil(tenA + idle);
    const long long ticksA1 = cpuTicks(a.pid), wakeA1 = wakeUps(a.pid), nsA1 = cpuNs(a.pid);
    const bool bothRan = running(p) && running(a) && ticksP1 >= 0 && ticksA1 >= 0;
    finish(a);
    if (!bothRan || !isListening(programPort)) {
        problems.push_back("round " + std::to_string(index + 1) +
                           ": the program or the window did not keep running and listening");
        finish(p);
        return;
    }
    const double minutes = idleSeconds / 60;
    resident.add(rssP, rssA);
    idleTicks.add(double(ticksP1 - ticksP) / minutes, double(ticksA1 - ticksA) / minutes);
    idleCpuMs.add(double(nsP1 - nsP) / 1e6 / minutes, double(nsA1 - nsA) / 1e6 / minutes);
    idleWakeUps.add(double(wakeP1 - wakeP) / idleSeconds, double(wakeA1 - wakeA) / idleSeconds);

    // The flood, on the same program, its main window shown, and on the bare server by turns.
    Child server = spawn({tool("bench-anchor"), "server", std::to_string(anchorPort)}, false);
    for (int i = 0; i < 500 && !isListening(anchorPort); ++i)
        sleepMs(10);
    const auto floods =
        floodByTurns({Listener{p.pid, programPort}, Listener{server.pid, anchorPort}},
                     programFirst ? 0 : 1, floodSeconds);
    finish(server);
    finish(p);
    throughput.add(floods[0].perSecond, floods[1].perSecond);
    cpuPerReport.add(floods[0].cpuMicrosPerReport, floods[1].cpuMicrosPerReport);
    programRefused += floods[0].refused;
    programFailed += floods[0].failed;
    programResets += floods[0].resets;
    anchorRefused += floods[1].refused;
    anchorFailed += floods[1].failed;
    anchorResets += floods[1].resets;
}

} // namespace benchrun
