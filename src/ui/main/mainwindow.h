// The main window: the link's indicators, the six command buttons and the status log. It shows
// what it is told and hands the user's requests out as signals.
#pragma once

#include "app/clientview.h"
#include "ui/main/indicators.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class LogView;
class QPushButton;

// A solid rectangle without border: the signal lamp.
class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);
    void setColour(const QColor& colour);
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_colour;
};

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Client area sizes in pixels.
    static constexpr int kWidth = 161;
    static constexpr int kNormalHeight = 275;
    static constexpr int kMiniHeight = 80;

    explicit MainWindow(QWidget* parent = nullptr);

    // Indicators.
    void showLinkState(LinkState state);
    void showStartupState(StartupState state);
    void setLastConnectTime(const QString& time);
    StatusPicture visiblePicture() const;
    QString statusWord() const;
    QColor lampColour() const;
    QString lastConnectTime() const;

    // The log, newest entry on top.
    void addLogEntry(const QStringList& lines);
    QStringList logLines() const;

    // Normal and mini mode.
    bool isMiniMode() const;
    void setMiniMode(bool mini);
    void toggleMode();
    // Fades the window out over `milliseconds`, hides it, then calls `done`.
    void fadeOut(int milliseconds, std::function<void()> done);
    // Whether the window system can fade a window out (X11 can, Wayland cannot).
    static bool platformFadesWindows();
    // Gives the keyboard focus back to the invisible focus sink.
    void parkFocus();

signals:
    void connectRequested();
    void disconnectRequested();
    void statusRequested();
    void settingsRequested();
    void sendMessageRequested();
    void aboutRequested();
    // The user (or the window manager) asked to close the window.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setPictureVisible(StatusPicture which, bool visible);

    std::array<QLabel*, kStatusPictureCount> m_pictures{};
    QLabel* m_statusWord = nullptr;
    Lamp* m_lamp = nullptr;
    LogView* m_log = nullptr;
    QLabel* m_lastConnect = nullptr;
    QPushButton* m_focusSink = nullptr;
};
