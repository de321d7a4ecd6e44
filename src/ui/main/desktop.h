// The client's windows and tray as one desktop: it shows what the link and start-up report,
// turns the user's actions into requests of the client, and opens and closes the secondary
// windows. It is the only place that knows all the windows.
#pragma once

#include "app/clientview.h"
#include "ui/main/artwork.h"
#include "ui/main/indicators.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <array>
#include <optional>

class AboutWindow;
class ClientApp;
class MainWindow;
class OptionsPanel;
class QApplication;
class QGuiApplication;
class QMenu;
class ReceivedMessagesWindow;
class SendMessageWindow;
class SplashWindow;
class TrayIcon;

class Desktop : public QObject, public ClientView {
    Q_OBJECT
public:
    explicit Desktop(ClientApp& app, QObject* parent = nullptr);
    ~Desktop() override;

    MainWindow& mainWindowView() { return *m_main; }
    TrayIcon& tray() { return *m_tray; }
    QMenu* trayMenu() const { return m_trayMenu; }
    SendMessageWindow* sendMessageWindow() const;
    ReceivedMessagesWindow* receivedMessagesWindow() const;
    OptionsPanel* optionsPanel() const;
    AboutWindow* aboutWindow() const;
    const QIcon& trayPicture(TrayPicture picture) const;

    // The user's actions.
    void toggleFromTray();
    void openSendMessage();
    void openAbout();
    void openOptions();
    void showReceivedMessage(const QString& text, const QString& peerAddress);
    // Ends the program through the shutdown steps and the fade.
    void requestShutdown() override;

    // ClientView.
    void showSplash() override;
    void closeSplash() override;
    void showMessageBox(const ShownMessage& message) override;
    void showStartupState(StartupState state) override;
    void addLogEntry(const QStringList& lines) override;
    void placeMainWindow(const QPoint& topLeft) override;
    QPoint mainWindowPosition() const override;
    void setMiniMode(bool mini) override;
    bool trayAvailable() const override;
    void showMainWindow() override;
    // The Options panel while it is open (the main window stays hidden), else the main window
    // as the tray shows it.
    void bringForward() override;

private:
    void buildTrayMenu();
    void setTray(TrayPicture picture, const QString& toolTip, bool alert);
    void setTray(const TrayLook& look);
    void showLinkState(LinkState state);

    ClientApp& m_app;
    MainWindow* m_main;
    TrayIcon* m_tray;
    QMenu* m_trayMenu = nullptr;
    QPointer<SplashWindow> m_splash;
    QPointer<AboutWindow> m_about;
    QPointer<SendMessageWindow> m_send;
    QPointer<ReceivedMessagesWindow> m_received;
    QPointer<OptionsPanel> m_options;
    mutable std::array<QIcon, kTrayPictureCount> m_trayPictures;
    mutable std::array<QIcon, kTrayPictureCount> m_trayPicturesDimmed;
    bool m_closing = false;
    // The start of the message the send window asked for (0: none under way).
    quint64 m_windowMessageTicket = 0;
    // Where the main window was placed, for window systems that do not say where it is.
    std::optional<QPoint> m_placedAt;
};

// Names the program for the desktop (its window class and desktop file).
void nameApplication(QGuiApplication& application);

// Runs the client on the desktop from start-up to the end of the event loop; a second copy
// ends at once. Returns the exit code.
int runDesktopClient(QApplication& application);
