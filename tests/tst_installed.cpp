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
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(CommandLineRequest::Action)

class TestInstalled : public QObject {
    Q_OBJECT

    const QByteArray home = qgetenv("HOME");
    const bool xdgWasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");

private slots:
    void cleanup() {
        qputenv("HOME", home);
        if (xdgWasSet)
            qputenv("XDG_CONFIG_HOME", xdg);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

    void commandLine_data() {
        using Action = CommandLineRequest::Action;
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << "" << Action::Run << "";
        QTest::newRow("help") << "--help" << Action::Help << "Usage: zav-remote [options]";
        QTest::newRow("short help") << "-h" << Action::Help << "--version";
        QTest::newRow("version") << "--version" << Action::Version
                                 << "zav-remote (ZAV Remote 2002) 1.0.0\n";
        QTest::newRow("short version") << "-v" << Action::Version << "1.0.0";
        QTest::newRow("unknown")
            << "--frobnicate" << Action::Misuse
            << "zav-remote: Unknown option 'frobnicate'. Try 'zav-remote --help'.\n";
        QTest::newRow("unknown after help") << "--help -x" << Action::Misuse << "'x'";
        QTest::newRow("argument") << "server" << Action::Misuse << "unexpected argument 'server'";
        QTest::newRow("toolkit options pass")
            << "-platform offscreen -style fusion -session 1a2b -reverse" << Action::Run << "";
        QTest::newRow("toolkit option without its value")
            << "-platform" << Action::Misuse << "Missing value";
        // The link commands' own misuse.
        QTest::newRow("two commands") << "--status --connect" << Action::Misuse << "one of";
        QTest::newRow("json alone") << "--json" << Action::Misuse << "--json goes with";
        QTest::newRow("json with connect") << "--connect --json" << Action::Misuse << "--json goes";
        QTest::newRow("format with send")
            << "--send x --format line" << Action::Misuse << "--format goes";
        QTest::newRow("unknown format")
            << "--watch --format yaml" << Action::Misuse << "unknown format 'yaml'";
        QTest::newRow("json and format")
            << "--status --json --format line" << Action::Misuse << "not both";
        QTest::newRow("empty message") << "--send=" << Action::Misuse << "empty";
        QTest::newRow("351 characters")
            << "--send " + QString(351, QLatin1Char('x')) << Action::Misuse << "351 characters";
        QTest::newRow("a break counts two") << "--send " + QString(349, QLatin1Char('x')) + "\n"
                                            << Action::Misuse << "351";
        QTest::newRow("message without its text") << "--send" << Action::Misuse << "Missing value";
    }
    void commandLine() {
        QFETCH(QString, arguments);
        QFETCH(CommandLineRequest::Action, action);
        QFETCH(QString, says);
        const CommandLineRequest r =
            parseCommandLine(QStringList{QStringLiteral("/usr/bin/zav-remote")} +
                             arguments.split(' ', Qt::SkipEmptyParts));
        QCOMPARE(r.action, action);
        QVERIFY2(r.text.contains(says), qPrintable(r.text));
        const bool misuse = action == CommandLineRequest::Action::Misuse;
        QCOMPARE(r.exitCode, misuse ? 2 : 0);
        if (misuse)
            QCOMPARE(r.text.count(QLatin1Char('\n')), 1);
        if (action == CommandLineRequest::Action::Help) {
            // The settings file's place is told; the toolkit's options are not listed.
            QVERIFY(r.text.contains(QStringLiteral("~/.config/zav-remote/ZAV-Remote.ini")));
            QVERIFY(!r.text.contains(QStringLiteral("platform")));
            for (const char* o : {"--status", "--connect", "--disconnect", "--send", "--watch",
                                  "--json", "--format"})
                QVERIFY2(r.text.contains(QLatin1String(o)), o);
        }
    }

    // The built program answers without a display: had it opened the window system it would
    // have failed for want of one.
    void programAnswersWithoutDisplay() {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QString::fromLatin1(name));
        QProcess p;
        p.setProcessEnvironment(e);
        const QString program = qEnvironmentVariable("ZAV_TEST_BIN_DIR") + "/zav-remote";
        p.start(program, {QStringLiteral("--version")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("1.0.0"));
        p.start(program, {QStringLiteral("--bogus")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.endsWith("Try 'zav-remote --help'.\n") && err.count('\n') == 1, err);
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
        const SettingsPlaceFacts facts{QStringLiteral("/opt/zav"), fileThere, folderIsUsers,
                                       QStringLiteral("/home/ann/.config")};
        QCOMPARE(chooseSettingsFile(facts),
                 beside ? QStringLiteral("/opt/zav/ZAV-Remote.ini")
                        : QStringLiteral("/home/ann/.config/zav-remote/ZAV-Remote.ini"));
    }

    // Only an existing folder that the user owns and no one else may write to counts, and
    // never one of the system's program folders, which root may write to as well.
    void usersOwnFolder_data() {
        QTest::addColumn<QString>("folder"); // "mode:..." makes one in a temporary folder
        QTest::addColumn<bool>("own");
        QTest::newRow("private") << "mode:0700" << true;
        QTest::newRow("readable by all") << "mode:0755" << true;
        QTest::newRow("group may write") << "mode:0770" << false;
        QTest::newRow("anyone may write") << "mode:0777" << false;
        QTest::newRow("shared, sticky") << "mode:1777" << false;
        QTest::newRow("another user's") << "mode:0755:nobody" << false;
        QTest::newRow("missing") << "gone" << false;
        QTest::newRow("a file") << "file" << false;
        QTest::newRow("/usr/bin") << "/usr/bin" << false;
        QTest::newRow("/usr/local/bin") << "/usr/local/bin" << false;
        QTest::newRow("/bin") << "/bin" << false;
        QTest::newRow("no name") << "" << false;
    }
    void usersOwnFolder() {
        QFETCH(QString, folder);
        QFETCH(bool, own);
        QTemporaryDir tmp;
        QString dir = folder;
        if (folder.startsWith(QLatin1String("mode:"))) {
            const QStringList parts = folder.split(QLatin1Char(':'));
            dir = tmp.filePath(QStringLiteral("program"));
            const QByteArray name = QFile::encodeName(dir);
            QVERIFY(::mkdir(name.constData(), 0700) == 0);
            QVERIFY(::chmod(name.constData(), mode_t(parts[1].toUInt(nullptr, 8))) == 0);
            if (parts.size() > 2) {
                if (::geteuid() != 0)
                    QSKIP("handing a folder to another user needs root");
                QVERIFY(::chown(name.constData(), 65534, 65534) == 0);
            }
        } else if (folder == QLatin1String("gone") || folder == QLatin1String("file")) {
            dir = tmp.filePath(folder);
            if (folder == QLatin1String("file")) {
                QFile file(dir);
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(isUsersOwnFolder(dir), own);
    }

    // $XDG_CONFIG_HOME counts only when it is set to an absolute path.
    void configHome() {
        qputenv("HOME", "/home/ann");
        const QString fallback = QStringLiteral("/home/ann/.config");
        const QList<std::pair<QByteArray, QString>> cases{
            {QByteArray(), fallback}, {"", fallback}, {"/srv/cfg/", "/srv/cfg"}, {"cfg", fallback}};
        for (const auto& [xdg, home] : cases) {
            if (xdg.isNull())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", xdg);
            QCOMPARE(userConfigHome(), home);
        }
        QCOMPARE(userSettingsDirectory(QStringLiteral("/srv/cfg")), "/srv/cfg/zav-remote");
    }

    // An installed program: the first start finds no file and says so, the first Save creates
    // the folder and the file in the user's configuration folder, and the next start reads it.
    void installedProgramKeepsItsSettingsPerUser() {
        TestEnvironment t;
        env().programDir = QStringLiteral("/usr/bin");
        const QString configHome = t.dir.filePath(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
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

        t.boxes.clear();
        TestClient second;
        QVERIFY(second.start());
        QVERIFY(t.boxes.isEmpty());
        QCOMPARE(second.app.settings().pollIntervalSeconds, qint16(20));
    }
};

QTEST_MAIN(TestInstalled)
#include "tst_installed.moc"
