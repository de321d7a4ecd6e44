// Keyboard and accessibility: Tab, Escape and Enter, tray mnemonics, each accessibility tree.
#include "testsupport.h"

#include "ui/main/about.h"
#include "ui/main/accessibility.h"
#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"
#include "ui/options/options.h"

#include <QGroupBox>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest/qtestspontaneevent.h>

namespace {

// A fresh window of each kind, shown and given the keyboard, as the desktop makes it.
QWidget* openWindow(const QString& kind) {
    QWidget* w = kind == QLatin1String("main")       ? new MainWindow
                 : kind == QLatin1String("about")    ? new AboutWindow
                 : kind == QLatin1String("send")     ? new SendMessageWindow
                 : kind == QLatin1String("received") ? new ReceivedMessagesWindow
                                                     : static_cast<QWidget*>(new OptionsPanel);
    if (auto* panel = qobject_cast<OptionsPanel*>(w))
        panel->load(sampleSettings(2519, 2509));
    if (auto* received = qobject_cast<ReceivedMessagesWindow*>(w))
        received->appendMessage(QStringLiteral("Hello"), QStringLiteral("127.0.0.1"), QTime(9, 5));
    if (auto* box = w->findChild<QPlainTextEdit*>(QStringLiteral("messageText")))
        QTest::keyClicks(box, QStringLiteral("Hi"));
    w->show();
    w->activateWindow();
    (void)QTest::qWaitForWindowActive(w); // the tests check the focus it gives
    return w;
}

QString focusName() {
    QWidget* f = QApplication::focusWidget();
    return f ? f->objectName() : QString();
}

// Controls that show or do something need a name; containers and Qt's scroll bars do not.
void walk(QAccessibleInterface* iface, QSet<QObject*>& seen, QStringList& unnamed) {
    if (!iface || !iface->isValid() || iface->role() == QAccessible::ScrollBar)
        return;
    seen.insert(iface->object());
    const QList<QAccessible::Role> shown{QAccessible::StaticText,   QAccessible::Graphic,
                                         QAccessible::PushButton,   QAccessible::CheckBox,
                                         QAccessible::EditableText, QAccessible::Grouping};
    if ((shown.contains(iface->role()) || iface->state().focusable) &&
        iface->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << iface->object()->objectName();
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), seen, unnamed);
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    // Tab leaves the sink for the log and the buttons, in their designed order; no log when mini.
    void tabChain_data() {
        QTest::addColumn<bool>("mini");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QStringList>("visited");
        const QStringList buttons{"connectButton", "disconnectButton", "settingsButton",
                                  "modeButton",    "aboutButton",      "sendMessageButton"};
        const QStringList log{"statusLog"};
        QTest::newRow("Tab") << false << false << log + buttons + log;
        QTest::newRow("Shift+Tab")
            << false << true
            << QStringList(buttons.rbegin(), buttons.rend()) + log + buttons.mid(5);
        QTest::newRow("Tab, mini window") << true << false << buttons + buttons.mid(0, 1);
    }
    void tabChain() {
        QFETCH(bool, mini);
        QFETCH(bool, backwards);
        QFETCH(QStringList, visited);
        std::unique_ptr<QWidget> w(openWindow(QStringLiteral("main")));
        static_cast<MainWindow*>(w.get())->setMiniMode(mini);
        QCOMPARE(focusName(), QStringLiteral("focusSink"));
        if (!mini) { // a click in the log leaves the focus on the sink
            QWidget* log = child<QWidget>(w.get(), "statusLog");
            QTest::mouseClick(w->childAt(log->geometry().center()), Qt::LeftButton);
            QCOMPARE(focusName(), QStringLiteral("focusSink"));
        }
        QStringList got;
        for (int i = 0; i < visited.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            got << focusName();
        }
        QCOMPARE(got, visited);
    }

