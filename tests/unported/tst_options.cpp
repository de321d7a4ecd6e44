// The Options panel: opening it from the main window, loading, pages, clickable labels, the
// address box, Cancel, and Save with its refusals, partial updates and file.
#include "testsupport.h"

#include "ui/main/form1.h"
#include "ui/options/ipbox.h"
#include "ui/options/options.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

Q_DECLARE_METATYPE(SettingsValues)

namespace {

const QString kNotSaved = QStringLiteral("Settings were not Saved...");
const QString kSaved = QStringLiteral("Settings Saved...");

// A panel of its own (no main window), loaded from `Settings` and shown.
Options* openPanel() {
    auto* p = new Options;
    p->Form_Load();
    p->show();
    return p;
}

int visiblePages(const Options* p) {
    int n = 0;
    for (QGroupBox* f : {p->COMMS_FRAME, p->WINDOW_FRAME, p->STARTUP_FRAME, p->OTHER_OPTIONS_FRAME})
        n += f->isVisible() ? 1 : 0;
    return n;
}

// The panel is gone once deferred deletions have run.
bool panelDestroyed(const QPointer<Options>& p) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return p.isNull();
}

void setFileWritable(const QString& path, bool writable) {
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(path, writable ? readable | QFile::WriteOwner : readable);
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

    QList<QUrl> openedLinks;

private slots:
    void initTestCase() {
        // The web link is never really opened here.
        setWebLinkOpener([this](const QUrl& u) { openedLinks << u; });
    }
    void cleanupTestCase() { setWebLinkOpener(nullptr); }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        openedLinks.clear();
    }

    // What of the panel's look can break: a fixed captioned window without title buttons that
    // refuses to close, one page showing, the help texts, and the web link.
    void designOfThePanel() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        QCOMPARE(p->windowTitle(), QStringLiteral("ZAV Remote 2002 Options Panel"));
        QCOMPARE(p->size(), QSize(337, 259));
        QCOMPARE(p->minimumSize(), p->maximumSize());
        QVERIFY(p->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(!(p->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                      Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint)));
        QVERIFY(!p->close());
        QVERIFY(p->isVisible());
        QVERIFY(!panelDestroyed(p));
        QCOMPARE(visiblePages(p), 1);
        QCOMPARE(p->visiblePage(), p->COMMS_FRAME);

        QStringList texts;
        for (const QLabel* l :
             QList<const QLabel*>{p->lblPORTS_HELP, p->lblSERVER_IP, p->lbl_SAVE_WINDOW_POS,
                                  p->lbl_ALWAYS_START_IN_MINIMODE, p->lbl_ALWAYS_START_IN_SYSTRAY,
                                  p->lblINTERVAL, p->lblINTERVAL_DEFAULT})
            texts << l->text();
        QCOMPARE(texts, (QStringList{"Match the ports that are in use by ZAV Manager...\n"
                                     "eg if the ZAV Manager (Server) uses port 2509 to\n"
                                     "receive then ZAV Remote should transmit on port\n"
                                     "2509. (If you are unsure leave the settings alone!)",
                                     "IP Address of ZAV Manager",
                                     "Save current position of the window when exiting",
                                     "Always start the program in mini window mode",
                                     "Always start the program in the System Tray",
                                     "Interval (in secs) between status update requests...",
                                     "the default value is every 5 seconds."}));

        QTest::mouseClick(p->QRTS_OZ_WEBLINK, Qt::LeftButton);
        QCOMPARE(openedLinks, QList<QUrl>{QUrl(QStringLiteral("http://www.zavremote.example/"))});
    }

    void loading_data() {
        QTest::addColumn<SettingsValues>("stored");
        QTest::addColumn<QStringList>("shown"); // receive, transmit, interval, address
        QTest::addColumn<QString>("ticks");     // save position, mini mode, tray; 2: ticked

        SettingsValues zeros; // a file never read: all zero, false, empty
        QTest::newRow("zeros and an empty address")
            << zeros << QStringList{"2519", "2509", "5", "0.0.0.0"} << "000";

        SettingsValues set;
        set.listenPort = 3000;
        set.transmitPort = 3001;
        set.saveWindowPosition = true;
        set.serverAddress = QStringLiteral("192.168.0.12");
        set.startInMiniMode = true;
        set.pollIntervalSeconds = 30;
        QTest::newRow("values and flags")
            << set << QStringList{"3000", "3001", "30", "192.168.0.12"} << "220";

        SettingsValues odd;
        odd.listenPort = -5;
        odd.transmitPort = 32767;
        odd.pollIntervalSeconds = 99;
        odd.startInTray = true;
        odd.serverAddress = QStringLiteral("10.0.0.300");
        QTest::newRow("out of range, shown unchecked")
            << odd << QStringList{"-5", "32767", "99", "10.0.0.255"} << "002";
    }
    void loading() {
        QFETCH(SettingsValues, stored);
        QFETCH(QStringList, shown);
        QFETCH(QString, ticks);
        TestEnvironment t;
        Settings = stored;
        QPointer<Options> p = openPanel();
        QCOMPARE((QStringList{p->LISTEN_PORT_TEXT->text(), p->TRANSMIT_PORT_TEXT->text(),
                              p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(),
                              p->ZAV_SERVER_IP_TEXTBOX->address()}),
                 shown);
        QCOMPARE(p->ZAV_SERVER_IP_TEXTBOX->isEmpty(), stored.serverAddress.isEmpty());
        QString shownTicks;
        for (const QCheckBox* b : {p->SAVE_WINDOW_POS_CHECKBOX, p->STARTUP_IN_MINIMODE_CHECKBOX,
                                   p->STARTUP_IN_SYSTRAY_CHECKBOX})
            shownTicks += QString::number(int(b->checkState()));
        QCOMPARE(shownTicks, ticks);
        QCOMPARE(Settings, stored); // loading changes nothing
    }

    // The settings button stops polling, hides the main window and shows a fresh panel centred
    // on it; a command whose connection is under way still goes out.
    void settingsButtonOpensThePanel() {
        TestEnvironment t;
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, quint16(freePort())));
        t.writeIni(sampleSettings(freePort(), qint16(server.serverPort())));
        Form1 f;
        QVERIFY(f.Form_Load());
        QVERIFY(f.REQUEST_STATUS_TIMER.isActive());

        f.STATUS_REQUEST_BUTTON_Click(); // connecting now
        f.SETTINGS_BUTTON->click();
        QPointer<Options> p = optionsPanel();
        QVERIFY(p && p->isVisible());
        QVERIFY(!f.isVisible());
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(p->visiblePage(), p->COMMS_FRAME);
        QVERIFY((p->geometry().center() - f.geometry().center()).manhattanLength() <= 2);

        QVERIFY(server.waitForNewConnection(5000));
        QTcpSocket* peer = server.nextPendingConnection();
        QTRY_VERIFY(peer->peek(6) == "STATUS");
    }

    void pageSwitchingKeepsEntries() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        QTest::keyClicks(p->LISTEN_PORT_TEXT, QStringLiteral("7"));
        p->TRANSMIT_PORT_TEXT->setText(QStringLiteral("4100"));
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("12"));
        const QList<QPair<QToolButton*, QGroupBox*>> steps{
            {p->WINDOW_OPTION_BUTTON, p->WINDOW_FRAME},
            {p->OTHER_OPTION_BUTTON, p->OTHER_OPTIONS_FRAME},
            {p->STARTUP_OPTION_BUTTON, p->STARTUP_FRAME},
            {p->COMMS_OPTION_BUTTON, p->COMMS_FRAME},
            {p->COMMS_OPTION_BUTTON, p->COMMS_FRAME}};
        for (const auto& [button, page] : steps) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(visiblePages(p), 1);
            QVERIFY(page->isVisible());
        }
        QCOMPARE(p->LISTEN_PORT_TEXT->text(), QStringLiteral("25197"));
        QCOMPARE(p->TRANSMIT_PORT_TEXT->text(), QStringLiteral("4100"));
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("12"));
    }

    void labelsToggleTheirBoxes() {
        TestEnvironment t;
        Settings.startInMiniMode = true;
        QPointer<Options> p = openPanel();
        const QList<QPair<ClickLabel*, QCheckBox*>> pairs{
            {p->lbl_SAVE_WINDOW_POS, p->SAVE_WINDOW_POS_CHECKBOX},
            {p->lbl_ALWAYS_START_IN_MINIMODE, p->STARTUP_IN_MINIMODE_CHECKBOX},
            {p->lbl_ALWAYS_START_IN_SYSTRAY, p->STARTUP_IN_SYSTRAY_CHECKBOX}};
        for (const auto& [label, box] : pairs) {
            if (box == p->SAVE_WINDOW_POS_CHECKBOX)
                p->WINDOW_OPTION_BUTTON_Click();
            else
                p->STARTUP_OPTION_BUTTON_Click();
            const Qt::CheckState before = box->checkState();
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(box->checkState(), before == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(box->checkState(), before);

            // A greyed box stays greyed, however often its label is clicked; the box itself
            // only ticks and clears.
            box->setCheckState(Qt::PartiallyChecked);
            QTest::mouseClick(label, Qt::LeftButton);
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(box->checkState(), Qt::PartiallyChecked);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 8));
            QCOMPARE(box->checkState(), Qt::Checked);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 8));
            QCOMPARE(box->checkState(), Qt::Unchecked);
        }
        // A press that ends outside the label is no click.
        p->WINDOW_OPTION_BUTTON_Click();
        QTest::mousePress(p->lbl_SAVE_WINDOW_POS, Qt::LeftButton);
        QTest::mouseRelease(p->lbl_SAVE_WINDOW_POS, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(p->SAVE_WINDOW_POS_CHECKBOX->checkState(), Qt::Unchecked);
    }

    // Untouched, the box reads 0.0.0.0; text that is no address is shown as far as it can be,
    // each part a number from 0 to 255 or empty.
    void addressBoxShowsBadTextSafely() {
        IpAddressBox box;
        QCOMPARE(box.address(), QStringLiteral("0.0.0.0"));
        QVERIFY(box.isEmpty());
        const QList<QStringList> cases{
            // given, address, the parts joined by dots
            {"10.0.0.300", "10.0.0.255", "10.0.0.255"},
            {"1.2.3.123456789012345678901234567890", "1.2.3.255", "1.2.3.255"},
            {"1.2.3", "1.2.3.0", "1.2.3."},
            {"server.local", "0.0.0.0", "..."},
            {"10.1.1.5:80", "10.1.1.5", "10.1.1.5"},
            {"-1.2.3.4", "0.2.3.4", ".2.3.4"},
            {"", "0.0.0.0", "..."}};
        for (const QStringList& c : cases) {
            box.setAddress(QStringLiteral("9.9.9.9"));
            box.setAddress(c[0]);
            QCOMPARE(box.address(), c[1]);
            QStringList parts;
            for (int i = 0; i < 4; ++i)
                parts << box.part(i)->text();
            QCOMPARE(parts.join(QLatin1Char('.')), c[2]);
        }
    }

    // Cancel resumes polling one full interval later, brings the main window back, destroys
    // the panel and leaves `Settings` and the file as they were.
    void cancelDiscardsEdits() {
        TestEnvironment t;
        SettingsValues stored = sampleSettings(freePort(), freePort());
        stored.pollIntervalSeconds = 7;
        t.writeIni(stored);
        const QByteArray fileBefore = t.readIni();
        Form1 f;
        QVERIFY(f.Form_Load());
        const SettingsValues before = Settings;

        f.SETTINGS_BUTTON_Click();
        QPointer<Options> p = optionsPanel();
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("1234"));
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.9.8.7"));
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("44"));
        p->lbl_SAVE_WINDOW_POS_Click();
        QTest::mouseClick(p->Cancel_Button, Qt::LeftButton);

        QVERIFY(f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(f.REQUEST_STATUS_TIMER.interval(), 7000);
        QVERIFY(f.REQUEST_STATUS_TIMER.remainingTime() > 6000);
        QVERIFY(f.isVisible());
        QVERIFY(!optionsPanel());
        QVERIFY(panelDestroyed(p));
        QCOMPARE(Settings, before);
        QCOMPARE(t.readIni(), fileBefore);
        QVERIFY(t.boxes.isEmpty() && t.endCodes.isEmpty());
    }

    void saveClampsTheInterval_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("3") << "3" << 5;
        QTest::newRow("5") << "5" << 5;
        QTest::newRow("33") << "33" << 33;
        QTest::newRow("60") << "60" << 60;
        QTest::newRow("61") << "61" << 60;
        QTest::newRow("empty") << "" << 5;
        QTest::newRow("huge") << "123456789012" << 60;
    }
    void saveClampsTheInterval() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        TestEnvironment t;
        Settings = sampleSettings(2519, 2509);
        QPointer<Options> p = openPanel();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(typed);
        p->Save_Button_Click();
        QCOMPARE(int(Settings.pollIntervalSeconds), stored);
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QString::number(stored));
        QCOMPARE(t.endCodes, QList<int>{0});
        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].title, kSaved);
        SettingsValues read;
        QVERIFY(readSettingsFile(t.iniPath(), read));
        QCOMPARE(int(read.pollIntervalSeconds), stored);
    }

    // An address box left untouched refuses the save, but the ports, the save-position flag
    // and the interval are already taken: the next status request goes to the new port.
    void untouchedAddressRefused() {
        TestEnvironment t;
        QTcpServer newServer;
        QVERIFY(newServer.listen(QHostAddress::LocalHost, quint16(freePort())));
        t.writeIni(sampleSettings(freePort(), freePort()));
        const QByteArray fileBefore = t.readIni();
        Form1 f;
        QVERIFY(f.Form_Load());
        f.SETTINGS_BUTTON_Click();
        QPointer<Options> p = optionsPanel();
        p->ZAV_SERVER_IP_TEXTBOX->clear(); // reads 0.0.0.0, as if never entered
        QCOMPARE(p->ZAV_SERVER_IP_TEXTBOX->address(), QStringLiteral("0.0.0.0"));
        p->TRANSMIT_PORT_TEXT->setText(QString::number(newServer.serverPort()));
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("2600"));
        p->lbl_SAVE_WINDOW_POS_Click();
        p->lbl_ALWAYS_START_IN_SYSTRAY_Click();
        p->lbl_ALWAYS_START_IN_MINIMODE_Click();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("61"));
        p->Save_Button_Click();

        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].title, kNotSaved);
        QCOMPARE(t.boxes[0].text,
                 QStringLiteral("The 'ZAV Manager Server IP Address' box is empty."));
        SettingsValues expected = sampleSettings(2600, qint16(newServer.serverPort()));
        expected.saveWindowPosition = true;
        expected.pollIntervalSeconds = 60;
        QCOMPARE(Settings, expected); // address and start-up flags not taken
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("60"));
        QCOMPARE(t.readIni(), fileBefore);
        QVERIFY(t.endCodes.isEmpty());
        QVERIFY(p->isVisible() && !f.isVisible());
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());

        p->Cancel_Button_Click();
        f.REQUEST_STATUS_TIMER_Timer();
        QVERIFY(newServer.waitForNewConnection(5000));
        QTcpSocket* peer = newServer.nextPendingConnection();
        QTRY_VERIFY(peer->peek(6) == "STATUS");
    }

    // A read-only file: the error box, the panel stays with its entries and every value
    // taken. Once the file is writable again the next Save goes through: the file written byte
    // for byte (a greyed box as True), the box, the panel closed, the program ended without the
    // shutdown steps and the main window not brought back.
    void readOnlyFileThenWritable() {
        TestEnvironment t;
        t.writeIni(sampleSettings(2519, 2509));
        const QByteArray fileBefore = t.readIni();
        Form1 f;
        QVERIFY(f.Form_Load());
        setFileWritable(t.iniPath(), false);
        f.SETTINGS_BUTTON_Click();
        QPointer<Options> p = optionsPanel();
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("0"));
        p->TRANSMIT_PORT_TEXT->setText(QStringLiteral("-300"));
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.0.0.9"));
        p->SAVE_WINDOW_POS_CHECKBOX->setCheckState(Qt::PartiallyChecked);
        p->lbl_ALWAYS_START_IN_MINIMODE_Click();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("2"));
        p->Save_Button_Click();

        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].title, QStringLiteral("INI File Error..."));
        QCOMPARE(t.boxes[0].text,
                 QStringLiteral("There was an error writing to the INI file...\n\r"
                                "please check that it is not set to Read Only.\n\r\n\r"
                                "Also check that you have sufficient privledges\n\r"
                                "to modify the file.\n\r\n\r"
                                "If that fails delete the INI file, re-start\n\r"
                                "ZAV Manager and goto the settings panel."));
        QCOMPARE(t.readIni(), fileBefore);
        QVERIFY(t.endCodes.isEmpty());
        QVERIFY(!panelDestroyed(p) && p->isVisible());
        SettingsValues expected = sampleSettings(0, -300);
        expected.saveWindowPosition = true;
        expected.serverAddress = QStringLiteral("10.0.0.9");
        expected.startInMiniMode = true;
        QCOMPARE(Settings, expected);
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("5"));

        setFileWritable(t.iniPath(), true);
        QTest::mouseClick(p->Save_Button, Qt::LeftButton);
        QCOMPARE(t.readIni(), settingsFileBytes(expected, QStringLiteral("12/6/26")));
        QCOMPARE(t.boxes.size(), 2);
        QCOMPARE(t.boxes[1].icon, MsgIcon::Information);
        QCOMPARE(t.boxes[1].title, kSaved);
        QCOMPARE(t.boxes[1].text, QStringLiteral("ZAV Remote 2002 settings saved, now exiting."));
        QCOMPARE(t.endCodes, QList<int>{0});
        QVERIFY(panelDestroyed(p));
        QVERIFY(!f.isVisible());
    }

    // A port that is no 16-bit whole number or an interval that is no number: the box names
    // the entry, nothing is taken and nothing written. An empty port box stops silently.
    void badNumbersRefused_data() {
        QTest::addColumn<QStringList>("typed"); // receive, transmit, interval
        QTest::addColumn<QString>("message");   // empty: no box at all
        const QString port =
            QStringLiteral("The '%1' port box must hold a whole number from -32768 to 32767.");
        const QString receive = port.arg(QStringLiteral("Receive"));
        const QString transmit = port.arg(QStringLiteral("Transmit"));
        const QString interval = QStringLiteral(
            "The 'Interval (in secs)' box must hold a whole number of seconds from 5 to 60.");
        QTest::newRow("receive letters") << QStringList{"25a9", "2509", "5"} << receive;
        QTest::newRow("receive too big") << QStringList{"40000", "2509", "5"} << receive;
        QTest::newRow("transmit too small") << QStringList{"2519", "-32769", "5"} << transmit;
        QTest::newRow("transmit blank") << QStringList{"2519", " ", "5"} << transmit;
        QTest::newRow("interval word") << QStringList{"2519", "2509", "ten"} << interval;
        QTest::newRow("interval fraction") << QStringList{"2519", "2509", "7.5"} << interval;
        QTest::newRow("receive empty") << QStringList{"", "abc", "x"} << QString();
        QTest::newRow("transmit empty") << QStringList{"40000", "", "5"} << QString();
    }
    void badNumbersRefused() {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        TestEnvironment t;
        Settings = sampleSettings(2519, 2509);
        Settings.pollIntervalSeconds = 9;
        const SettingsValues before = Settings;
        QPointer<Options> p = openPanel();
        p->LISTEN_PORT_TEXT->setText(typed[0]);
        p->TRANSMIT_PORT_TEXT->setText(typed[1]);
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(typed[2]);
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.1.1.1"));
        p->lbl_ALWAYS_START_IN_SYSTRAY_Click();
        p->Save_Button_Click();

        QCOMPARE(t.boxes.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(t.boxes[0].title, kNotSaved);
            QCOMPARE(t.boxes[0].text, message);
        }
        QCOMPARE(Settings, before);
        QVERIFY(!QFile::exists(t.iniPath()));
        QVERIFY(t.endCodes.isEmpty());
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), typed[2]);
        QVERIFY(p->isVisible());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
