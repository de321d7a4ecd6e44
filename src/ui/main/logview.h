// The running log's view: fixed-height single lines, newest on top. A line's text is laid out
// once, the first time it is painted, and kept by its text (the log repeats the same few lines),
// so painting only places laid-out lines. Inserts repaint at most once per pass of the event
// loop and at most once per frame (16 ms), however many lines arrive meanwhile.
//
// For screen readers the log is a list whose items are its lines, each with its whole text. A
// line keeps its item while it stays in the log, so that a new entry is told as lines added on
// top (and lines gone from the bottom as removed), not as every line changing its text. While
// the log has the keyboard focus, the newest entry's last line becomes its current item, which
// is how a screen reader comes to read a new entry.
#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QElapsedTimer>
#include <QHash>
#include <QStaticText>
#include <QStringList>
#include <QTimer>

class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);
    ~LogView() override;

    // Puts `lines` on top, first line first, after dropping lines from the bottom so that the
    // log never holds more than its capacity.
    void addEntry(const QStringList& lines);
    const QStringList& lines() const { return m_lines; }
    // How many times the lines were painted (a test of the one-paint-per-pass rule).
    int paintCount() const { return m_paints; }

    static constexpr int kMinPaintGapMs = 16;

    // What assistive tools see of the log (the program's accessibility factory asks for it).
    static QAccessibleInterface* makeAccessible(LogView* view);
    // The accessible item of the line at `row`, made when first asked for.
    QAccessibleInterface* lineInterface(int row) const;
    // The row of a line item of this log, or -1.
    int rowOfLine(const QAccessibleInterface* item) const;
    int rowOfSerial(quint64 serial) const;
    // The line's place in the viewport; empty when it is scrolled out of sight.
    QRect lineRect(int row) const;
    // The row whose line is the log's current item while the log has the focus, or -1.
    int currentRow() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void tellLineChanges(const QList<quint64>& dropped, int added);

    void updateScrollRange();
    void scheduleRepaint();
    const QStaticText& laidOut(const QString& line);

    QStringList m_lines;
    // One serial number a line, for as long as the line stays; the accessible items by serial.
    QList<quint64> m_serials;
    quint64 m_nextSerial = 1;
    mutable QHash<quint64, QAccessible::Id> m_lineItems;
    int m_newestEntryLines = 0;
    QHash<QString, QStaticText> m_layouts;
    QElapsedTimer m_sinceLastPaint;
    QTimer m_repaint;
    int m_lineHeight = 1;
    int m_paints = 0;
};
