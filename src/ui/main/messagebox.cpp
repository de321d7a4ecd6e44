#include "ui/main/messagebox.h"

#include <QFontMetrics>
#include <QLabel>
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
    // As wide as the text's widest line, so that its own lines are neither wrapped again nor cut:
    // the box takes a set minimum width for the text's, so that minimum must hold the text.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->ensurePolished();
        const QFontMetrics metrics(label->font());
        int widest = 0;
        for (const QString& line : shown.split(QLatin1Char('\n')))
            widest = qMax(widest, metrics.horizontalAdvance(line));
        label->setMinimumWidth(widest + 2 * label->margin() + 1);
    }
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
