// The About window: the program's picture and version.
#pragma once

#include <QLabel>
#include <QWidget>

class AboutForm : public QWidget {
    Q_OBJECT
public:
    explicit AboutForm(QWidget* parent = nullptr);
    QLabel* lblVERSION;

protected:
    void paintEvent(QPaintEvent*) override;
};
