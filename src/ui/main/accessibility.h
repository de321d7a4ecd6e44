// What keyboard and screen-reader users need of every window: buttons that Enter presses, helper
// controls that neither the Tab key nor a screen reader finds, and roles for the program's own
// painted widgets.
#pragma once

#include <QAccessible>
#include <QPushButton>

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
