#include "ui/options/ipbox.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// The leading digits of a part, as the number a part may show ("" when there are none).
QString partText(const QString& raw) {
    const QString t = raw.trimmed();
    qsizetype n = 0;
    while (n < t.size() && t.at(n) >= QLatin1Char('0') && t.at(n) <= QLatin1Char('9'))
        ++n;
    if (n == 0)
        return QString();
    // Leading zeros dropped; anything longer than three digits is beyond 255 anyway.
    QString digits = t.left(n);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 3 || digits.toInt() > 255)
        return QStringLiteral("255");
    return digits;
}

} // namespace

// One number part. Dot, blank and comma move on to the next part, the arrow keys and Backspace
// cross into the neighbouring parts at their edges, and a whole address can be pasted anywhere.
class IpPartEdit : public QLineEdit {
public:
    IpPartEdit(IpAddressBox* box, int index) : QLineEdit(box), box_(box), index_(index) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Paste)) {
            const QString clip = QApplication::clipboard()->text().trimmed();
            if (clip.contains(QLatin1Char('.'))) {
                box_->setAddress(clip);
                emit box_->addressEdited();
                box_->focusPart(3, IpAddressBox::Caret::End);
                return;
            }
            QLineEdit::keyPressEvent(e);
            return;
        }
        const QString typed = e->text();
        const bool noMods = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (noMods && (typed == QLatin1String(".") || typed == QLatin1String(" ") ||
                       typed == QLatin1String(","))) {
            if (!text().isEmpty() && !hasSelectedText() && index_ < 3)
                box_->focusPart(index_ + 1, IpAddressBox::Caret::SelectAll);
            return;
        }
        const bool atStart = cursorPosition() == 0 && !hasSelectedText();
        const bool atEnd = cursorPosition() == text().size() && !hasSelectedText();
        if (e->key() == Qt::Key_Backspace && atStart && index_ > 0) {
            box_->focusPart(index_ - 1, IpAddressBox::Caret::End);
            return;
        }
        if (e->key() == Qt::Key_Left && e->modifiers() == Qt::NoModifier && atStart && index_ > 0) {
            box_->focusPart(index_ - 1, IpAddressBox::Caret::End);
            return;
        }
        if (e->key() == Qt::Key_Right && e->modifiers() == Qt::NoModifier && atEnd && index_ < 3) {
            box_->focusPart(index_ + 1, IpAddressBox::Caret::Start);
            return;
        }
        // A fourth digit typed at the end of a full part goes on into the next part.
        if (noMods && typed.size() == 1 && typed.at(0).isDigit() && text().size() == 3 && atEnd &&
            index_ < 3) {
            box_->focusPart(index_ + 1, IpAddressBox::Caret::SelectAll);
            box_->part(index_ + 1)->insert(typed);
            return;
        }
        QLineEdit::keyPressEvent(e);
    }

private:
    IpAddressBox* box_;
    int index_;
};

IpAddressBox::IpAddressBox(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral(
        "IpAddressBox { background: white; border: 1px solid #7a7a7a; }"
        "QLineEdit { background: white; color: black; border: none; padding: 0; margin: 0; }"
        "QLabel { background: white; color: black; }"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(0);
    const auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        auto* edit = new IpPartEdit(this, i);
        edit->setObjectName(QStringLiteral("part%1").arg(i));
        edit->setValidator(digits);
        edit->setMaxLength(3);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMinimumWidth(10);
        edit->setAccessibleName(QStringLiteral("IP address part %1").arg(i + 1));
        connect(edit, &QLineEdit::textEdited, this, [this, i] { partEdited(i); });
        parts_[size_t(i)] = edit;
        row->addWidget(edit, 1);
        if (i < 3) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            dot->setFixedWidth(4);
            row->addWidget(dot, 0);
        }
    }
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(parts_[0]);
}

QString IpAddressBox::address() const {
    QStringList out;
    for (const QLineEdit* p : parts_)
        out << (p->text().isEmpty() ? QStringLiteral("0") : QString::number(p->text().toInt()));
    return out.join(QLatin1Char('.'));
}

void IpAddressBox::setAddress(const QString& text) {
    const QStringList pieces = text.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        parts_[size_t(i)]->setText(i < pieces.size() ? partText(pieces.at(i)) : QString());
}

void IpAddressBox::clear() {
    for (QLineEdit* p : parts_)
        p->clear();
}

bool IpAddressBox::isEmpty() const {
    for (const QLineEdit* p : parts_)
        if (!p->text().isEmpty())
            return false;
    return true;
}

void IpAddressBox::changeEvent(QEvent* e) {
    QFrame::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->setFont(font());
}

void IpAddressBox::focusPart(int index, Caret caret) {
    QLineEdit* p = parts_[size_t(index)];
    p->setFocus(Qt::OtherFocusReason);
    switch (caret) {
    case Caret::Start:
        p->setCursorPosition(0);
        break;
    case Caret::End:
        p->deselect();
        p->setCursorPosition(int(p->text().size()));
        break;
    case Caret::SelectAll:
        p->selectAll();
        break;
    }
}

void IpAddressBox::partEdited(int index) {
    QLineEdit* p = parts_[size_t(index)];
    // Numbers above 255 are cut back to 255, leading zeros go.
    const QString shown = partText(p->text());
    if (shown != p->text())
        p->setText(shown);
    emit addressEdited();
    // A full part moves on to the next one.
    if (shown.size() == 3 && p->cursorPosition() == shown.size() && index < 3)
        focusPart(index + 1, Caret::SelectAll);
}
