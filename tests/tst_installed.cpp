// The program as a desktop runs it: its command line, and where its settings file lives for a
// copy of its own and for an installed program.
#include "testsupport.h"

#include "app/commandline.h"
#include "app/savesettings.h"
#include "app/settingslocation.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {

using Action = CommandLineRequest::Action;

// Sets an environment variable for the life of the object (unset when `value` is null).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

class TestInstalled : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        QCoreApplication::processEvents();
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << QStringList() << int(Action::Run) << "";
        QTest::newRow("help") << QStringList{"--help"} << int(Action::Help)
                              << "Usage: zav-remote [options]";
        QTest::newRow("short help") << QStringList{"-h"} << int(Action::Help) << "--version";
        QTest::newRow("version") << QStringList{"--version"} << int(Action::Version)
                                 << "zav-remote (ZAV Remote 2002) 1.0.0\n";
        QTest::newRow("short version") << QStringList{"-v"} << int(Action::Version) << "1.0.0";
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << int(Action::Misuse)
                                 << "zav-remote: Unknown option 'frobnicate'. Try 'zav-remote "
                                    "--help'.\n";
        QTest::newRow("unknown after help")
            << QStringList{"--help", "-x"} << int(Action::Misuse) << "'x'";
        QTest::newRow("argument") << QStringList{"server"} << int(Action::Misuse)
                                  << "unexpected argument 'server'";
        QTest::newRow("toolkit options pass")
            << QStringList{"-platform", "offscreen", "-style",  "fusion",
                           "-session",  "1a2b",      "-reverse"}
            << int(Action::Run) << "";
        QTest::newRow("toolkit option without its value")
            << QStringList{"-platform"} << int(Action::Misuse) << "Missing value";
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, says);
        const CommandLineRequest r =
            parseCommandLine(QStringList{QStringLiteral("/usr/bin/zav-remote")} + arguments);
        QCOMPARE(int(r.action), action);
        QVERIFY2(r.text.contains(says), qPrintable(r.text));
        QCOMPARE(r.exitCode, action == int(Action::Misuse) ? 2 : 0);
        if (action == int(Action::Misuse))
            QCOMPARE(r.text.count(QLatin1Char('\n')), 1);
        if (action == int(Action::Help)) {
            // The settings file's place is told; the toolkit's options are not listed.
            QVERIFY(r.text.contains(QStringLiteral("~/.config/zav-remote/ZAV-Remote.ini")));
            QVERIFY(!r.text.contains(QStringLiteral("platform")));
        }
    }

    // The built program answers without a display: had it opened the window system it
    // would have failed for want of one.
    void programAnswersWithoutDisplay_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("help") << "--help" << 0 << QByteArray("--version") << QByteArray();
        QTest::newRow("version") << "--version" << 0 << QByteArray("1.0.0") << QByteArray();
        QTest::newRow("unknown") << "--bogus" << 2 << QByteArray()
                                 << QByteArray("Try 'zav-remote --help'.");
    }
    void programAnswersWithoutDisplay() {
        QFETCH(QString, argument);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QString::fromLatin1(name));
        QProcess p;
        p.setProcessEnvironment(e);
        p.start(qEnvironmentVariable("ZAV_TEST_BIN_DIR") + QStringLiteral("/zav-remote"),
                {argument});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QByteArray stdOut = p.readAllStandardOutput();
        const QByteArray stdErr = p.readAllStandardError();
        QVERIFY2(stdOut.contains(out), stdOut.constData());
        QVERIFY2(stdErr.contains(err), stdErr.constData());
        if (!err.isEmpty())
            QCOMPARE(stdErr.count('\n'), 1);
        else
            QVERIFY2(stdErr.isEmpty(), stdErr.constData());
    }

    void settingsPlace_data() {
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("folderIsUsers");
        QTest::addColumn<bool>("beside");
        QTest::newRow("portable copy with its file") << true << true << true;
        QTest::newRow("file in a folder the user cannot write") << true << false << true;
        QTest::newRow("first run of a portable copy") << false << true << true;
        QTest::newRow("installed program") << false << false << false;
    }
    void settingsPlace() {
        QFETCH(bool, fileThere);
        QFETCH(bool, folderIsUsers);
        QFETCH(bool, beside);
        SettingsPlaceFacts facts;
        facts.programDir = QStringLiteral("/opt/zav");
        facts.fileBesideProgram = fileThere;
        facts.programDirIsUsers = folderIsUsers;
        facts.configHome = QStringLiteral("/home/ann/.config");
        QCOMPARE(chooseSettingsFile(facts),
                 beside ? QStringLiteral("/opt/zav/ZAV-Remote.ini")
                        : QStringLiteral("/home/ann/.config/zav-remote/ZAV-Remote.ini"));
    }

    void usersOwnFolder_data() {
        QTest::addColumn<QString>("folder"); // "tmp" stands for a fresh temporary folder
        QTest::addColumn<bool>("users");
        QTest::newRow("a folder of the user's") << "tmp" << true;
        QTest::newRow("read-only folder") << "tmp:read-only" << false;
        QTest::newRow("missing folder") << "tmp/gone" << false;
        QTest::newRow("a file, not a folder") << "tmp/file" << false;
        QTest::newRow("system programs") << "/usr/bin" << false;
        QTest::newRow("local programs") << "/usr/local/bin" << false;
        QTest::newRow("/bin") << "/bin" << false;
        QTest::newRow("empty") << "" << false;
    }
    void usersOwnFolder() {
        QFETCH(QString, folder);
        QFETCH(bool, users);
        QTemporaryDir tmp;
        QFile file(tmp.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (folder == QLatin1String("tmp:read-only")) {
            folder = tmp.path();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            if (QFileInfo(folder).isWritable()) {
                QFile::setPermissions(folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("this user may write into read-only folders");
            }
        }
        folder.replace(QLatin1String("tmp"), tmp.path());
        QCOMPARE(isUsersOwnFolder(folder), users);
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void configHome_data() {
        QTest::addColumn<QString>("xdg"); // null: unset
        QTest::addColumn<QString>("home");
        QTest::newRow("unset") << QString() << "/home/ann/.config";
        QTest::newRow("empty") << ""
                               << "/home/ann/.config";
        QTest::newRow("absolute") << "/srv/cfg/"
                                  << "/srv/cfg";
        QTest::newRow("relative is ignored") << "cfg"
                                             << "/home/ann/.config";
    }
    void configHome() {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        ScopedVariable homeVariable("HOME", QStringLiteral("/home/ann"));
        ScopedVariable xdgVariable("XDG_CONFIG_HOME", xdg);
        QCOMPARE(userConfigHome(), home);
        QCOMPARE(userSettingsDirectory(userConfigHome()), home + QStringLiteral("/zav-remote"));
    }

    // An installed program: the first start finds no file and says so, the first Save creates
    // the folder and the file in the user's configuration folder, and the next start reads it.
    void installedProgramKeepsItsSettingsPerUser() {
        TestEnvironment t;
        env().programDir = QStringLiteral("/usr/bin");
        const QString configHome = t.dir.filePath(QStringLiteral("config"));
        ScopedVariable xdg("XDG_CONFIG_HOME", configHome);
        const QString expected = configHome + QStringLiteral("/zav-remote/ZAV-Remote.ini");
        QCOMPARE(settingsFilePath(), expected);

        {
            TestClient first;
            QVERIFY(first.start());
            QCOMPARE(t.boxes.size(), 1);
            QCOMPARE(t.boxes[0].title, QStringLiteral("INI File Missing..."));
            SettingsEntries entries;
            entries.listenPort = QString::number(freePort());
            entries.transmitPort = QStringLiteral("2509");
            entries.interval = QStringLiteral("20");
            entries.serverIp = QStringLiteral("127.0.0.1");
            QVERIFY(!QFileInfo::exists(configHome));
            QCOMPARE(first.app.saveSettings(entries, nullptr), SaveOutcome::Written);
        }
        QVERIFY(isPlainFile(expected));
        // A configuration home made here is the user's alone.
        QCOMPARE(QFile::permissions(configHome) & 0x0077, QFileDevice::Permissions());
        QCOMPARE(settingsFilePath(), expected);

        t.boxes.clear();
        TestClient second;
        QVERIFY(second.start());
        QVERIFY(t.boxes.isEmpty());
        QCOMPARE(second.app.settings().pollIntervalSeconds, qint16(20));
        QCOMPARE(second.window().logLines().value(2), QStringLiteral("     ZAV Remote 2002 started OK"));
    }
};

QTEST_MAIN(TestInstalled)
#include "tst_installed.moc"
