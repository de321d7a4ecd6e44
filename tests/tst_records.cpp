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
        QCOMPARE(messageRecordText(QStringLiteral("MESSAG")), QString());
        QCOMPARE(messageRecordText(QStringLiteral("MESSAGa\r\nb")), QStringLiteral("a\r\nb"));
        QCOMPARE(statusReportTime(QStringLiteral("STATUS CONNSIGOK09:")), QStringLiteral("09:"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS CONN")), QStringLiteral("CONN"));
        QCOMPARE(statusReportCode(QStringLiteral("STATUS")), QString());
    }

    // Every state: the word shown for it, and the code and report that select it (none for
    // the state no report gives). The link's dispatch reads the codes back.
    void states_data() {
        QTest::addColumn<LinkState>("state");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("code");
        auto row = [](const char* name, LinkState state, const char* word, const char* code) {
            QTest::newRow(name) << state << QString(word) << QString(code);
        };
        row("no card", LinkState::NoCard, "NO CARD", "NOCARDSTA");
        row("online", LinkState::Online, "ONLINE", "CONNSIGOK");
        row("offline", LinkState::Offline, "OFFLINE", "DISCSIGOK");
        row("online, no signal", LinkState::OnlineNoSignal, "ONLINE", "CONNNOSIG");
        row("offline, no signal", LinkState::OfflineNoSignal, "OFFLINE", "DISCNOSIG");
        row("dialing", LinkState::Dialing, "DIALING", "DIALSIGOK");
        row("dialing, no signal", LinkState::DialingNoSignal, "DIALING", "DIALNOSIG");
        row("no server", LinkState::NoServer, "NO SRVR!", nullptr);
    }
    void states() {
        QFETCH(LinkState, state);
        QFETCH(QString, word);
        QFETCH(QString, code);
        QCOMPARE(linkStateWord(state), word);
        QCOMPARE(linkStateCode(state), code);
        if (!code.isEmpty())
            QCOMPARE(statusReportText(state, QStringLiteral("09:05am")),
                     QStringLiteral("STATUS ") + code + QStringLiteral("09:05am"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
