// The About window: the program's picture and version.
#pragma once

#include <QLabel>
#include <QWidget>

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
    QLabel* m_version;

protected:
    void paintEvent(QPaintEvent*) override;
    // Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;
};
