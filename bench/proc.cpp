#include "proc.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace benchrun {

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

namespace {

long long statusValue(const std::string& status, const char* key) {
    const size_t at = status.find(key);
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + std::strlen(key));
}

} // namespace

long long residentKiB(pid_t pid) {
    return statusValue(readFile("/proc/" + std::to_string(pid) + "/status"), "VmRSS:");
}

long long wakeUps(pid_t pid) {
    long long sum = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        sum += std::max(0LL, statusValue(readFile(task.path().string() + "/status"),
                                         "\nvoluntary_ctxt_switches:"));
    return sum;
}

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

} // namespace benchrun
