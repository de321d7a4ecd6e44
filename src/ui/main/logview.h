// The running log's view: fixed-height single lines, newest on top. Each line is laid out once,
// when it is first painted, and painting only places the laid-out lines; inserts repaint once
// per pass of the event loop, however many lines they bring.
#pragma once

#include <QAbstractScrollArea>
#include <QStaticText>
#include <QStringList>
#include <QVector>

class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);

    // Puts `lines` on top, first line first, after dropping lines from the bottom so that the
    // log never holds more than its capacity.
    void addEntry(const QStringList& lines);
    const QStringList& lines() const { return m_lines; }
    int lineHeight() const { return m_lineHeight; }
    // How many times the lines were painted (a test of the one-paint-per-pass rule).
    int paintCount() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateScrollRange();
    QStaticText laidOut(const QString& line) const;

    QStringList m_lines;
    QVector<QStaticText> m_laidOut;
    int m_lineHeight = 1;
    int m_paints = 0;
};
