// Shared helpers: a sandboxed environment and the client on a desktop of its own.
#pragma once

#include "peers.h"

#include "app/clientapp.h"
#include "app/environment.h"
#include "app/settingslocation.h"
#include "ui/main/about.h"
#include "ui/main/desktop.h"
#include "ui/main/mainwindow.h"
#include "ui/main/messagebox.h"
#include "ui/main/splashwindow.h"
#include "ui/main/tray/trayicon.h"
#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"
#include "ui/options/options.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A temporary program folder, a fixed clock, no hold or fade, a private lock, boxes captured.
struct TestEnvironment {
    QTemporaryDir dir;
    QDateTime clock{QDate(2026, 12, 6), QTime(13, 30, 0)};
    QList<ShownMessage> boxes;
    QList<int> endCodes;

    TestEnvironment() {
        Environment& e = env();
        e.programDir = dir.path();
        e.now = [this] { return clock; };
        e.splashHoldSeconds = 0;
        e.instanceLockPath = dir.filePath(QStringLiteral("instance.lock"));
        e.fadeMilliseconds = 0;
        e.dateLocale = QLocale(QLocale::English, QLocale::UnitedStates);
        e.endProgram = [this](int code) { endCodes.append(code); };
        setMessageBoxHook([this](const ShownMessage& m) { boxes.append(m); });
    }
    ~TestEnvironment() {
        setMessageBoxHook(nullptr);
        env() = Environment();
        TrayIcon::setTrayAvailableOverride(-1);
    }
    QString iniPath() const { return settingsFilePath(dir.path()); }
    void writeIni(const QByteArray& bytes) const {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void writeIni(const Settings& s) const { writeIni(settingsFileBytes(s, "12/6/26")); }
    QByteArray readIni() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// A usable set of settings pointing at 127.0.0.1: the window at 1500, 3000 twips, a poll each 5 s.
inline Settings sampleSettings(int listenPort = 0, int transmitPort = 0) {
    return Settings{
        qint16(listenPort), qint16(transmitPort), 1500, 3000, false, "127.0.0.1", false, false, 5};
}

// The whole client on the test's desktop, not yet started; its notifications stay inside.
struct TestClient {
    ClientApp app;
    Desktop desktop{app};

    TestClient() { desktop.tray().setNotificationBus(QDBusConnection(QStringLiteral("none"))); }
    bool start() { return app.start(desktop); }
    MainWindow& window() { return desktop.mainWindowView(); }
    ServerLink& link() { return app.link(); }
    // The message lines of the newest log entry.
    QStringList newestEntry() {
        const QStringList l = window().logLines();
        QStringList out;
        for (int i = 2; i < l.size() && !l[i].startsWith(QStringLiteral("     ---")); ++i)
            out << l[i];
        return out;
    }
    bool trayShows(TrayPicture p) {
        return desktop.tray().icon().cacheKey() == desktop.trayPicture(p).cacheKey();
    }
    ~TestClient() { // windows the desktop does not own go with the client
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// A client in a sandbox of its own, its settings file written from `stored`.
struct Sandbox : TestEnvironment, TestClient {
    explicit Sandbox(const Settings& stored = sampleSettings(freePort(), freePort())) {
        writeIni(stored);
    }
};

// A new window of a kind: "main", "about", "send", "received", "splash" or "options".
inline QWidget* makeWindow(const QString& kind) {
    if (kind == QLatin1String("main"))
        return new MainWindow;
    if (kind == QLatin1String("about"))
        return new AboutWindow;
    if (kind == QLatin1String("send"))
        return new SendMessageWindow;
    if (kind == QLatin1String("received"))
        return new ReceivedMessagesWindow;
    if (kind == QLatin1String("splash"))
        return new SplashWindow;
    return new OptionsPanel;
}

// Finds a child widget by its object name; fails the test when there is none.
template <class T> T* child(QObject* parent, const char* name) {
    T* found = parent ? parent->findChild<T*>(QLatin1String(name)) : nullptr;
    if (!found)
        qWarning("no child %s", name);
    return found;
}
inline void click(QWidget* parent, const char* name) {
    QTest::mouseClick(child<QWidget>(parent, name), Qt::LeftButton);
}
