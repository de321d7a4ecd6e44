// The running log's view: fixed-height single lines, newest on top. A line's text is laid out
// once, the first time it is painted, and kept by its text (the log repeats the same few lines),
// so painting only places laid-out lines. Inserts repaint at most once per pass of the event
// loop and at most once per frame (16 ms), however many lines arrive meanwhile.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QHash>
#include <QStaticText>
#include <QStringList>
#include <QTimer>

class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);

    // Puts `lines` on top, first line first, after dropping lines from the bottom so that the
    // log never holds more than its capacity.
    void addEntry(const QStringList& lines);
    const QStringList& lines() const { return m_lines; }
    // How many times the lines were painted (a test of the one-paint-per-pass rule).
    int paintCount() const { return m_paints; }

    static constexpr int kMinPaintGapMs = 16;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateScrollRange();
    void scheduleRepaint();
    const QStaticText& laidOut(const QString& line);

    QStringList m_lines;
    QHash<QString, QStaticText> m_layouts;
    QElapsedTimer m_sinceLastPaint;
    QTimer m_repaint;
    int m_lineHeight = 1;
    int m_paints = 0;
};
