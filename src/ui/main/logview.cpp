#include "ui/main/logview.h"

#include "ui/main/statuslog.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>

namespace {
// Where the text starts in a line, as in a plain list box.
constexpr int kTextIndent = 3;
} // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    // Tab reaches the log, and the arrow and page keys scroll it.
    setFocusPolicy(Qt::StrongFocus);
    m_lineHeight = qMax(1, fontMetrics().height());
}

QStaticText LogView::laidOut(const QString& line) const {
    QStaticText text(line);
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    text.prepare(QTransform(), font());
    return text;
}

void LogView::addEntry(const QStringList& lines) {
    trimLog(m_lines, int(lines.size()));
    while (m_laidOut.size() > m_lines.size())
        m_laidOut.removeLast();
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        m_lines.prepend(lines.at(i));
        m_laidOut.prepend(QStaticText()); // laid out when first painted
    }
    updateScrollRange();
    viewport()->update();
}

void LogView::updateScrollRange() {
    const int visible = viewport()->height() / m_lineHeight;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, qMax(0, int(m_lines.size()) - visible));
    bar->setPageStep(qMax(1, visible));
}

void LogView::paintEvent(QPaintEvent*) {
    ++m_paints;
    QPainter p(viewport());
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const int first = verticalScrollBar()->value();
    const int height = viewport()->height();
    for (int row = first, y = 0; row < m_laidOut.size() && y < height; ++row, y += m_lineHeight) {
        // A line is laid out once, the first time it is seen; lines pushed out by a burst of
        // entries before the next paint are never laid out at all.
        QStaticText& text = m_laidOut[row];
        if (text.text().isEmpty() && !m_lines.at(row).isEmpty())
            text = laidOut(m_lines.at(row));
        p.drawStaticText(kTextIndent, y, text);
    }
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void LogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_lineHeight = qMax(1, fontMetrics().height());
        for (int i = 0; i < m_lines.size(); ++i)
            m_laidOut[i] = QStaticText();
        updateScrollRange();
    }
}
