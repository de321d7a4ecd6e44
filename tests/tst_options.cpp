// The Options panel: opening it from the main window, loading, pages, clickable labels, the
// address box, the web link, Cancel, and Save with its refusals, partial updates and file.
#include "testsupport.h"

#include "app/savesettings.h"
#include "ui/main/form1.h"
#include "ui/options/ipbox.h"
#include "ui/options/options.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QtTest>

Q_DECLARE_METATYPE(SettingsRecord)

namespace {

const QString kNotSaved = QStringLiteral("Settings were not Saved...");

QString writeErrorText() {
    return QStringLiteral("There was an error writing to the INI file...\n\r"
                          "please check that it is not set to Read Only.\n\r\n\r"
                          "Also check that you have sufficient privledges\n\r"
                          "to modify the file.\n\r\n\r"
                          "If that fails delete the INI file, re-start\n\r"
                          "ZAV Manager and goto the settings panel.");
}

// A panel of its own (no main window), loaded from `Settings` and shown.
Options* openPanel() {
    auto* p = new Options;
    p->Form_Load();
    p->show();
    return p;
}

// Types into whichever widget has the keyboard focus, one key at a time, as a user would.
void typeKeys(const QString& keys) {
    for (QChar c : keys)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

void setFileWritable(const QString& path, bool writable) {
    QFile::setPermissions(path, writable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadOther
                                         : QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

// The panel is gone once deferred deletions have run.
bool panelDestroyed(const QPointer<Options>& p) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return p.isNull();
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

    void designOfThePanel() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        QCOMPARE(p->windowTitle(), QStringLiteral("ZAV Remote 2002 Options Panel"));
        QCOMPARE(p->size(), QSize(337, 259));
        QCOMPARE(p->minimumSize(), p->maximumSize());
        const Qt::WindowFlags flags = p->windowFlags();
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint)));
        QCOMPARE(p->palette().color(QPalette::Window), QColor(Qt::black));

        // The top row, left to right, each with its picture above its caption.
        const QList<QToolButton*> row{p->COMMS_OPTION_BUTTON,   p->WINDOW_OPTION_BUTTON,
                                      p->STARTUP_OPTION_BUTTON, p->OTHER_OPTION_BUTTON,
                                      p->Save_Button,           p->Cancel_Button};
        const QStringList captions{"Comms", "Window", "Startup", "Other", "Save", "Cancel"};
        for (int i = 0; i < row.size(); ++i) {
            QCOMPARE(row[i]->text(), captions[i]);
            QCOMPARE(row[i]->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            QCOMPARE(row[i]->iconSize(), QSize(32, 32));
            QVERIFY(!row[i]->icon().isNull());
            QCOMPARE(row[i]->geometry().top(), 0);
            if (i > 0)
                QVERIFY(row[i]->x() > row[i - 1]->x());
            QVERIFY(QRect(0, 0, 337, 259).contains(row[i]->geometry()));
        }

        // Four pages of one size at one place, captions repeated as tooltips.
        const QList<QGroupBox*> pages{p->COMMS_FRAME, p->WINDOW_FRAME, p->STARTUP_FRAME,
                                      p->OTHER_OPTIONS_FRAME};
        const QStringList titles{"Communication Options", "Window Options", "Startup Options",
                                 "Other Options"};
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(pages[i]->title(), titles[i]);
            QCOMPARE(pages[i]->toolTip(), titles[i]);
            QCOMPARE(pages[i]->geometry(), p->COMMS_FRAME->geometry());
            QVERIFY(pages[i]->geometry().top() >= row[0]->geometry().bottom());
        }
        QCOMPARE(p->visiblePage(), p->COMMS_FRAME);

