#include "flood.h"

#include "proc.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace benchrun {

const char kStatusReport[] = "STATUS CONNSIGOK10:15am";

namespace {

const char kRefusal[] = "MAXIMUM CONCURRENT SESSIONS";

enum class Outcome { Done, Reset, Refused, Failed };

// One report: connect, send, close the sending side, then read until the listener closes too,
// so that a counted report is one the listener has taken in whole.
Outcome sendReport(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Outcome::Failed;
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Outcome outcome = Outcome::Failed;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        ::send(fd, kStatusReport, sizeof kStatusReport - 1, MSG_NOSIGNAL) > 0 &&
        ::shutdown(fd, SHUT_WR) == 0) {
        std::string answer;
        char chunk[256];
        for (;;) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n > 0 && answer.size() < 4096) {
                answer.append(chunk, size_t(n));
                continue;
            }
            const bool refused = answer.compare(0, sizeof kRefusal - 1, kRefusal) == 0;
            if (n == 0)
                outcome = refused ? Outcome::Refused : Outcome::Done;
            else if (n < 0 && errno == ECONNRESET)
                outcome = refused ? Outcome::Refused : Outcome::Reset;
            break;
        }
    }
    ::close(fd);
    return outcome;
}

} // namespace

std::array<FloodResult, 2> floodByTurns(const std::array<Listener, 2>& listeners, int first,
                                        double seconds) {
    constexpr int kPeers = 9;
    constexpr long kMaxReports = 300000;
    constexpr double kSlice = 0.5;
    std::atomic<bool> stop{false};
    std::atomic<int> target{first};
    std::atomic<long> attempts{0};
    std::atomic<long> counts[2][4] = {};
    std::vector<std::thread> peers;
    for (int i = 0; i < kPeers; ++i)
        peers.emplace_back([&] {
            while (!stop.load(std::memory_order_relaxed) && attempts++ < kMaxReports) {
                const int t = target.load();
                ++counts[t][int(sendReport(listeners[size_t(t)].port))];
            }
        });
    auto completed = [&](int t) { return counts[t][0].load() + counts[t][1].load(); };
    sleepMs(250); // the peers get going
    long long ns[2] = {};
    long long cpu[2] = {};
    long reports[2] = {};
    const int slices = std::max(1, int(std::lround(seconds / kSlice)));
    for (int k = 0; k < 2 * slices; ++k) {
        const int t = (first + k) % 2;
        const pid_t pid = listeners[size_t(t)].pid;
        target = t;
        const long long t0 = nowNs();
        const long c0 = completed(t);
        const long long cpu0 = cpuNs(pid);
        sleepUntil(t0 + (long long)(kSlice * 1e9));
        reports[t] += completed(t) - c0;
        cpu[t] += cpuNs(pid) - cpu0;
        ns[t] += nowNs() - t0;
    }
    stop = true;
    for (auto& t : peers)
        t.join();
    std::array<FloodResult, 2> r;
    for (int t = 0; t < 2; ++t) {
        r[t].counted = reports[t];
        r[t].perSecond = double(reports[t]) / (double(ns[t]) / 1e9);
        if (reports[t] > 0)
            r[t].cpuMicrosPerReport = double(cpu[t]) / 1e3 / double(reports[t]);
        r[t].resets = counts[t][1];
        r[t].refused = counts[t][2];
        r[t].failed = counts[t][3];
    }
    return r;
}

} // namespace benchrun
