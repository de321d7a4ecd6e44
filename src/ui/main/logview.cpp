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
    m_repaint.setSingleShot(true);
    connect(&m_repaint, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
}

const QStaticText& LogView::laidOut(const QString& line) {
    auto found = m_layouts.find(line);
    if (found != m_layouts.end())
        return *found;
    // The log's own lines come back again and again; a text seen once in a while (a long
    // run of different times, say) only makes the cache start afresh.
    if (m_layouts.size() >= 128)
        m_layouts.clear();
    QStaticText text(line);
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    text.prepare(QTransform(), font());
    return *m_layouts.insert(line, text);
}

void LogView::addEntry(const QStringList& lines) {
    trimLog(m_lines, int(lines.size()));
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        m_lines.prepend(lines.at(i));
    updateScrollRange();
    scheduleRepaint();
}

void LogView::scheduleRepaint() {
    const qint64 since = m_sinceLastPaint.isValid() ? m_sinceLastPaint.elapsed() : kMinPaintGapMs;
    if (since >= kMinPaintGapMs)
        viewport()->update();
    else if (!m_repaint.isActive())
        m_repaint.start(int(kMinPaintGapMs - since));
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
    for (int row = first, y = 0; row < m_lines.size() && y < height; ++row, y += m_lineHeight)
        p.drawStaticText(kTextIndent, y, laidOut(m_lines.at(row)));
    m_sinceLastPaint.start();
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void LogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_lineHeight = qMax(1, fontMetrics().height());
        m_layouts.clear();
        updateScrollRange();
    }
}
