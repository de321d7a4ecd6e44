#include "ui/main/messagebox.h"

#include <QMessageBox>
#include <QWindow>

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
    // The box takes no colours from the dark window it belongs to: it is a window of its own,
    // kept above that window by the window manager.
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
                    title, shown, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // Wide enough that the texts' own lines are not wrapped again.
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 420px; }"));
    box.setWindowModality(Qt::ApplicationModal);
    if (parent && parent->window()->windowHandle()) {
        box.winId();
        if (QWindow* handle = box.windowHandle())
            handle->setTransientParent(parent->window()->windowHandle());
    }
    box.exec();
}

void WidgetMessageBoxes::showMessageBox(const ShownMessage& message) {
    ::showMessageBox(m_owner, message.icon, message.title, message.text);
}
