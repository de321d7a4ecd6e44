// The Options panel on the running client: Save's outcomes, the pages and Cancel.
#include "testsupport.h"

#include "app/settingswriter.h"
#include "ui/options/ipbox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    // Save: what is taken (an interval out of range clamped), the box, the file, the program's end.
    void saveOutcomes_data() {
        QTest::addColumn<QStringList>("typed"); // receive, transmit, interval, address
        QTest::addColumn<int>("interval");      // as taken
        QTest::addColumn<QStringList>("box");   // title and text; none: nothing said
        const QString notSaved = QStringLiteral("Settings were not Saved...");
        const QString port =
            QStringLiteral("The '%1' port box must hold a whole number from -32768 to 32767.");
        const QStringList saved{"Settings Saved...",
                                "ZAV Remote 2002 settings saved, now exiting."};
        const QStringList noAddress{notSaved, "The 'ZAV Manager Server IP Address' box is empty."};
        const QStringList writeError{
            "INI File Error...",
            "There was an error writing to the INI file...\n\rplease check that it is not set to "
            "Read Only.\n\r\n\rAlso check that you have sufficient privledges\n\rto modify the "
            "file.\n\r\n\rIf that fails delete the INI file, re-start\n\rZAV Manager and goto the "
            "settings panel."};
        const QStringList receive{notSaved, port.arg("Receive")},
            transmit{notSaved, port.arg("Transmit")};
        const QStringList interval{
            notSaved,
            "The 'Interval (in secs)' box must hold a whole number of seconds from 5 to 60."};
        auto row = [](const char* name, const QStringList& typed, int interval,
                      const QStringList& box) { QTest::newRow(name) << typed << interval << box; };
        const QString a = QStringLiteral("127.0.0.9");
        row("saved", {"2600", "-300", "33", a}, 33, saved);
        row("interval 3", {"0", "2509", "3", a}, 5, saved);
        row("interval huge", {"2519", "2509", "123456789012", a}, 60, saved);
        row("no address", {"0", "2601", "61", ""}, 60, noAddress);
        row("disk full", {"2600", "2601", "2", a}, 5, writeError);
        row("receive letters", {"25a9", "2601", "33", a}, 0, receive);
        row("transmit too small", {"2600", "-32769", "33", a}, 0, transmit);
        row("interval no number", {"2600", "2601", "7.5", a}, 0, interval);
        row("receive empty", {"", "abc", "x", a}, 0, {});
    }
    void saveOutcomes() {
        QFETCH(QStringList, typed);
        QFETCH(int, interval);
        QFETCH(QStringList, box);
        Sandbox c;
        QVERIFY(c.start());
        const QByteArray fileBefore = c.readIni();
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        const bool writeFails = box.value(0) == QLatin1String("INI File Error...");
        if (writeFails)
            setFileReplaceFault({200, FileReplaceFault::Step::None});
        Settings expected = c.app.settings();
        if (interval) { // the numbers are taken, and past the address all the rest
            expected.listenPort = qint16(typed[0].toShort());
            expected.transmitPort = qint16(typed[1].toShort());
            expected.saveWindowPosition = true; // a greyed box counts as ticked
            expected.pollIntervalSeconds = qint16(interval);
        }
        if (interval && !typed[3].isEmpty()) {
            expected.serverAddress = typed[3];
            expected.startInTray = true;
        }

        c.desktop.openOptions();
        OptionsPanel* p = c.desktop.optionsPanel();
        child<QLineEdit>(p, "listenPortBox")->setText(typed[0]);
        child<QLineEdit>(p, "transmitPortBox")->setText(typed[1]);
        child<QLineEdit>(p, "intervalBox")->setText(typed[2]);
        child<IpAddressBox>(p, "serverAddressBox")->setAddress(typed[3]);
        child<QCheckBox>(p, "savePositionCheck")->setCheckState(Qt::PartiallyChecked);
        child<QCheckBox>(p, "startTrayCheck")->setChecked(true);
        click(p, "saveButton");

        QCOMPARE(c.app.settings(), expected);
        QCOMPARE(c.boxes.size(), box.isEmpty() ? 0 : 1);
        for (const ShownMessage& m : std::as_const(c.boxes))
            QCOMPARE(QStringList({m.title, m.text}), box);
        if (writeFails) { // the old file stays; once the disk has room, the next Save goes through
            QCOMPARE(c.readIni(), fileBefore);
            QVERIFY(p->isVisible() && c.endCodes.isEmpty());
            setFileReplaceFault({});
            click(p, "saveButton");
            QCOMPARE(c.boxes.last().title, QStringLiteral("Settings Saved..."));
        }
        const bool saved = writeFails || box.value(0) == QLatin1String("Settings Saved...");
        QCOMPARE(c.readIni(),
                 saved ? settingsFileBytes(expected, QStringLiteral("12/6/26")) : fileBefore);
        QCOMPARE(c.endCodes, saved ? QList<int>{0} : QList<int>{});
        if (saved)
            QTRY_VERIFY(!c.desktop.optionsPanel());
        else
            QVERIFY(p->isVisible() && !c.link().isPolling());
    }

    // The panel stops polling (a request under way still goes out); Cancel discards the edits and
    // resumes polling as start-up left it: off for an interval of 0 or less or a taken port.
    void cancelResumesPollingAsStartUpDid_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("portBusy");
        QTest::newRow("7 s") << 7 << false;
        QTest::newRow("0") << 0 << false;
        QTest::newRow("negative") << -5 << false;
        QTest::newRow("listen port busy") << 7 << true;
    }
    void cancelResumesPollingAsStartUpDid() {
        QFETCH(int, interval);
        QFETCH(bool, portBusy);
        RecordServer server, newServer;
        Settings stored = sampleSettings(freePort(), server.port());
        stored.pollIntervalSeconds = qint16(interval);
        Sandbox c(stored);
        const QByteArray file = c.readIni();
        QTcpServer blocker;
        if (portBusy)
            QVERIFY(blocker.listen(QHostAddress::AnyIPv4, quint16(stored.listenPort)));
        QVERIFY(c.start());
        const bool polling = interval > 0 && !portBusy;
        QCOMPARE(c.link().isPolling(), polling);
        const Settings before = c.app.settings();
        c.link().requestStatus();
        child<QPushButton>(&c.window(), "settingsButton")->click();
        OptionsPanel* p = c.desktop.optionsPanel();
        QVERIFY(!c.link().isPolling() && !c.window().isVisible());
        QTRY_COMPARE(server.sent(), QList<QByteArray>{"STATUS"});

        // One page shows at a time, its button checked; entries stay.
        child<QLineEdit>(p, "listenPortBox")->setText(QStringLiteral("1234"));
        for (const QStringList& step : {QStringList{"windowPage", "Window Options"},
                                        {"otherPage", "Other Options"},
                                        {"otherPage", "Other Options"},
                                        {"startupPage", "Startup Options"},
                                        {"commsPage", "Communication Options"}}) {
            click(p, qPrintable(step[0] + "Button"));
            QStringList visible;
            for (const QGroupBox* g : p->findChildren<QGroupBox*>())
                if (g->isVisible())
                    visible << g->objectName() << g->title();
            for (QToolButton* b : p->findChildren<QToolButton*>())
                if (b->isChecked())
                    visible << b->objectName();
            QCOMPARE(visible, step + QStringList{step[0] + "Button"});
        }
        QCOMPARE(child<QLineEdit>(p, "listenPortBox")->text(), QStringLiteral("1234"));
        click(p, "cancelButton");
        QCOMPARE(c.link().isPolling() ? c.link().pollIntervalMs() : 0,
                 polling ? interval * 1000 : 0);
        QVERIFY(c.window().isVisible() && c.boxes.isEmpty() && c.endCodes.isEmpty());
        QCOMPARE(c.app.settings(), before);
        QCOMPARE(c.readIni(), file);
        QTRY_VERIFY(!c.desktop.optionsPanel());
        // A save refused for want of an address still sends commands to the new transmit port.
        SettingsEntries entries{QString::number(before.listenPort),
                                QString::number(newServer.port()), false, "5", "0.0.0.0"};
        QCOMPARE(c.app.saveSettings(entries, nullptr), SaveOutcome::NoServerAddress);
        c.link().requestStatus();
        QTRY_COMPARE(newServer.sent(), QList<QByteArray>{"STATUS"});
        QCOMPARE(server.sent(), QList<QByteArray>{"STATUS"});
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
