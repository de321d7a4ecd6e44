#include "children.h"

#include "proc.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace benchrun {

std::vector<std::string> gChildEnvironment;
std::string gChildLog;

namespace {

constexpr int kMaxChildren = 8;
std::atomic<pid_t> gChildren[kMaxChildren];

void forget(pid_t pid) {
    for (auto& child : gChildren) {
        pid_t expected = pid;
        child.compare_exchange_strong(expected, 0);
    }
}

} // namespace

void onInterrupt(int) {
    for (auto& child : gChildren)
        if (const pid_t pid = child.load(); pid > 0)
            ::kill(pid, SIGKILL);
    _exit(130);
}

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

int finish(Child& child, int graceMs) {
    if (child.pid <= 0)
        return -1;
    const long long start = nowNs();
    bool asked = false;
    int status = -1;
    for (;;) {
        int waitStatus = 0;
        const pid_t done = ::waitpid(child.pid, &waitStatus, WNOHANG);
        if (done == child.pid)
            status = waitStatus;
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
    return status;
}

} // namespace benchrun
