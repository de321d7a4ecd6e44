// Keyboard and accessibility: Tab, Escape and Enter, tray mnemonics, each accessibility tree.
#include "testsupport.h"

#include "ui/main/accessibility.h"

#include <QGroupBox>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest/qtestspontaneevent.h>

namespace {

// A fresh window of each kind, shown and given the keyboard, as the desktop makes it.
QWidget* openWindow(const QString& kind) {
    QWidget* w = makeWindow(kind);
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

// What assistive tools are told while a test listens as one would: each event's kind, and the
// role and name of what it is about.
struct HeardEvent {
    QAccessible::Event type;
    QAccessible::Role role;
    QString name;
    QObject* object;
};
QList<HeardEvent> heard;

class ScreenReaderListening {
public:
    ScreenReaderListening() {
        heard.clear();
        setAccessibilityListener([](QAccessibleEvent* e) {
            QAccessibleInterface* iface = e->accessibleInterface();
            heard.append({e->type(), iface ? iface->role() : QAccessible::NoRole,
                          iface ? iface->text(QAccessible::Name) : QString(), e->object()});
        });
    }
    ~ScreenReaderListening() { setAccessibilityListener(nullptr); }
    static int count(QAccessible::Event type, QObject* object = nullptr) {
        int n = 0;
        for (const HeardEvent& e : std::as_const(heard))
            n += e.type == type && (!object || e.object == object) ? 1 : 0;
        return n;
    }
};

QStringList itemNames(QAccessibleInterface* list) {
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i)
        names << list->child(i)->text(QAccessible::Name);
    return names;
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

    // Each window is a frame or a dialog named by its caption, not a nameless filler. Its tree
    // names every control that shows or does something, and holds all Tab reaches.
    void everyControlIsNamed_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        const int frame = int(QAccessible::Window), dialog = int(QAccessible::Dialog);
        QTest::newRow("main") << "main" << frame << "ZAV Remote 2002";
        QTest::newRow("splash") << "splash" << frame << "ZAV Remote 2002";
        QTest::newRow("about") << "about" << dialog << "About ZAV Manager 2002";
        QTest::newRow("send") << "send" << dialog << "Send a Message to the Server...";
        QTest::newRow("received") << "received" << dialog << "Messages Received...";
        QTest::newRow("options") << "options" << dialog << "ZAV Remote 2002 Options Panel";
    }
    void everyControlIsNamed() {
        QFETCH(QString, window);
        QFETCH(int, role);
        QFETCH(QString, name);
        std::unique_ptr<QWidget> w(openWindow(window));
        QSet<QObject*> seen;
        QStringList unnamed;
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(w.get());
        QCOMPARE(int(root->role()), role);
        QCOMPARE(root->text(QAccessible::Name), name);
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

    // The log is a list of its lines, each item with its whole text; a new entry is told as
    // items added on top and items gone from the bottom, the items of the lines that stay kept.
    // While the log has the focus, the newest entry's last line is its current item, so that a
    // new entry is read out; otherwise the log has no current item.
    void logIsAListOfItsLines() {
        ScreenReaderListening reader;
        std::unique_ptr<QWidget> window(openWindow(QStringLiteral("main")));
        auto& w = *static_cast<MainWindow*>(window.get());
        QWidget* log = child<QWidget>(&w, "statusLog");
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(log);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Status log"));
        const QString longLine = "     Error: " + QString(60, QLatin1Char('x')) + " end";
        for (int i = 0; i < 6; ++i)
            w.addLogEntry({QStringLiteral("     Entry %1").arg(i), longLine});
        QCOMPARE(itemNames(list), w.logLines()); // 22 lines, the long one whole
        for (int i = 0; i < list->childCount(); ++i) {
            QCOMPARE(list->child(i)->role(), QAccessible::ListItem);
            QCOMPARE(list->indexOfChild(list->child(i)), i);
            QCOMPARE(list->child(i)->parent(), list);
        }
        QVERIFY(!list->child(0)->state().invisible);
        QVERIFY(list->child(21)->state().invisible); // scrolled out of sight
        QVERIFY(!list->focusChild());

        QAccessibleInterface* oldTop = list->child(0);
        const QAccessible::Id oldBottom = QAccessible::uniqueId(list->child(21));
        heard.clear();
        w.addLogEntry({QStringLiteral("     Newest")});
        QCOMPARE(ScreenReaderListening::count(QAccessible::ObjectCreated), 3);
        QCOMPARE(ScreenReaderListening::count(QAccessible::ObjectDestroyed), 3);
        QCOMPARE(heard.first().type, QAccessible::ObjectDestroyed);
        QCOMPARE(heard.first().name, longLine); // the bottom line goes first
        QCOMPARE(itemNames(list), w.logLines());
        QCOMPARE(list->child(3), oldTop);
        QVERIFY(!QAccessible::accessibleInterface(oldBottom)); // its line is gone, and its item
        QVERIFY(!list->focusChild());

        log->setFocus(Qt::TabFocusReason);
        heard.clear();
        const QString said = QStringLiteral("     Requesting a Connect");
        w.addLogEntry({said});
        QAccessibleInterface* current = list->focusChild();
        QVERIFY(current && current->state().focused);
        QCOMPARE(current->text(QAccessible::Name), said);
        QVERIFY(std::any_of(heard.begin(), heard.end(), [&said](const HeardEvent& e) {
            return e.type == QAccessible::Focus && e.name == said;
        }));
    }

    // With a screen reader listening, a message window opens with the focus on the named
    // messages, not on a helper that the reader cannot see.
    void messageArrivesOnANamedControl() {
        ScreenReaderListening reader;
        std::unique_ptr<QWidget> w(openWindow(QStringLiteral("received")));
        QAccessibleInterface* focused =
            QAccessible::queryAccessibleInterface(QApplication::focusWidget());
        QVERIFY(focused);
        QCOMPARE(focused->text(QAccessible::Name), QStringLiteral("Received messages"));
        QVERIFY(!focused->state().invisible);
    }

    // The lamp's name says what its colour shows, and follows it. Screen readers hear of a
    // change only when something changed: a poll that finds the same state again tells nothing.
    void lampNameAndEventsOnlyOnRealChanges_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("lampNameChanges");
        QTest::addColumn<QString>("lampName");
        const int online = int(LinkState::Online);
        QTest::newRow("same state again") << online << online << 0 << "Signal quality: good";
        QTest::newRow("signal lost")
            << online << int(LinkState::OfflineNoSignal) << 1 << "Signal quality: no signal";
        QTest::newRow("same lamp, other state")
            << online << int(LinkState::Offline) << 0 << "Signal quality: good";
        QTest::newRow("no server")
            << online << int(LinkState::NoServer) << 1 << "Signal quality: unknown";
    }
    void lampNameAndEventsOnlyOnRealChanges() {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, lampNameChanges);
        QFETCH(QString, lampName);
        MainWindow w;
        ScreenReaderListening reader;
        w.showLinkState(LinkState(first));
        heard.clear();
        w.showLinkState(LinkState(second));
        QWidget* lamp = child<QWidget>(&w, "signalLamp");
        QCOMPARE(ScreenReaderListening::count(QAccessible::NameChanged, lamp), lampNameChanges);
        QCOMPARE(QAccessible::queryAccessibleInterface(lamp)->text(QAccessible::Name), lampName);
        if (first == second)
            QCOMPARE(heard.size(), 0);
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
