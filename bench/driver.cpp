// `make bench`: runs the client and its anchors by turns, several rounds, and prints one table
// of medians (min–max) beside their anchors, with the ratios.
//   bench-run BIN_FOLDER [--rounds N] [--flood-seconds S] [--idle-seconds S] [--only startup]
// BIN_FOLDER holds zav-remote, bench-client and bench-anchor. It needs an X display (`make bench`
// runs it under xvfb-run). Every connection it makes or causes stays on 127.0.0.1, and every
// loop in it is bounded in count and time. `--only startup` takes the start-up figure alone
// (three pairs a round), for working on the start-up.
//
// This file sets the run up and ends it; the jobs live beside it: proc (clocks and /proc),
// children (starting and ending programs), standin (the server's command port), flood (the
// report flood), rounds (what a round measures), figures and report (the printed result).
#include "children.h"
#include "proc.h"
#include "report.h"
#include "rounds.h"
#include "standin.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace benchrun;

namespace {

void loadAverage(const char* when) {
    std::printf("load average %s: %s", when, readFile("/proc/loadavg").c_str());
}

} // namespace

int main(int argc, char** argv) {
    const char* usage = "usage: bench-run BIN_FOLDER [--rounds N] [--flood-seconds S] "
                        "[--idle-seconds S] [--only startup]\n";
    if (argc < 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc < 2 ? stderr : stdout, "%s", usage);
        return argc < 2 ? 2 : 0;
    }
    Bench b;
    b.bin = fs::absolute(argv[1]);
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rounds")
            b.rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--flood-seconds")
            b.floodSeconds = std::clamp(std::atof(argv[i + 1]), 0.5, 30.0);
        else if (option == "--idle-seconds")
            b.idleSeconds = std::clamp(std::atof(argv[i + 1]), 2.0, 120.0);
        else if (option == "--only" && std::string(argv[i + 1]) == "startup")
            b.startupOnly = true;
        else {
            std::fprintf(stderr, "bench: unknown option %s %s\n%s", argv[i], argv[i + 1], usage);
            return 2;
        }
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench: needs an X display; `make bench` runs it under xvfb-run\n");
        return 2;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::signal(SIGPIPE, SIG_IGN);

    char pattern[] = "/tmp/zav-bench-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("bench: mkdtemp");
        return 1;
    }
    b.work = pattern;
    b.programFolder = b.work / "program";
    b.clientFolder = b.work / "client";
    fs::create_directories(b.programFolder);
    fs::create_directories(b.clientFolder);
    // The session's runtime folder (XDG_RUNTIME_DIR) is a tmpfs on a desktop; the program keeps
    // its instance lock there, and taking the lock syncs the file, which on a disk costs as much
    // as a whole start. So the run gets one on /dev/shm when there is one.
    char runtimePattern[] = "/dev/shm/zav-bench-run-XXXXXX";
    const fs::path runtime = ::mkdtemp(runtimePattern) ? fs::path(runtimePattern) : b.work / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    // The program reads its settings from the folder of its executable (the link resolved), so
    // it runs from a copy.
    fs::copy_file(b.bin / "zav-remote", b.program());
    gChildLog = (b.work / "children.log").string();

    std::set<int> taken;
    b.programPort = freePort(taken);
    b.clientPort = freePort(taken);
    b.anchorPort = freePort(taken);
    b.commandPort = freePort(taken);
    CommandStandIn standIn(b.commandPort);

    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            gChildEnvironment.push_back(entry);
    }
    gChildEnvironment.push_back("QT_QPA_PLATFORM=xcb");
    gChildEnvironment.push_back("XDG_RUNTIME_DIR=" + runtime.string());

    if (!b.writeSettings(b.programFolder, b.programPort) ||
        !b.writeSettings(b.clientFolder, b.clientPort)) {
        for (const std::string& p : b.problems)
            std::fprintf(stderr, "bench: %s: %s\n", p.c_str(), readFile(gChildLog).c_str());
        std::error_code ignored;
        fs::remove_all(b.work, ignored);
        fs::remove_all(runtime, ignored);
        return 1;
    }

    const long long begun = nowNs();
    std::printf("ZAV Remote 2002 benchmark: %d rounds, program and anchor by turns, on %ld cores, "
                "X display %s\n",
                b.rounds, sysconf(_SC_NPROCESSORS_ONLN), std::getenv("DISPLAY"));
    loadAverage("at the start");
    std::fflush(stdout);

    // One start of each, not counted, fills the file caches.
    b.programStartup();
    b.anchorStartup();
    b.problems.clear();
    for (int r = 0; r < b.rounds; ++r) {
        b.round(r);
        std::fprintf(stderr, "round %d of %d done (%.0f s)\n", r + 1, b.rounds,
                     double(nowNs() - begun) / 1e9);
    }

    printReport(b, standIn.connections());
    loadAverage("at the end");
    std::printf("whole run: %.0f s\n", double(nowNs() - begun) / 1e9);
    for (const std::string& p : b.problems)
        std::printf("PROBLEM: %s\n", p.c_str());
    if (!b.problems.empty()) {
        std::printf("--- children's log (last lines) ---\n");
        const std::string log = readFile(gChildLog);
        std::printf("%s\n", log.substr(log.size() > 3000 ? log.size() - 3000 : 0).c_str());
    }
    std::error_code ignored;
    fs::remove_all(b.work, ignored);
    fs::remove_all(runtime, ignored);
    return b.problems.empty() ? 0 : 1;
}
