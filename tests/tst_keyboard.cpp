// Keyboard, screen readers and room for text in every window and box.
#include "testsupport.h"

#include "app/savesettings.h"
#include "ui/main/accessibility.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QSignalSpy>
#include <QStyleOptionGroupBox>
#include <QToolButton>
#include <QToolTip>
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

// What assistive tools are told while a test listens as one would (to the test's end).
struct HeardEvent {
    QAccessible::Event type;
    QString name;
    QObject* object;
};
QList<HeardEvent> heard;

void listenAsAScreenReader() {
    heard.clear();
    setAccessibilityListener([](QAccessibleEvent* e) {
        QAccessibleInterface* iface = e->accessibleInterface();
        heard.append({e->type(), iface ? iface->text(QAccessible::Name) : QString(), e->object()});
    });
}

int heardCount(QAccessible::Event type, QObject* object = nullptr) {
    return int(std::count_if(heard.begin(), heard.end(), [&](const HeardEvent& e) {
        return e.type == type && (!object || e.object == object);
    }));
}

int widestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

// A control's text, the room it needs and the room it has; no text when it shows none.
struct Fit {
    QString text;
    QSize needed, room;
};

Fit measure(QWidget* w) {
    const QFontMetrics metrics(w->font());
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
        const QString text = label->text();
        const int lines = int(text.count(QLatin1Char('\n')) + 1);
        return {text,
                {widestLine(metrics, text), lines * metrics.height()},
                {label->contentsRect().width() - 2 * label->margin() - qMax(0, label->indent()),
                 label->contentsRect().height()}};
    }
    if (auto* check = qobject_cast<QCheckBox*>(w))
        return {check->text(), {check->sizeHint().width(), 0}, {check->width(), 0}};
    if (button && button->isVisibleTo(w->window()) && !w->inherits("HelperButton")) {
        // A tool button's border takes a pixel each side.
        const int border = qobject_cast<QToolButton*>(w) ? 2 : 0;
        return {button->text(),
                {metrics.horizontalAdvance(button->text()), 0},
                {button->contentsRect().width() - border, 0}};
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, group);
        return {option.text,
                {metrics.horizontalAdvance(option.text), 0},
                {group->width() - qMax(0, label.left()), 0}};
    }
    return {};
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setAccessibilityListener(nullptr); }

    // Escape, Enter and (key 0) the window manager's close; main-window commands refocus the sink.
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
        row("received: Escape in the text", "received", "history", esc, "closed()", true);
        row("Options: Escape in a box", "options", "listenPortBox", esc, "cancelled()", true);
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

    // Each window: named by its caption, controls named, helpers hidden, every text fitting.
    void eachWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("helpers");
        QTest::addColumn<QString>("readerFocus"); // the focus's name with a reader listening
        auto row = [](const char* window, QAccessible::Role role, int helpers,
                      const char* readerFocus = "") {
            QTest::newRow(*readerFocus ? "received, reader listening" : window)
                << QString(window) << int(role) << helpers << QString(readerFocus);
        };
        row("main", QAccessible::Window, 2);
        row("splash", QAccessible::Window, 0);
        row("about", QAccessible::Dialog, 0);
        row("send", QAccessible::Dialog, 0);
        row("received", QAccessible::Dialog, 1);
        row("received", QAccessible::Dialog, 1, "Received messages");
        row("options", QAccessible::Dialog, 0);
    }
    void eachWindow() {
        QFETCH(QString, window);
        QFETCH(int, role);
        QFETCH(int, helpers);
        QFETCH(QString, readerFocus);
        if (!readerFocus.isEmpty())
            listenAsAScreenReader();
        std::unique_ptr<QWidget> w(openWindow(window));
        QSet<QObject*> seen;
        QStringList unnamed;
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(w.get());
        QCOMPARE(int(root->role()), role);
        QCOMPARE(root->text(QAccessible::Name), w->windowTitle());
        walk(root, seen, unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
        for (QWidget* c : w->findChildren<QWidget*>())
            if (c->focusPolicy() & Qt::TabFocus)
                QVERIFY2(seen.contains(c), qPrintable(c->objectName()));
        QCOMPARE(w->findChildren<HelperButton*>().size(), helpers);
        if (!readerFocus.isEmpty()) {
            QAccessibleInterface* f =
                QAccessible::queryAccessibleInterface(QApplication::focusWidget());
            QVERIFY(f && !f->state().invisible);
            QCOMPARE(f->text(QAccessible::Name), readerFocus);
        } else if (helpers > 0) {
            QVERIFY(focusName() == QLatin1String("focusSink") && !root->focusChild());
        }

        // Tab goes round the controls, never to a helper; nor are they in the tree.
        QSet<QWidget*> reached;
        for (int i = 0; i < 12 && QApplication::focusWidget(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget();
        }
        for (HelperButton* helper : w->findChildren<HelperButton*>())
            QVERIFY2(!seen.contains(helper) && !reached.contains(helper),
                     qPrintable(helper->objectName()));
        if (auto* main = qobject_cast<MainWindow*>(w.get()))
            main->showStartupState(StartupState::SettingsMissing);
        QStringList cut;
        int measured = 0;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            const Fit f = measure(c);
            measured += f.text.isEmpty() ? 0 : 1;
            if (!f.text.isEmpty() &&
                (f.needed.width() > f.room.width() || f.needed.height() > f.room.height()))
                cut << QStringLiteral("%1 \"%2\"").arg(c->objectName(), f.text);
        }
        QVERIFY(measured > 0 || window == QLatin1String("received"));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    // Each of the program's boxes is as wide as its widest line (a set minimum width cut them).
    void messageBoxesFit() {
        TestEnvironment t;
        WidgetMessageBoxes program(nullptr);
        const QString file = t.dir.filePath(QStringLiteral("ZAV-Remote.ini"));
        const QList<std::pair<SettingsEntries, QString>> saves{
            {{"70000", "2509", false, "5", "127.0.0.1", false, false}, file},
            {{"2519", "x", false, "5", "127.0.0.1", false, false}, file},
            {{"2519", "2509", false, "5s", "127.0.0.1", false, false}, file},
            {{"2519", "2509", false, "5", "0.0.0.0", false, false}, file},
            {{"2519", "2509", false, "5", "127.0.0.1", false, false}, t.dir.path()}};
        for (auto [entries, path] : saves) {
            Settings s;
            saveEditedSettings(entries, s, path, &program);
        }
        for (const QByteArray& ini : {QByteArray(), QByteArray("garbage\n")}) {
            if (!ini.isEmpty())
                t.writeIni(ini);
            TestClient client;
            client.start();
        }
        const QList<ShownMessage> boxes = std::exchange(t.boxes, {});
        QVERIFY(boxes.size() >= 7);
        setMessageBoxHook(nullptr);
        for (const ShownMessage& m : boxes) {
            const QString shown = QString(m.text).replace(QStringLiteral("\n\r"), "\n");
            int needed = -1, room = -1;
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                if (auto* label = box ? box->findChild<QLabel*>("qt_msgbox_label") : nullptr) {
                    needed = widestLine(label->fontMetrics(), shown);
                    room = qMin(label->contentsRect().width(),
                                box->width() - label->geometry().left());
                }
                if (box)
                    box->close();
            });
            showMessageBox(nullptr, m.icon, m.title, m.text);
            QVERIFY2(needed > 0 && needed <= room, qPrintable(shown));
        }
    }

    // The log as a list whose items stay with their lines, its tooltips, and the lamp's name.
    void mainWindowForAScreenReader() {
        listenAsAScreenReader();
        std::unique_ptr<QWidget> window(openWindow(QStringLiteral("main")));
        auto& w = *static_cast<MainWindow*>(window.get());
        auto* log = child<QAbstractScrollArea>(&w, "statusLog");
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(log);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Status log"));
        QTest::mouseClick(log->viewport(), Qt::LeftButton); // leaves the focus on the sink
        QCOMPARE(focusName(), QStringLiteral("focusSink"));
        auto itemNames = [list] {
            QStringList names;
            for (int i = 0; i < list->childCount(); ++i)
                names << list->child(i)->text(QAccessible::Name);
            return names;
        };
        const QString longLine = "     Error: " + QString(60, QLatin1Char('x')) + " end";
        for (int i = 0; i < 6; ++i)
            w.addLogEntry({QStringLiteral("     Entry %1").arg(i), longLine});
        QCOMPARE(itemNames(), w.logLines()); // 22 lines, the long one whole
        for (int i = 0; i < list->childCount(); ++i)
            QVERIFY(list->child(i)->role() == QAccessible::ListItem &&
                    list->indexOfChild(list->child(i)) == i && list->child(i)->parent() == list);
        QVERIFY(!list->child(0)->state().invisible && list->child(21)->state().invisible);
        QVERIFY(!list->focusChild());
        for (int row : {2, 3}) {
            const QPoint at(20, row * log->fontMetrics().height() + 2);
            QHelpEvent help(QEvent::ToolTip, at, log->viewport()->mapToGlobal(at));
            QApplication::sendEvent(log->viewport(), &help);
            QCOMPARE(QToolTip::text(),
                     row == 3 ? longLine : QStringLiteral("This list contains Status Messages"));
            QToolTip::hideText();
        }

        QAccessibleInterface* oldTop = list->child(0);
        const QAccessible::Id oldBottom = QAccessible::uniqueId(list->child(21));
        heard.clear();
        w.addLogEntry({QStringLiteral("     Newest")});
        QCOMPARE(heardCount(QAccessible::ObjectCreated), 3);
        QCOMPARE(heardCount(QAccessible::ObjectDestroyed), 3);
        QCOMPARE(heard.first().type, QAccessible::ObjectDestroyed);
        QCOMPARE(heard.first().name, longLine); // the bottom line goes first
        QCOMPARE(itemNames(), w.logLines());
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

        // The lamp's name follows its colour; a poll that finds the same state tells nothing.
        QWidget* lamp = child<QWidget>(&w, "signalLamp");
        w.showLinkState(LinkState::Online);
        const QList<std::tuple<LinkState, int, QString>> steps{
            {LinkState::Online, 0, "Signal quality: good"},
            {LinkState::Offline, 0, "Signal quality: good"},
            {LinkState::OfflineNoSignal, 1, "Signal quality: no signal"},
            {LinkState::NoServer, 1, "Signal quality: unknown"}};
        for (const auto& [state, renames, name] : steps) {
            heard.clear();
            w.showLinkState(state);
            QCOMPARE(heardCount(QAccessible::NameChanged, lamp), renames);
            QCOMPARE(QAccessible::queryAccessibleInterface(lamp)->text(QAccessible::Name), name);
            QVERIFY(state != LinkState::Online || heard.isEmpty());
        }
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
