// The send-message window: the user writes a message, Send starts a command connection, and the
// command channel reads the text from the box once the connection is up, then closes the window.
#include "ui/messages/sendmessage.h"

#include "link/wire.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/form1.h"
#include "ui/main/placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QPointer<SendMessageForm> gSendForm;

bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
           c == QChar::LineSeparator;
}

// Every kind of line break (CR LF, CR, LF, the document's separators) as a single '\n'.
QString withPlainBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue; // the LF that follows stands for the pair
        out += isLineBreak(c) ? QChar(QLatin1Char('\n')) : c;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MessageTextBox

MessageTextBox::MessageTextBox(QWidget* parent) : QPlainTextEdit(parent) {}

int MessageTextBox::wireLength(const QString& text) {
    const QString plain = withPlainBreaks(text);
    return int(plain.size() + plain.count(QLatin1Char('\n')));
}

int MessageTextBox::wireLength() const {
    return wireLength(document()->toRawText());
}

QString MessageTextBox::wireText() const {
    // The raw text: non-breaking spaces stay what the user typed.
    QString text = withPlainBreaks(document()->toRawText());
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

int MessageTextBox::roomForInsert() const {
    const int kept = wireLength() - wireLength(textCursor().selectedText());
    return qMax(0, maxLength_ - kept);
}

QString MessageTextBox::fitting(const QString& text, int room) {
    const QString plain = withPlainBreaks(text);
    qsizetype n = 0;
    while (n < plain.size()) {
        const QChar c = plain.at(n);
        // A surrogate pair is taken whole or not at all.
        const int units =
            (c.isHighSurrogate() && n + 1 < plain.size() && plain.at(n + 1).isLowSurrogate()) ? 2
                                                                                              : 1;
        const int cost = c == QLatin1Char('\n') ? 2 : units;
        if (cost > room)
            break;
        room -= cost;
        n += units;
    }
    return plain.left(n);
}

bool MessageTextBox::insertLimited(const QString& text) {
    const QString part = fitting(text, roomForInsert());
    if (part.isEmpty())
        return text.isEmpty();
    QTextCursor cursor = textCursor();
    cursor.insertText(part);
    setTextCursor(cursor);
    ensureCursorVisible();
    return part.size() == withPlainBreaks(text).size();
}

void MessageTextBox::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || !source || !source->hasText())
        return;
    if (!insertLimited(source->text()))
        QApplication::beep();
}

