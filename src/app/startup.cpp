// Start-up: runs once, before the main window is first shown.
#include "app/environment.h"
#include "app/lifecycle.h"
#include "app/msgbox.h"
#include "app/settings.h"
#include "app/splash.h"
#include "link/socket/winsock.h"
#include "link/wire.h"
#include "ui/main/form1.h"
#include "ui/main/statuslog.h"
#include "ui/main/tray/trayicon.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <memory>
#include <unistd.h>

namespace {

QString defaultInstanceLockPath() {
    // The per-user runtime folder when the session has one, else the shared temporary folder
    // (the user id in the name keeps users apart).
    QString dir;
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
}

std::unique_ptr<QLockFile>& instanceLock() {
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

} // namespace

// Held for the whole run; a second copy for the same user cannot take it.
bool takeInstanceLock() {
    const QString path =
        env().instanceLockPath.isEmpty() ? defaultInstanceLockPath() : env().instanceLockPath;
    auto candidate = std::make_unique<QLockFile>(path);
    candidate->setStaleLockTime(0); // only a lock left by a dead process is stale
    if (!candidate->tryLock(0))
        return false;
    instanceLock() = std::move(candidate);
    return true;
}

void releaseInstanceLock() {
    instanceLock().reset();
}

namespace {

// Waits without handling any window event until the clock, read in whole seconds,
// has moved on by the hold.
void holdSplash() {
    const int hold = env().splashHoldSeconds;
    if (hold <= 0)
        return;
    const qint64 until = currentDateTime().toSecsSinceEpoch() + hold;
    while (currentDateTime().toSecsSinceEpoch() < until)
        QThread::msleep(20);
}

void insertEntry(QListWidget* list, const QStringList& lines) {
    insertLogEntry(list, currentDateTime().time(), lines);
}

} // namespace

bool Form1::Form_Load() {
    // 1. Only one copy per user.
    if (!takeInstanceLock())
        return false;

    // 2, 3. The splash, painted once, then held.
    QPointer<frmSplash> splash = new frmSplash;
    splash->show();
    QCoreApplication::processEvents();
    holdSplash();
    auto closeSplash = [&splash] {
        if (splash)
            splash->close();
    };
    bool hide = false;
    auto showMain = [this, &hide] {
        if (!hide)
            show();
    };

    PENDING_COMMAND = CMD_NONE;
    setTray(TrayPicture::DISH_RED_X_ICON, QStringLiteral("ZAV Remote 2002... starting up"), false);
    TRAY_ICON->ShowIcon();

    const QString path = settingsFilePath();
    if (!FileExists(path)) {
        showMessageBox(splash, MsgIcon::Critical, QStringLiteral("INI File Missing..."),
                       joinBoxLines({QStringLiteral("The INI file containing the settings for "
                                                    "ZAV Remote is missing..."),
                                     QStringLiteral("(this is normal if it is the first time you "
                                                    "have run this program)"),
                                     QString(),
                                     QStringLiteral("Please go to the settings panel and save "
                                                    "new settings.")}));
        insertEntry(STATUS_LIST, {QStringLiteral("     INI file does not exist..."),
                                  QStringLiteral("     Goto settings and save!")});
        const QString check = QStringLiteral("ZAV Remote 2002... please check settings");
        setTray(TrayPicture::DISH_RED_X_ICON, check, true);
        ZAV_Stat_Label->setText(QStringLiteral("ERROR"));
        No_Server_Image->setToolTip(check);
        No_Server_Image->setVisible(true);
        move(x(), 0);
        move(0, y());
        closeSplash();
        showMain();
        return true;
    }

    ZAV_Stat_Label->setText(QStringLiteral("WAIT..."));
    No_Status_Image->setVisible(true);

    if (!READ_SETTINGS_FILE(path, Settings)) {
        showMessageBox(splash, MsgIcon::Information, QStringLiteral("INI File Error..."),
                       joinBoxLines({QStringLiteral("There was an error reading the INI file..."),
                                     QStringLiteral("please check the current settings.")}));
        insertEntry(STATUS_LIST, {QStringLiteral("     Error reading INI file..."),
                                  QStringLiteral("     Check the current settings!")});
        setTray(TrayPicture::DISH_RED_X_ICON,
                QStringLiteral("ZAV Remote 2002... please check settings"), true);
        closeSplash();
        showMain();
        return true;
    }
    settingsReadOk_ = true;

    move(Settings.WINDOW_LEFT / TWIPS_PER_PIXEL, Settings.WINDOW_TOP / TWIPS_PER_PIXEL);

    auto listeningFailed = [&] {
        insertEntry(STATUS_LIST, {QStringLiteral("     Error connecting to port: ") +
                                      QString::number(Settings.LISTEN_PORT),
                                  QStringLiteral("     Check the current settings!")});
        setTray(TrayPicture::DISH_RED_X_ICON,
                QStringLiteral("ZAV Remote 2002... client could not be started"), true);
        closeSplash();
        showMain();
        return true;
    };

    Winsock* listener = WS_LISTENER[0];
    listener->Close();
    listener->setLocalPort(qint32(Settings.LISTEN_PORT));
    if (!listener->Listen())
        return listeningFailed();

    for (int i = 1; i <= 10; ++i)
        createListenerElement(i);

    insertEntry(STATUS_LIST,
                {QStringLiteral("     ZAV Remote 2002 started OK"),
                 QStringLiteral("     Values read from INI file..."),
                 QStringLiteral("      Transmit Port: ") + QString::number(Settings.TRANSMIT_PORT),
                 QStringLiteral("      Listen Port: ") + QString::number(Settings.LISTEN_PORT),
                 QStringLiteral("      Server IP: ") + Settings.SERVER_IP,
                 QStringLiteral("      Interval: ") +
                     QString::number(Settings.STATUS_UPDATE_INTERVAL) + QStringLiteral(" secs")});

    setTray(TrayPicture::DISH_SERVER_RUNNING_ICON,
            QStringLiteral("ZAV Remote 2002... client running"), false);

    if (Settings.STARTUP_IN_MINIMODE)
        setFixedSize(CLIENT_WIDTH, MINI_HEIGHT);
    // Without a tray the window stays, since nothing could bring it back.
    if (Settings.STARTUP_IN_SYSTRAY && TrayIcon::trayAvailable())
        hide = true;

    // An interval the file cannot sensibly hold (0 or less) leaves polling off rather than
    // firing without pause.
    const int period = int(Settings.STATUS_UPDATE_INTERVAL) * 1000;
    if (period > 0) {
        REQUEST_STATUS_TIMER.setInterval(period);
        REQUEST_STATUS_TIMER.start();
    }

    closeSplash();
    showMain();
    return true;
}
