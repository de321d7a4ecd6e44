// What the command line tells of the link: its state (none before the first report or
// failure), the time of the server's last Internet connection, and whether the server answered;
// and how that is printed for a person, a script or a status bar.
#pragma once

#include "app/commandline.h"
#include "link/serverlink.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <optional>

// What the main window shows where no report tells it, and the command line with it: the
// status word before the first report (without a settings file, "ERROR"), the last-connect
// time before the first report and while the server is not found.
inline const QString kWaitingWord = QStringLiteral("WAIT...");
inline const QString kSettingsErrorWord = QStringLiteral("ERROR");
inline const QString kNoConnectTimeYet = QStringLiteral("na");
inline const QString kNoServerTime = QStringLiteral("No Server!");

struct LinkStatus {
    std::optional<LinkState> state;
    // Start-up found no settings file: until a state comes the window shows "ERROR", else
    // "WAIT...".
    bool settingsMissing = false;
    QString lastConnect = kNoConnectTimeYet; // as the main window shows it
    bool serverAnswered = false;

    // The status word as the main window shows it.
    QString word() const;

    bool operator==(const LinkStatus& o) const {
        return state == o.state && settingsMissing == o.settingsMissing &&
               lastConnect == o.lastConnect && serverAnswered == o.serverAnswered;
    }
    bool operator!=(const LinkStatus& o) const { return !(*this == o); }
};

// The fixed words of the "state" field: online, offline, dialing, no-card, no-server,
// waiting (no report yet) and error (no settings file).
QString machineStateWord(const LinkStatus& status);

// A status and a received message as JSON objects with every field, the form in which the
// running copy hands them to the command line: "type" is "status" or "message".
QJsonObject statusObject(const LinkStatus& status);
QJsonObject messageObject(const QString& text, const QString& from, const QDateTime& received);
// An object as one line of compact JSON.
QString jsonLine(const QJsonObject& object);

// Turns the objects into lines of one format. Waybar and plain lines always show the status:
// a message adds to the last status line instead of replacing it.
class StatusPrinter {
public:
    explicit StatusPrinter(OutputFormat format) : m_format(format) {}
    // The line for a status or message object; empty for an object of neither type.
    QString line(const QJsonObject& object);

private:
    QString statusLine(const QJsonObject& status) const;
    // A status as waybar reads it: text, alt, tooltip and class.
    static QJsonObject waybarStatus(const QJsonObject& status);
    QString messageLine(const QJsonObject& message) const;

    OutputFormat m_format;
    QJsonObject m_lastStatus;
};

// Follows a link's signals into the status it reports: a status report is applied whole and
// announced once, so that no one sees a state half of one report and half of the one before.
class LinkStatusTracker : public QObject {
    Q_OBJECT
public:
    explicit LinkStatusTracker(ServerLink& link, QObject* parent = nullptr);
    const LinkStatus& status() const { return m_status; }
    void setStatus(const LinkStatus& status);

signals:
    void changed(const LinkStatus& status);
    void messageReceived(const QString& text, const QString& from);

private:
    LinkStatus m_status;
};
