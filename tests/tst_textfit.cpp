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

// A control's text, the room it needs and the room it has; no text when it shows none.
struct Fit {
    QString text;
    QSize needed;
    QSize room;
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

// The program's message boxes, as it shows them: refused and failed saves of the settings, a
// missing and an unreadable settings file.
QList<ShownMessage> programBoxes() {
    TestEnvironment t;
    WidgetMessageBoxes boxes(nullptr);
    const QString file = t.dir.filePath(QStringLiteral("ZAV-Remote.ini"));
    const QList<std::pair<SettingsEntries, QString>> saves{
        {{"70000", "2509", false, "5", "127.0.0.1", false, false}, file},
        {{"2519", "x", false, "5", "127.0.0.1", false, false}, file},
        {{"2519", "2509", false, "5s", "127.0.0.1", false, false}, file},
        {{"2519", "2509", false, "5", "0.0.0.0", false, false}, file},
        {{"2519", "2509", false, "5", "127.0.0.1", false, false}, t.dir.path()}};
    for (auto [entries, path] : saves) {
        Settings s;
        saveEditedSettings(entries, s, path, &boxes);
    }
    for (const QByteArray& ini : {QByteArray(), QByteArray("garbage\n")}) {
        if (!ini.isEmpty())
            t.writeIni(ini);
        TestClient client;
        client.start();
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
            measured += f.text.isEmpty() ? 0 : 1;
            if (!f.text.isEmpty() &&
                (f.needed.width() > f.room.width() || f.needed.height() > f.room.height()))
                cut << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                           .arg(c->objectName(), f.text)
                           .arg(f.needed.width())
                           .arg(f.needed.height())
                           .arg(f.room.width())
                           .arg(f.room.height());
        }
        QVERIFY(measured > 0);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    // Each message box of the program is as wide as its widest line (a set minimum width once
    // cut the longer texts at the box's edge).
    void messageBoxesFit() {
        const QList<ShownMessage> boxes = programBoxes();
        QVERIFY(boxes.size() >= 7);
        for (const ShownMessage& m : boxes) {
            const QString shown = QString(m.text).replace(QStringLiteral("\n\r"), "\n");
            int needed = -1, room = -1;
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                auto* label =
                    box ? box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")) : nullptr;
                if (label) {
                    needed = widestLine(label->fontMetrics(), shown);
                    room = qMin(label->contentsRect().width(),
                                box->width() - label->geometry().left());
                }
                if (box)
                    box->close();
            });
            showMessageBox(nullptr, m.icon, m.title, m.text);
            QVERIFY2(needed > 0 && needed <= room,
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