    // Key 0: the window manager's close. A signal comes once; main-window commands refocus the
    // sink.
    void escapeAndEnter_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("focus"); // the control given the focus first, if any
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<bool>("closes");
        auto row = [](const char* name, const char* window, const char* focus, int key,
                      const char* signal, bool closes) {
            QTest::newRow(name) << QString(window) << QString(focus) << key << QByteArray(signal)
                                << closes;
        };
        const int esc = Qt::Key_Escape, ret = Qt::Key_Return;
        row("About: Escape", "about", "", esc, "", true);
        row("send: Escape in the text", "send", "messageText", esc, "", true);
        row("send: Enter on Send", "send", "sendButton", ret, "sendRequested()", false);
        row("received: Escape on the sink", "received", "", esc, "closed()", true);
        row("received: Escape in the text", "received", "history", esc, "closed()", true);
        row("Options: Escape in a box", "options", "listenPortBox", esc, "cancelled()", true);
        row("Options: Enter on Cancel", "options", "cancelButton", ret, "cancelled()", true);
        row("Options: keypad Enter", "options", "windowPageButton", Qt::Key_Enter, "", false);
        row("Options: the window manager's close", "options", "", 0, "cancelled()", true);
        row("main: Enter on Connect", "main", "connectButton", ret, "connectRequested()", false);
        row("main: Escape", "main", "connectButton", esc, "", false);
    }
    void escapeAndEnter() {
        QFETCH(QString, window);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QByteArray, signal);
        QFETCH(bool, closes);
        QPointer<QWidget> w = openWindow(window);
        if (!focus.isEmpty())
            child<QWidget>(w, qPrintable(focus))->setFocus(Qt::TabFocusReason);
        QSignalSpy spy(w.data(), signal.isEmpty() ? SIGNAL(destroyed()) : ("2" + signal).data());
        if (key == 0) {
            QCloseEvent request;
            QSpontaneKeyEvent::setSpontaneous(&request); // as the window system sends it
            QApplication::sendEvent(w->windowHandle(), &request);
        } else { // typed to the focused control, or to the window when none has the focus
            QWidget* f = QApplication::focusWidget();
            QTest::keyClick(f ? f : w.data(), Qt::Key(key));
        }
        QCOMPARE(spy.count(), signal.isEmpty() ? 0 : 1);
        QCOMPARE(!w || !w->isVisible(), closes);
        if (window == QLatin1String("main"))
            QCOMPARE(focusName(), signal.isEmpty() ? focus : QStringLiteral("focusSink"));
        if (key == Qt::Key_Enter)
            QCOMPARE(qobject_cast<OptionsPanel*>(w)->visiblePage()->objectName(),
                     QStringLiteral("windowPage"));
        delete w;
    }

    // Every entry of the tray menu has a letter of its own.
    void trayMenuMnemonics() {
        TestEnvironment t;
        TestClient c;
        QSet<QKeySequence> keys{QKeySequence()};
        int entries = 1;
        for (QAction* a : c.desktop.trayMenu()->actions())
            if (!a->isSeparator() && ++entries)
                keys.insert(QKeySequence::mnemonic(a->text()));
        QCOMPARE(keys.size(), entries);
    }

    // Each tree names every control that shows or does something, and holds all Tab reaches.
    void everyControlIsNamed_data() {
        QTest::addColumn<QString>("window");
        for (const char* kind : {"main", "about", "send", "received", "options"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void everyControlIsNamed() {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> w(openWindow(window));
        QSet<QObject*> seen;
        QStringList unnamed;
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(w.get());
        walk(root, seen, unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
        for (QWidget* c : w->findChildren<QWidget*>())
            if (c->focusPolicy() & Qt::TabFocus)
                QVERIFY2(seen.contains(c), qPrintable(c->objectName()));
        // The helpers are out of the tree; the focus on a sink is nobody's for a screen reader.
        const QList<HelperButton*> helpers = w->findChildren<HelperButton*>();
        QCOMPARE(helpers.size(), window == "main" ? 2 : window == "received" ? 1 : 0);
        for (HelperButton* helper : helpers)
            QVERIFY2(!seen.contains(helper), qPrintable(helper->objectName()));
        if (!helpers.isEmpty())
            QVERIFY(focusName() == QLatin1String("focusSink") && !root->focusChild());
    }

    // The lamp's name says what its colour shows, and follows it.
    void lampNamesItsColour() {
        MainWindow w;
        QAccessibleInterface* lamp =
            QAccessible::queryAccessibleInterface(child<QWidget>(&w, "signalLamp"));
        const QList<std::pair<LinkState, QString>> looks{{LinkState::Online, "good"},
                                                         {LinkState::OfflineNoSignal, "no signal"},
                                                         {LinkState::NoServer, "unknown"}};
        for (const auto& [state, word] : looks) {
            w.showLinkState(state);
            QCOMPARE(lamp->text(QAccessible::Name), "Signal quality: " + word);
        }
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
