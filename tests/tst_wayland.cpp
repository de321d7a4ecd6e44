// The client under weston's headless backend; skipped without weston or qt6-wayland.
#include "testsupport.h"

#include <QDir>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>

class TestWayland : public QObject {
    Q_OBJECT

private slots:
    // A compositor of the test's own in a runtime folder of its own, up within ten seconds.
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("zav-test"));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        // A sanitized build's leak report would list what the Wayland libraries keep.
        m_env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        m_compositor.setProcessEnvironment(m_env);
        m_compositor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_compositor.setStandardOutputFile(QProcess::nullDevice());
        m_compositor.start(QStandardPaths::findExecutable(QStringLiteral("weston")),
                           {QStringLiteral("--backend=headless-backend.so"),
                            QStringLiteral("--socket=zav-test"), QStringLiteral("--idle-time=0"),
                            "--log=" + m_runtime.filePath(QStringLiteral("log"))});
        const QString socket = m_runtime.filePath(QStringLiteral("zav-test"));
        QVERIFY2(QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000),
                 "weston's headless backend did not come up within 10 s");
    }
    void cleanupTestCase() {
        m_compositor.terminate();
        if (!m_compositor.waitForFinished(5000))
            m_compositor.kill();
    }

    // Run and ended by SIGTERM it prints nothing (the fade warned) and saves the given position.
    void programPrintsNothingAndKeepsItsPosition() {
        TestEnvironment t;
        const QString client = t.dir.filePath(QStringLiteral("zav-remote"));
        QVERIFY(QFile::copy(qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-remote", client));
        Settings stored = sampleSettings(freePort(), freePort());
        stored.saveWindowPosition = true;
        t.writeIni(stored);
        QProcess program;
        program.setProcessEnvironment(m_env);
        program.start(client, {});
        QVERIFY(program.waitForStarted());
        // Its control channel opens once the main window is up.
        QTRY_VERIFY_WITH_TIMEOUT(
            !QDir(m_runtime.path())
                 .entryList({QStringLiteral("zav-remote*.socket")}, QDir::System)
                 .isEmpty(),
            15000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), QString());
        Settings saved;
        QVERIFY(readSettingsFile(t.iniPath(), saved));
        QCOMPARE(QPoint(saved.windowLeft, saved.windowTop), QPoint(1500, 3000));
    }

private:
    QTemporaryDir m_runtime;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QProcess m_compositor;
};

// Without weston or the Wayland platform plugin the test is skipped: exit status 77 for CTest.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty() ||
        !QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms/libqwayland-generic.so"))) {
        std::puts("SKIP: weston or the Wayland platform plugin (qt6-wayland) is not installed");
        return 77;
    }
    TestWayland test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland.moc"
