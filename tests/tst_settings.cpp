// The settings file: reading, the exact layout, safe writing, and where it lives.
#include "testsupport.h"

#include "app/savesettings.h"
#include "app/settings.h"
#include "app/settingswriter.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(Settings)

class TestSettings : public QObject {
    Q_OBJECT

    const QByteArray home = qgetenv("HOME");

    static Settings full() { return {2519, -120, -32768, 32767, true, "1.2.3.4", true, false, 60}; }

    // The first `n` values of `s` as the reader stores them one by one; the rest untouched.
    static Settings firstValues(int n, const Settings& s = full()) {
        const qint16 none = 0;
        return {n > 0 ? s.listenPort : none,         n > 1 ? s.transmitPort : none,
                n > 2 ? s.windowLeft : none,         n > 3 ? s.windowTop : none,
                n > 4 && s.saveWindowPosition,       n > 5 ? s.serverAddress : QString(),
                n > 6 && s.startInMiniMode,          n > 7 && s.startInTray,
                n > 8 ? s.pollIntervalSeconds : none};
    }

    // The lines of a file in the program's own layout, without their CR LF.
    static QList<QByteArray> writtenLines(const Settings& s = full()) {
        QList<QByteArray> lines = settingsFileBytes(s, QStringLiteral("12/6/26")).split('\n');
        lines.removeLast(); // nothing after the last CR LF
        for (QByteArray& l : lines)
            l.chop(1);
        return lines;
    }

    static QByteArray joinCrLf(const QByteArrayList& l) { return l.join("\r\n") + "\r\n"; }

    // The written file with some of its lines (counted from 0) replaced.
    static QByteArray edited(const QList<std::pair<int, QByteArray>>& edits) {
        QList<QByteArray> lines = writtenLines();
        for (const auto& [at, text] : edits)
            lines[at] = text;
        return joinCrLf(lines);
    }

private slots:
    void cleanup() {
        qputenv("HOME", home);
        qunsetenv("XDG_CONFIG_HOME");
    }

    void writtenLayoutIsExact() {
        TestEnvironment t;
        Settings s = full();
        s.serverAddress = QStringLiteral("10.0.0.\u00e9"); // one byte in the code page
        QVERIFY(writeSettingsFile(t.iniPath(), s));
        const QList<QByteArray> lines = writtenLines(s);
        QCOMPARE(t.readIni(), joinCrLf(lines)); // every line ends in CR LF
        QCOMPARE(lines.size(), 49);
        QMap<int, QByteArray> expected{
            {2, "'         ZAV Remote 2002 INI Settings File"},
            {3, "'         ---------------------------------"},
            {7, "' This file contains settings for ZAV Remote..."},
            {8, "' you should not need to edit it manually!"},
            {13, "' The following line contains the Remote Receive port:"},
            {27, "' The following line contains the Save Window Position on Exit option:"},
            {43,
             "' The following line contains the Status update interval in secs (min 5 ~ max 60):"},
            {48, "' Date INI last modified:"},
            {49, "'12/6/26"}};
        const QList<QByteArray> values =
            QByteArray("2519|-120|-32768|32767|True|10.0.0.\xe9|True|False|60").split('|');
        const int valueLines[] = {14, 17, 21, 24, 28, 32, 36, 40, 44};
        for (int i = 0; i < 9; ++i)
            expected[valueLines[i]] = values[i];
        for (int n : {1,  5,  6,  9,  10, 11, 12, 15, 18, 19, 22, 25,
                      26, 29, 30, 33, 34, 37, 38, 41, 42, 45, 46, 47})
            expected[n] = "'";
        for (int n = 1; n <= 49; ++n) {
            const QByteArray& line = lines[n - 1];
            QVERIFY2(expected.contains(n) ? line == expected[n] : line.startsWith('\''), line);
        }
        QCOMPARE(settingsDateText(QDate(2026, 12, 6), QLocale(QLocale::German)), "06.12.26");
    }

    // Hand-edited files: what the reader takes, and what it has stored when it refuses a file.
    void handEditedFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<Settings>("stored");
        const QList<QByteArray> lines = writtenLines();
        QList<QByteArray> notes = lines;
        notes.insert(20, "' a note of my own");
        notes.insert(14, "'");
        QTest::newRow("extra comments") << joinCrLf(notes) << true << full();
        QList<QByteArray> bare = lines;
        bare.removeAll("'");
        QTest::newRow("no apostrophe-only lines") << joinCrLf(bare) << true << full();
        Settings forms = full();
        forms.saveWindowPosition = forms.startInMiniMode = false;
        forms.startInTray = true;
        forms.serverAddress.clear();
        QTest::newRow("padded port, other boolean forms, empty address")
            << edited({{13, "  2519  "}, {27, "FALSE"}, {31, ""}, {35, "0"}, {39, "1"}}) << true
            << forms;
        QTest::newRow("last value without a line end")
            << joinCrLf(lines.mid(0, 44)).chopped(2) << true << full();

