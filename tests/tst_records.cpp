// Records, their codes and words, and the code page: the link's pure functions.
#include "link/codepage.h"
#include "link/records.h"

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
        QVERIFY(recordKind(QStringLiteral("MSGREC")) == RecordKind::MessageReceipt);
        QCOMPARE(messageRecordText(QStringLiteral("MESSAG")), QString());
        QCOMPARE(messageRecordText(QStringLiteral("MESSAGa\r\nb")), QStringLiteral("a\r\nb"));
        QVERIFY(recordKind(QStringLiteral("STATU")) == RecordKind::Unknown);
        QVERIFY(recordKind(QString()) == RecordKind::Unknown);
        QCOMPARE(statusReportTime(QStringLiteral("STATUS CONNSIGOK09:")), QStringLiteral("09:"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS CONN")), QStringLiteral("CONN"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS")), QString());
    }

    // Every state: the word shown for it, and the code and report that select it (none for
    // the state no report gives).
    void states_data() {
        QTest::addColumn<LinkState>("state");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("code");
        QTest::newRow("no card") << LinkState::NoCard << "NO CARD"
                                 << "NOCARDSTA";
        QTest::newRow("online") << LinkState::Online << "ONLINE"
                                << "CONNSIGOK";
        QTest::newRow("offline") << LinkState::Offline << "OFFLINE"
                                 << "DISCSIGOK";
        QTest::newRow("online, no signal") << LinkState::OnlineNoSignal << "ONLINE"
                                           << "CONNNOSIG";
        QTest::newRow("offline, no signal") << LinkState::OfflineNoSignal << "OFFLINE"
                                            << "DISCNOSIG";
        QTest::newRow("dialing") << LinkState::Dialing << "DIALING"
                                 << "DIALSIGOK";
        QTest::newRow("dialing, no signal") << LinkState::DialingNoSignal << "DIALING"
                                            << "DIALNOSIG";
        QTest::newRow("no server") << LinkState::NoServer << "NO SRVR!" << QString();
    }
    void states() {
        QFETCH(LinkState, state);
        QFETCH(QString, word);
        QFETCH(QString, code);
        QCOMPARE(linkStateWord(state), word);
        QCOMPARE(linkStateCode(state), code);
        if (code.isEmpty())
            return;
        const QString report = statusReportText(state, QStringLiteral("09:05am"));
        QCOMPARE(report, QStringLiteral("STATUS ") + code + QStringLiteral("09:05am"));
        QCOMPARE(report.size(), 23);
        QVERIFY(recordKind(report) == RecordKind::Status);
        QCOMPARE(linkStateForCode(statusReportCode(report)), std::optional<LinkState>(state));
        // Codes are compared exactly.
        QCOMPARE(linkStateForCode(code.toLower()), std::nullopt);
    }

    // The commands' records on the wire, a message's text in the code page.
    void commandRecords_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("status") << Command::Status << QString() << QByteArray("STATUS");
        QTest::newRow("connect") << Command::Connect << QString() << QByteArray("CONNEC");
        QTest::newRow("disconnect") << Command::Disconnect << QString() << QByteArray("DISCON");
        QTest::newRow("message") << Command::Message << QStringLiteral("\u20ac 5\r\nok")
                                 << QByteArray("MESSAG\x80 5\r\nok");
        QTest::newRow("none") << Command::None << QString() << QByteArray();
    }
    void commandRecords() {
        QFETCH(Command, command);
        QFETCH(QString, text);
        QFETCH(QByteArray, record);
        QCOMPARE(commandRecord(command, text), record);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
