// `make bench`: runs the client and its anchors by turns, several rounds, and prints one table
// of medians (min–max) beside their anchors, with the ratios.
//   bench-run BIN_FOLDER [--rounds N] [--flood-seconds S] [--idle-seconds S]
// BIN_FOLDER holds zav-remote, bench-client and bench-anchor. It needs an X display (`make bench`
// runs it under xvfb-run). Every connection it makes or causes stays on 127.0.0.1, and every
// loop in it is bounded in count and time.
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// ---- Clocks and /proc ----

long long nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void sleepUntil(long long ns) {
    for (long long left = ns - nowNs(); left > 0; left = ns - nowNs())
        std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// utime + stime of every thread of the process, in clock ticks; -1 when it is gone.
long long cpuTicks(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(paren + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) // fields 3 to 13
        fields >> skip;
    long long utime = 0;
    long long stime = 0;
    fields >> utime >> stime;
    return utime + stime;
}

long long statusValue(const std::string& status, const char* key) {
    const size_t at = status.find(key);
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + std::strlen(key));
}

long long residentKiB(pid_t pid) {
    return statusValue(readFile("/proc/" + std::to_string(pid) + "/status"), "VmRSS:");
}

// Voluntary context switches of all the process's threads: how often it went to sleep.
long long wakeUps(pid_t pid) {
    long long sum = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        sum += std::max(0LL, statusValue(readFile(task.path().string() + "/status"),
                                         "\nvoluntary_ctxt_switches:"));
    return sum;
}

// Time on a processor of all the process's threads, in nanoseconds (finer than the ticks).
long long cpuNs(pid_t pid) {
    long long sum = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        sum += std::atoll(readFile(task.path().string() + "/schedstat").c_str());
    return sum;
}

bool isListening(int port) {
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, "%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::istringstream lines(readFile(table));
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream f(line);
            std::string slot, local, remote, state;
            f >> slot >> local >> remote >> state;
            if (state == "0A" && local.size() > 5 && local.substr(local.size() - 4) == hexPort)
                return true;
        }
    }
    return false;
}

// A port that nothing uses now; settings hold ports as signed 16-bit numbers, so it lies below
// the system's ephemeral range.
int freePort(std::set<int>& taken) {
    static std::mt19937 random{unsigned(nowNs())};
    for (int attempt = 0; attempt < 500; ++attempt) {
        const int port = 20000 + int(random() % 12000);
        if (taken.count(port) || isListening(port))
            continue;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(uint16_t(port));
        at.sin_addr.s_addr = htonl(INADDR_ANY);
        const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
        ::close(fd);
        if (ok) {
            taken.insert(port);
            return port;
        }
    }
    std::fprintf(stderr, "bench: no free port found\n");
    std::exit(1);
}

// ---- The settings file of the program's folder ----

void writeSettings(const fs::path& folder, int listenPort, int transmitPort) {
    const std::string c = "'";
    const std::string follow = "' The following line contains the ";
    const std::vector<std::string> lines = {
        c,
        "'         ZAV Remote 2002 INI Settings File",
        "'         ---------------------------------",
        "'         ZAV Remote 2002, a remote control client for ZAV Manager",
        c,
        c,
        "' This file contains settings for ZAV Remote...",
        "' you should not need to edit it manually!",
        c,
        c,
        c,
        c,
        follow + "Remote Receive port:",
        std::to_string(listenPort),
        c,
        follow + "Remote Transmit port:",
        std::to_string(transmitPort),
        c,
        c,
        follow + "Window Left Position:",
        "1500",
        c,
        follow + "Window Top Position:",
        "1500",
        c,
        c,
        follow + "Save Window Position on Exit option:",
        "False",
        c,
        c,
        follow + "ZAV Manager Server IP Address:",
        "127.0.0.1",
        c,
        c,
        follow + "Startup in Mini-Mode option:",
        "False",
        c,
        c,
        follow + "Startup in System Tray option:",
        "False",
        c,
        c,
        follow + "Status update interval in secs (min 5 ~ max 60):",
        "60",
        c,
        c,
        c,
        "' Date INI last modified:",
        "'written by the benchmark"};
    std::ofstream out(folder / "ZAV-Remote.ini", std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

// ---- Child processes ----

std::vector<std::string> gChildEnvironment;
std::string gChildLog;
constexpr int kMaxChildren = 8;
std::atomic<pid_t> gChildren[kMaxChildren];

void onInterrupt(int) {
    for (auto& child : gChildren)
        if (const pid_t pid = child.load(); pid > 0)
            ::kill(pid, SIGKILL);
    _exit(130);
}

struct Child {
    pid_t pid = -1;
    int out = -1;
    long long startedNs = 0;
    std::string buffered;
};

void forget(pid_t pid) {
    for (auto& child : gChildren) {
        pid_t expected = pid;
        child.compare_exchange_strong(expected, 0);
    }
}

// Starts a program; its standard output comes back through `out` when asked for, and its
// standard error goes to the children's log.
Child spawn(const std::vector<std::string>& args, bool captureOutput) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : gChildEnvironment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int log = ::open(gChildLog.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    posix_spawn_file_actions_adddup2(&actions, log, 2);
    int pipeFds[2] = {-1, -1};
    if (captureOutput) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            std::perror("bench: pipe");
            std::exit(1);
        }
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    } else {
        posix_spawn_file_actions_adddup2(&actions, log, 1);
    }
    Child child;
    child.startedNs = nowNs();
    const int failed =
        posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(log);
    if (captureOutput) {
        ::close(pipeFds[1]);
        child.out = pipeFds[0];
    }
    if (failed) {
        std::fprintf(stderr, "bench: cannot start %s: %s\n", argv[0], std::strerror(failed));
        std::exit(1);
    }
    for (auto& slot : gChildren) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, child.pid))
            break;
    }
    return child;
}

