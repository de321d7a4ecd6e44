// The real client and the ZAV Manager stand-in as separate processes on 127.0.0.1.
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <csignal>

class TestEndToEnd : public QObject {
    Q_OBJECT

    QString bin(const char* name) const {
        return qEnvironmentVariable("ZAV_TEST_BIN_DIR") + QLatin1Char('/') +
               QString::fromLatin1(name);
    }
    static bool waitForText(QProcess& p, QByteArray& seen, const QByteArray& text, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!seen.contains(text) && clock.elapsed() < ms) {
            p.waitForReadyRead(100);
            seen += p.readAllStandardOutput();
        }
        return seen.contains(text);
    }

private slots:
    void pollReportAndShutdown() {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(bin("zav-remote"), dir.filePath(QStringLiteral("zav-remote"))));
        QFile::setPermissions(dir.filePath(QStringLiteral("zav-remote")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(dir.path()).mkdir(QStringLiteral("run"));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const qint16 listen = freePort();
        qint16 receive = freePort();
        while (receive == listen)
            receive = freePort();
        SettingsValues s = sampleSettings(listen, receive);
        s.saveWindowPosition = true;
        const QByteArray written = settingsFileBytes(s, QStringLiteral("written by the test"));
        QFile ini(settingsFilePath(dir.path()));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(written);
        ini.close();

        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));

        QProcess sim;
        sim.setProcessEnvironment(e);
        sim.start(bin("zav-manager-sim"),
                  {QStringLiteral("--receive-port"), QString::number(receive),
                   QStringLiteral("--client-port"), QString::number(listen),
                   QStringLiteral("--dial-seconds"), QStringLiteral("0")});
        QVERIFY(sim.waitForStarted());
        QByteArray simOut;

        QProcess client;
        client.setProcessEnvironment(e);
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(dir.filePath(QStringLiteral("zav-remote")), {});
        QVERIFY(client.waitForStarted());

        // The first poll leaves one interval after start-up; the stand-in answers it.
        QVERIFY2(waitForText(sim, simOut, "<- STATUS", 15000), simOut.constData());
        QVERIFY2(waitForText(sim, simOut, "-> STATUS DISCSIGOK", 5000), simOut.constData());

        // A second copy for the same user ends at once and leaves the first alone.
        QProcess second;
        second.setProcessEnvironment(e);
        second.start(dir.filePath(QStringLiteral("zav-remote")), {});
        QVERIFY(second.waitForFinished(3000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(client.state(), QProcess::Running);

        // SIGTERM runs the normal shutdown, which writes the position back.
        ::kill(pid_t(client.processId()), SIGTERM);
        QVERIFY(client.waitForFinished(5000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray after = ini.readAll();
        ini.close();
        QVERIFY(after != written);
        QCOMPARE(after.count("\r\n"), 49);
        SettingsValues back;
        QVERIFY(readSettingsFile(ini.fileName(), back));
        QCOMPARE(back.serverAddress, s.serverAddress);
        QCOMPARE(back.listenPort, listen);

        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
