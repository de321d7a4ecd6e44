// The window in which the user writes a message for the server.
#pragma once

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

    int maxLength() const { return maxLength_; }
    void setMaxLength(int n) { maxLength_ = n; }
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

    int maxLength_ = 32767;
};

class SendMessageForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int MAX_MESSAGE_LENGTH = 350;
    static inline const QColor NORMAL_BACKGROUND{255, 255, 255};
    static inline const QColor EMPTY_MESSAGE_BACKGROUND{255, 192, 192};

    explicit SendMessageForm(QWidget* parent = nullptr);
    ~SendMessageForm() override;

    void SEND_THE_MESSAGE_BUTTON_Click();
    void MESSAGE_TEXT_Click();

    QColor messageBackground() const;

    QLabel* Label3;
    MessageTextBox* MESSAGE_TEXT;
    QPushButton* SEND_THE_MESSAGE_BUTTON;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setMessageBackground(const QColor& color);
};

// The open send-message window, or null.
SendMessageForm* sendMessageForm();
// Shows the window (creating it first if needed) and brings it forward.
void showSendMessageForm();
// The text the window holds now; empty when it is not open.
QString sendMessageFormText();
// Closes the window, discarding its text; nothing when it is not open.
void closeSendMessageForm();
