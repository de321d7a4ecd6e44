// The settings file: reading hand-made and written files, the exact layout, safe writing.
#include "testsupport.h"

#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT

    // A file in the program's own layout, whose value lines can be replaced one by one.
    static QList<QByteArray> writtenLines(const Settings& s) {
        QList<QByteArray> lines = settingsFileBytes(s, QStringLiteral("6/12/2026")).split('\n');
        lines.removeLast(); // nothing after the last CR LF
        for (QByteArray& l : lines)
            l.chop(1); // the CR
        return lines;
    }
    static QByteArray joinCrLf(const QList<QByteArray>& lines) {
        QByteArray out;
        for (const QByteArray& l : lines)
            out += l + "\r\n";
        return out;
    }
    static Settings full() {
        Settings s;
        s.listenPort = 2519;
        s.transmitPort = -120;
        s.windowLeft = -32768;
        s.windowTop = 32767;
        s.saveWindowPosition = true;
        s.serverAddress = QStringLiteral("192.168.0.10");
        s.startInMiniMode = true;
        s.startInTray = false;
        s.pollIntervalSeconds = 60;
        return s;
    }
    static bool readBytes(TestEnvironment& t, const QByteArray& bytes, Settings& out) {
        t.writeIni(bytes);
        return readSettingsFile(t.iniPath(), out);
    }

