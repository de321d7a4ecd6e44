// The main window: the link's indicators, the six command buttons, the status log, and the
// parts that are never seen (tray pictures, focus sink, timers, sockets and their buffers).
#pragma once

#include "link/displaystate.h"

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <array>

class QListWidget;
class QMenu;
class QPushButton;
class TrayIcon;
class Winsock;
class AboutForm;

// A solid rectangle without border; the signal lamp.
class FilledRect : public QWidget {
    Q_OBJECT
public:
    explicit FilledRect(QWidget* parent = nullptr);
    void setFillColor(const QColor& c);
    QColor fillColor() const { return fill_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor fill_;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Client area sizes in pixels (15 twips a pixel).
    static constexpr int CLIENT_WIDTH = 161;
    static constexpr int NORMAL_HEIGHT = 275; // 4125 twips; outer 4500
    static constexpr int MINI_HEIGHT = 80;    // 1200 twips; outer 1575
    static constexpr int TWIPS_PER_PIXEL = 15;
    // Largest buffer a report session may gather before it is dropped.
    static constexpr int MAX_SESSION_BYTES = 64 * 1024;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: returns false when another copy is already running and this one must end.
    bool Form_Load();
    // Shutdown steps before the fade: listener, session sockets, settings file.
    void Form_Unload();
    // Closes the main window through the normal shutdown (also used by signals and the session).
    void requestShutdown();
    bool shutdownDone() const { return shutdownDone_; }
    // Set when the program ends without the shutdown steps (after a successful save).
    void skipShutdown() { shutdownDone_ = true; }
    // Whether start-up read the settings file completely.
    bool settingsReadOk() const { return settingsReadOk_; }

    // The status log: trims, then inserts the entry at the top.
    void addLogEntry(const QStringList& messageLines);

    // Indicators.
    void showDisplayState(DisplayState state);
    void setTray(TrayPicture picture, const QString& toolTip, bool alert);
    void showOnlyStatusImage(StatusImage image);
    QLabel* statusImage(StatusImage image) const { return statusImages_[size_t(image)]; }
    StatusImage visibleStatusImage() const;
    const QIcon& trayPictureIcon(TrayPicture p) const { return trayIcons_[size_t(p)]; }

    // Incoming records.
    void PROCESS_DATA(const QString& record, qint16 index, const QString& peerAddress);
    void PROCESS_STATUS_REPORT_DATA(const QString& record);

    // Command channel.
    void openCommandConnection();
    void WS_TALKER_Connect();
    void WS_TALKER_SendComplete();
    void WS_TALKER_Error();

    // Requests of the buttons and the polling timer.
    void CONNECT_BUTTON_Click();
    void DISCONNECT_BUTTON_Click();
    void STATUS_REQUEST_BUTTON_Click();
    void REQUEST_STATUS_TIMER_Timer();

    // Report listener.
    void createListenerElement(int i);
    void removeListenerElement(int i);
    int listenerUpperBound() const { return int(WS_LISTENER.size()) - 1; }
    void WS_LISTENER_ConnectionRequest(int index, qint32 requestId);
    void WS_LISTENER_DataArrival(int index, qint64 bytesTotal);
    void WS_LISTENER_Close(int index);
    void SOCKET_CLOSER_TIMER_Timer();

    // Window modes and tray.
    void WINDOW_MODE_BUTTON_Click();
    void TRAY_ICON_notification();
    bool isMiniMode() const;
    void fadeOut();

    // Other windows.
    void ABOUT_BUTTON_Click();
    void SEND_MESSAGE_BUTTON_Click();
    void SETTINGS_BUTTON_Click();

    // Visible controls.
    QLabel* No_Status_Image;
    QLabel* No_Server_Image;
    QLabel* No_ZAV_Card_Image;
    QLabel* No_Signal_Image;
    QLabel* Connected_Image;
    QLabel* Disconnected_Image;
    QLabel* Dialing_Image;
    QLabel* ZAV_Stat_Label;
    FilledRect* SIGNAL_QUALITY_LED;
    QLabel* Label3;
    QPushButton* CONNECT_BUTTON;
    QPushButton* DISCONNECT_BUTTON;
    QPushButton* SETTINGS_BUTTON;
    QPushButton* WINDOW_MODE_BUTTON;
    QPushButton* SEND_MESSAGE_BUTTON;
    QPushButton* ABOUT_BUTTON;
    QListWidget* STATUS_LIST;
    QLabel* LAST_CONNECT_ISP_TIME_LABEL;
    QLabel* SMALL_ZAV_LOGO;

    // Never seen: they lie outside the client area.
    std::array<QLabel*, TRAY_PICTURE_COUNT> pictureHolders{};
    QPushButton* TAB_STOP_ZERO;
    QPushButton* STATUS_REQUEST_BUTTON;
    QTimer REQUEST_STATUS_TIMER;
    QTimer SOCKET_CLOSER_TIMER;
    Winsock* WS_TALKER;
    QVector<Winsock*> WS_LISTENER;
    QVector<QString> WS_LISTENER_SCKDATA;
    TrayIcon* TRAY_ICON;
    QMenu* trayMenu;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildTrayMenu();
    QLabel* makeStatusImage(StatusImage which, int leftTwips, const char* toolTip);

    std::array<QLabel*, STATUS_IMAGE_COUNT> statusImages_{};
    std::array<QIcon, TRAY_PICTURE_COUNT> trayIcons_{};
    std::array<QIcon, TRAY_PICTURE_COUNT> trayIconsDimmed_{};
    QPointer<AboutForm> about_;
    bool shutdownDone_ = false;
    bool closing_ = false;
    bool settingsReadOk_ = false;
};

// The one main window of the run, or null.
Form1* mainForm();
