// The received-messages window: every message that arrives while it is open is added to one
// running text; the tray shows that a message waits until the user closes the window.
#include "ui/messages/receivedmessages.h"

#include "app/environment.h"
#include "ui/main/accessibility.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/statuslog.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// The text box shows each CR LF, CR or LF as one line break.
QString forDisplay(const QString& text) {
    QString shown = text;
    shown.replace(CRLF, QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace

ReceivedMessagesWindow::ReceivedMessagesWindow(QWidget* parent)
    : QWidget(parent, kCloseOnlyWindow) {
    setAccessibleRole(this, QAccessible::Dialog);
    installAccessibleInterfaces();
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("receivedMessagesWindow"));
    setWindowTitle(QStringLiteral("Messages Received..."));
    setWindowIcon(artwork::receivedMessagesWindowIcon());
    setFixedSize(361, 187); // 5415 x 2805 twips

    // Lies beyond the right edge: it only holds the focus, so the text box never gets it on open.
    // The Tab key leads from it to the text box.
    m_focusSink = new HelperButton(QStringLiteral("TAB 0"), this);
    m_focusSink->setObjectName(QStringLiteral("focusSink"));
    m_focusSink->setGeometry(twips(5640, 120, 855, 375));

    m_history = new QPlainTextEdit(this);
    m_history->setObjectName(QStringLiteral("history"));
    m_history->setGeometry(twips(120, 120, 5175, 2535));
    m_history->setReadOnly(true);
    // Read-only, but the keyboard can move through the text and select it.
    m_history->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_history->setAccessibleName(QStringLiteral("Received messages"));
    m_history->setUndoRedoEnabled(false);
    m_history->setFont(msSansSerifFont(8.25));
    m_history->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_history->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_history->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette listPal = m_history->palette();
    listPal.setColor(QPalette::Base, Qt::black);
    listPal.setColor(QPalette::Text, Qt::white);
    m_history->setPalette(listPal);
    m_history->setStyleSheet(darkScrollBarStyle());

    setTabOrder(m_focusSink, m_history);
    // The sink keeps the caret out of the text. A screen reader, which has nothing to read on
    // the sink, gets the focus on the messages themselves, so that the arrival is read out.
    if (assistiveToolsListening())
        m_history->setFocus();
    else
        m_focusSink->setFocus();
}

QString ReceivedMessagesWindow::messageRule() {
    return QLatin1Char(' ') + QString(105, QLatin1Char('-'));
}

QString ReceivedMessagesWindow::messageBlock(const QString& message, const QString& peerAddress,
                                             const QTime& time) {
    return QStringLiteral(" Received at ") + formatTime12(time) +
           QStringLiteral(" from IP Address ") + peerAddress + QStringLiteral("...") + CRLF +
           QStringLiteral("  ") + message + CRLF + messageRule();
}

QTextCharFormat ReceivedMessagesWindow::ruleFormat() const {
    // The rule is meant to fill one line of the box, so that the next block's heading, which
    // follows it without a line break, wraps onto a line of its own. Where the hyphens come out
    // wider than the box they are drawn closer together instead of being broken across lines.
    QTextCharFormat format;
    const QString rule = messageRule();
    const qreal natural = QFontMetricsF(m_history->font()).horizontalAdvance(rule);
    const qreal room =
        m_history->viewport()->width() - 2 * m_history->document()->documentMargin() - 2;
    if (room > 0 && natural > room) {
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing((room - natural) / rule.size());
    }
    return format;
}

void ReceivedMessagesWindow::appendMessage(const QString& message, const QString& peerAddress,
                                           const QTime& time) {
    const QString block = messageBlock(message, peerAddress, time);
    m_historyText += block;
    // Inserted as plain text at the end, the text before it left as it is: nothing the server
    // sends is read as markup.
    const QString rule = messageRule();
    QTextDocument* document = m_history->document();
    const int before = document->characterCount();
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.insertText(forDisplay(block.left(block.size() - rule.size())), QTextCharFormat());
    end.insertText(rule, ruleFormat());
    m_blocks.push_back({block.size(), document->characterCount() - before});
    dropOldestBlocks();
    // The newest block comes into view; the caret and any selection stay where they were.
    QScrollBar* bar = m_history->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// A server that sends without pause must not fill the memory: only the newest blocks are kept,
// and the oldest go whole, from the history and from the text box alike. The newest block always
// stays.
void ReceivedMessagesWindow::dropOldestBlocks() {
    qsizetype historyChars = 0;
    int boxChars = 0;
    while (m_blocks.size() > 1 && m_historyText.size() - historyChars > kMaxHistoryChars) {
        historyChars += m_blocks.front().historyChars;
        boxChars += m_blocks.front().boxChars;
        m_blocks.pop_front();
    }
    if (historyChars == 0)
        return;
    m_historyText.remove(0, historyChars);
    QTextCursor oldest(m_history->document());
    oldest.setPosition(boxChars, QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

// Black behind the controls, painted rather than set in the palette so that the controls keep
// their own colours (a black palette would also blacken the scroll bar).
void ReceivedMessagesWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void ReceivedMessagesWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

void ReceivedMessagesWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}
