// One run of the benchmark: the folders and ports it uses, the figures it gathers, and the
// rounds that gather them, the program and its anchors by turns.
#pragma once

#include "figures.h"

#include <filesystem>
#include <string>
#include <vector>

namespace benchrun {

struct Bench {
    std::filesystem::path bin;
    std::filesystem::path work;
    std::filesystem::path programFolder; // a copy of zav-remote and its settings file
    std::filesystem::path clientFolder;  // the settings file of the in-process runs
    int programPort = 0;
    int clientPort = 0;
    int anchorPort = 0;
    int commandPort = 0;
    int rounds = 5;
    double floodSeconds = 3;
    double idleSeconds = 20;
    int startupPairs = 3;
    bool startupOnly = false; // only the start-up figure, in every round

    Pair throughput, cpuPerReport, resident, startup, idleTicks, idleCpuMs, idleWakeUps;
    Series latencyP99, latencyP50, latencyMax;
    long programRefused = 0, programFailed = 0, programResets = 0;
    long anchorRefused = 0, anchorFailed = 0, anchorResets = 0;
    int latencyMissed = 0;
    Series listenerRate, listenerPeakKiB, floodOfferedKiB, floodPeakKiB;
    int floodCutOff = 0, listenerRuns = 0;
    std::vector<std::string> problems;

    std::string program() const;
    std::string tool(const char* name) const;

    // Writes the settings file into `folder` with the program's own writer (bench-client
    // settings); false, with the problem noted, when that failed.
    bool writeSettings(const std::filesystem::path& folder, int listenPort);

    double programStartup();
    double anchorStartup();
    void round(int index);

private:
    double startupMs(const std::vector<std::string>& args);
    void latency();
    void listener();
};

} // namespace benchrun
