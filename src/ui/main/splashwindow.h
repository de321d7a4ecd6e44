// The splash window shown while the program starts: a picture and the version.
#pragma once

#include <QLabel>
#include <QWidget>

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // Whether the window has been painted on screen at least once.
    bool hasBeenPainted() const { return m_painted; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    bool m_painted = false;
};
