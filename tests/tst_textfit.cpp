// No text cut off: every fixed text of the program fits its control or box, measured with the
// fonts the program picks on this system.
#include "testsupport.h"

#include "app/savesettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QStyleOptionGroupBox>
#include <QToolButton>
#include <QToolTip>

namespace {

int widestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

// The room a control has for its text, and the text; empty when it shows none.
struct Fit {
    QString text;
    int needed = 0;
    int room = 0;
    int neededHeight = 0;
    int roomHeight = 0;
};

Fit measure(QWidget* w) {
    Fit f;
    const QFontMetrics metrics(w->font());
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
        f.text = label->text();
        f.needed = widestLine(metrics, f.text);
        f.room = label->contentsRect().width() - 2 * label->margin() - qMax(0, label->indent());
        f.neededHeight = int(f.text.count(QLatin1Char('\n')) + 1) * metrics.height();
        f.roomHeight = label->contentsRect().height();
    } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
        f.text = check->text();
        f.needed = check->sizeHint().width();
        f.room = check->width();
    } else if (button && button->isVisibleTo(w->window()) && !w->inherits("HelperButton")) {
        f.text = button->text();
        f.needed = metrics.horizontalAdvance(f.text);
        // A tool button's border takes a pixel each side.
        f.room = button->contentsRect().width() - (qobject_cast<QToolButton*>(w) ? 2 : 0);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = f.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        f.needed = metrics.horizontalAdvance(f.text);
        f.room = group->width() - qMax(0, group->style()
                                              ->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxLabel, group)
                                              .left());
    }
    return f;
}

// The fixed texts of the program's message boxes, as the program shows them.
QList<ShownMessage> programBoxes() {
    TestEnvironment t;
    WidgetMessageBoxes boxes(nullptr);
    const QStringList bad{"70000", "2509", "5",  "127.0.0.1", // the Receive port
                          "2519",  "x",    "5",  "127.0.0.1", // the Transmit port
                          "2519",  "2509", "5s", "127.0.0.1", // the interval
                          "2519",  "2509", "5",  "0.0.0.0"};  // no address
    for (int i = 0; i < bad.size(); i += 4) {
        SettingsEntries e{bad[i], bad[i + 1], false, bad[i + 2], bad[i + 3], false, false};
        Settings s;
        saveEditedSettings(e, s, t.dir.filePath(QStringLiteral("ZAV-Remote.ini")), &boxes);
    }
    SettingsEntries good{"2519", "2509", false, "5", "127.0.0.1", false, false};
    Settings s;
    saveEditedSettings(good, s, t.dir.path(), &boxes); // a folder where the file should be
    {
        TestClient missing; // no settings file at all
        missing.start();
    }
    t.writeIni(QByteArray("garbage\n"));
    {
        TestClient unreadable;
        unreadable.start();
    }
    return t.boxes;
}

} // namespace

class TextFitTest : public QObject {
    Q_OBJECT
private slots:
    // Each fixed text of each window fits its control.
    void windowTextsFit_data() {
        QTest::addColumn<QString>("window");
        for (const char* kind : {"main", "about", "send", "options", "splash"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void windowTextsFit() {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> w(makeWindow(window));
        if (auto* main = qobject_cast<MainWindow*>(w.get())) // the longest status word
            main->showStartupState(StartupState::SettingsMissing);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QStringList cut;
        int measured = 0;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            const Fit f = measure(c);
            if (f.text.isEmpty())
                continue;
            ++measured;
            if (f.needed > f.room || f.neededHeight > f.roomHeight)
                cut << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                           .arg(c->objectName(), f.text)
                           .arg(f.needed)
                           .arg(f.neededHeight)
                           .arg(f.room)
                           .arg(f.roomHeight);
        }
        QVERIFY(measured > 0);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    // Each message box of the program is as wide as its widest line.
    void messageBoxesFit() {
        const QList<ShownMessage> boxes = programBoxes();
        QVERIFY(boxes.size() >= 7);
        for (const ShownMessage& m : boxes) {
            QString shown = m.text;
            shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
            int needed = -1, room = -1;
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                auto* label =
                    box ? box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")) : nullptr;
                if (label) {
                    needed = widestLine(label->fontMetrics(), shown);
                    room = label->contentsRect().width();
                    // Inside the box, too.
                    room = qMin(room, box->width() - label->geometry().left());
                }
                if (box)
                    box->close();
            });
            showMessageBox(nullptr, m.icon, m.title, m.text);
            QVERIFY2(needed > 0, qPrintable(m.title));
            QVERIFY2(needed <= room,
                     qPrintable(
                         QStringLiteral("%1: needs %2, has %3").arg(shown).arg(needed).arg(room)));
        }
    }

    // A log line cut at the log's edge shows its whole text as the tooltip.
    void longLogLineTooltip() {
        TestEnvironment t;
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* log = child<QAbstractScrollArea>(&w, "statusLog");
        const QString longLine = QStringLiteral("     Error: the server at 127.0.0.1 refused the"
                                                " connection to port 2509");
        for (const QString& line : {QStringLiteral("     Status report has arrived"), longLine}) {
            w.addLogEntry({line});
            const QPoint at(20, 2 * log->fontMetrics().height() + 2); // on the message line
            QHelpEvent help(QEvent::ToolTip, at, log->viewport()->mapToGlobal(at));
            QApplication::sendEvent(log->viewport(), &help);
            QCOMPARE(QToolTip::text(), line == longLine
                                           ? line
                                           : QStringLiteral("This list contains Status Messages"));
            QToolTip::hideText();
        }
    }
};

QTEST_MAIN(TextFitTest)
#include "tst_textfit.moc"