        QTest::newRow("line feeds alone make one comment line")
            << joinCrLf(lines).replace("\r\n", "\n") << false << firstValues(0);
        QTest::newRow("empty line before a number")
            << joinCrLf(lines.mid(0, 13) << "" << lines.mid(13)) << false << firstValues(0);
        QTest::newRow("port 32768") << edited({{13, "32768"}}) << false << firstValues(0);
        QTest::newRow("text as third value") << edited({{20, "left"}}) << false << firstValues(2);
        QTest::newRow("interval with a fraction")
            << edited({{43, "5.5"}}) << false << firstValues(8);
        // A window edge of 1 is mended only after a complete read.
        Settings edge = full();
        edge.windowLeft = edge.windowTop = 1;
        QTest::newRow("file ends after the eighth value")
            << joinCrLf(writtenLines(edge).mid(0, 40)) << false << firstValues(8, edge);
    }
    void handEditedFiles() {
        QFETCH(QByteArray, file);
        QFETCH(bool, reads);
        QFETCH(Settings, stored);
        TestEnvironment t;
        t.writeIni(file);
        Settings out;
        QCOMPARE(readSettingsFile(t.iniPath(), out), reads);
        QVERIFY(out == stored);
    }

    // Damaged files never break the reader; what it reads writes back to the same values.
    void randomBytesNeverBreakTheReader() {
        TestEnvironment t;
        QRandomGenerator rng(2002);
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = settingsFileBytes(full(), QStringLiteral("x"));
            for (int e = 1 + int(rng.bounded(8)); e > 0; --e)
                bytes.replace(int(rng.bounded(bytes.size())), int(rng.bounded(3)),
                              rng.bounded(2) ? "\r\n' \r" : QByteArray(1, char(rng.bounded(256))));
            Settings out, again;
            t.writeIni(bytes);
            if (!readSettingsFile(t.iniPath(), out))
                continue;
            t.writeIni(settingsFileBytes(out, QStringLiteral("x")));
            QVERIFY(readSettingsFile(t.iniPath(), again));
            // A CR inside the address ends that line when read back.
            QVERIFY(again == out || out.serverAddress.contains(QLatin1Char('\r')));
        }
    }

    // A failed write (a full disk included) is reported and leaves the old file alone.
    void failedWritesLeaveTheFileAlone_data() {
        using Step = FileReplaceFault::Step;
        QTest::addColumn<QString>("place"); // "file", "read-only", "folder", "no folder"
        QTest::addColumn<qint64>("diskSpace");
        QTest::addColumn<int>("step");
        const qint64 size = settingsFileBytes(full(), QStringLiteral("12/6/26")).size();
        QTest::newRow("disk full at once") << "file" << qint64(0) << int(Step::None);
        QTest::newRow("disk full at the last byte") << "file" << size - 1 << int(Step::None);
        QTest::newRow("new file not made") << "file" << qint64(-1) << int(Step::Create);
        QTest::newRow("write fails") << "file" << qint64(-1) << int(Step::Write);
        QTest::newRow("sync fails") << "file" << qint64(-1) << int(Step::Sync);
        QTest::newRow("close fails") << "file" << qint64(-1) << int(Step::Close);
        QTest::newRow("rename fails") << "file" << qint64(-1) << int(Step::Rename);
        QTest::newRow("read-only file") << "read-only" << qint64(-1) << int(Step::None);
        QTest::newRow("a folder in its place") << "folder" << qint64(-1) << int(Step::None);
        QTest::newRow("folder gone") << "no folder" << qint64(-1) << int(Step::None);
        QTest::newRow("folder not synced") << "file" << qint64(-1) << int(Step::SyncFolder);
    }
    void failedWritesLeaveTheFileAlone() {
        QFETCH(QString, place);
        QFETCH(qint64, diskSpace);
        QFETCH(int, step);
        TestEnvironment t;
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        const bool plain = place == QLatin1String("file"), readOnly = place == "read-only";
        const QString path = place == QLatin1String("no folder")
                                 ? t.dir.filePath(QStringLiteral("gone/ZAV-Remote.ini"))
                                 : t.iniPath();
        const QByteArray before("'hand made\r\n");
        if (place == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        if (plain || readOnly) {
            t.writeIni(before);
            QVERIFY(QFile::setPermissions(
                path, QFile::ReadOwner | (readOnly ? QFile::ReadGroup : QFile::WriteOwner)));
        }
        setFileReplaceFault({diskSpace, FileReplaceFault::Step(step)});

        QString reason;
        QVERIFY(!writeSettingsFile(path, full(), &reason));
        const QByteArray written = settingsFileBytes(full(), QStringLiteral("12/6/26"));
        if (FileReplaceFault::Step(step) == FileReplaceFault::Step::SyncFolder) {
            QVERIFY2(reason.startsWith(QLatin1String("replaced, but")), qPrintable(reason));
            QCOMPARE(t.readIni(), written);
            // A plain file keeps its permission bits.
            QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        } else {
            QVERIFY(!reason.isEmpty());
            if (plain || readOnly)
                QCOMPARE(t.readIni(), before);
        }
        const QStringList left =
            QDir(t.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(left, place == QLatin1String("no folder") ? QStringList()
                                                           : QStringList{"ZAV-Remote.ini"});
        setFileReplaceFault({});
        if (!plain && !readOnly)
            return;
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(writeSettingsFile(path, full()));
        QCOMPARE(t.readIni(), written);
    }

    // A link at the file's place is replaced, never written through.
    void linksAreReplacedNotFollowed() {
        for (const bool targetExists : {true, false}) {
            TestEnvironment t;
            QTemporaryDir elsewhere;
            QFile target(elsewhere.filePath(QStringLiteral("own.conf")));
            const QByteArray theirs("root's own file\n");
            if (targetExists)
                QVERIFY(target.open(QIODevice::WriteOnly) && target.write(theirs) == 16);
            target.close();
            QVERIFY(QFile::link(target.fileName(), t.iniPath()));
            QVERIFY(writeSettingsFile(t.iniPath(), full()));
            QVERIFY(!QFileInfo(t.iniPath()).isSymLink());
            QCOMPARE(t.readIni(), settingsFileBytes(full(), QStringLiteral("12/6/26")));
            QCOMPARE(target.exists(), targetExists);
            QVERIFY(!targetExists ||
                    (target.open(QIODevice::ReadOnly) && target.readAll() == theirs));
        }
    }

    // Only a folder the user owns and no one else may write to, and no system folder, counts.
    void usersOwnFolder_data() {
        QTest::addColumn<QString>("folder"); // "mode:...[:nobody]" makes one in a temporary folder
        QTest::addColumn<bool>("own");
        QTest::newRow("private") << "mode:0700" << true;
        QTest::newRow("readable by all") << "mode:0755" << true;
        QTest::newRow("group may write") << "mode:0770" << false;
        QTest::newRow("anyone may write") << "mode:0777" << false;
        QTest::newRow("shared, sticky") << "mode:1777" << false;
        QTest::newRow("another user's") << "mode:0755:nobody" << false;
        QTest::newRow("missing") << "/nonexistent/zav-remote" << false;
        QTest::newRow("/usr/bin") << "/usr/bin" << false;
        QTest::newRow("no name") << "" << false;
    }
    void usersOwnFolder() {
        QFETCH(QString, folder);
        QFETCH(bool, own);
        QTemporaryDir tmp;
        const QStringList mode = folder.split(QLatin1Char(':'));
        if (mode[0] == QLatin1String("mode")) {
            folder = tmp.filePath(QStringLiteral("program"));
            const QByteArray name = QFile::encodeName(folder);
            QVERIFY(::mkdir(name, 0700) == 0 &&
                    ::chmod(name, mode_t(mode[1].toUInt(nullptr, 8))) == 0);
            if (mode.size() > 2 && ::geteuid() != 0)
                QSKIP("handing a folder to another user needs root");
            QVERIFY(mode.size() < 3 || ::chown(name, 65534, 65534) == 0);
        }
        QCOMPARE(isUsersOwnFolder(folder), own);
    }

    // $XDG_CONFIG_HOME counts only when absolute; a file beside the program is used there.
    void configHome() {
        qputenv("HOME", "/home/ann");
        for (const char* xdg : {"", "cfg", "/srv/cfg/"}) {
            qputenv("XDG_CONFIG_HOME", xdg);
            QCOMPARE(userConfigHome(), *xdg == '/' ? "/srv/cfg" : "/home/ann/.config");
        }
        QCOMPARE(settingsFilePath(QStringLiteral("/")), QStringLiteral("/ZAV-Remote.ini"));
        const SettingsPlaceFacts facts{QStringLiteral("/opt/zav"), true, false, "/home/ann"};
        QCOMPARE(chooseSettingsFile(facts), QStringLiteral("/opt/zav/ZAV-Remote.ini"));
    }

    // An installed program's first Save creates the user's own configuration folder and file.
    void installedProgramKeepsItsSettingsPerUser() {
        TestEnvironment t;
        env().programDir = QStringLiteral("/usr/bin");
        const QString configHome = t.dir.filePath(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
        QCOMPARE(settingsFilePath(), configHome + QStringLiteral("/zav-remote/ZAV-Remote.ini"));
        TestClient first;
        QVERIFY(first.start());
        QCOMPARE(t.boxes.size(), 1); // no file yet
        SettingsEntries entries{QString::number(freePort()), "2509", false, "20", "127.0.0.1"};
        QCOMPARE(first.app.saveSettings(entries, nullptr), SaveOutcome::Written);
        QVERIFY(isPlainFile(settingsFilePath()));
        QCOMPARE(QFile::permissions(configHome) & 0x0077, QFileDevice::Permissions());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
