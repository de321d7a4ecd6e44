// The client under a Wayland compositor (weston's headless backend, started by the test with a
// runtime folder of its own): it runs, shows its windows and prints nothing in normal use, the
// fade at shutdown and a saved position included. Skipped (exit code 77) without weston or the
// Wayland platform plugin.
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <thread>
#include <utility>

namespace {

constexpr int kSkipped = 77;
// The longest wait for the compositor to open its socket.
constexpr int kCompositorStartMs = 10000;

QtMessageHandler gTestHandler = nullptr;
QMutex gWarningsLock;
QStringList gWarnings;

void collectMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        QMutexLocker lock(&gWarningsLock);
        gWarnings << QStringLiteral("%1: %2").arg(QLatin1String(context.category), text);
    }
    if (gTestHandler)
        gTestHandler(type, context, text);
}

QStringList takeWarnings() {
    QMutexLocker lock(&gWarningsLock);
    return std::exchange(gWarnings, {});
}

} // namespace

class TestWayland : public QObject {
    Q_OBJECT

private slots:
    // Each test collects what the toolkit prints, on top of the test library's own output.
    void init() {
        takeWarnings();
        gTestHandler = qInstallMessageHandler(collectMessages);
    }
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qInstallMessageHandler(gTestHandler);
    }

    void runsOnWayland() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland")); }

    // The windows show and go quietly: a saved position, raising, a message window, the fade.
    void windowsShowWithoutWarnings() {
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), freePort()));
        env().fadeMilliseconds = 100;
        TestClient c;
        QVERIFY(c.start());
        c.desktop.placeMainWindow(QPoint(200, 150));
        c.desktop.showMainWindow();
        QTRY_VERIFY(c.window().windowHandle() && c.window().windowHandle()->isExposed());
        // The compositor places the window; the position to be saved stays the one it was given.
        QCOMPARE(c.desktop.mainWindowPosition(), QPoint(200, 150));
        c.desktop.bringForward();
        c.desktop.showReceivedMessage(QStringLiteral("Dial at 9"), QStringLiteral("127.0.0.1"));
        QTRY_VERIFY(c.desktop.receivedMessagesWindow()->windowHandle()->isExposed());
        c.desktop.openAbout();
        c.window().setMiniMode(true);
        c.desktop.toggleFromTray();
        c.desktop.toggleFromTray();
        c.desktop.requestShutdown();
        QTRY_VERIFY(!c.window().isVisible());
        QCOMPARE(takeWarnings(), QStringList());
    }

    // The program itself, started and ended (SIGTERM) as a session would, prints nothing.
    void programPrintsNothing() {
        TestEnvironment t;
        const QString bin = qEnvironmentVariable("ZAV_TEST_BIN_DIR") + QLatin1Char('/');
        const QString client = t.dir.filePath(QStringLiteral("zav-remote"));
        QVERIFY(QFile::copy(bin + QLatin1String("zav-remote"), client));
        t.writeIni(sampleSettings(freePort(), freePort()));
        QProcess program;
        // Only what the program prints counts here: a sanitized build's leak report at exit
        // would list what the Wayland libraries keep to the end.
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        program.setProcessEnvironment(e);
        program.start(client, {});
        QVERIFY(program.waitForStarted());
        // Its control channel opens once the main window is up.
        const QDir runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
        const QStringList channel{QStringLiteral("zav-remote*.socket")};
        QTRY_VERIFY_WITH_TIMEOUT(!runtime.entryList(channel, QDir::System).isEmpty(), 15000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), QString());
    }
};

int main(int argc, char** argv) {
    auto skip = [](const char* why) {
        printf("SKIP: %s\n", why);
        return kSkipped;
    };
    const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (weston.isEmpty())
        return skip("weston is not installed");
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms/libqwayland-generic.so")))
        return skip("no Wayland platform plugin (qt6-wayland)");
    QTemporaryDir runtime;
    if (!runtime.isValid() ||
        !QFile::setPermissions(runtime.path(),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return 1;
    const QString socket = QStringLiteral("zav-test-%1").arg(QCoreApplication::applicationPid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QProcess compositor;
    compositor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    compositor.setStandardOutputFile(QProcess::nullDevice());
    compositor.start(weston, {QStringLiteral("--backend=headless-backend.so"),
                              QStringLiteral("--socket=") + socket, QStringLiteral("--idle-time=0"),
                              QStringLiteral("--log=") + runtime.filePath(QStringLiteral("log"))});
    // The socket shows when the compositor is ready; the wait is bounded.
    QElapsedTimer waited;
    waited.start();
    while (compositor.state() != QProcess::NotRunning && !QFile::exists(runtime.filePath(socket)) &&
           waited.elapsed() < kCompositorStartMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!QFile::exists(runtime.filePath(socket)))
        return skip("weston's headless backend did not come up in time");
    qputenv("WAYLAND_DISPLAY", socket.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "wayland");
    int result = 0;
    {
        QApplication app(argc, argv);
        nameApplication(app);
        app.setQuitOnLastWindowClosed(false);
        TestWayland test;
        result = QTest::qExec(&test, argc, argv);
    }
    compositor.terminate();
    if (!compositor.waitForFinished(5000))
        compositor.kill();
    return result;
}

#include "tst_wayland.moc"
