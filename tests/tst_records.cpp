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

private slots:
    void codePageRoundTripsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toWindows1252(fromWindows1252(all)), all);
        QCOMPARE(fromWindows1252("\x80\x93\xe9"), QStringLiteral("\u20ac\u201c\u00e9"));
        QCOMPARE(toWindows1252(QStringLiteral("\u4e2d\U0001F600")), QByteArray("???"));
    }

    // The edges of a record that the link's dispatch does not show on its own.
    void recordEdges() {
        QVERIFY(recordKind(QStringLiteral("MESSAG")) == RecordKind::Message);
        QCOMPARE(messageRecordText(QStringLiteral("MESSAG")), QString());
        QCOMPARE(messageRecordText(QStringLiteral("MESSAGa\r\nb")), QStringLiteral("a\r\nb"));
        QVERIFY(recordKind(QStringLiteral("STATU")) == RecordKind::Unknown);
        QCOMPARE(statusReportTime(QStringLiteral("STATUS CONNSIGOK09:")), QStringLiteral("09:"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS CONN")), QStringLiteral("CONN"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS")), QString());
    }

    // Twelve-hour times, whatever the locale.
    void timeLines() {
        QLocale::setDefault(QLocale(QLocale::German));
        const QList<std::pair<QTime, QString>> cases{{QTime(0, 7), "12:07am"},
                                                     {QTime(12, 0), "12:00pm"},
                                                     {QTime(13, 30), "01:30pm"},
                                                     {QTime(9, 5), "09:05am"}};
        for (const auto& [time, text] : cases) {
            QCOMPARE(formatTime12(time), text);
            QCOMPARE(logTimeLine(time), QStringLiteral("     ") + text);
        }
        QLocale::setDefault(QLocale::c());
    }

    // Room for an entry is made from the bottom, keeping at most 22 lines in all.
    void trimming() {
        auto numbered = [](int n) {
            QStringList l;
            for (int i = 0; i < n; ++i)
                l << QString::number(i);
            return l;
        };
        // Lines before, lines of the entry to come, lines after.
        const int cases[][3] = {{0, 3, 0}, {20, 3, 19}, {20, 4, 18}, {19, 3, 19}};
        for (const auto& [before, count, after] : cases) {
            QStringList lines = numbered(before);
            trimLog(lines, count);
            QCOMPARE(lines, numbered(after));
        }
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
        // The oldest entry lost only its message lines.
        QCOMPARE(view.lines().at(21), QStringLiteral("     01:00am"));
        QCoreApplication::processEvents();
        QVERIFY(view.paintCount() - paintsBefore <= 1);
    }

    void versionText() {
        QCOMPARE(::versionText(1, 2, 3), QStringLiteral("v1.23"));
        QCOMPARE(::versionText(2, 10, 7), QStringLiteral("v2.107"));
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
