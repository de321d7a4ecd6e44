// The client under a Wayland compositor (weston's headless backend, started by the test with a
// runtime folder of its own). Skipped (exit code 77) without weston or the Wayland platform
// plugin.
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <thread>

class TestWayland : public QObject {
    Q_OBJECT

private slots:
    // The program, started and ended (SIGTERM) as a session would, prints nothing: its fade at
    // shutdown once warned at each step where windows cannot be made translucent. The position
    // it saves is the one the window was given: the compositor places the window and does not
    // tell where.
    void programPrintsNothingAndKeepsItsPosition() {
        TestEnvironment t;
        const QString client = t.dir.filePath(QStringLiteral("zav-remote"));
        QVERIFY(QFile::copy(qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-remote", client));
        Settings stored = sampleSettings(freePort(), freePort());
        stored.saveWindowPosition = true;
        t.writeIni(stored);
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
        QTRY_VERIFY_WITH_TIMEOUT(
            !runtime.entryList({QStringLiteral("zav-remote*.socket")}, QDir::System).isEmpty(),
            15000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), QString());
        Settings saved;
        QVERIFY(readSettingsFile(t.iniPath(), saved));
        QCOMPARE(QPoint(saved.windowLeft, saved.windowTop), QPoint(1500, 3000));
    }
};

int main(int argc, char** argv) {
    auto skip = [](const char* why) {
        printf("SKIP: %s\n", why);
        return 77;
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
    // The socket shows when the compositor is ready; ten seconds at most.
    QElapsedTimer waited;
    waited.start();
    while (compositor.state() != QProcess::NotRunning && !QFile::exists(runtime.filePath(socket)) &&
           waited.elapsed() < 10000)
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
