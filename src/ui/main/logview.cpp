#include "ui/main/logview.h"

#include "ui/main/accessibility.h"
#include "ui/main/statuslog.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>

namespace {
// Where the text starts in a line, as in a plain list box.
constexpr int kTextIndent = 3;

// One line of the log as assistive tools see it: a list item carrying the line's whole text,
// however much of it the log has room to show.
class LogLineAccessible : public QAccessibleInterface {
public:
    LogLineAccessible(LogView* view, quint64 serial) : m_view(view), m_serial(serial) {}

    bool isValid() const override { return row() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        const int r = row();
        return t == QAccessible::Name && r >= 0 ? m_view->lines().at(r) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const int r = row();
        if (r < 0)
            return {};
        const QRect shown = m_view->lineRect(r);
        if (shown.isEmpty())
            return {};
        return QRect(m_view->viewport()->mapToGlobal(shown.topLeft()), shown.size());
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const int r = row();
        if (r < 0)
            return s;
        s.readOnly = true;
        s.focusable = true;
        if (m_view->lineRect(r).isEmpty()) {
            s.invisible = true;
            s.offscreen = true;
        }
        s.focused = r == m_view->currentRow();
        return s;
    }
    int row() const { return m_view ? m_view->rowOfSerial(m_serial) : -1; }

private:
    QPointer<LogView> m_view;
    quint64 m_serial;
};

// The log as a list of its lines.
class LogAccessible : public QAccessibleWidget {
public:
    explicit LogAccessible(LogView* view) : QAccessibleWidget(view, QAccessible::List) {}

    int childCount() const override { return int(view()->lines().size()); }
    QAccessibleInterface* child(int index) const override { return view()->lineInterface(index); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return view()->rowOfLine(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
        for (int row = 0; row < childCount(); ++row)
            if (view()->lineRect(row).contains(at))
                return child(row);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const int row = view()->currentRow();
        return row >= 0 ? child(row) : nullptr;
    }

private:
    LogView* view() const { return static_cast<LogView*>(widget()); }
};

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

LogView::~LogView() {
    for (QAccessible::Id id : std::as_const(m_lineItems))
        QAccessible::deleteAccessibleInterface(id);
}

void LogView::addEntry(const QStringList& lines) {
    QStringList kept = m_lines;
    trimLog(kept, int(lines.size()));
    const QList<quint64> dropped = m_serials.mid(kept.size());
    // Assistive tools hear of a line's going while they can still ask what it was.
    tellLineChanges(dropped, 0);
    m_lines = kept;
    m_serials.resize(kept.size());
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        m_lines.prepend(lines.at(i));
        m_serials.prepend(m_nextSerial + quint64(i));
    }
    m_nextSerial += quint64(lines.size());
    m_newestEntryLines = int(lines.size());
    updateScrollRange();
    scheduleRepaint();
    tellLineChanges({}, int(lines.size()));
}

void LogView::tellLineChanges(const QList<quint64>& dropped, int added) {
    for (quint64 serial : dropped) {
        const auto item = m_lineItems.find(serial);
        if (item == m_lineItems.end())
            continue;
        const QAccessible::Id id = *item;
        m_lineItems.erase(item);
        QAccessibleEvent gone(QAccessible::accessibleInterface(id), QAccessible::ObjectDestroyed);
        tellAssistiveTools(&gone);
        QAccessible::deleteAccessibleInterface(id);
    }
    if (added == 0 || !assistiveToolsListening())
        return;
    for (int row = 0; row < added; ++row) {
        QAccessibleEvent made(lineInterface(row), QAccessible::ObjectCreated);
        tellAssistiveTools(&made);
    }
    if (currentRow() >= 0) {
        QAccessibleEvent current(lineInterface(currentRow()), QAccessible::Focus);
        tellAssistiveTools(&current);
    }
}

QAccessibleInterface* LogView::makeAccessible(LogView* view) {
    return new LogAccessible(view);
}

QAccessibleInterface* LogView::lineInterface(int row) const {
    if (row < 0 || row >= m_serials.size())
        return nullptr;
    const quint64 serial = m_serials.at(row);
    auto found = m_lineItems.constFind(serial);
    if (found != m_lineItems.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* item = new LogLineAccessible(const_cast<LogView*>(this), serial);
    m_lineItems.insert(serial, QAccessible::registerAccessibleInterface(item));
    return item;
}

int LogView::rowOfLine(const QAccessibleInterface* item) const {
    if (!item || item->role() != QAccessible::ListItem || item->object())
        return -1;
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(item));
    for (auto it = m_lineItems.constBegin(); it != m_lineItems.constEnd(); ++it)
        if (*it == id)
            return rowOfSerial(it.key());
    return -1;
}

int LogView::rowOfSerial(quint64 serial) const {
    return int(m_serials.indexOf(serial));
}

QRect LogView::lineRect(int row) const {
    const int y = (row - verticalScrollBar()->value()) * m_lineHeight;
    if (row < 0 || row >= m_lines.size() || y < 0 || y >= viewport()->height())
        return {};
    return QRect(0, y, viewport()->width(), m_lineHeight);
}

int LogView::currentRow() const {
    return hasFocus() && m_newestEntryLines > 0 ? m_newestEntryLines - 1 : -1;
}

void LogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (currentRow() >= 0 && assistiveToolsListening()) {
        QAccessibleEvent current(lineInterface(currentRow()), QAccessible::Focus);
        tellAssistiveTools(&current);
    }
}

// A line cut at the log's right edge shows its whole text as the tooltip; elsewhere the log's
// own tooltip shows.
bool LogView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        const int row = verticalScrollBar()->value() + at.y() / m_lineHeight;
        if (row >= 0 && row < m_lines.size() &&
            kTextIndent + fontMetrics().horizontalAdvance(m_lines.at(row)) > viewport()->width()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_lines.at(row),
                               viewport(), lineRect(row));
            return true;
        }
    }
    return QAbstractScrollArea::viewportEvent(event);
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
