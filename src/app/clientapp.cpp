#include "app/clientapp.h"

#include "app/clientview.h"
#include "app/environment.h"
#include "app/logging.h"
#include "app/msgbox.h"
#include "app/settingslocation.h"

#include <QThread>

namespace {

constexpr int kTwipsPerPixel = 15;

// Waits, without handling any event, until the clock read in whole seconds has moved on by
// the hold.
void holdSplash() {
    const int hold = env().splashHoldSeconds;
    if (hold <= 0)
        return;
    const qint64 until = currentDateTime().toSecsSinceEpoch() + hold;
    while (currentDateTime().toSecsSinceEpoch() < until)
        QThread::msleep(20);
}

bool fitsInt16(qint64 v) {
    return v >= -32768 && v <= 32767;
}

} // namespace

ClientApp::ClientApp(QObject* parent)
    : QObject(parent), m_link(this), m_lock(env().instanceLockPath) {}

ClientApp::~ClientApp() = default;

bool ClientApp::start(ClientView& view) {
    if (!m_lock.tryTake()) {
        qCInfo(lcApp) << "another copy holds the instance lock" << m_lock.path();
        return false;
    }

    view.showSplash();
    holdSplash();
    view.showStartupState(StartupState::StartingUp);

    const QString path = settingsFilePath();
    qCDebug(lcApp) << "settings file:" << path;
    if (!isPlainFile(path)) {
        qCInfo(lcApp) << "no settings file at" << path;
        view.showMessageBox(
            {MsgIcon::Critical, QStringLiteral("INI File Missing..."),
             joinBoxLines({QStringLiteral("The INI file containing the settings for "
                                          "ZAV Remote is missing..."),
                           QStringLiteral("(this is normal if it is the first time you "
                                          "have run this program)"),
                           QString(),
                           QStringLiteral("Please go to the settings panel and save "
                                          "new settings.")})});
        view.addLogEntry({QStringLiteral("     INI file does not exist..."),
                          QStringLiteral("     Goto settings and save!")});
        view.showStartupState(StartupState::SettingsMissing);
        view.placeMainWindow(QPoint(0, 0));
    } else {
        m_settingsFound = true;
        view.showStartupState(StartupState::WaitingForStatus);
        m_settingsRead = readSettingsFile(path, m_settings);
        if (!m_settingsRead) {
            qCInfo(lcApp) << "the settings file could not be read:" << path;
            view.showMessageBox(
                {MsgIcon::Information, QStringLiteral("INI File Error..."),
                 joinBoxLines({QStringLiteral("There was an error reading the INI file..."),
                               QStringLiteral("please check the current settings.")})});
            view.addLogEntry({QStringLiteral("     Error reading INI file..."),
                              QStringLiteral("     Check the current settings!")});
            view.showStartupState(StartupState::SettingsUnreadable);
        } else {
            view.placeMainWindow(QPoint(m_settings.windowLeft / kTwipsPerPixel,
                                        m_settings.windowTop / kTwipsPerPixel));
            if (startLink(view))
                return true;
        }
    }
    view.closeSplash();
    view.showMainWindow();
    return true;
}

bool ClientApp::startLink(ClientView& view) {
    m_link.setServer(m_settings.serverAddress, m_settings.transmitPort);
    if (!m_link.startListening(m_settings.listenPort)) {
        view.addLogEntry({QStringLiteral("     Error connecting to port: ") +
                              QString::number(m_settings.listenPort),
                          QStringLiteral("     Check the current settings!")});
        view.showStartupState(StartupState::ListenFailed);
        qCInfo(lcApp) << "start-up: the listen port" << m_settings.listenPort
                      << "could not be taken";
        return false;
    }
    view.addLogEntry(
        {QStringLiteral("     ZAV Remote 2002 started OK"),
         QStringLiteral("     Values read from INI file..."),
         QStringLiteral("      Transmit Port: ") + QString::number(m_settings.transmitPort),
         QStringLiteral("      Listen Port: ") + QString::number(m_settings.listenPort),
         QStringLiteral("      Server IP: ") + m_settings.serverAddress,
         QStringLiteral("      Interval: ") + QString::number(m_settings.pollIntervalSeconds) +
             QStringLiteral(" secs")});
    view.showStartupState(StartupState::ClientRunning);
    if (m_settings.startInMiniMode)
        view.setMiniMode(true);
    m_link.startPolling(m_settings.pollIntervalSeconds);
    qCDebug(lcApp) << "start-up: polling" << m_settings.serverAddress << "port"
                   << m_settings.transmitPort << "every" << m_settings.pollIntervalSeconds << "s";
    view.closeSplash();
    // Without a tray the window stays, since nothing could bring it back.
    if (!(m_settings.startInTray && view.trayAvailable()))
        view.showMainWindow();
    return true;
}

void ClientApp::shutdown(const QPoint& windowPosition) {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_link.stopPolling();
    // No further report connection; open sessions are dropped without being read.
    m_link.stopListening();
    m_link.commands().close();

    // A file that could not be read completely is not overwritten with a half-read mixture.
    if (m_settings.saveWindowPosition && m_settingsRead) {
        const qint64 left = qint64(windowPosition.x()) * kTwipsPerPixel;
        const qint64 top = qint64(windowPosition.y()) * kTwipsPerPixel;
        if (fitsInt16(left))
            m_settings.windowLeft = qint16(left);
        if (fitsInt16(top))
            m_settings.windowTop = qint16(top);
        // Nothing is shown while the program ends, but a failure is never passed over: the
        // old file stays as it was, and the reason goes to the program's log.
        const QString path = settingsFilePath();
        QString reason;
        if (writeSettingsFile(path, m_settings, &reason))
            qCDebug(lcApp) << "window position saved to" << path;
        else
            qCWarning(lcApp, "the settings were not saved to %s: %s", qPrintable(path),
                      qPrintable(reason));
    }
    m_lock.release();
}

void ClientApp::pausePolling() {
    m_pollingPaused = m_link.isPolling();
    m_link.stopPolling();
}

void ClientApp::resumePolling() {
    if (m_pollingPaused && !m_shutDown)
        m_link.startPolling(m_settings.pollIntervalSeconds);
    m_pollingPaused = false;
}

SaveOutcome ClientApp::saveSettings(SettingsEntries& entries, MessageBoxes* boxes) {
    const SaveOutcome outcome = saveEditedSettings(entries, m_settings, settingsFilePath(), boxes);
    // A refused save may still have taken some values; commands use what is held now.
    m_link.setServer(m_settings.serverAddress, m_settings.transmitPort);
    if (outcome == SaveOutcome::WriteFailed)
        qCWarning(lcApp) << "the settings could not be saved to" << settingsFilePath();
    if (outcome == SaveOutcome::Written) {
        m_shutDown = true; // the program ends without the shutdown steps
        m_link.stopPolling();
        m_link.stopListening();
        m_lock.release();
    }
    return outcome;
}

void ClientApp::endAfterSave() {
    if (env().endProgram)
        env().endProgram(0);
}
