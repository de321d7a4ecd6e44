// The Options panel: the stored values, Save's outcomes, the pages, labels and Cancel.
#include "testsupport.h"

#include "app/settingswriter.h"
#include "ui/options/ipbox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>

Q_DECLARE_METATYPE(Settings)

namespace {

const QString kNotSaved = QStringLiteral("Settings were not Saved...");

QLineEdit* box(QWidget* p, const char* name) {
    return child<QLineEdit>(p, name);
}
IpAddressBox* ipBox(QWidget* p) {
    return child<IpAddressBox>(p, "serverAddressBox");
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // What is stored shows as it is; text that is no address shows as far as it can be, each
    // part 0 to 255 or empty.
    void loading_data() {
        QTest::addColumn<Settings>("stored");
        // receive, transmit, interval, address, its parts joined by dots, ticks (save position,
        // mini mode, tray)
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("zeros and no address")
            << Settings{} << QStringList{"2519", "2509", "5", "0.0.0.0", "...", "000"};
        QTest::newRow("values and flags")
            << Settings{3000, 3001, 0, 0, true, "127.0.0.2", true, false, 30}
            << QStringList{"3000", "3001", "30", "127.0.0.2", "127.0.0.2", "110"};
        QTest::newRow("out of range shown as stored")
            << Settings{-5, 32767, 0, 0, false, "10.0.0.300", false, true, 99}
            << QStringList{"-5", "32767", "99", "10.0.0.255", "10.0.0.255", "001"};
        auto address = [](const char* given, const char* shown, const char* parts) {
            Settings s;
            s.serverAddress = QString::fromLatin1(given);
            QTest::newRow(given) << s << QStringList{"2519", "2509", "5", shown, parts, "000"};
        };
        address("1.2.3.123456789012345678901234567890", "1.2.3.255", "1.2.3.255");
        address("1.2.3", "1.2.3.0", "1.2.3.");
        address("server.local", "0.0.0.0", "...");
        address("10.1.1.5:80", "10.1.1.5", "10.1.1.5");
        address("-1.2.3.4", "0.2.3.4", ".2.3.4");
    }
    void loading() {
        QFETCH(Settings, stored);
        QFETCH(QStringList, shown);
        OptionsPanel p;
        p.load(stored);
        QString parts, ticks;
        for (int i = 0; i < 4; ++i)
            parts += (i ? "." : "") + ipBox(&p)->part(i)->text();
        for (const char* name : {"savePositionCheck", "startMiniCheck", "startTrayCheck"})
            ticks += child<QCheckBox>(&p, name)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE((QStringList{box(&p, "listenPortBox")->text(), box(&p, "transmitPortBox")->text(),
                              box(&p, "intervalBox")->text(), ipBox(&p)->address(), parts, ticks}),
                 shown);
        QCOMPARE(ipBox(&p)->isEmpty(), parts == QLatin1String("..."));
    }

    // Save's outcomes: what is taken, the box, the file, and whether the program ends. Ports
    // are taken as typed, an interval out of range is clamped and shown clamped.
    void saveOutcomes_data() {
        QTest::addColumn<QStringList>("typed"); // receive, transmit, interval, address
        QTest::addColumn<int>("interval");      // as taken
        QTest::addColumn<QString>("outcome");
        auto row = [](const char* name, const QStringList& typed, int interval,
                      const char* outcome) {
            QTest::newRow(name) << typed << interval << QString(outcome);
        };
        const QString a = QStringLiteral("127.0.0.9");
        row("saved", {"2600", "-300", "33", a}, 33, "saved");
        row("interval 3", {"0", "2509", "3", a}, 5, "saved");
        row("interval 61", {"2519", "2509", "61", a}, 60, "saved");
        row("interval empty", {"2519", "2509", "", a}, 5, "saved");
        row("interval huge", {"2519", "2509", "123456789012", a}, 60, "saved");
        row("no address", {"0", "2601", "61", ""}, 60, "no address");
        row("disk full", {"2600", "2601", "2", a}, 5, "write error");
        row("receive letters", {"25a9", "2601", "33", a}, 0, "receive");
        row("receive too big", {"40000", "2601", "33", ""}, 0, "receive");
        row("transmit too small", {"2600", "-32769", "33", a}, 0, "transmit");
        row("interval no number", {"2600", "2601", "7.5", a}, 0, "interval");
        row("receive empty", {"", "abc", "x", a}, 0, "silent");
        row("transmit empty", {"40000", "", "5", ""}, 0, "silent");
    }
    void saveOutcomes() {
        QFETCH(QStringList, typed);
        QFETCH(int, interval);
        QFETCH(QString, outcome);
        const QString port =
            QStringLiteral("The '%1' port box must hold a whole number from -32768 to 32767.");
        const QMap<QString, QStringList> boxes{
            {"saved", {"Settings Saved...", "ZAV Remote 2002 settings saved, now exiting."}},
            {"no address", {kNotSaved, "The 'ZAV Manager Server IP Address' box is empty."}},
            {"write error",
             {"INI File Error...",
              "There was an error writing to the INI file...\n\rplease check that it is not set "
              "to Read Only.\n\r\n\rAlso check that you have sufficient privledges\n\rto modify "
              "the file.\n\r\n\rIf that fails delete the INI file, re-start\n\rZAV Manager and "
              "goto the settings panel."}},
            {"receive", {kNotSaved, port.arg("Receive")}},
            {"transmit", {kNotSaved, port.arg("Transmit")}},
            {"interval",
             {kNotSaved,
              "The 'Interval (in secs)' box must hold a whole number of seconds from 5 to 60."}}};
        Sandbox c;
        QVERIFY(c.start());
        const QByteArray fileBefore = c.readIni();
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        const bool writeFails = outcome == QLatin1String("write error");
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
        box(p, "listenPortBox")->setText(typed[0]);
        box(p, "transmitPortBox")->setText(typed[1]);
        box(p, "intervalBox")->setText(typed[2]);
        ipBox(p)->setAddress(typed[3]);
        child<QCheckBox>(p, "savePositionCheck")->setCheckState(Qt::PartiallyChecked);
        child<QCheckBox>(p, "startTrayCheck")->setChecked(true);
        click(p, "saveButton");

        QCOMPARE(c.app.settings(), expected);
        QCOMPARE(box(p, "intervalBox")->text(), interval ? QString::number(interval) : typed[2]);
        QList<QStringList> shown;
        for (const ShownMessage& m : std::as_const(c.boxes))
            shown << QStringList{m.title, m.text};
        QCOMPARE(shown, boxes.contains(outcome) ? QList<QStringList>{boxes[outcome]}
                                                : QList<QStringList>{});
        QVERIFY(!c.window().isVisible());
        if (writeFails) { // the old file stays; once the disk has room, the next Save goes through
            QCOMPARE(c.readIni(), fileBefore);
            QVERIFY(p->isVisible() && c.endCodes.isEmpty());
            setFileReplaceFault({});
            click(p, "saveButton");
            QCOMPARE(c.boxes.last().title, boxes["saved"][0]);
            outcome = QStringLiteral("saved");
        }
        if (outcome == QLatin1String("saved")) {
            QCOMPARE(c.readIni(), settingsFileBytes(expected, QStringLiteral("12/6/26")));
            QCOMPARE(c.endCodes, QList<int>{0});
            QTRY_VERIFY(!c.desktop.optionsPanel());
        } else {
            QCOMPARE(c.readIni(), fileBefore);
            QVERIFY(c.endCodes.isEmpty());
            QVERIFY(p->isVisible() && !c.link().isPolling());
        }
    }

    // The panel hides the main window and stops polling, yet a request under way still goes
    // out. Only Save or Cancel leave; one page shows at a time, entries stay; labels toggle, not
    // greyed. Cancel discards the edits and resumes polling as start-up left it: off for an
    // interval of 0 or less in the file, and off when the listen port could not be taken.
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
        QVERIFY(!p->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(c.desktop.optionsPanel() == p && p->isVisible());

        // The page shown is the one whose button is checked, as screen readers tell it.
        box(p, "listenPortBox")->setText(QStringLiteral("1234"));
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
        QCOMPARE(box(p, "listenPortBox")->text(), QStringLiteral("1234"));
        for (const QString name : {"savePosition", "startMini", "startTray"}) {
            click(p, name == "savePosition" ? "windowPageButton" : "startupPageButton");
            auto* check = child<QCheckBox>(p, qPrintable(name + "Check"));
            for (Qt::CheckState state : {Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked}) {
                if (state == Qt::PartiallyChecked) // greyed: the label leaves it alone
                    check->setCheckState(state);
                click(p, qPrintable(name + "Label"));
                QCOMPARE(check->checkState(), state);
            }
        }

        click(p, "cancelButton");
        QCOMPARE(c.link().isPolling() ? c.link().pollIntervalMs() : 0,
                 polling ? interval * 1000 : 0);
        QVERIFY(c.window().isVisible());
        QCOMPARE(c.app.settings(), before);
        QCOMPARE(c.readIni(), file);
        QVERIFY(c.boxes.isEmpty() && c.endCodes.isEmpty());
        QTRY_VERIFY(!c.desktop.optionsPanel());
        // Opened again, it shows what is stored, on its first page.
        c.desktop.openOptions();
        p = c.desktop.optionsPanel();
        QCOMPARE(p->visiblePage(), child<QGroupBox>(p, "commsPage"));
        QCOMPARE(box(p, "listenPortBox")->text(), QString::number(before.listenPort));

        // A save refused for want of an address still takes the new transmit port for commands.
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
