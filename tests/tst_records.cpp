// Wire records, the code page, the status log's lines and trimming, the version text.
// Records, the code page, the log's lines and the version text: the pieces that are pure
// functions of their input.
#include "app/version.h"
#include "link/codepage.h"
#include "link/records.h"
#include "ui/main/logview.h"
#include "ui/main/statuslog.h"

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
        QTest::newRow("receipt") << "MSGREC" << int(RecordKind::MessageReceipt);
        QTest::newRow("connec") << "CONNEC" << int(RecordKind::Connect);
        QTest::newRow("discon") << "DISCONxyz" << int(RecordKind::Disconnect);
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
        trimLog(lines, count);
        QCOMPARE(lines, numbered(after)); // always from the bottom
    }

    // Entries go on top; the oldest lines leave from the bottom, and a burst of entries is
    // painted once, not once per entry.
    void logViewKeepsTheNewestOnTop() {
        LogView view;
        view.resize(145, 180);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int paintsBefore = view.paintCount();
        for (int i = 0; i < 6; ++i)
            view.addEntry(logEntryLines(QTime(1, i), {QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(view.lines().size(), 22);
        QCOMPARE(view.lines().first(), logSeparator());
        QCOMPARE(view.lines().at(1), QStringLiteral("     01:05am"));
        QCOMPARE(view.lines().at(21), QStringLiteral("     01:00am")); // only its message lines went
        QCoreApplication::processEvents();
        QVERIFY(view.paintCount() - paintsBefore <= 1);
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
