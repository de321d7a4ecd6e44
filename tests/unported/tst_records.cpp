// Wire records, the code page, the status log's lines and trimming, the version text.
#include "link/codepage.h"
#include "app/version.h"
#include "ui/main/indicators.h"
#include "link/wire.h"
#include "ui/main/statuslog.h"

#include <QListWidget>
#include <QtTest>

class TestRecords : public QObject {
    Q_OBJECT

    static QStringList numbered(int n) {
        QStringList l;
        for (int i = 0; i < n; ++i)
            l << QString::number(i);
        return l;
    }

private slots:
    void commandRecords() {
        QCOMPARE(commandRecord(CMD_STATUS), QByteArray("STATUS"));
        QCOMPARE(commandRecord(CMD_CONNEC), QByteArray("CONNEC"));
        QCOMPARE(commandRecord(CMD_DISCON), QByteArray("DISCON"));
        QCOMPARE(commandRecord(CMD_MESSAG), QByteArray("MESSAG"));
        QCOMPARE(commandRecord(CMD_MESSAG, QStringLiteral(" hi\r\nthere \u20ac")),
                 QByteArray("MESSAG hi\r\nthere \x80"));
        QCOMPARE(commandRecord(CMD_NONE), QByteArray());
        QCOMPARE(commandRecord(7), QByteArray());
        // The message text is sent as it is, without escaping or padding.
        QCOMPARE(commandRecord(CMD_STATUS, QStringLiteral("ignored")), QByteArray("STATUS"));
    }