        QCOMPARE(p->lblRECEIVE->text(), QStringLiteral("Receive"));
        QCOMPARE(p->lblTRANSMIT->text(), QStringLiteral("Transmit"));
        QCOMPARE(p->lblPORTS_HELP->text(),
                 QStringLiteral("Match the ports that are in use by ZAV Manager...\n"
                                "eg if the ZAV Manager (Server) uses port 2509 to\n"
                                "receive then ZAV Remote should transmit on port\n"
                                "2509. (If you are unsure leave the settings alone!)"));
        QCOMPARE(p->lblSERVER_IP->text(), QStringLiteral("IP Address of ZAV Manager"));
        QCOMPARE(p->ZAV_SERVER_IP_TEXTBOX->toolTip(),
                 QStringLiteral("Type the IP address of the ZAV Manager server in here"));
        QVERIFY(p->ZAV_SERVER_IP_TEXTBOX->font().bold());
        QCOMPARE(p->lbl_SAVE_WINDOW_POS->text(),
                 QStringLiteral("Save current position of the window when exiting"));
        QCOMPARE(p->SAVE_WINDOW_POS_CHECKBOX->toolTip(),
                 QStringLiteral("Tick the box to save the window position when exiting"));
        QCOMPARE(p->SAVE_WINDOW_POS_CHECKBOX->size(), QSize(17, 17));
        QCOMPARE(p->lbl_ALWAYS_START_IN_MINIMODE->text(),
                 QStringLiteral("Always start the program in mini window mode"));
        QCOMPARE(p->STARTUP_IN_MINIMODE_CHECKBOX->toolTip(),
                 QStringLiteral("Tick the box to always start the program in mini window mode"));
        QCOMPARE(p->lbl_ALWAYS_START_IN_SYSTRAY->text(),
                 QStringLiteral("Always start the program in the System Tray"));
        QCOMPARE(
            p->STARTUP_IN_SYSTRAY_CHECKBOX->toolTip(),
            QStringLiteral("Tick the box to always start the program in the System Tray area"));
        QCOMPARE(p->lblINTERVAL->text(),
                 QStringLiteral("Interval (in secs) between status update requests..."));
        QCOMPARE(p->lblINTERVAL_DEFAULT->text(),
                 QStringLiteral("the default value is every 5 seconds."));
        // Every page's contents lie inside its frame.
        for (QGroupBox* page : pages)
            for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY2(page->rect().contains(w->geometry()), qPrintable(w->objectName()));

