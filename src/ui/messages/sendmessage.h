// The window in which the user writes a message for the server.
#pragma once

#include "link/records.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The message box: plain text only, and never longer than the record may carry. A line break
// counts as two characters, the CR LF it becomes on the wire.
class MessageTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessageTextBox(QWidget* parent = nullptr);

    int maxLength() const { return m_maxLength; }
    void setMaxLength(int n) { m_maxLength = n; }
    // Length of the text as it goes on the wire.
    int wireLength() const;
    static int wireLength(const QString& text);
    // The text with every line break as CR LF.
    QString wireText() const;

    // Pasting and dropping insert plain text, cut to what still fits.
    void insertFromMimeData(const QMimeData* source) override;

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Characters still free once the current selection is replaced.
    int roomForInsert() const;
    // The longest start of `text` (line breaks as '\n') that fits in `room`.
    static QString fitting(const QString& text, int room);
    // Inserts at the cursor what fits of `text`; true when all of it did.
    bool insertLimited(const QString& text);

    int m_maxLength = 32767;
};

class SendMessageWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QColor kNormalBackground{255, 255, 255};
    static inline const QColor kEmptyMessageBackground{255, 192, 192};

    explicit SendMessageWindow(QWidget* parent = nullptr);

    // The text as it goes on the wire (every line break as CR LF).
    QString messageText() const;
    QColor messageBackground() const;

signals:
    // Send was pressed with some text in the box.
    void sendRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Escape closes the window, as its close box does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onSendClicked();
    void onTextClicked();
    void setMessageBackground(const QColor& color);

    QLabel* m_prompt;
    MessageTextBox* m_text;
    QPushButton* m_sendButton;
};