void MessageTextBox::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Every Enter, shifted or not, makes the one kind of line break the wire knows.
        if (!insertLimited(QStringLiteral("\n")))
            QApplication::beep();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool inserts = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) &&
                         !event->matches(QKeySequence::Paste);
    if (inserts && wireLength(typed) > roomForInsert()) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MessageTextBox::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (!isReadOnly() && !commit.isEmpty()) {
        const QString part = fitting(commit, roomForInsert());
        if (part.size() != commit.size()) {
            QApplication::beep();
            event->setCommitString(part, event->replacementStart(), event->replacementLength());
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void MessageTextBox::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

// ---------------------------------------------------------------------------------------------
// SendMessageForm

SendMessageForm::SendMessageForm(QWidget* parent) : QWidget(parent, CLOSE_ONLY_WINDOW) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("SEND_MESSAGE_FORM"));
    setWindowTitle(QStringLiteral("Send a Message to the Server..."));
    setWindowIcon(artwork::sendMessageWindowIcon());
    setFixedSize(306, 161); // 4590 x 2415 twips

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setText(
        QStringLiteral("Type your message (maximum of 350 characters) and click on send:"));
    Label3->setFont(arialFont(6.75));
    Label3->setGeometry(twips(120, 120, 4455, 255));
    QPalette labelPal = Label3->palette();
    labelPal.setColor(QPalette::WindowText, Qt::white);
    Label3->setPalette(labelPal);

    MESSAGE_TEXT = new MessageTextBox(this);
    MESSAGE_TEXT->setObjectName(QStringLiteral("MESSAGE_TEXT"));
    MESSAGE_TEXT->setGeometry(twips(120, 360, 3615, 1845));
    MESSAGE_TEXT->setFont(msSansSerifFont(8.25));
    MESSAGE_TEXT->setMaxLength(MAX_MESSAGE_LENGTH);
    MESSAGE_TEXT->setToolTip(QStringLiteral("Type a message to send in this box..."));
    MESSAGE_TEXT->setTabChangesFocus(true);
    MESSAGE_TEXT->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MESSAGE_TEXT->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MESSAGE_TEXT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette textPal = MESSAGE_TEXT->palette();
    textPal.setColor(QPalette::Text, Qt::black);
    MESSAGE_TEXT->setPalette(textPal);
    setMessageBackground(NORMAL_BACKGROUND);

    SEND_THE_MESSAGE_BUTTON = new QPushButton(this);
    SEND_THE_MESSAGE_BUTTON->setObjectName(QStringLiteral("SEND_THE_MESSAGE_BUTTON"));
    SEND_THE_MESSAGE_BUTTON->setGeometry(twips(3840, 360, 645, 300));
    SEND_THE_MESSAGE_BUTTON->setIcon(QIcon(artwork::sendButtonPicture()));
    SEND_THE_MESSAGE_BUTTON->setIconSize(QSize(38, 16));
    SEND_THE_MESSAGE_BUTTON->setToolTip(QStringLiteral("Click here to send the message..."));
    SEND_THE_MESSAGE_BUTTON->setAutoDefault(false);

    setTabOrder(MESSAGE_TEXT, SEND_THE_MESSAGE_BUTTON);

    connect(SEND_THE_MESSAGE_BUTTON, &QPushButton::clicked, this,
            &SendMessageForm::SEND_THE_MESSAGE_BUTTON_Click);
    connect(MESSAGE_TEXT, &MessageTextBox::clicked, this, &SendMessageForm::MESSAGE_TEXT_Click);

    MESSAGE_TEXT->setFocus();
}

SendMessageForm::~SendMessageForm() {
    if (gSendForm == this)
        gSendForm = nullptr;
}

QColor SendMessageForm::messageBackground() const {
    return MESSAGE_TEXT->palette().color(QPalette::Base);
}

void SendMessageForm::setMessageBackground(const QColor& color) {
    QPalette pal = MESSAGE_TEXT->palette();
    pal.setColor(QPalette::Base, color);
    MESSAGE_TEXT->setPalette(pal);
}

void SendMessageForm::MESSAGE_TEXT_Click() {
    setMessageBackground(NORMAL_BACKGROUND);
}

void SendMessageForm::SEND_THE_MESSAGE_BUTTON_Click() {
    if (MESSAGE_TEXT->toPlainText().isEmpty()) {
        setMessageBackground(EMPTY_MESSAGE_BACKGROUND);
        return;
    }
    Form1* main = mainForm();
    if (!main)
        return;
    main->addLogEntry({QStringLiteral("     Sending a message to Server")});
    PENDING_COMMAND = CMD_MESSAG;
    main->openCommandConnection();
    // The connection may come up in here, send the text and close this window: nothing after
    // this line may touch the window.
    QCoreApplication::processEvents();
}

// Black behind the controls, painted rather than set in the palette so that the controls keep
// their own colours (a black palette would also blacken the scroll bar).
void SendMessageForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void SendMessageForm::closeEvent(QCloseEvent* event) {
    // From here on the text counts as gone, even before the window itself is deleted.
    if (gSendForm == this)
        gSendForm = nullptr;
    event->accept();
}

// ---------------------------------------------------------------------------------------------

SendMessageForm* sendMessageForm() {
    return gSendForm;
}

void showSendMessageForm() {
    showSingleWindow(gSendForm, [] { return new SendMessageForm; });
}

QString sendMessageFormText() {
    return gSendForm ? gSendForm->MESSAGE_TEXT->wireText() : QString();
}

void closeSendMessageForm() {
    SendMessageForm* form = gSendForm;
    gSendForm = nullptr;
    if (form)
        form->close();
}

void Form1::SEND_MESSAGE_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    showSendMessageForm();
}
