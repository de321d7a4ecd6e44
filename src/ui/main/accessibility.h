// What keyboard and screen-reader users need of every window: buttons that Enter presses, helper
// controls that neither the Tab key nor a screen reader finds, and roles for the program's own
// painted widgets.
#pragma once

#include <QAccessible>
#include <QPushButton>
#include <functional>

class QAbstractButton;

// Teaches the accessibility framework the program's own widgets. Every window with helper
// buttons or painted widgets calls it first thing in its constructor: an interface made before
// it would stay as Qt made it. Calling it again does nothing.
void installAccessibleInterfaces();

// Enter and Return on the focused button press it, as Space does.
void pressWithEnter(QAbstractButton* button);

// A push button the program needs but nobody sees: a focus sink beyond the window's edge, the
// status request the polling presses. It has the focus only when the program gives it, the Tab
// key passes it by, and its window does not list it among its children for assistive tools.
class HelperButton : public QPushButton {
    Q_OBJECT
public:
    HelperButton(const QString& text, QWidget* parent);
};

// Gives one of the program's own painted widgets an accessible role; without one it is a plain
// client area, which screen readers pass over. Call it in the widget's constructor.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// Whether an assistive tool listens: the platform's bridge is on (a screen reader runs), or a
// listener is set.
bool assistiveToolsListening();
// Hands one of the program's own accessibility events to the listener when one is set, else to
// the platform's bridge.
void tellAssistiveTools(QAccessibleEvent* event);
// Takes the place of the platform's bridge for the events the program sends itself, so that
// they can be followed without a screen reader; empty to give them back to the bridge.
using AccessibilityListener = std::function<void(QAccessibleEvent*)>;
void setAccessibilityListener(AccessibilityListener listener);
// Renames `widget` for screen readers only when the name changes: a name change is read out.
void renameForAssistiveTools(QWidget* widget, const QString& name);
