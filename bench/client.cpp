// The client in-process, for the figures that need a look inside it. Each mode runs the
// program's own start-up and event loop from FOLDER (which holds its settings file) with the
// splash hold and the closing fade at zero, and prints its figures on standard output:
//   bench-client startup FOLDER          "shown NS" once the main window is on screen, then ends
//   bench-client latency FOLDER PORT N [GAP_MS]
//                                        a peer's close to the status word and lamp set, N reports
//                                        GAP_MS apart, so that each one finds the client idle
//   bench-client listener FOLDER PORT N  N report connections eight at a time, then one peer that
//                                        sends without end: rate, peak memory, cut-off
//   bench-client settings FOLDER LISTEN_PORT TRANSMIT_PORT
//                                        writes the settings file of a run into FOLDER with the
//                                        program's own writer; exit status 0 only when it did
// Every peer connects to 127.0.0.1:PORT, the listening port of the settings file.
#include "probe.h"

// ---- The seam: the only code of the benchmarks that knows the program's insides. ----
#include "app/environment.h"
#include "app/settings.h"
#include "app/settingslocation.h"
#include "ui/main/desktop.h"
#include "ui/main/fontwarmup.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QPointer>

namespace seam {

// What the program's main() does once it has made its application object.
using ::startReadingFontConfiguration;

// Runs the program (start-up, event loop, shutdown) in `app` from `folder`.
int runClient(QApplication& app, const QString& folder) {
    Environment& e = env();
    e.programDir = folder;
    e.splashHoldSeconds = 0;
    e.fadeMilliseconds = 0;
    // The lock lives where the program keeps it, in the session's runtime folder (a tmpfs, as a
    // desktop session's is: taking the lock syncs the file), apart from the program's own lock.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    e.instanceLockPath =
        (runtime.isEmpty() ? folder : runtime) + QStringLiteral("/bench-client.lock");
    return runDesktopClient(app);
}

// The settings of a benchmark run: the server on 127.0.0.1, the window placed, nothing saved on
// exit, polling at the slowest rate so that no poll falls in the idle window.
bool writeSettings(const QString& folder, quint16 listenPort, quint16 transmitPort) {
    Settings s;
    s.listenPort = qint16(listenPort);
    s.transmitPort = qint16(transmitPort);
    s.windowLeft = 1500;
    s.windowTop = 1500;
    s.saveWindowPosition = false;
    s.serverAddress = QStringLiteral("127.0.0.1");
    s.startInMiniMode = false;
    s.startInTray = false;
    s.pollIntervalSeconds = 60;
    return writeSettingsFile(settingsFilePath(folder), s);
}

// The main window's window, told from the splash (which carries the same title) by its name.
const QString mainWindowObjectName = QStringLiteral("mainWindowWindow");

const MainWindow* mainWindow() {
    static QPointer<MainWindow> found;
    if (!found)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<MainWindow*>(w))
                found = main;
    return found;
}

QString statusWord() {
    const MainWindow* main = mainWindow();
    return main ? main->statusWord() : QString();
}

QColor lampColour() {
    const MainWindow* main = mainWindow();
    return main ? main->lampColour() : QColor();
}

QString lastConnectTime() {
    const MainWindow* main = mainWindow();
    return main ? main->lastConnectTime() : QString();
}

} // namespace seam
// ---- End of the seam. ----

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

long peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int connectLocal(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Two reports that each change both the status word and the lamp.
struct Report {
    const char* record;
    const char* word;
    QColor lamp;
};
const Report kReports[2] = {{"STATUS CONNSIGOK10:15am", "ONLINE", QColor(0, 255, 0)},
                            {"STATUS DISCNOSIG10:16am", "OFFLINE", QColor(255, 0, 0)}};

// A peer thread sends reports one at a time; after its close it waits until the event that set
// the word and the lamp has been handled.
struct LatencyRun {
    quint16 port = 0;
    int count = 0;
    int gapMs = 0;
    std::atomic<int> awaited{-1};
    std::mutex mutex;
    std::condition_variable changed;
    bool seen = false;
    long long seenAt = 0;
    std::vector<long long> samples;
    int missed = 0;

    void checkDisplay() {
        const int k = awaited.load(std::memory_order_acquire);
        if (k < 0 || seam::statusWord() != QLatin1String(kReports[k].word) ||
            seam::lampColour() != kReports[k].lamp)
            return;
        const long long now = monotonicNs();
        awaited.store(-1, std::memory_order_release);
        {
            std::lock_guard<std::mutex> lock(mutex);
            seen = true;
            seenAt = now;
        }
        changed.notify_one();
    }

    void peer() {
        const int warmUp = 20;
        for (int i = 0; i < warmUp + count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
            const Report& report = kReports[i % 2];
            const int fd = connectLocal(port);
            if (fd < 0) {
                ++missed;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            [[maybe_unused]] const ssize_t sent =
                ::send(fd, report.record, std::strlen(report.record), MSG_NOSIGNAL);
            {
                std::lock_guard<std::mutex> lock(mutex);
                seen = false;
            }
            awaited.store(i % 2, std::memory_order_release);
            const long long closedAt = monotonicNs();
            ::close(fd);
            std::unique_lock<std::mutex> lock(mutex);
            if (!changed.wait_for(lock, std::chrono::seconds(2), [this] { return seen; })) {
                awaited.store(-1);
                ++missed;
                continue;
            }
            if (i >= warmUp)
                samples.push_back(seenAt - closedAt);
        }
    }

    void print() {
        std::sort(samples.begin(), samples.end());
        auto at = [this](double q) {
            return samples.empty() ? 0.0 : samples[size_t(q * double(samples.size() - 1))] / 1000.0;
        };
        std::printf("latency-us n=%zu missed=%d p50=%.1f p99=%.1f max=%.1f\n", samples.size(),
                    missed, at(0.5), at(0.99), at(1.0));
        std::fflush(stdout);
    }
};

int runLatency(ProbedApplication& app, const QString& folder, quint16 port, int count, int gapMs) {
    LatencyRun run;
    run.port = port;
    run.count = count;
    run.gapMs = gapMs;
    std::thread peer;
    app.afterEvent = [&run] { run.checkDisplay(); };
    app.onShown = [&] {
        peer = std::thread([&] {
            run.peer();
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        });
    };
    const int code = seam::runClient(app, folder);
    if (peer.joinable())
        peer.join();
    app.afterEvent = nullptr;
    run.print();
    return code;
}

// Many short report connections, eight at a time, as a busy server would make them; then one
// peer that sends 64 MiB and never closes, whose session the client cuts off at its bound.
void listenerFigures(quint16 port, int total) {
    int started = 0;
    int finished = 0;
    int failed = 0;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    std::function<void()> startOne = [&] {
        if (started >= total)
            return;
        ++started;
        auto* peer = new QTcpSocket(qApp);
        auto done = [&, peer](bool ok) {
            peer->disconnect();
            peer->deleteLater();
            failed += ok ? 0 : 1;
            if (++finished == total)
                loop.quit();
            else
                startOne();
        };
        QObject::connect(peer, &QTcpSocket::connected, peer, [peer] {
            peer->write("STATUS CONNSIGOK01:00pm");
            peer->disconnectFromHost();
        });
        QObject::connect(peer, &QTcpSocket::disconnected, peer, [done] { done(true); });
        QObject::connect(peer, &QTcpSocket::errorOccurred, peer,
                         [done](QAbstractSocket::SocketError error) {
                             done(error == QAbstractSocket::RemoteHostClosedError);
                         });
        peer->connectToHost(QHostAddress::LocalHost, port);
    };
    for (int i = 0; i < 8; ++i)
        startOne();
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("report connections: %d in %.2f s = %.0f per second (%d failed, last time "
                "shown: %s)\n",
                finished, seconds, finished / seconds, failed, qPrintable(seam::lastConnectTime()));
    std::printf("peak memory after them: %ld KiB\n", peakResidentKiB());

    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, port);
    flood.waitForConnected(3000);
    const QByteArray block(64 * 1024, 'X');
    qint64 sent = 0;
    clock.restart();
    while (sent < 64LL * 1024 * 1024 && flood.state() == QAbstractSocket::ConnectedState &&
           clock.elapsed() < 20000) {
        if (flood.bytesToWrite() < 1024 * 1024)
            sent += flood.write(block);
        flood.waitForBytesWritten(5);
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();
    std::printf("flood: %lld KiB offered, peer %s, peak memory %ld KiB\n", sent / 1024,
                flood.state() == QAbstractSocket::ConnectedState ? "still connected" : "cut off",
                peakResidentKiB());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: bench-client startup FOLDER | latency FOLDER PORT N [GAP_MS] | "
                     "listener FOLDER PORT N | settings FOLDER LISTEN_PORT TRANSMIT_PORT\n");
        return 2;
    }
    const QByteArray mode = argv[1];
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const auto port = quint16(argc > 3 ? QByteArray(argv[3]).toUInt() : 0);
    const int count = argc > 4 ? QByteArray(argv[4]).toInt() : 1000;
    if (mode == "settings") {
        const auto transmitPort = quint16(argc > 4 ? QByteArray(argv[4]).toUInt() : 0);
        if (port == 0 || transmitPort == 0 || !seam::writeSettings(folder, port, transmitPort)) {
            std::fprintf(stderr, "bench-client: cannot write the settings file in %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    ProbedApplication app(argc, argv);
    seam::startReadingFontConfiguration();
    app.shownObjectName = seam::mainWindowObjectName;
    if (mode == "startup") {
        app.onShown = [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); };
        return seam::runClient(app, folder);
    }
    if (mode == "latency")
        return runLatency(app, folder, port, count, argc > 5 ? QByteArray(argv[5]).toInt() : 0);
    if (mode == "listener") {
        app.onShown = [port, count] {
            QTimer::singleShot(0, qApp, [port, count] {
                listenerFigures(port, count);
                QCoreApplication::quit();
            });
        };
        return seam::runClient(app, folder);
    }
    std::fprintf(stderr, "bench-client: unknown mode %s\n", mode.constData());
    return 2;
}
