// Modal message boxes with one OK button, behind one seam so that tests never wait on a box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class MsgIcon { Critical, Information };

struct ShownMessage {
    MsgIcon icon;
    QString title;
    QString text;
};

// When set, boxes are handed to the hook instead of being shown.
using MessageBoxHook = std::function<void(const ShownMessage&)>;
void setMessageBoxHook(MessageBoxHook hook);

// Shows the box and waits until the user closes it.
void showMessageBox(QWidget* parent, MsgIcon icon, const QString& title, const QString& text);

// Joins lines as the program's boxes do: a line feed followed by a carriage return.
QString joinBoxLines(const QStringList& lines);
