// The window that collects the messages the server sends.
#pragma once

#include <QString>
#include <QTextCharFormat>
#include <QTime>
#include <QWidget>
#include <deque>

class QPlainTextEdit;
class QPushButton;

class ReceivedMessagesWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReceivedMessagesWindow(QWidget* parent = nullptr);

    // One message as it is added to the history: a heading with the time and the sender, the
    // message indented by two blanks, and a rule of hyphens with no line break after it.
    static QString messageBlock(const QString& message, const QString& peerAddress,
                                const QTime& time);

    // The rule that ends every block: one blank and 105 hyphens.
    static QString messageRule();

    // The history keeps the newest blocks up to this many characters (1 MiB of the server's
    // text, a byte a character); older blocks are dropped whole.
    static constexpr qsizetype kMaxHistoryChars = 1024 * 1024;

    // Adds one block to the end of the history and scrolls it into view.
    void appendMessage(const QString& message, const QString& peerAddress, const QTime& time);
    // The whole history, byte for byte (line breaks as CR LF).
    const QString& historyText() const { return m_historyText; }

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextCharFormat ruleFormat() const;
    void dropOldestBlocks();

    // One block of the history: its length in the history text and in the text box.
    struct KeptBlock {
        qsizetype historyChars;
        int boxChars;
    };
    std::deque<KeptBlock> m_blocks;

    QPushButton* m_focusSink;
    QPlainTextEdit* m_history;
    QString m_historyText;
};
