#include "ui/main/desktop.h"

#include "app/clientapp.h"
#include "app/clientrun.h"
#include "app/environment.h"
#include "ui/logging.h"
#include "ui/main/about.h"
#include "ui/main/artwork.h"
#include "ui/main/fontwarmup.h"
#include "ui/main/mainwindow.h"
#include "ui/main/messagebox.h"
#include "ui/main/notifier.h"
#include "ui/main/placement.h"
#include "ui/main/splashwindow.h"
#include "ui/main/tray/trayicon.h"
#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"
#include "ui/options/options.h"

#include <QAccessible>
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>

namespace {
// Longest wait for the splash to be painted before the hold begins anyway.
constexpr int kSplashPaintWaitMs = 2000;
} // namespace

Desktop::Desktop(ClientApp& app, QObject* parent)
    : QObject(parent), m_app(app), m_main(new MainWindow), m_tray(new TrayIcon(this)) {
    ServerLink& link = app.link();
    connect(m_main, &MainWindow::connectRequested, &link, &ServerLink::requestConnect);
    connect(m_main, &MainWindow::disconnectRequested, &link, &ServerLink::requestDisconnect);
    connect(m_main, &MainWindow::statusRequested, &link, &ServerLink::requestStatus);
    connect(m_main, &MainWindow::settingsRequested, this, &Desktop::openOptions);
    connect(m_main, &MainWindow::sendMessageRequested, this, &Desktop::openSendMessage);
    connect(m_main, &MainWindow::aboutRequested, this, &Desktop::openAbout);
    connect(m_main, &MainWindow::closeRequested, this, &Desktop::requestShutdown);

    connect(&link, &ServerLink::logEntry, m_main, &MainWindow::addLogEntry);
    connect(&link, &ServerLink::lastConnectTimeChanged, m_main, &MainWindow::setLastConnectTime);
    connect(&link, &ServerLink::stateChanged, this, &Desktop::showLinkState);
    connect(&link, &ServerLink::messageReceived, this, &Desktop::showReceivedMessage);
    connect(&link, &ServerLink::commandSent, this, [this, &link](Command command) {
        // The window's message once sent goes with its window; a message of the command line
        // leaves the window alone.
        if (command == Command::Message && m_windowMessageTicket != 0 &&
            link.commands().currentTicket() == m_windowMessageTicket) {
            m_windowMessageTicket = 0;
            if (m_send)
                m_send->close();
        }
    });
    link.setMessageTextSource([this] { return m_send ? m_send->messageText() : QString(); });

    connect(m_tray, &TrayIcon::notification, this, &Desktop::toggleFromTray);
    connect(m_tray, &TrayIcon::notificationClicked, this, [this] {
        if (m_received) {
            m_received->show();
            m_received->raise();
            m_received->activateWindow();
        }
    });
    buildTrayMenu();
}

Desktop::~Desktop() {
    delete m_main;
    for (QWidget* w : {static_cast<QWidget*>(m_splash), static_cast<QWidget*>(m_about),
                       static_cast<QWidget*>(m_send), static_cast<QWidget*>(m_received),
                       static_cast<QWidget*>(m_options)})
        delete w;
}

SendMessageWindow* Desktop::sendMessageWindow() const {
    return m_send;
}
ReceivedMessagesWindow* Desktop::receivedMessagesWindow() const {
    return m_received;
}
OptionsPanel* Desktop::optionsPanel() const {
    return m_options;
}
AboutWindow* Desktop::aboutWindow() const {
    return m_about;
}

const QIcon& Desktop::trayPicture(TrayPicture picture) const {
    QIcon& icon = m_trayPictures[size_t(picture)];
    if (icon.isNull())
        icon = artwork::trayPicture(picture);
    return icon;
}