private slots:
    void pathHasNoDoubledSeparator() {
        QCOMPARE(settingsFilePath(QStringLiteral("/")), QStringLiteral("/ZAV-Remote.ini"));
        QCOMPARE(settingsFilePath(QStringLiteral("/opt/zav")),
                 QStringLiteral("/opt/zav/ZAV-Remote.ini"));
        QCOMPARE(settingsFilePath(QStringLiteral("/opt/zav/")),
                 QStringLiteral("/opt/zav/ZAV-Remote.ini"));
    }

    void fileExistsOnlyForPlainVisibleFiles() {
        TestEnvironment t;
        QVERIFY(!isPlainFile(t.iniPath()));
        t.writeIni(QByteArray("x"));
        QVERIFY(isPlainFile(t.iniPath()));
        QVERIFY(!isPlainFile(t.dir.path()));
        QVERIFY(!isPlainFile(QString()));
        QVERIFY(!isPlainFile(QStringLiteral("/no/such/drive/file")));
        QFile hidden(t.dir.filePath(QStringLiteral(".hidden")));
        QVERIFY(hidden.open(QIODevice::WriteOnly));
        hidden.close();
        QVERIFY(!isPlainFile(hidden.fileName()));
    }

    void roundTrip_data() {
        QTest::addColumn<int>("variant");
        QTest::newRow("all values, negatives") << 0;
        QTest::newRow("empty address") << 1;
        QTest::newRow("window at 1,1") << 2;
    }
    void roundTrip() {
        QFETCH(int, variant);
        TestEnvironment t;
        Settings s = full();
        if (variant == 1)
            s.serverAddress.clear();
        if (variant == 2)
            s.windowLeft = s.windowTop = 1;
        QVERIFY(writeSettingsFile(t.iniPath(), s));
        Settings back;
        QVERIFY(readSettingsFile(t.iniPath(), back));
        if (variant == 2) {
            QCOMPARE(back.windowLeft, qint16(0));
            QCOMPARE(back.windowTop, qint16(0));
            back.windowLeft = back.windowTop = 1;
        }
        QVERIFY(back == s);
    }

    void writtenLayoutIsExact() {
        TestEnvironment t;
        Settings s = full();
        s.serverAddress = QStringLiteral("10.0.0.\u00e9"); // one byte in the code page
        QVERIFY(writeSettingsFile(t.iniPath(), s));
        const QByteArray bytes = t.readIni();
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> lines = bytes.chopped(1).split('\n');
        QCOMPARE(lines.size(), 49);
        for (const QByteArray& l : lines)
            QVERIFY2(l.endsWith('\r'), l.constData());
        auto line = [&lines](int n) { return lines.at(n - 1).chopped(1); };
        QCOMPARE(line(1), QByteArray("'"));
        QCOMPARE(line(2), QByteArray("'         ZAV Remote 2002 INI Settings File"));
        QCOMPARE(line(3), QByteArray("'         ---------------------------------"));
        QVERIFY(line(4).startsWith('\''));
        QCOMPARE(line(7), QByteArray("' This file contains settings for ZAV Remote..."));
        QCOMPARE(line(8), QByteArray("' you should not need to edit it manually!"));
        QCOMPARE(line(13), QByteArray("' The following line contains the Remote Receive port:"));
        QCOMPARE(line(14), QByteArray("2519"));
        QCOMPARE(line(17), QByteArray("-120"));
        QCOMPARE(line(21), QByteArray("-32768"));
        QCOMPARE(line(24), QByteArray("32767"));
        QCOMPARE(line(27), QByteArray("' The following line contains the Save Window Position on "
                                      "Exit option:"));
        QCOMPARE(line(28), QByteArray("True"));
        QCOMPARE(line(32), QByteArray("10.0.0.\xe9"));
        QCOMPARE(line(36), QByteArray("True"));
        QCOMPARE(line(40), QByteArray("False"));
        QCOMPARE(line(43), QByteArray("' The following line contains the Status update interval "
                                      "in secs (min 5 ~ max 60):"));
        QCOMPARE(line(44), QByteArray("60"));
        QCOMPARE(line(48), QByteArray("' Date INI last modified:"));
        QCOMPARE(line(49), QByteArray("'12/6/26"));
        for (int n : {1,  5,  6,  9,  10, 11, 12, 15, 18, 19, 22, 25,
                      26, 29, 30, 33, 34, 37, 38, 41, 42, 45, 46, 47})
            QCOMPARE(line(n), QByteArray("'"));
    }

    void dateLineFollowsTheLocale() {
        const QDate d(2026, 12, 6);
        QCOMPARE(settingsDateText(d, QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("06.12.26"));
        QCOMPARE(settingsDateText(d, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("12/6/26"));
    }

    void handEditedFilesThatRead() {
        TestEnvironment t;
        const Settings s = full();
        QList<QByteArray> lines = writtenLines(s);
        Settings out;

        // Extra comments anywhere.
        QList<QByteArray> extra = lines;
        extra.insert(20, "' a note of my own");
        extra.insert(14, "'");
        QVERIFY(readBytes(t, joinCrLf(extra), out));
        QVERIFY(out == s);

        // No apostrophe-only lines at all.
        QList<QByteArray> bare;
        for (const QByteArray& l : lines)
            if (l != "'")
                bare.append(l);
        out = Settings();
        QVERIFY(readBytes(t, joinCrLf(bare), out));
        QVERIFY(out == s);

        // Padded port, booleans in other forms, an empty address line.
        QList<QByteArray> forms = lines;
        forms[13] = "  2519  ";
        forms[27] = "true";
        forms[31] = "";
        forms[35] = "0";
        forms[39] = "1";
        out = Settings();
        QVERIFY(readBytes(t, joinCrLf(forms), out));
        QCOMPARE(out.listenPort, qint16(2519));
        QCOMPARE(out.saveWindowPosition, true);
        QCOMPARE(out.serverAddress, QString());
        QCOMPARE(out.startInMiniMode, false);
        QCOMPARE(out.startInTray, true);
        forms[27] = "FALSE";
        QVERIFY(readBytes(t, joinCrLf(forms), out));
        QCOMPARE(out.saveWindowPosition, false);

        // Nothing after the ninth value is read: no date line, or garbage after it.
        QList<QByteArray> cut = lines.mid(0, 44);
        cut.append("not a value at all");
        out = Settings();
        QVERIFY(readBytes(t, joinCrLf(cut), out));
        QVERIFY(out == s);

        // The last value without a line end still counts.
        QByteArray noEnd = joinCrLf(lines.mid(0, 44));
        noEnd.chop(2);
        out = Settings();
        QVERIFY(readBytes(t, noEnd, out));
        QVERIFY(out == s);
    }

    void handEditedFilesThatFail_data() {
        QTest::addColumn<int>("line"); // 0-based line of the written file to replace
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("fieldsKept"); // values stored before the failure
        QTest::newRow("empty line before a number") << -13 << QByteArray() << 0;
        QTest::newRow("blank then apostrophe as a number") << 16 << QByteArray(" '2509") << 1;
        QTest::newRow("boolean yes") << 27 << QByteArray("yes") << 4;
        QTest::newRow("port 32768") << 13 << QByteArray("32768") << 0;
        QTest::newRow("text as third value") << 20 << QByteArray("left") << 2;
        QTest::newRow("interval with a fraction") << 43 << QByteArray("5.5") << 8;
    }
    void handEditedFilesThatFail() {
        QFETCH(int, line);
        QFETCH(QByteArray, text);
        QFETCH(int, fieldsKept);
        TestEnvironment t;
        const Settings s = full();
        QList<QByteArray> lines = writtenLines(s);
        if (line < 0)
            lines.insert(-line, text); // an extra line right before the value at -line
        else
            lines[line] = text;
        Settings out;
        QVERIFY(!readBytes(t, joinCrLf(lines), out));
        // Fields read before the failure keep their values; the window edges are not mended.
        QCOMPARE(out.listenPort, fieldsKept >= 1 ? s.listenPort : qint16(0));
        QCOMPARE(out.transmitPort, fieldsKept >= 2 ? s.transmitPort : qint16(0));
        QCOMPARE(out.serverAddress, fieldsKept >= 6 ? s.serverAddress : QString());
        QCOMPARE(out.pollIntervalSeconds, qint16(0));
    }

    void fileEndingAfterTheEighthValueKeepsEight() {
        TestEnvironment t;
        Settings s = full();
        s.windowLeft = 1; // not mended: the read did not complete
        Settings out;
        QVERIFY(!readBytes(t, joinCrLf(writtenLines(s).mid(0, 40)), out));
        Settings expected = s;
        expected.pollIntervalSeconds = 0;
        QVERIFY(out == expected);
    }

    void lineFeedsAloneMakeOneCommentLine() {
        TestEnvironment t;
        QByteArray bytes = settingsFileBytes(full(), QStringLiteral("x"));
        bytes.replace("\r\n", "\n");
        Settings out;
        QVERIFY(!readBytes(t, bytes, out));
        QVERIFY(out == Settings());
    }

    void missingFileFailsTheRead() {
        TestEnvironment t;
        Settings out;
        QVERIFY(!readSettingsFile(t.iniPath(), out));
    }

    void readOnlyFileStaysAsItWas() {
        TestEnvironment t;
        const QByteArray before("'hand made\r\n");
        t.writeIni(before);
        QVERIFY(QFile::setPermissions(t.iniPath(), QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(!writeSettingsFile(t.iniPath(), full()));
        QCOMPARE(t.readIni(), before);
        QVERIFY(QFile::setPermissions(t.iniPath(), QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(writeSettingsFile(t.iniPath(), full()));
        QVERIFY(t.readIni() != before);
    }

    void randomBytesNeverBreakTheReader() {
        // Damaged files fail or succeed, but the reader never misbehaves; what it does read
        // writes back and reads again to the same values.
        TestEnvironment t;
        QRandomGenerator rng(2002);
        const QByteArray good = settingsFileBytes(full(), QStringLiteral("x"));
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = good;
            const int edits = 1 + int(rng.bounded(8));
            for (int e = 0; e < edits; ++e) {
                const int at = int(rng.bounded(bytes.size()));
                switch (rng.bounded(3)) {
                case 0:
                    bytes[at] = char(rng.bounded(256));
                    break;
                case 1:
                    bytes.remove(at, 1 + int(rng.bounded(20)));
                    break;
                default:
                    bytes.insert(at, "\r\n' \r");
                    break;
                }
            }
            Settings out;
            if (!readBytes(t, bytes, out))
                continue;
            QVERIFY(writeSettingsFile(t.iniPath(), out));
            Settings again;
            QVERIFY(readSettingsFile(t.iniPath(), again));
            if (out.serverAddress.contains(QLatin1Char('\r')))
                continue; // a CR inside the address ends that line when read back
            if (out.windowLeft == 1)
                out.windowLeft = 0;
            if (out.windowTop == 1)
                out.windowTop = 0;
            QVERIFY(again == out);
        }
    }

    void writeIntoMissingFolderFails() {
        TestEnvironment t;
        QVERIFY(
            !writeSettingsFile(t.dir.filePath(QStringLiteral("gone/ZAV-Remote.ini")), full()));
        // Writing leaves no stray temporary files beside the settings file.
        QVERIFY(writeSettingsFile(t.iniPath(), full()));
        QCOMPARE(QDir(t.dir.path()).entryList(QDir::Files), QStringList{"ZAV-Remote.ini"});
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
