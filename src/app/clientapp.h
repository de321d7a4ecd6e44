// The client as a whole: its settings, the link to the server, and the order of start-up,
// shutdown and saving. Windows come in through ClientView and forward the user's actions here.
#pragma once

#include "app/instancelock.h"
#include "app/savesettings.h"
#include "app/settings.h"
#include "link/serverlink.h"

#include <QObject>

class ClientView;

class ClientApp : public QObject {
    Q_OBJECT
public:
    explicit ClientApp(QObject* parent = nullptr);
    ~ClientApp() override;

    ServerLink& link() { return m_link; }
    const Settings& settings() const { return m_settings; }
    QString instanceLockPath() const { return m_lock.path(); }
    // Whether start-up found a settings file.
    bool settingsFound() const { return m_settingsFound; }

    // Runs start-up with `view`; false when another copy already runs and this one must end.
    bool start(ClientView& view);
    // Stops the link and writes the window's place back when the settings ask for it. Runs
    // once; later calls do nothing.
    void shutdown(const QPoint& windowPosition);
    bool isShutDown() const { return m_shutDown; }

    // The Options panel pauses polling while it is open; Cancel resumes it as start-up left it.
    void pausePolling();
    void resumePolling();
    // Takes the panel's entries and writes the file; once written the link stops, and the
    // program is to end through endAfterSave(), without the shutdown steps.
    SaveOutcome saveSettings(SettingsEntries& entries, MessageBoxes* boxes);
    void endAfterSave();

private:
    bool startLink(ClientView& view);

    Settings m_settings;
    ServerLink m_link;
    InstanceLock m_lock;
    bool m_settingsRead = false;
    bool m_settingsFound = false;
    bool m_shutDown = false;
    bool m_pollingPaused = false;
};