void Desktop::buildTrayMenu() {
    m_trayMenu = new QMenu(m_main);
    auto add = [this](const QString& text, auto slot) {
        QAction* a = m_trayMenu->addAction(text);
        connect(a, &QAction::triggered, this, slot);
    };
    ServerLink* link = &m_app.link();
    // Each entry has a letter of its own for the keyboard.
    add(tr("&Show / Hide"), [this] { toggleFromTray(); });
    add(tr("&Normal / Mini window"), [this] { m_main->toggleMode(); });
    m_trayMenu->addSeparator();
    add(tr("&Connect"), [link] { link->requestConnect(); });
    add(tr("&Disconnect"), [link] { link->requestDisconnect(); });
    add(tr("Send a &message..."), [this] { openSendMessage(); });
    m_trayMenu->addSeparator();
    add(tr("&Options..."), [this] { openOptions(); });
    add(tr("&About..."), [this] { openAbout(); });
    m_trayMenu->addSeparator();
    add(tr("&Quit"), [this] { requestShutdown(); });
    m_tray->setContextMenu(m_trayMenu);
}

void Desktop::setTray(TrayPicture picture, const QString& toolTip, bool alert) {
    QIcon& dimmed = m_trayPicturesDimmed[size_t(picture)];
    if (dimmed.isNull())
        dimmed = artwork::trayPictureDimmed(picture);
    m_tray->setIcon(trayPicture(picture), dimmed);
    m_tray->setToolTip(toolTip);
    m_tray->setAlert(alert);
}

void Desktop::setTray(const TrayLook& look) {
    setTray(look.picture, QString::fromLatin1(look.toolTip), look.alert);
}

void Desktop::showLinkState(LinkState state) {
    m_main->showLinkState(state);
    setTray(linkLook(state).tray);
}