        QCOMPARE(p->QRTS_OZ_WEBLINK->text(), QStringLiteral("http://www.zavremote.example/"));
        QCOMPARE(p->QRTS_OZ_WEBLINK->toolTip(),
                 QStringLiteral("Click here to visit the ZAV Manager 2002 WebSite"));
        QCOMPARE(p->QRTS_OZ_WEBLINK->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(p->QRTS_OZ_WEBLINK->font().underline());
        QCOMPARE(p->QRTS_OZ_WEBLINK->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        QCOMPARE(p->lblRECEIVE->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(p->ATTRIBUTION_IMAGE->pixmap().deviceIndependentSize(), QSizeF(60, 9));
        QVERIFY(!p->ATTRIBUTION_IMAGE->toolTip().isEmpty());
        QVERIFY(QRect(0, 0, 337, 259).contains(p->ATTRIBUTION_IMAGE->geometry()));
        QVERIFY(p->ATTRIBUTION_IMAGE->geometry().top() > p->COMMS_FRAME->geometry().bottom());
    }

    void topRowTabOrder() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        QApplication::setActiveWindow(p);
        QVERIFY(QTest::qWaitForWindowActive(p));
        p->COMMS_OPTION_BUTTON->setFocus();
        const QList<QWidget*> expected{p->WINDOW_OPTION_BUTTON, p->STARTUP_OPTION_BUTTON,
                                       p->OTHER_OPTION_BUTTON,  p->Save_Button,
                                       p->Cancel_Button,        p->LISTEN_PORT_TEXT,
                                       p->TRANSMIT_PORT_TEXT};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void closeRequestIsRefused() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        QVERIFY(!p->close());
        QVERIFY(p->isVisible());
        QVERIFY(!panelDestroyed(p));
    }

    void loading_data() {
        QTest::addColumn<SettingsRecord>("stored");
        QTest::addColumn<QStringList>("shown"); // receive, transmit, interval, address
        QTest::addColumn<QList<int>>("ticks");  // save position, mini mode, tray

        SettingsRecord zeros; // a file never read: all zero, false, empty
        QTest::newRow("zeros and an empty address")
            << zeros << QStringList{"2519", "2509", "5", "0.0.0.0"} << QList<int>{0, 0, 0};

        SettingsRecord set;
        set.LISTEN_PORT = 3000;
        set.TRANSMIT_PORT = 3001;
        set.SAVE_WINDOW_POS = true;
        set.SERVER_IP = QStringLiteral("192.168.0.12");
        set.STARTUP_IN_MINIMODE = true;
        set.STARTUP_IN_SYSTRAY = false;
        set.STATUS_UPDATE_INTERVAL = 30;
        QTest::newRow("values and flags")
            << set << QStringList{"3000", "3001", "30", "192.168.0.12"} << QList<int>{1, 1, 0};

        SettingsRecord odd;
        odd.LISTEN_PORT = -5;
        odd.TRANSMIT_PORT = 32767;
        odd.STATUS_UPDATE_INTERVAL = 99;
        odd.STARTUP_IN_SYSTRAY = true;
        odd.SERVER_IP = QStringLiteral("10.0.0.300");
        QTest::newRow("out of range, shown unchecked")
            << odd << QStringList{"-5", "32767", "99", "10.0.0.255"} << QList<int>{0, 0, 1};

        SettingsRecord interval1;
        interval1.LISTEN_PORT = 1;
        interval1.TRANSMIT_PORT = 0;
        interval1.STATUS_UPDATE_INTERVAL = -2;
        QTest::newRow("one zero port")
            << interval1 << QStringList{"1", "2509", "-2", "0.0.0.0"} << QList<int>{0, 0, 0};
    }
    void loading() {
        QFETCH(SettingsRecord, stored);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, ticks);
        TestEnvironment t;
        Settings = stored;
        QPointer<Options> p = openPanel();
        QCOMPARE(p->LISTEN_PORT_TEXT->text(), shown[0]);
        QCOMPARE(p->TRANSMIT_PORT_TEXT->text(), shown[1]);
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), shown[2]);
        QCOMPARE(p->ZAV_SERVER_IP_TEXTBOX->address(), shown[3]);
        QCOMPARE(p->ZAV_SERVER_IP_TEXTBOX->isEmpty(), stored.SERVER_IP.isEmpty());
        auto state = [](int tick) { return tick ? Qt::Checked : Qt::Unchecked; };
        QCOMPARE(p->SAVE_WINDOW_POS_CHECKBOX->checkState(), state(ticks[0]));
        QCOMPARE(p->STARTUP_IN_MINIMODE_CHECKBOX->checkState(), state(ticks[1]));
        QCOMPARE(p->STARTUP_IN_SYSTRAY_CHECKBOX->checkState(), state(ticks[2]));
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
        QVERIFY(f.isVisible());
        QVERIFY(f.REQUEST_STATUS_TIMER.isActive());

        f.STATUS_REQUEST_BUTTON_Click(); // connecting now
        f.SETTINGS_BUTTON->click();
        QPointer<Options> p = optionsPanel();
        QVERIFY(p);
        QVERIFY(p->isVisible());
        QVERIFY(!f.isVisible());
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(p->visiblePage(), p->COMMS_FRAME);
        QVERIFY(qAbs(p->geometry().center().x() - f.geometry().center().x()) <= 1);
        QVERIFY(qAbs(p->geometry().center().y() - f.geometry().center().y()) <= 1);

        QVERIFY(server.waitForNewConnection(5000));
        QTcpSocket* peer = server.nextPendingConnection();
        QTRY_VERIFY(peer->bytesAvailable() >= 6 || peer->state() != QTcpSocket::ConnectedState);
        QTRY_VERIFY(peer->peek(6) == "STATUS");

        // Pressing it again (the tray menu can) shows the same panel, edits kept.
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("4444"));
        f.SETTINGS_BUTTON_Click();
        QCOMPARE(optionsPanel(), p.data());
        QCOMPARE(p->LISTEN_PORT_TEXT->text(), QStringLiteral("4444"));
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
            int visible = 0;
            for (QGroupBox* f :
                 {p->COMMS_FRAME, p->WINDOW_FRAME, p->STARTUP_FRAME, p->OTHER_OPTIONS_FRAME})
                visible += f->isVisible() ? 1 : 0;
            QCOMPARE(visible, 1);
            QVERIFY(page->isVisible());
        }
        QCOMPARE(p->LISTEN_PORT_TEXT->text(), QStringLiteral("25197"));
        QCOMPARE(p->TRANSMIT_PORT_TEXT->text(), QStringLiteral("4100"));
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("12"));
        QVERIFY(p->isVisible());
    }

    void labelsToggleTheirBoxes() {
        TestEnvironment t;
        Settings.STARTUP_IN_MINIMODE = true;
        QPointer<Options> p = openPanel();
        const QList<QPair<ClickLabel*, QCheckBox*>> pairs{
            {p->lbl_SAVE_WINDOW_POS, p->SAVE_WINDOW_POS_CHECKBOX},
            {p->lbl_ALWAYS_START_IN_MINIMODE, p->STARTUP_IN_MINIMODE_CHECKBOX},
            {p->lbl_ALWAYS_START_IN_SYSTRAY, p->STARTUP_IN_SYSTRAY_CHECKBOX}};
        for (const auto& [label, box] : pairs) {
            p->WINDOW_OPTION_BUTTON_Click();
            if (box != p->SAVE_WINDOW_POS_CHECKBOX)
                p->STARTUP_OPTION_BUTTON_Click();
            const Qt::CheckState before = box->checkState();
            const Qt::CheckState other = before == Qt::Checked ? Qt::Unchecked : Qt::Checked;
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(box->checkState(), other);
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(box->checkState(), before);

            // A greyed box stays greyed, however often its label is clicked.
            box->setCheckState(Qt::PartiallyChecked);
            QTest::mouseClick(label, Qt::LeftButton);
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(box->checkState(), Qt::PartiallyChecked);
            // Clicking the box itself only ticks and clears.
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 8));
            QCOMPARE(box->checkState(), Qt::Checked);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 8));
            QCOMPARE(box->checkState(), Qt::Unchecked);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 8));
            QCOMPARE(box->checkState(), Qt::Checked);
        }
        // A press that ends outside the label is no click.
        p->WINDOW_OPTION_BUTTON_Click();
        const Qt::CheckState before = p->SAVE_WINDOW_POS_CHECKBOX->checkState();
        QTest::mousePress(p->lbl_SAVE_WINDOW_POS, Qt::LeftButton);
        QTest::mouseRelease(p->lbl_SAVE_WINDOW_POS, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(p->SAVE_WINDOW_POS_CHECKBOX->checkState(), before);
    }

    void webLinkOpensTheMakersPage() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        QTest::mouseClick(p->QRTS_OZ_WEBLINK, Qt::LeftButton);
        QCOMPARE(openedLinks, QList<QUrl>{QUrl(QStringLiteral("http://www.zavremote.example/"))});
        QVERIFY(p->isVisible());
        QVERIFY(t.boxes.isEmpty());
    }

    void addressBoxShowsWhatItCan_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("address") << "192.168.1.20"
                                 << "192.168.1.20" << QStringList{"192", "168", "1", "20"};
        QTest::newRow("blanks and zeros") << " 010.0.00.7 "
                                          << "10.0.0.7" << QStringList{"10", "0", "0", "7"};
        QTest::newRow("too big") << "10.0.0.300"
                                 << "10.0.0.255" << QStringList{"10", "0", "0", "255"};
        QTest::newRow("very long") << "1.2.3.123456789012345678901234567890"
                                   << "1.2.3.255" << QStringList{"1", "2", "3", "255"};
        QTest::newRow("three parts") << "1.2.3"
                                     << "1.2.3.0" << QStringList{"1", "2", "3", ""};
        QTest::newRow("five parts") << "1.2.3.4.5"
                                    << "1.2.3.4" << QStringList{"1", "2", "3", "4"};
        QTest::newRow("host name") << "server.local"
                                   << "0.0.0.0" << QStringList{"", "", "", ""};
        QTest::newRow("port added") << "10.1.1.5:80"
                                    << "10.1.1.5" << QStringList{"10", "1", "1", "5"};
        QTest::newRow("negative") << "-1.2.3.4"
                                  << "0.2.3.4" << QStringList{"", "2", "3", "4"};
        QTest::newRow("empty") << ""
                               << "0.0.0.0" << QStringList{"", "", "", ""};
    }
    void addressBoxShowsWhatItCan() {
        QFETCH(QString, given);
        QFETCH(QString, address);
        QFETCH(QStringList, parts);
        IpAddressBox box;
        QCOMPARE(box.address(), QStringLiteral("0.0.0.0"));
        box.setAddress(QStringLiteral("9.9.9.9"));
        box.setAddress(given);
        QCOMPARE(box.address(), address);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(box.part(i)->text(), parts[i]);
    }

    void addressBoxTyping() {
        TestEnvironment t;
        QPointer<Options> p = openPanel();
        IpAddressBox* box = p->ZAV_SERVER_IP_TEXTBOX;
        QApplication::setActiveWindow(p);
        QVERIFY(QTest::qWaitForWindowActive(p));

        // Three digits move on by themselves; a dot moves on from a part that holds something.
        box->setFocus();
        QCOMPARE(QApplication::focusWidget(), box->part(0));
        typeKeys(QStringLiteral("192.168.1.20"));
        QCOMPARE(box->address(), QStringLiteral("192.168.1.20"));
        QCOMPARE(QApplication::focusWidget(), box->part(3));

        // Letters are refused, numbers above 255 cut back.
        box->clear();
        box->setFocus();
        typeKeys(QStringLiteral("1x0.999.a"));
        QCOMPARE(box->address(), QStringLiteral("10.255.0.0"));

        // Tab goes from part to part, and out of the last one to the next control.
        box->clear();
        box->setFocus();
        typeKeys(QStringLiteral("10"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        typeKeys(QStringLiteral("0"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        typeKeys(QStringLiteral("0"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        typeKeys(QStringLiteral("2"));
        QCOMPARE(box->address(), QStringLiteral("10.0.0.2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!box->isAncestorOf(QApplication::focusWidget()));

        // Backspace goes back across parts and deletes there.
        box->part(3)->setFocus();
        box->part(3)->setCursorPosition(1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(QApplication::focusWidget(), box->part(3));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(QApplication::focusWidget(), box->part(2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(box->address(), QStringLiteral("10.0.0.0"));
        QCOMPARE(box->part(2)->text(), QString());
    }

    // Cancel resumes polling one full interval later, brings the main window back, destroys
    // the panel and leaves `Settings` as it was; the next opening shows `Settings` again.
    void cancelDiscardsEdits() {
        TestEnvironment t;
        SettingsRecord stored = sampleSettings(freePort(), freePort());
        stored.STATUS_UPDATE_INTERVAL = 7;
        t.writeIni(stored);
        const QByteArray fileBefore = t.readIni();
        Form1 f;
        QVERIFY(f.Form_Load());
        const SettingsRecord before = Settings;

        f.SETTINGS_BUTTON_Click();
        QPointer<Options> p = optionsPanel();
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("1234"));
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.9.8.7"));
        p->OTHER_OPTION_BUTTON_Click();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("44"));
        p->lbl_SAVE_WINDOW_POS_Click();
        QTest::mouseClick(p->Cancel_Button, Qt::LeftButton);

        QVERIFY(f.REQUEST_STATUS_TIMER.isActive());
        QCOMPARE(f.REQUEST_STATUS_TIMER.interval(), 7000);
        QCOMPARE(f.REQUEST_STATUS_TIMER.remainingTime() > 6000, true);
        QVERIFY(f.isVisible());
        QVERIFY(!optionsPanel());
        QVERIFY(panelDestroyed(p));
        QCOMPARE(Settings, before);
        QCOMPARE(t.readIni(), fileBefore);
        QVERIFY(t.boxes.isEmpty());
        QVERIFY(t.endCodes.isEmpty());

        f.SETTINGS_BUTTON_Click();
        QPointer<Options> again = optionsPanel();
        QVERIFY(again);
        QCOMPARE(again->visiblePage(), again->COMMS_FRAME);
        QCOMPARE(again->LISTEN_PORT_TEXT->text(), QString::number(before.LISTEN_PORT));
        QCOMPARE(again->ZAV_SERVER_IP_TEXTBOX->address(), QStringLiteral("127.0.0.1"));
        QCOMPARE(again->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("7"));
        QCOMPARE(again->SAVE_WINDOW_POS_CHECKBOX->checkState(), Qt::Unchecked);
    }

    void saveClampsTheInterval_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("3") << "3" << 5 << "5";
        QTest::newRow("5") << "5" << 5 << "5";
        QTest::newRow("33") << "33" << 33 << "33";
        QTest::newRow("60") << "60" << 60 << "60";
        QTest::newRow("61") << "61" << 60 << "60";
        QTest::newRow("empty") << "" << 5 << "5";
        QTest::newRow("blanks kept") << " 20 " << 20 << " 20 ";
        QTest::newRow("negative") << "-10" << 5 << "5";
        QTest::newRow("huge") << "123456789012" << 60 << "60";
    }
    void saveClampsTheInterval() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(QString, shown);
        TestEnvironment t;
        Settings = sampleSettings(2519, 2509);
        QPointer<Options> p = openPanel();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(typed);
        p->Save_Button_Click();
        QCOMPARE(int(Settings.STATUS_UPDATE_INTERVAL), stored);
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), shown);
        QCOMPARE(t.endCodes, QList<int>{0});
        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].title, QStringLiteral("Settings Saved..."));
        SettingsRecord read;
        QVERIFY(READ_SETTINGS_FILE(t.iniPath(), read));
        QCOMPARE(int(read.STATUS_UPDATE_INTERVAL), stored);
    }

    // The whole road of a good save: values taken, file written byte for byte, the box, the
    // panel closed, the program ended without the shutdown steps.
    void saveWritesTheFileAndEnds() {
        TestEnvironment t;
        t.writeIni(sampleSettings(freePort(), freePort()));
        Form1 f;
        QVERIFY(f.Form_Load());
        f.SETTINGS_BUTTON_Click();
        QPointer<Options> p = optionsPanel();
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("0"));
        p->TRANSMIT_PORT_TEXT->setText(QStringLiteral("-300"));
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.20.30.40"));
        p->SAVE_WINDOW_POS_CHECKBOX->setCheckState(Qt::PartiallyChecked); // greyed: True
        p->STARTUP_IN_MINIMODE_CHECKBOX->setCheckState(Qt::PartiallyChecked);
        p->lbl_ALWAYS_START_IN_SYSTRAY_Click();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("15"));
        QTest::mouseClick(p->Save_Button, Qt::LeftButton);

        SettingsRecord expected = sampleSettings(0, -300);
        expected.SAVE_WINDOW_POS = true;
        expected.SERVER_IP = QStringLiteral("10.20.30.40");
        expected.STARTUP_IN_MINIMODE = true;
        expected.STARTUP_IN_SYSTRAY = true;
        expected.STATUS_UPDATE_INTERVAL = 15;
        QCOMPARE(Settings, expected);
        QCOMPARE(t.readIni(), settingsFileBytes(expected, QStringLiteral("12/6/26")));
        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].icon, MsgIcon::Information);
        QCOMPARE(t.boxes[0].title, QStringLiteral("Settings Saved..."));
        QCOMPARE(t.boxes[0].text, QStringLiteral("ZAV Remote 2002 settings saved, now exiting."));
        QCOMPARE(t.endCodes, QList<int>{0});
        QVERIFY(!optionsPanel());
        QVERIFY(panelDestroyed(p));
        QVERIFY(!f.isVisible()); // the main window is not brought back
    }

    // An address box left untouched refuses the save, but the ports, the save-position flag
    // and the interval are already taken: the next status request goes to the new port.
    void untouchedAddressRefused() {
        TestEnvironment t;
        QTcpServer newServer;
        QVERIFY(newServer.listen(QHostAddress::LocalHost, quint16(freePort())));
        SettingsRecord stored = sampleSettings(freePort(), freePort());
        stored.STARTUP_IN_SYSTRAY = false;
        t.writeIni(stored);
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
        QCOMPARE(t.boxes[0].icon, MsgIcon::Information);
        QCOMPARE(t.boxes[0].title, kNotSaved);
        QCOMPARE(t.boxes[0].text,
                 QStringLiteral("The 'ZAV Manager Server IP Address' box is empty."));
        QCOMPARE(int(Settings.LISTEN_PORT), 2600);
        QCOMPARE(int(Settings.TRANSMIT_PORT), int(newServer.serverPort()));
        QCOMPARE(Settings.SAVE_WINDOW_POS, true);
        QCOMPARE(int(Settings.STATUS_UPDATE_INTERVAL), 60);
        QCOMPARE(Settings.SERVER_IP, QStringLiteral("127.0.0.1"));
        QCOMPARE(Settings.STARTUP_IN_MINIMODE, false);
        QCOMPARE(Settings.STARTUP_IN_SYSTRAY, false);
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("60"));
        QCOMPARE(t.readIni(), fileBefore);
        QVERIFY(t.endCodes.isEmpty());
        QCOMPARE(optionsPanel(), p.data());
        QVERIFY(p->isVisible());
        QVERIFY(!f.isVisible());
        QVERIFY(!f.REQUEST_STATUS_TIMER.isActive());

        p->Cancel_Button_Click();
        f.REQUEST_STATUS_TIMER_Timer();
        QVERIFY(newServer.waitForNewConnection(5000));
        QTcpSocket* peer = newServer.nextPendingConnection();
        QTRY_VERIFY(peer->peek(6) == "STATUS");
    }

    // A read-only file: the error box, the panel stays with its entries and every value
    // taken; once the file is writable again, the next Save goes through.
    void readOnlyFileThenWritable() {
        TestEnvironment t;
        Settings = sampleSettings(2519, 2509);
        t.writeIni(Settings);
        const QByteArray fileBefore = t.readIni();
        setFileWritable(t.iniPath(), false);
        QPointer<Options> p = openPanel();
        p->LISTEN_PORT_TEXT->setText(QStringLiteral("2700"));
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.0.0.9"));
        p->lbl_ALWAYS_START_IN_MINIMODE_Click();
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(QStringLiteral("2"));
        p->Save_Button_Click();

        QCOMPARE(t.boxes.size(), 1);
        QCOMPARE(t.boxes[0].icon, MsgIcon::Information);
        QCOMPARE(t.boxes[0].title, QStringLiteral("INI File Error..."));
        QCOMPARE(t.boxes[0].text, writeErrorText());
        QVERIFY(!t.boxes[0].text.endsWith(QLatin1Char('\r')));
        QCOMPARE(t.readIni(), fileBefore);
        QVERIFY(t.endCodes.isEmpty());
        QVERIFY(p->isVisible());
        QVERIFY(!panelDestroyed(p));
        SettingsRecord expected = sampleSettings(2700, 2509);
        expected.SERVER_IP = QStringLiteral("10.0.0.9");
        expected.STARTUP_IN_MINIMODE = true;
        QCOMPARE(Settings, expected);
        QCOMPARE(p->LISTEN_PORT_TEXT->text(), QStringLiteral("2700"));
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), QStringLiteral("5"));
        QCOMPARE(p->ZAV_SERVER_IP_TEXTBOX->address(), QStringLiteral("10.0.0.9"));

        setFileWritable(t.iniPath(), true);
        p->Save_Button_Click();
        QCOMPARE(t.boxes.size(), 2);
        QCOMPARE(t.boxes[1].title, QStringLiteral("Settings Saved..."));
        QCOMPARE(t.endCodes, QList<int>{0});
        QCOMPARE(t.readIni(), settingsFileBytes(expected, QStringLiteral("12/6/26")));
        QVERIFY(panelDestroyed(p));
    }

    // A port that is no 16-bit whole number or an interval that is no number: the box names
    // the entry, nothing is taken and nothing written. An empty port box stops silently.
    void badNumbersRefused_data() {
        QTest::addColumn<QString>("receive");
        QTest::addColumn<QString>("transmit");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("message"); // empty: no box at all
        const QString receive =
            QStringLiteral("The 'Receive' port box must hold a whole number from -32768 to 32767.");
        const QString transmit = QStringLiteral(
            "The 'Transmit' port box must hold a whole number from -32768 to 32767.");
        const QString interval = QStringLiteral(
            "The 'Interval (in secs)' box must hold a whole number of seconds from 5 to 60.");
        QTest::newRow("receive letters") << "25a9"
                                         << "2509"
                                         << "5" << receive;
        QTest::newRow("receive too big") << "40000"
                                         << "2509"
                                         << "5" << receive;
        QTest::newRow("receive fraction") << "25.5"
                                          << "2509"
                                          << "5" << receive;
        QTest::newRow("transmit letters") << "2519"
                                          << "abc"
                                          << "5" << transmit;
        QTest::newRow("transmit too small") << "2519"
                                            << "-32769"
                                            << "5" << transmit;
        QTest::newRow("transmit blank") << "2519"
                                        << " "
                                        << "5" << transmit;
        QTest::newRow("interval word") << "2519"
                                       << "2509"
                                       << "ten" << interval;
        QTest::newRow("interval fraction") << "2519"
                                           << "2509"
                                           << "7.5" << interval;
        QTest::newRow("receive empty") << ""
                                       << "abc"
                                       << "x" << QString();
        QTest::newRow("transmit empty") << "40000"
                                        << ""
                                        << "5" << QString();
    }
    void badNumbersRefused() {
        QFETCH(QString, receive);
        QFETCH(QString, transmit);
        QFETCH(QString, interval);
        QFETCH(QString, message);
        TestEnvironment t;
        Settings = sampleSettings(2519, 2509);
        Settings.STATUS_UPDATE_INTERVAL = 9;
        const SettingsRecord before = Settings;
        QPointer<Options> p = openPanel();
        p->LISTEN_PORT_TEXT->setText(receive);
        p->TRANSMIT_PORT_TEXT->setText(transmit);
        p->STATUS_UPDATE_INTERVAL_TEXTBOX->setText(interval);
        p->ZAV_SERVER_IP_TEXTBOX->setAddress(QStringLiteral("10.1.1.1"));
        p->lbl_ALWAYS_START_IN_SYSTRAY_Click();
        p->Save_Button_Click();

        if (message.isEmpty()) {
            QVERIFY(t.boxes.isEmpty());
        } else {
            QCOMPARE(t.boxes.size(), 1);
            QCOMPARE(t.boxes[0].icon, MsgIcon::Information);
            QCOMPARE(t.boxes[0].title, kNotSaved);
            QCOMPARE(t.boxes[0].text, message);
        }
        QCOMPARE(Settings, before);
        QVERIFY(!QFile::exists(t.iniPath()));
        QVERIFY(t.endCodes.isEmpty());
        QCOMPARE(p->STATUS_UPDATE_INTERVAL_TEXTBOX->text(), interval);
        QVERIFY(p->isVisible());
    }

    // The save on its own, as the panel calls it: the outcome and the corrected interval.
    void saveFunctionOutcomes() {
        TestEnvironment t;
        SettingsRecord s = sampleSettings(1, 2);
        SettingsEntries e;
        e.listenPort = QStringLiteral(" 3000 ");
        e.transmitPort = QStringLiteral("+3001");
        e.interval = QStringLiteral("0");
        e.serverIp = QStringLiteral("0.0.0.0");
        QCOMPARE(SAVE_SETTINGS(e, s, t.iniPath()), SaveOutcome::NoServerAddress);
        QCOMPARE(e.interval, QStringLiteral("5"));
        QCOMPARE(int(s.LISTEN_PORT), 3000);
        QCOMPARE(int(s.TRANSMIT_PORT), 3001);

        e.serverIp = QStringLiteral("1.2.3.4");
        const QString missing = t.dir.filePath(QStringLiteral("no-such-dir/ZAV-Remote.ini"));
        QCOMPARE(SAVE_SETTINGS(e, s, missing), SaveOutcome::WriteFailed);
        QCOMPARE(s.SERVER_IP, QStringLiteral("1.2.3.4"));
        QCOMPARE(SAVE_SETTINGS(e, s, t.iniPath()), SaveOutcome::Written);
        QCOMPARE(t.boxes.size(), 2); // the refusal and the write error; success is the caller's
        QVERIFY(t.endCodes.isEmpty());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