// The next line of the child's output, waiting at most `ms`.
bool readLine(Child& child, std::string& line, int ms) {
    const long long until = nowNs() + ms * 1000000LL;
    for (;;) {
        const size_t end = child.buffered.find('\n');
        if (end != std::string::npos) {
            line = child.buffered.substr(0, end);
            child.buffered.erase(0, end + 1);
            return true;
        }
        const long long left = (until - nowNs()) / 1000000;
        pollfd p{child.out, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
            return false;
        char chunk[512];
        const ssize_t n = ::read(child.out, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        child.buffered.append(chunk, size_t(n));
    }
}

bool running(const Child& child) {
    return child.pid > 0 && ::waitpid(child.pid, nullptr, WNOHANG) == 0;
}

// Waits for the child's end, asks it to end (SIGTERM) after `graceMs`, and kills it
// after five seconds more.
void finish(Child& child, int graceMs = 0) {
    if (child.pid <= 0)
        return;
    const long long start = nowNs();
    bool asked = false;
    for (;;) {
        const pid_t done = ::waitpid(child.pid, nullptr, WNOHANG);
        if (done == child.pid || done < 0)
            break;
        const long long waited = (nowNs() - start) / 1000000;
        if (!asked && waited >= graceMs) {
            ::kill(child.pid, SIGTERM);
            asked = true;
        } else if (waited >= graceMs + 5000) {
            ::kill(child.pid, SIGKILL);
            ::waitpid(child.pid, nullptr, 0);
            break;
        }
        sleepMs(5);
    }
    forget(child.pid);
    child.pid = -1;
    if (child.out >= 0)
        ::close(child.out);
    child.out = -1;
}

// ---- A stand-in for the server's command port: takes what the client sends ----

class CommandStandIn {
public:
    explicit CommandStandIn(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(uint16_t(port));
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd_, 8)) {
            std::perror("bench: command stand-in");
            std::exit(1);
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~CommandStandIn() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    int connections() const { return connections_; }

private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const int s = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (s < 0)
                continue;
            ++connections_;
            char buffer[512];
            for (int i = 0; i < 20; ++i) { // reads until the client closes, two seconds at most
                pollfd q{s, POLLIN, 0};
                if (::poll(&q, 1, 100) > 0 && ::read(s, buffer, sizeof buffer) <= 0)
                    break;
            }
            ::close(s);
        }
    }
    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
};

// ---- The report flood: 9 peers on 127.0.0.1, each connect, report, close, in a loop ----

const char kStatusReport[] = "STATUS CONNSIGOK10:15am";
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

// ---- Figures ----