void Desktop::bringForward() {
    if (m_closing)
        return;
    // While the Options panel is open the main window stays hidden and polling stays off:
    // the panel is what comes forward.
    if (m_options && m_options->isVisible()) {
        m_options->setWindowState(m_options->windowState() & ~Qt::WindowMinimized);
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    m_main->showNormal();
    m_main->raise();
    m_main->activateWindow();
}

void Desktop::toggleFromTray() {
    // A minimised window counts as hidden: some window managers offer a minimise button that
    // the window does not ask for, and the tray must still bring the window back.
    if (m_main->isVisible() && !m_main->isMinimized()) {
        // Without a tray nothing could bring the window back.
        if (TrayIcon::trayAvailable())
            m_main->hide();
        return;
    }
    m_main->showNormal();
    m_main->raise();
}

void Desktop::openSendMessage() {
    m_main->parkFocus();
    showSingleWindow(m_send, m_main, [this] {
        auto* window = new SendMessageWindow;
        connect(window, &SendMessageWindow::sendRequested, this, [this] {
            m_app.link().sendMessage();
            m_windowMessageTicket = m_app.link().commands().currentTicket();
        });
        return window;
    });
}

void Desktop::openAbout() {
    m_main->parkFocus();
    showSingleWindow(m_about, m_main, [] { return new AboutWindow; });
}

void Desktop::openOptions() {
    // Each step is taken whatever became of the one before.
    m_main->parkFocus();
    m_app.pausePolling();
    m_main->hide();
    showSingleWindow(m_options, m_main, [this] {
        auto* panel = new OptionsPanel(m_main);
        panel->load(m_app.settings());
        panel->setSaveFunction([this](SettingsEntries& entries, QWidget* owner) {
            WidgetMessageBoxes boxes(owner);
            return m_app.saveSettings(entries, &boxes);
        });
        connect(panel, &OptionsPanel::saved, this, [this] { m_app.endAfterSave(); });
        connect(panel, &OptionsPanel::cancelled, this, [this] {
            // Polling resumes; the first request comes one full interval from now.
            m_app.resumePolling();
            m_main->show();
        });
        return panel;
    });
}

void Desktop::showReceivedMessage(const QString& text, const QString& peerAddress) {
    // Brought to the front but not activated: the user may be typing elsewhere.
    showSingleWindow(
        m_received, m_main,
        [this] {
            auto* window = new ReceivedMessagesWindow;
            connect(window, &ReceivedMessagesWindow::closed, this, [this] {
                // Only the tray changes; the main window is never shown from here.
                if (!m_closing && !m_app.isShutDown())
                    setTray(kWaitingTray);
            });
            return window;
        },
        false);
    m_received->appendMessage(text, peerAddress, currentDateTime().time());
    if (m_closing || m_app.isShutDown())
        return;
    setTray(kMessageWaitingTray);
    // With the main window out of sight the desktop says so too: sender and first lines.
    if (!m_main->isVisible() || m_main->isMinimized())
        m_tray->notify(tr("Message from ZAV Manager (%1)").arg(peerAddress),
                       DesktopNotifier::bodyOf(text));
}

void Desktop::requestShutdown() {
    if (m_closing)
        return;
    m_closing = true;
    m_app.shutdown(mainWindowPosition());
    m_main->fadeOut(env().fadeMilliseconds, [this] {
        // Windows opened from the main window go with it.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != m_main && w->isVisible())
                w->close();
        QCoreApplication::exit(0);
    });
}

void Desktop::showSplash() {
    m_splash = new SplashWindow;
    m_splash->show();
    // Under a window manager the splash is exposed only once the manager has mapped it, which
    // can take longer than one pass of events; the hold that follows handles no events, so the
    // splash is painted first (two seconds at the most). Clicks and keys wait, as in the hold.
    QTimer deadline; // also wakes the wait below when nothing else happens
    deadline.setSingleShot(true);
    deadline.start(kSplashPaintWaitMs);
    QCoreApplication::processEvents();
    while (m_splash && !m_splash->hasBeenPainted() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    if (m_splash && !m_splash->hasBeenPainted())
        qCInfo(lcUi) << "the splash was not painted within" << kSplashPaintWaitMs
                     << "ms; start-up goes on";
}

void Desktop::closeSplash() {
    if (m_splash)
        m_splash->close();
}

void Desktop::showMessageBox(const ShownMessage& message) {
    // The box belongs to the splash while it is up.
    WidgetMessageBoxes(m_splash ? static_cast<QWidget*>(m_splash) : m_main).showMessageBox(message);
}

void Desktop::showStartupState(StartupState state) {
    m_main->showStartupState(state);
    const QString check = QStringLiteral("ZAV Remote 2002... please check settings");
    switch (state) {
    case StartupState::StartingUp:
        setTray(TrayPicture::RedX, QStringLiteral("ZAV Remote 2002... starting up"), false);
        m_tray->showIcon();
        break;
    case StartupState::SettingsMissing:
    case StartupState::SettingsUnreadable:
        setTray(TrayPicture::RedX, check, true);
        break;
    case StartupState::ListenFailed:
        setTray(TrayPicture::RedX, QStringLiteral("ZAV Remote 2002... client could not be started"),
                true);
        break;
    case StartupState::ClientRunning:
        setTray(TrayPicture::ServerRunning, QStringLiteral("ZAV Remote 2002... client running"),
                false);
        break;
    case StartupState::WaitingForStatus:
        break;
    }
}

void Desktop::addLogEntry(const QStringList& lines) {
    m_main->addLogEntry(lines);
}

void Desktop::placeMainWindow(const QPoint& topLeft) {
    m_placedAt = topLeft;
    m_main->move(topLeft);
}

QPoint Desktop::mainWindowPosition() const {
    // Where the window system does not say where the window is, the position kept is the one
    // it was given, not a made-up one.
    if (!windowSystemPlacesWindows() && m_placedAt)
        return *m_placedAt;
    return m_main->pos();
}

void Desktop::setMiniMode(bool mini) {
    m_main->setMiniMode(mini);
}

bool Desktop::trayAvailable() const {
    return TrayIcon::trayAvailable();
}

void Desktop::showMainWindow() {
    m_main->show();
}

void nameApplication(QGuiApplication& application) {
    application.setApplicationName(QStringLiteral("zav-remote"));
    // The desktop knows the program by its desktop file name. No display name is set: the
    // toolkit would append it to every caption but the main window's.
    application.setDesktopFileName(QStringLiteral("zav-remote"));
}

int runDesktopClient(QApplication& application) {
    nameApplication(application);
    application.setQuitOnLastWindowClosed(false);
    ClientApp app;
    // While the font configuration is read, the other slow step before the first window: the
    // accessibility bridge connects to the desktop's buses (the first question whether anyone
    // listens brings it up).
    QAccessible::isActive();
    finishReadingFontConfiguration();
    Desktop desktop(app);
    return runClient(application, app, desktop);
}
