// The received-messages window: every message that arrives while it is open is added to one
// running text; the tray shows that a message waits until the user closes the window.
#include "ui/messages/receivedmessages.h"

#include "app/environment.h"
#include "link/displaystate.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/form1.h"
#include "ui/main/placement.h"
#include "ui/main/statuslog.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QPointer<ReceivedMessagesForm> gReceivedForm;

const QString CRLF = QStringLiteral("\r\n");

// The text box shows each CR LF, CR or LF as one line break.
QString forDisplay(const QString& text) {
    QString shown = text;
    shown.replace(CRLF, QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// The tray belongs to the main window; once that is gone or shutting down it is left alone.
Form1* liveMainForm() {
    Form1* main = mainForm();
    return main && !main->shutdownDone() ? main : nullptr;
}

} // namespace

ReceivedMessagesForm::ReceivedMessagesForm(QWidget* parent) : QWidget(parent, CLOSE_ONLY_WINDOW) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("RECEIVED_MESSAGES_FORM"));
    setWindowTitle(QStringLiteral("Messages Received..."));
    setWindowIcon(artwork::receivedMessagesWindowIcon());
    setFixedSize(361, 187); // 5415 x 2805 twips

    // Lies beyond the right edge: it only holds the focus, so the text box never gets it on open.
    TAB_0_BUTTON = new QPushButton(QStringLiteral("TAB 0"), this);
    TAB_0_BUTTON->setObjectName(QStringLiteral("TAB_0_BUTTON"));
    TAB_0_BUTTON->setGeometry(twips(5640, 120, 855, 375));
    TAB_0_BUTTON->setAutoDefault(false);

    MESSAGES_LIST = new QPlainTextEdit(this);
    MESSAGES_LIST->setObjectName(QStringLiteral("MESSAGES_LIST"));
    MESSAGES_LIST->setGeometry(twips(120, 120, 5175, 2535));
    MESSAGES_LIST->setReadOnly(true);
    MESSAGES_LIST->setUndoRedoEnabled(false);
    MESSAGES_LIST->setFont(msSansSerifFont(8.25));
    MESSAGES_LIST->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MESSAGES_LIST->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MESSAGES_LIST->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette listPal = MESSAGES_LIST->palette();
    listPal.setColor(QPalette::Base, Qt::black);
    listPal.setColor(QPalette::Text, Qt::white);
    MESSAGES_LIST->setPalette(listPal);
    MESSAGES_LIST->setStyleSheet(darkScrollBarStyle());

    setTabOrder(TAB_0_BUTTON, MESSAGES_LIST);
    TAB_0_BUTTON->setFocus();
}

ReceivedMessagesForm::~ReceivedMessagesForm() {
    if (gReceivedForm == this)
        gReceivedForm = nullptr;
}

QString ReceivedMessagesForm::messageRule() {
    return QLatin1Char(' ') + QString(105, QLatin1Char('-'));
}

QString ReceivedMessagesForm::messageBlock(const QString& message, const QString& peerAddress,
                                           const QTime& time) {
    return QStringLiteral(" Received at ") + formatTime12(time) +
           QStringLiteral(" from IP Address ") + peerAddress + QStringLiteral("...") + CRLF +
           QStringLiteral("  ") + message + CRLF + messageRule();
}

QTextCharFormat ReceivedMessagesForm::ruleFormat() const {
    // The rule is meant to fill one line of the box, so that the next block's heading, which
    // follows it without a line break, wraps onto a line of its own. Where the hyphens come out
    // wider than the box they are drawn closer together instead of being broken across lines.
    QTextCharFormat format;
    const QString rule = messageRule();
    const qreal natural = QFontMetricsF(MESSAGES_LIST->font()).horizontalAdvance(rule);
    const qreal room =
        MESSAGES_LIST->viewport()->width() - 2 * MESSAGES_LIST->document()->documentMargin() - 2;
    if (room > 0 && natural > room) {
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing((room - natural) / rule.size());
    }
    return format;
}

void ReceivedMessagesForm::appendMessage(const QString& message, const QString& peerAddress,
                                         const QTime& time) {
    const QString block = messageBlock(message, peerAddress, time);
    history_ += block;
    // Inserted as plain text at the end: nothing the server sends is read as markup.
    const QString rule = messageRule();
    QTextCursor end(MESSAGES_LIST->document());
    end.movePosition(QTextCursor::End);
    end.insertText(forDisplay(block.left(block.size() - rule.size())), QTextCharFormat());
    end.insertText(rule, ruleFormat());
    // The newest block comes into view; the caret and any selection stay where they were.
    QScrollBar* bar = MESSAGES_LIST->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// Black behind the controls, painted rather than set in the palette so that the controls keep
// their own colours (a black palette would also blacken the scroll bar).
void ReceivedMessagesForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void ReceivedMessagesForm::closeEvent(QCloseEvent* event) {
    if (gReceivedForm == this)
        gReceivedForm = nullptr;
    // Only the tray changes; the main window is never shown from here.
    if (Form1* main = liveMainForm())
        main->showDisplayState(DisplayState::WAITING);
    event->accept();
}

ReceivedMessagesForm* receivedMessagesForm() {
    return gReceivedForm;
}

void showReceivedMessage(const QString& text, const QString& peerAddress) {
    // Brought to the front but not activated: the user may be typing elsewhere.
    showSingleWindow(
        gReceivedForm, [] { return new ReceivedMessagesForm; }, false);
    gReceivedForm->appendMessage(text, peerAddress, currentDateTime().time());
    if (Form1* main = liveMainForm())
        main->showDisplayState(DisplayState::MESSAGE_WAITING);
}
