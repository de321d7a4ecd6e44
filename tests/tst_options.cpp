// The Options panel on the running client: loading, pages, labels, the address box and Save.
#include "testsupport.h"

#include "app/settingswriter.h"
#include "ui/options/ipbox.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>

Q_DECLARE_METATYPE(Settings)

namespace {

const QString kNotSaved = QStringLiteral("Settings were not Saved...");
const QString kSaved = QStringLiteral("Settings Saved...");

OptionsPanel* openOptions(Sandbox& c) {
    child<QPushButton>(&c.window(), "settingsButton")->click();
    return c.desktop.optionsPanel();
}

QLineEdit* box(QWidget* p, const char* name) {
    return child<QLineEdit>(p, name);
}
IpAddressBox* ipBox(QWidget* p) {
    return child<IpAddressBox>(p, "serverAddressBox");
}
void click(QWidget* p, const char* name) {
    QTest::mouseClick(child<QWidget>(p, name), Qt::LeftButton);
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void loading_data() {
        QTest::addColumn<Settings>("stored");
        // receive, transmit, interval, address, ticks (save position, mini mode, tray)
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("zeros and no address")
            << Settings{} << QStringList{"2519", "2509", "5", "0.0.0.0", "000"};
        QTest::newRow("values and flags")
            << Settings{3000, 3001, 0, 0, true, "127.0.0.2", true, false, 30}
            << QStringList{"3000", "3001", "30", "127.0.0.2", "110"};
        QTest::newRow("out of range shown as stored")
            << Settings{-5, 32767, 0, 0, false, "127.0.0.300", false, true, 99}
            << QStringList{"-5", "32767", "99", "127.0.0.255", "001"};
    }
    void loading() {
        QFETCH(Settings, stored);
        QFETCH(QStringList, shown);
        Sandbox rig(stored);
        QVERIFY(rig.start());
        OptionsPanel* p = openOptions(rig);
        QVERIFY(p && p->isVisible());
        QCOMPARE(p->visiblePage(), child<QGroupBox>(p, "commsPage"));
        QCOMPARE(ipBox(p)->isEmpty(), stored.serverAddress.isEmpty());
        QString ticks;
        for (const char* name : {"savePositionCheck", "startMiniCheck", "startTrayCheck"})
            ticks += child<QCheckBox>(p, name)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE((QStringList{box(p, "listenPortBox")->text(), box(p, "transmitPortBox")->text(),
                              box(p, "intervalBox")->text(), ipBox(p)->address(), ticks}),
                 shown);
    }

    // Only Save or Cancel leave; one page shows at a time, entries stay; labels toggle, not greyed.
    void pagesAndLabels() {
        Sandbox rig;
        QVERIFY(rig.start());
        OptionsPanel* p = openOptions(rig);
        QVERIFY(!p->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.desktop.optionsPanel() == p && p->isVisible());

        // The page buttons tell screen readers which page shows: its button is the checked one.
        auto checked = [p] {
            QStringList on;
            for (QToolButton* b : p->findChildren<QToolButton*>())
                if (QAccessible::queryAccessibleInterface(b)->state().checked)
                    on << b->objectName();
            return on;
        };
        QCOMPARE(checked(), QStringList{"commsPageButton"});
        box(p, "listenPortBox")->setText(QStringLiteral("4100"));
        const QList<QStringList> steps{{"windowPageButton", "windowPage", "Window Options"},
                                       {"otherPageButton", "otherPage", "Other Options"},
                                       {"otherPageButton", "otherPage", "Other Options"},
                                       {"startupPageButton", "startupPage", "Startup Options"},
                                       {"commsPageButton", "commsPage", "Communication Options"}};
        for (const QStringList& step : steps) {
            click(p, qPrintable(step[0]));
            QStringList visible;
            for (const QGroupBox* g : p->findChildren<QGroupBox*>())
                if (g->isVisible())
                    visible << g->objectName() << g->title();
            QCOMPARE(visible, step.mid(1));
            QCOMPARE(checked(), step.mid(0, 1));
        }
        QCOMPARE(box(p, "listenPortBox")->text(), QStringLiteral("4100"));

        for (const QString name : {"savePosition", "startMini", "startTray"}) {
            click(p, name == "savePosition" ? "windowPageButton" : "startupPageButton");
            auto* check = child<QCheckBox>(p, qPrintable(name + "Check"));
            const QByteArray label = (name + "Label").toLatin1();
            for (Qt::CheckState state : {Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked}) {
                if (state == Qt::PartiallyChecked) // greyed: the label leaves it alone
                    check->setCheckState(state);
                click(p, label);
                QCOMPARE(check->checkState(), state);
            }
        }
    }

    // Text that is no address is shown as far as it can be, each part 0 to 255 or empty.
    void addressBox_data() {
        QTest::addColumn<QStringList>("shown"); // given, address, the parts joined by dots
        QTest::newRow("part too big") << QStringList{"10.0.0.300", "10.0.0.255", "10.0.0.255"};
        QTest::newRow("long part")
            << QStringList{"1.2.3.123456789012345678901234567890", "1.2.3.255", "1.2.3.255"};
        QTest::newRow("three parts") << QStringList{"1.2.3", "1.2.3.0", "1.2.3."};
        QTest::newRow("a name") << QStringList{"server.local", "0.0.0.0", "..."};
        QTest::newRow("with a port") << QStringList{"10.1.1.5:80", "10.1.1.5", "10.1.1.5"};
        QTest::newRow("negative") << QStringList{"-1.2.3.4", "0.2.3.4", ".2.3.4"};
        QTest::newRow("empty") << QStringList{"", "0.0.0.0", "..."};
    }
    void addressBox() {
        QFETCH(QStringList, shown);
        IpAddressBox ip;
        ip.setAddress(QStringLiteral("9.9.9.9"));
        ip.setAddress(shown[0]);
        QStringList parts;
        for (int i = 0; i < 4; ++i)
            parts << ip.part(i)->text();
        QCOMPARE((QStringList{shown[0], ip.address(), parts.join(QLatin1Char('.'))}), shown);
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
        row("interval 5", {"2519", "2509", "5", a}, 5, "saved");
        row("interval 60", {"2519", "2509", "60", a}, 60, "saved");
        row("interval 61", {"2519", "2509", "61", a}, 60, "saved");
        row("interval empty", {"2519", "2509", "", a}, 5, "saved");
        row("interval huge", {"2519", "2509", "123456789012", a}, 60, "saved");
        row("no address", {"0", "2601", "61", ""}, 60, "no address");
        row("read-only file", {"2600", "2601", "2", a}, 5, "read-only");
        row("disk full", {"2600", "2601", "2", a}, 5, "disk full");
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
            {"saved", {kSaved, "ZAV Remote 2002 settings saved, now exiting."}},
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
        Sandbox rig;
        QVERIFY(rig.start());
        const QByteArray fileBefore = rig.readIni();
        const auto noFault = qScopeGuard([] { setFileReplaceFault({}); });
        const bool writeFails =
            outcome == QLatin1String("read-only") || outcome == QLatin1String("disk full");
        if (outcome == QLatin1String("read-only"))
            QFile::setPermissions(rig.iniPath(), QFile::ReadOwner | QFile::ReadGroup);
        if (outcome == QLatin1String("disk full"))
            setFileReplaceFault({200, FileReplaceFault::Step::None});
        Settings expected = rig.app.settings();
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

        OptionsPanel* p = openOptions(rig);
        box(p, "listenPortBox")->setText(typed[0]);
        box(p, "transmitPortBox")->setText(typed[1]);
        box(p, "intervalBox")->setText(typed[2]);
        ipBox(p)->setAddress(typed[3]);
        child<QCheckBox>(p, "savePositionCheck")->setCheckState(Qt::PartiallyChecked);
        child<QCheckBox>(p, "startTrayCheck")->setChecked(true);
        click(p, "saveButton");

        QCOMPARE(rig.app.settings(), expected);
        QCOMPARE(box(p, "intervalBox")->text(), interval ? QString::number(interval) : typed[2]);
        QList<QStringList> shown;
        for (const ShownMessage& m : std::as_const(rig.boxes))
            shown << QStringList{m.title, m.text};
        const QString boxShown = writeFails ? QStringLiteral("write error") : outcome;
        QCOMPARE(shown, boxes.contains(boxShown) ? QList<QStringList>{boxes[boxShown]}
                                                 : QList<QStringList>{});
        QVERIFY(!rig.window().isVisible());
        if (writeFails) { // the old file stays; once writable, the next Save goes through
            QCOMPARE(rig.readIni(), fileBefore);
            QCOMPARE(QDir(rig.dir.path()).entryList({"*.ini*"}, QDir::Files | QDir::Hidden),
                     QStringList{"ZAV-Remote.ini"});
            QVERIFY(p->isVisible() && rig.endCodes.isEmpty());
            setFileReplaceFault({});
            QFile::setPermissions(rig.iniPath(), QFile::ReadOwner | QFile::WriteOwner);
            click(p, "saveButton");
            QCOMPARE(rig.boxes.last().title, kSaved);
            outcome = QStringLiteral("saved");
        }
        if (outcome == QLatin1String("saved")) {
            QCOMPARE(rig.readIni(), settingsFileBytes(expected, QStringLiteral("12/6/26")));
            QCOMPARE(rig.endCodes, QList<int>{0});
            QTRY_VERIFY(!rig.desktop.optionsPanel());
        } else {
            QCOMPARE(rig.readIni(), fileBefore);
            QVERIFY(rig.endCodes.isEmpty());
            QVERIFY(p->isVisible() && !rig.link().isPolling());
        }
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
