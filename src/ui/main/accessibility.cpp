#include "ui/main/accessibility.h"

#include "ui/main/logview.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QKeyEvent>

namespace {

const char kRoleProperty[] = "zavAccessibleRole";

AccessibilityListener& listener() {
    static AccessibilityListener l;
    return l;
}

bool isHelper(const QAccessibleInterface* iface) {
    return iface && iface->object() && iface->object()->inherits("HelperButton");
}

// What a helper shows an assistive tool that reaches it anyway (the sink's focus event after a
// command points at it): an invisible area with nothing to press.
class HelperAccessible : public QAccessibleWidget {
public:
    explicit HelperAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        s.offscreen = true;
        s.focusable = false;
        return s;
    }
    QStringList actionNames() const override { return {}; }
};

// The program's own QWidget subclasses: Qt's plain interface with the role they ask for, and
// their children as Qt lists them, less the helpers.
class ProgramWidgetAccessible : public QAccessibleWidget {
public:
    ProgramWidgetAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    int childCount() const override {
        int n = 0;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i)
            n += isHelper(QAccessibleWidget::child(i)) ? 0 : 1;
        return n;
    }
    QAccessibleInterface* child(int index) const override {
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface* c = QAccessibleWidget::child(i);
            if (!isHelper(c) && index-- == 0)
                return c;
        }
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* wanted) const override {
        for (int i = 0, shown = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface* c = QAccessibleWidget::child(i);
            if (isHelper(c))
                continue;
            if (c == wanted)
                return shown;
            ++shown;
        }
        return -1;
    }
    // With the focus parked on a helper, nothing in the window has it as far as a tool is told.
    QAccessibleInterface* focusChild() const override {
        QAccessibleInterface* f = QAccessibleWidget::focusChild();
        return isHelper(f) ? nullptr : f;
    }
};

// Consulted before Qt's own factory, which answers for every widget class it knows, plain
// QWidget included. So the program's windows and painted widgets reach this one under the key
// "QWidget", and helpers and the log under their own class name.
QAccessibleInterface* programInterface(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (key == QLatin1String("HelperButton"))
        return new HelperAccessible(widget);
    if (key == QLatin1String("LogView"))
        return LogView::makeAccessible(static_cast<LogView*>(widget));
    if (key == QLatin1String("QWidget") && object->metaObject() != &QWidget::staticMetaObject) {
        bool ok = false;
        const int role = widget->property(kRoleProperty).toInt(&ok);
        // A window of the program is a frame (or the dialog it says it is) named by its caption;
        // as a plain client area it would be read as a mere filler.
        const QAccessible::Role fallback =
            widget->isWindow() ? QAccessible::Window : QAccessible::Client;
        return new ProgramWidgetAccessible(widget, ok ? QAccessible::Role(role) : fallback);
    }
    return nullptr;
}

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) || key->isAutoRepeat())
            return false;
        static_cast<QAbstractButton*>(watched)->click();
        return true;
    }
};

} // namespace

void installAccessibleInterfaces() {
    // Qt's factory is installed with the application; a later one is asked first.
    static const bool installed = [] {
        QAccessible::installFactory(programInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void pressWithEnter(QAbstractButton* button) {
    button->installEventFilter(new EnterPresses(button));
}

HelperButton::HelperButton(const QString& text, QWidget* parent) : QPushButton(parent) {
    installAccessibleInterfaces();
    // The text is set only now that the button is a helper: setting it announces a name change,
    // which would make its interface while it was still a plain push button.
    setText(text);
    // The Tab key passes it by, yet it keeps a place in the window's tab order, from where Tab
    // moves on (Qt leaves a NoFocus widget out of setTabOrder). Nobody can click it: it lies out
    // of sight.
    setFocusPolicy(Qt::ClickFocus);
    setAutoDefault(false);
}

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    installAccessibleInterfaces();
    widget->setProperty(kRoleProperty, int(role));
}

bool assistiveToolsListening() {
    return listener() || QAccessible::isActive();
}

void tellAssistiveTools(QAccessibleEvent* event) {
    if (listener())
        listener()(event);
    else
        QAccessible::updateAccessibility(event);
}

void setAccessibilityListener(AccessibilityListener l) {
    listener() = std::move(l);
}

void renameForAssistiveTools(QWidget* widget, const QString& name) {
    if (widget->accessibleName() == name)
        return;
    widget->setAccessibleName(name); // Qt tells the platform's bridge
    if (listener()) {
        QAccessibleEvent renamed(widget, QAccessible::NameChanged);
        listener()(&renamed);
    }
}
