#include "app/terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};
QSocketNotifier* gNotifier = nullptr;
std::function<void()> gHandler;
bool gHeld = false;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

void runHandler() {
    if (gHandler)
        gHandler();
    else
        QCoreApplication::exit(0);
}

void onSignalSeen() {
    char buffer[16];
    [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], buffer, sizeof buffer);
    if (gHandler) {
        runHandler();
        return;
    }
    // Start-up has not handed over yet: what it waits on stops waiting, and the shutdown runs
    // once the handler is there. Before the program's own event loop runs, leaving the event
    // loops leaves only those of start-up (the box's), and every later one returns at once.
    gHeld = true;
    QCoreApplication::exit(0);
}

} // namespace

void catchTerminationSignals() {
    if (gSignalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    // A flood of signals must not block the handler on a full socket.
    ::fcntl(gSignalPipe[1], F_SETFL, ::fcntl(gSignalPipe[1], F_GETFL) | O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void watchTerminationSignals() {
    catchTerminationSignals();
    if (gNotifier || gSignalPipe[0] < 0 || !QCoreApplication::instance())
        return;
    gNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(gNotifier, &QSocketNotifier::activated, qApp, onSignalSeen);
}

void onTerminationSignal(std::function<void()> handler) {
    gHandler = std::move(handler);
    watchTerminationSignals();
    if (gHeld && gHandler) {
        gHeld = false;
        QMetaObject::invokeMethod(qApp, runHandler, Qt::QueuedConnection);
    }
}