struct Series {
    std::vector<double> values;
    void add(double v) {
        if (!std::isnan(v))
            values.push_back(v);
    }
    double median() const {
        if (values.empty())
            return NAN;
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double min() const {
        return values.empty() ? NAN : *std::min_element(values.begin(), values.end());
    }
    double max() const {
        return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
    }
};

// A figure measured on the program and on its anchor, sample by sample in turn.
struct Pair {
    Series program;
    Series anchor;
    Series ratios;
    void add(double p, double a) {
        program.add(p);
        anchor.add(a);
        if (!std::isnan(p) && !std::isnan(a) && a != 0)
            ratios.add(p / a);
    }
};

std::string number(double v, int decimals) {
    if (std::isnan(v))
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    // Thousands separators for the whole part.
    const size_t dot = s.find('.');
    size_t whole = dot == std::string::npos ? s.size() : dot;
    const size_t first = s[0] == '-' ? 1 : 0;
    while (whole > first + 3) {
        whole -= 3;
        s.insert(whole, ",");
    }
    return s;
}

std::string spread(const Series& s, int decimals) {
    if (s.values.empty())
        return "n/a";
    return number(s.median(), decimals) + " (" + number(s.min(), decimals) + "–" +
           number(s.max(), decimals) + ")";
}

size_t displayWidth(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::string pad(const std::string& s, size_t width) {
    const size_t w = displayWidth(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

struct Row {
    std::string figure, program, anchor, ratio, goal;
};

void printTable(const std::vector<Row>& rows) {
    const Row head{"figure", "program", "anchor", "ratio", "goal"};
    size_t w[5] = {};
    auto widen = [&w](const Row& r) {
        const std::string* cells[5] = {&r.figure, &r.program, &r.anchor, &r.ratio, &r.goal};
        for (int i = 0; i < 5; ++i)
            w[i] = std::max(w[i], displayWidth(*cells[i]));
    };
    widen(head);
    for (const Row& r : rows)
        widen(r);
    auto line = [&w](const Row& r) {
        std::printf("%s  %s  %s  %s  %s\n", pad(r.figure, w[0]).c_str(),
                    pad(r.program, w[1]).c_str(), pad(r.anchor, w[2]).c_str(),
                    pad(r.ratio, w[3]).c_str(), r.goal.c_str());
    };
    line(head);
    std::printf("%s\n", std::string(w[0] + w[1] + w[2] + w[3] + w[4] + 8, '-').c_str());
    for (const Row& r : rows)
        line(r);
}

std::string verdict(bool met) {
    return met ? "  met" : "  NOT met";
}

// ---- The bench ----

struct Bench {
    fs::path bin;
    fs::path work;
    fs::path programFolder; // a copy of zav-remote and its settings file
    fs::path clientFolder;  // the settings file of the in-process runs
    int programPort = 0;
    int clientPort = 0;
    int anchorPort = 0;
    int commandPort = 0;
    int rounds = 5;
    double floodSeconds = 3;
    double idleSeconds = 20;
    int startupPairs = 3;

    Pair throughput, cpuPerReport, resident, startup, idleTicks, idleCpuMs, idleWakeUps;
    Series latencyP99, latencyP50, latencyMax;
    long programRefused = 0, programFailed = 0, programResets = 0;
    long anchorRefused = 0, anchorFailed = 0, anchorResets = 0;
    int latencyMissed = 0;
    Series listenerRate, listenerPeakKiB, floodOfferedKiB, floodPeakKiB;
    int floodCutOff = 0, listenerRuns = 0;
    std::vector<std::string> problems;

    std::string program() const { return (programFolder / "zav-remote").string(); }
    std::string tool(const char* name) const { return (bin / name).string(); }

    double startupMs(const std::vector<std::string>& args) {
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
    double programStartup() { return startupMs({tool("bench-client"), "startup", clientFolder}); }
    double anchorStartup() {
        return startupMs({tool("bench-anchor"), "window", "--quit-when-shown"});
    }

    void latency() {
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

    void listener() {
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

    void round(int index) {
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
};

std::string ratioText(const Pair& p, int decimals, const char* suffix = "") {
    const double r = p.program.median() / p.anchor.median();
    if (std::isnan(r) || std::isinf(r))
        return "–";
    return number(r, decimals) + suffix + " (" + number(p.ratios.min(), decimals) + "–" +
           number(p.ratios.max(), decimals) + ")";
}

double ratioOfMedians(const Pair& p) {
    return p.program.median() / p.anchor.median();
}

void loadAverage(const char* when) {
    std::printf("load average %s: %s", when, readFile("/proc/loadavg").c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-run BIN_FOLDER [--rounds N] [--flood-seconds S] "
                             "[--idle-seconds S]\n");
        return 2;
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
    const fs::path runtime = b.work / "run";
    fs::create_directories(b.programFolder);
    fs::create_directories(b.clientFolder);
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
    writeSettings(b.programFolder, b.programPort, b.commandPort);
    writeSettings(b.clientFolder, b.clientPort, b.commandPort);
    CommandStandIn standIn(b.commandPort);

    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            gChildEnvironment.push_back(entry);
    }
    gChildEnvironment.push_back("QT_QPA_PLATFORM=xcb");
    gChildEnvironment.push_back("XDG_RUNTIME_DIR=" + runtime.string());

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

    std::printf("\nmedian (min–max) of %d rounds; ratio = program / anchor, of the medians "
                "(per-round ratios in brackets)\n\n",
                b.rounds);
    std::vector<Row> rows;
    rows.push_back({"report throughput, 9 peers (reports/s)", spread(b.throughput.program, 0),
                    spread(b.throughput.anchor, 0), ratioText(b.throughput, 2),
                    "≥ 0.8" + verdict(ratioOfMedians(b.throughput) >= 0.8)});
    rows.push_back({"CPU per report (µs)", spread(b.cpuPerReport.program, 0),
                    spread(b.cpuPerReport.anchor, 0), ratioText(b.cpuPerReport, 1, "×"), ""});
    rows.push_back({"resident memory 10 s after start (MiB)", spread(b.resident.program, 1),
                    spread(b.resident.anchor, 1), ratioText(b.resident, 2),
                    "≤ 1.15" + verdict(ratioOfMedians(b.resident) <= 1.15)});
    rows.push_back({"exec → main window shown, no splash hold (ms)", spread(b.startup.program, 1),
                    spread(b.startup.anchor, 1), ratioText(b.startup, 2),
                    "≤ 1.2" + verdict(ratioOfMedians(b.startup) <= 1.2)});
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
                b.idleSeconds, standIn.connections());
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
    return b.problems.empty() ? 0 : 1;
}
