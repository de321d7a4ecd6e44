#include "report.h"

#include "flood.h"

#include <cstdio>

namespace benchrun {

void printReport(const Bench& b, int commandConnections) {
    std::printf("\nmedian (min–max) of %d rounds; ratio = program / anchor, of the medians "
                "(per-round ratios in brackets)\n\n",
                b.rounds);
    std::vector<Row> rows;
    const Row startup{"exec → main window shown, no splash hold (ms)", spread(b.startup.program, 1),
                      spread(b.startup.anchor, 1), ratioText(b.startup, 2),
                      "≤ 1.2" + verdict(ratioOfMedians(b.startup) <= 1.2)};
    if (b.startupOnly) {
        printTable({startup});
        std::printf("\nstart-up: %d pairs a round; exec → first expose of the main window handled "
                    "(painted), in-process with the splash hold at 0 (bench-client startup); "
                    "anchor = the minimal window, the same way\n",
                    b.startupPairs);
        return;
    }
    rows.push_back({"report throughput, 9 peers (reports/s)", spread(b.throughput.program, 0),
                    spread(b.throughput.anchor, 0), ratioText(b.throughput, 2),
                    "≥ 0.8" + verdict(ratioOfMedians(b.throughput) >= 0.8)});
    rows.push_back({"CPU per report (µs)", spread(b.cpuPerReport.program, 0),
                    spread(b.cpuPerReport.anchor, 0), ratioText(b.cpuPerReport, 1, "×"), ""});
    rows.push_back({"resident memory 10 s after start (MiB)", spread(b.resident.program, 1),
                    spread(b.resident.anchor, 1), ratioText(b.resident, 2),
                    "≤ 1.15" + verdict(ratioOfMedians(b.resident) <= 1.15)});
    rows.push_back(startup);
    rows.push_back({"peer's close → status word and lamp set, p99 (ms)", spread(b.latencyP99, 2),
                    "–", "–", "≤ 2 ms" + verdict(b.latencyP99.max() <= 2)});
    rows.push_back({"idle CPU (ticks/min)", spread(b.idleTicks.program, 1),
                    spread(b.idleTicks.anchor, 1), "–", "only the design's timers"});
    rows.push_back({"idle CPU time (ms/min, schedstat)", spread(b.idleCpuMs.program, 2),
                    spread(b.idleCpuMs.anchor, 2), "–", "only the design's timers"});
    rows.push_back({"idle wake-ups/s", spread(b.idleWakeUps.program, 2),
                    spread(b.idleWakeUps.anchor, 2), "–", "only the design's timers"});
    printTable(rows);

    std::printf("\nreport listener in-process (bench-client listener, %d runs):\n", b.listenerRuns);
    std::printf("  report connections, 8 at a time: %s per second\n",
                spread(b.listenerRate, 0).c_str());
    std::printf("  peak memory after them: %s KiB\n", spread(b.listenerPeakKiB, 0).c_str());
    std::printf("  flood of one peer that never closes: cut off in %d of %d runs after %s KiB "
                "offered; peak memory %s KiB\n",
                b.floodCutOff, b.listenerRuns, spread(b.floodOfferedKiB, 0).c_str(),
                spread(b.floodPeakKiB, 0).c_str());

    std::printf("\nhow:\n");
    std::printf("  throughput: %.1f s a round for each, in 0.5 s slices by turns (both running); 9 "
                "peer threads on 127.0.0.1 each connect, send \"%s\", close the sending side "
                "and read until the listener closes; completed reports counted by the peers; CPU "
                "= time on a processor of all the listener's threads (schedstat); "
                "program: refused %ld, failed %ld, reset %ld; anchor (bare QTcpServer): refused "
                "%ld, failed %ld, reset %ld\n",
                b.floodSeconds, kStatusReport, b.programRefused, b.programFailed, b.programResets,
                b.anchorRefused, b.anchorFailed, b.anchorResets);
    std::printf("  memory: VmRSS 10 s after exec; program = zav-remote from a temporary folder, "
                "with its splash hold, main window shown; anchor = a 161×275 window with one "
                "label\n");
    std::printf("  start-up: %d pairs a round; exec → first expose of the main window handled "
                "(painted), in-process with the splash hold at 0 (bench-client startup); anchor "
                "= the minimal window, the same way\n",
                b.startupPairs);
    std::printf("  close → display: in-process, 1000 reports a round 2 ms apart (each finds the "
                "client idle), alternating ONLINE/OFFLINE, from the peer's close to the end of "
                "the event that set word and lamp; p50 %s ms, max %s ms, %d missed\n",
                spread(b.latencyP50, 3).c_str(), spread(b.latencyMax, 2).c_str(), b.latencyMissed);
    std::printf("  idle: %.0f s from 10 s after exec, polling every 60 s (no poll falls in the "
                "window); wake-ups = voluntary context switches of all threads; command "
                "connections the stand-in on 127.0.0.1 took: %d\n",
                b.idleSeconds, commandConnections);
}

} // namespace benchrun
