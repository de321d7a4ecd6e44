#include "app/msgbox.h"

#include <QMessageBox>
#include <QStringList>

static MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}

void setMessageBoxHook(MessageBoxHook h) {
    hook() = std::move(h);
}

void showMessageBox(QWidget* parent, MsgIcon icon, const QString& title, const QString& text) {
    if (hook()) {
        hook()({icon, title, text});
        return;
    }
    // The texts break lines with LF CR; on screen that pair is one line break.
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
                    title, shown, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString joinBoxLines(const QStringList& lines) {
    return lines.join(QStringLiteral("\n\r"));
}
