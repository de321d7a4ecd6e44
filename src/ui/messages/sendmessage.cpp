// The send-message window: the user writes a message, Send starts a command connection, and the
// command channel reads the text from the box once the connection is up, then closes the window.
#include "ui/messages/sendmessage.h"

#include "ui/main/accessibility.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"

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
    return qMax(0, m_maxLength - kept);
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
// SendMessageWindow

SendMessageWindow::SendMessageWindow(QWidget* parent) : QWidget(parent, kCloseOnlyWindow) {
    setAccessibleRole(this, QAccessible::Dialog);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("sendMessageWindow"));
    setWindowTitle(QStringLiteral("Send a Message to the Server..."));
    setWindowIcon(artwork::sendMessageWindowIcon());
    setFixedSize(306, 161); // 4590 x 2415 twips

    m_prompt = new QLabel(this);
    m_prompt->setObjectName(QStringLiteral("prompt"));
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setText(
        QStringLiteral("Type your message (maximum of 350 characters) and click on send:"));
    m_prompt->setFont(arialFont(6.75));
    m_prompt->setGeometry(twips(120, 120, 4455, 255));
    QPalette labelPal = m_prompt->palette();
    labelPal.setColor(QPalette::WindowText, Qt::white);
    m_prompt->setPalette(labelPal);

    m_text = new MessageTextBox(this);
    m_text->setObjectName(QStringLiteral("messageText"));
    m_text->setGeometry(twips(120, 360, 3615, 1845));
    m_text->setFont(msSansSerifFont(8.25));
    m_text->setMaxLength(kMaxMessageLength);
    m_text->setToolTip(QStringLiteral("Type a message to send in this box..."));
    m_text->setAccessibleName(QStringLiteral("Message"));
    m_prompt->setBuddy(m_text);
    m_text->setTabChangesFocus(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette textPal = m_text->palette();
    textPal.setColor(QPalette::Text, Qt::black);
    m_text->setPalette(textPal);
    setMessageBackground(kNormalBackground);

    m_sendButton = new QPushButton(this);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sendButton->setGeometry(twips(3840, 360, 645, 300));
    m_sendButton->setIcon(QIcon(artwork::sendButtonPicture()));
    m_sendButton->setIconSize(QSize(38, 16));
    m_sendButton->setToolTip(QStringLiteral("Click here to send the message..."));
    m_sendButton->setAccessibleName(QStringLiteral("Send"));
    m_sendButton->setAutoDefault(false);
    pressWithEnter(m_sendButton);

    setTabOrder(m_text, m_sendButton);

    connect(m_sendButton, &QPushButton::clicked, this, &SendMessageWindow::onSendClicked);
    connect(m_text, &MessageTextBox::clicked, this, &SendMessageWindow::onTextClicked);

    m_text->setFocus();
}

QColor SendMessageWindow::messageBackground() const {
    return m_text->palette().color(QPalette::Base);
}

void SendMessageWindow::setMessageBackground(const QColor& color) {
    QPalette pal = m_text->palette();
    pal.setColor(QPalette::Base, color);
    m_text->setPalette(pal);
}

void SendMessageWindow::onTextClicked() {
    setMessageBackground(kNormalBackground);
}

void SendMessageWindow::onSendClicked() {
    if (m_text->toPlainText().isEmpty()) {
        setMessageBackground(kEmptyMessageBackground);
        return;
    }
    emit sendRequested();
}

// Black behind the controls, painted rather than set in the palette so that the controls keep
// their own colours (a black palette would also blacken the scroll bar).
void SendMessageWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void SendMessageWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

QString SendMessageWindow::messageText() const {
    return m_text->wireText();
}
