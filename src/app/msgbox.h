// Boxes with one OK button that the program shows the user. The program decides what a box
// says; the desktop shows it, and tests collect it instead.
#pragma once

#include <QString>
#include <QStringList>

enum class MsgIcon { Critical, Information };

struct ShownMessage {
    MsgIcon icon;
    QString title;
    QString text;
};

// Where the program's boxes go: the desktop shows each one modally and returns once the user
// has closed it.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void showMessageBox(const ShownMessage& message) = 0;
};

// Joins lines as the program's boxes do: a line feed followed by a carriage return.
inline QString joinBoxLines(const QStringList& lines) {
    return lines.join(QStringLiteral("\n\r"));
}