    void codePageRoundTripsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toWindows1252(fromWindows1252(all)), all);
        QCOMPARE(fromWindows1252("\x80\x93\xe9"), QStringLiteral("\u20ac\u201c\u00e9"));
        QCOMPARE(toWindows1252(QStringLiteral("\u4e2d\U0001F600")), QByteArray("???"));
    }

    void recordKinds_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("kind");
        QTest::newRow("status") << "STATUS CONNSIGOK01:02pm" << int(RecordKind::Status);
        QTest::newRow("message") << "MESSAGhello" << int(RecordKind::Message);
        QTest::newRow("empty message") << "MESSAG" << int(RecordKind::Message);
        QTest::newRow("receipt") << "MSGREC" << int(RecordKind::MsgRec);
        QTest::newRow("connec") << "CONNEC" << int(RecordKind::Connec);
        QTest::newRow("discon") << "DISCONxyz" << int(RecordKind::Discon);
        QTest::newRow("lower case") << "messagHello" << int(RecordKind::Unknown);
        QTest::newRow("short") << "STATU" << int(RecordKind::Unknown);
        QTest::newRow("empty") << "" << int(RecordKind::Unknown);
        QTest::newRow("other") << "HELLO WORLD" << int(RecordKind::Unknown);
    }
    void recordKinds() {
        QFETCH(QString, record);
        QFETCH(int, kind);
        QCOMPARE(int(recordKind(record)), kind);
    }

    void statusReportFields() {
        const QString full = QStringLiteral("STATUS CONNSIGOK09:05pmEXTRA");
        QCOMPARE(statusReportCode(full), QStringLiteral("CONNSIGOK"));
        QCOMPARE(statusReportTime(full), QStringLiteral("09:05pm"));
        QCOMPARE(statusReportTime(QStringLiteral("STATUS CONNSIGOK")), QString());
        QCOMPARE(statusReportTime(QStringLiteral("STATUS CONNSIGOK09:")), QStringLiteral("09:"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS CONN")), QStringLiteral("CONN"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS")), QString());
        QCOMPARE(messageRecordText(QStringLiteral("MESSAGa\r\nb")), QStringLiteral("a\r\nb"));
        QCOMPARE(messageRecordText(QStringLiteral("MESSAG")), QString());
    }

    void refusalNoticeIsSixtyBytes() {
        QCOMPARE(int(sizeof(REFUSAL_NOTICE) - 1), 60);
        QVERIFY(QByteArray(REFUSAL_NOTICE).endsWith("SESSION.\r\n"));
    }

    void statusCodesSelectStates() {
        QCOMPARE(displayStateForCode(QStringLiteral("NOCARDSTA")), DisplayState::NO_CARD);
        QCOMPARE(displayStateForCode(QStringLiteral("CONNSIGOK")), DisplayState::ONLINE);
        QCOMPARE(displayStateForCode(QStringLiteral("DISCSIGOK")), DisplayState::OFFLINE);
        QCOMPARE(displayStateForCode(QStringLiteral("CONNNOSIG")), DisplayState::ONLINE_NO_SIGNAL);
        QCOMPARE(displayStateForCode(QStringLiteral("DISCNOSIG")), DisplayState::OFFLINE_NO_SIGNAL);
        QCOMPARE(displayStateForCode(QStringLiteral("DIALNOSIG")), DisplayState::DIALING_NO_SIGNAL);
        QCOMPARE(displayStateForCode(QStringLiteral("DIALSIGOK")), DisplayState::DIALING);
        QVERIFY(!displayStateForCode(QStringLiteral("connsigok")));
        QVERIFY(!displayStateForCode(QStringLiteral("CONNSIGO")));
        QVERIFY(!displayStateForCode(QString()));
        // Only the steady link states stop calling for attention.
        for (int s = 0; s <= int(DisplayState::WAITING); ++s) {
            const auto state = DisplayState(s);
            const bool quiet = state == DisplayState::ONLINE || state == DisplayState::OFFLINE ||
                               state == DisplayState::WAITING;
            QCOMPARE(displayStateInfo(state).alert, !quiet);
        }
    }

    void timeLines_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("after midnight") << QTime(0, 7) << "12:07am";
        QTest::newRow("afternoon") << QTime(13, 30) << "01:30pm";
        QTest::newRow("noon") << QTime(12, 0) << "12:00pm";
        QTest::newRow("morning") << QTime(9, 5) << "09:05am";
        QTest::newRow("late") << QTime(23, 59) << "11:59pm";
    }
    void timeLines() {
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(formatTime12(time), text);
        QCOMPARE(logTimeLine(time), QStringLiteral("     ") + text);
        QLocale::setDefault(QLocale::c());
    }

    void entryLines() {
        const QStringList lines =
            logEntryLines(QTime(21, 5), {QStringLiteral("     A"), QStringLiteral("     B")});
        QCOMPARE(lines, (QStringList{QStringLiteral("     --------------------------------------"),
                                     QStringLiteral("     09:05pm"), QStringLiteral("     A"),
                                     QStringLiteral("     B")}));
    }

    void trimming_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("after");
        QTest::newRow("empty, 3 lines") << 0 << 3 << 0;
        QTest::newRow("22 lines, 3 lines") << 22 << 3 << 19;
        QTest::newRow("20 lines, 4 lines") << 20 << 4 << 18;
        QTest::newRow("19 lines, 3 lines") << 19 << 3 << 19;
        QTest::newRow("20 lines, 3 lines") << 20 << 3 << 19;
    }
    void trimming() {
        QFETCH(int, before);
        QFETCH(int, count);
        QFETCH(int, after);
        QStringList lines = numbered(before);
        trimStatusList(lines, qint16(count));
        QCOMPARE(lines, numbered(after)); // always from the bottom

        QListWidget list;
        list.addItems(numbered(before));
        TRIM_STATUS_LIST(&list, qint16(count));
        insertLogEntry(&list, QTime(13, 30), QStringList(count - 2, QStringLiteral("     m")));
        QCOMPARE(list.count(), after + count);
        QCOMPARE(list.item(0)->text(), logSeparator());
        QCOMPARE(list.item(1)->text(), QStringLiteral("     01:30pm"));
        if (after > 0)
            QCOMPARE(list.item(count)->text(), QStringLiteral("0"));
    }

    void oldestEntryIsCutFromTheBottom() {
        QListWidget list;
        for (int i = 0; i < 5; ++i) {
            TRIM_STATUS_LIST(&list, 4);
            insertLogEntry(&list, QTime(1, i), {QStringLiteral("a"), QStringLiteral("b")});
        }
        // 20 lines; a 4-line entry pushes out the oldest entry's message lines only.
        TRIM_STATUS_LIST(&list, 4);
        insertLogEntry(&list, QTime(2, 0), {QStringLiteral("c"), QStringLiteral("d")});
        QCOMPARE(list.count(), 22);
        QCOMPARE(list.item(20)->text(), logSeparator());
        QCOMPARE(list.item(21)->text(), QStringLiteral("     01:00am"));
    }

    void versionText() {
        QCOMPARE(::versionText(1, 0, 0), QStringLiteral("v1.00"));
        QCOMPARE(::versionText(1, 2, 3), QStringLiteral("v1.23"));
        QCOMPARE(::versionText(2, 10, 7), QStringLiteral("v2.107"));
        QCOMPARE(::versionText(), QStringLiteral("v1.00"));
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
