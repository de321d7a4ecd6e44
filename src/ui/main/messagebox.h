// Modal message boxes with one OK button, behind one seam so that tests never wait on a box.
#pragma once

#include "app/msgbox.h"

#include <functional>

class QWidget;

// When set, boxes are handed to the hook instead of being shown.
using MessageBoxHook = std::function<void(const ShownMessage&)>;
void setMessageBoxHook(MessageBoxHook hook);

// Shows the box over `parent`'s window and waits until the user closes it.
void showMessageBox(QWidget* parent, MsgIcon icon, const QString& title, const QString& text);

// The program's boxes shown over one window (or none).
class WidgetMessageBoxes : public MessageBoxes {
public:
    explicit WidgetMessageBoxes(QWidget* owner) : m_owner(owner) {}
    void showMessageBox(const ShownMessage& message) override;

private:
    QWidget* m_owner;
};
