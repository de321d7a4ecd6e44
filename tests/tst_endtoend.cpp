// The real client and the ZAV Manager stand-in as separate processes on 127.0.0.1.
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <unistd.h>

class TestEndToEnd : public QObject {
    Q_OBJECT

    const QString bin = qEnvironmentVariable("ZAV_TEST_BIN_DIR") + QLatin1Char('/');

    // The client keeps its settings beside itself, so it runs from the sandbox's folder; the
    // instance lock goes into a runtime folder there too.
    QProcessEnvironment sandbox(const TestEnvironment& t, QString* client) {
        *client = t.dir.filePath(QStringLiteral("zav-remote"));
        const QString run = t.dir.filePath(QStringLiteral("run"));
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
        if (!QFile::copy(bin + QLatin1String("zav-remote"), *client) || !QDir().mkdir(run) ||
            !QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            client->clear();
        return e;
    }

private slots:
    void pollReportAndShutdown() {
        TestEnvironment t;
        QString client;
        const QProcessEnvironment e = sandbox(t, &client);
        QVERIFY(!client.isEmpty());
        const int listen = freePort();
        int receive = freePort();
        while (receive == listen)
            receive = freePort();
        Settings s = sampleSettings(listen, receive);
        s.saveWindowPosition = true;
        t.writeIni(settingsFileBytes(s, QStringLiteral("written by the test")));

        QProcess sim;
        sim.setProcessEnvironment(e);
        sim.start(bin + QLatin1String("zav-manager-sim"),
                  {QStringLiteral("--receive-port"), QString::number(receive),
                   QStringLiteral("--client-port"), QString::number(listen),
                   QStringLiteral("--dial-seconds"), QStringLiteral("0")});
        QVERIFY(sim.waitForStarted());
        QProcess first;
        first.setProcessEnvironment(e);
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(client, {});
        QVERIFY(first.waitForStarted());

        // The first poll leaves one interval after start-up; the stand-in answers it.
        QByteArray out;
        QTRY_VERIFY2_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains("<- STATUS"),
                                  out.constData(), 15000);
        QTRY_VERIFY2_WITH_TIMEOUT((out += sim.readAllStandardOutput()).contains("-> STATUS DISC"),
                                  out.constData(), 5000);

        // SIGTERM runs the normal shutdown, which writes the file anew with today's date.
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(5000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!t.readIni().contains("written by the test"));
        Settings back;
        QVERIFY(readSettingsFile(t.iniPath(), back));
        QVERIFY(back == s);

        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(5000));
    }

    // A signal that comes while start-up still runs (the splash, then the box about the
    // settings file) is not fatal: the box goes, and the normal shutdown runs.
    void signalsDuringStartUp_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QByteArray>("file"); // null: none
        QTest::newRow("SIGTERM, no settings file") << int(SIGTERM) << QByteArray();
        QTest::newRow("SIGHUP, unreadable file") << int(SIGHUP) << QByteArray("'\r\nport\r\n");
        QTest::newRow("SIGINT, no settings file") << int(SIGINT) << QByteArray();
    }
    void signalsDuringStartUp() {
        QFETCH(int, signal);
        QFETCH(QByteArray, file);
        TestEnvironment t;
        QString client;
        const QProcessEnvironment e = sandbox(t, &client);
        QVERIFY(!client.isEmpty());
        if (!file.isNull())
            t.writeIni(file);
        QProcess p;
        p.setProcessEnvironment(e);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(client, {});
        QVERIFY(p.waitForStarted());
        // The instance lock is the first thing start-up takes.
        const QString lock = e.value(QStringLiteral("XDG_RUNTIME_DIR")) +
                             QStringLiteral("/zav-remote-%1.lock").arg(::getuid());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), 10000);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(t.readIni(), file.isNull() ? QByteArray() : file);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
