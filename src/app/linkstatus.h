// What the command line tells of the link: its state (none before the first report or
// failure), the time of the server's last Internet connection, and whether the server answered.
#pragma once

#include "link/serverlink.h"

#include <QObject>
#include <QString>
#include <optional>

struct LinkStatus {
    std::optional<LinkState> state;
    // The word shown while there is no state: "WAIT..." once a settings file was found,
    // "ERROR" without one.
    QString wordWithoutState = QStringLiteral("WAIT...");
    QString lastConnect = QStringLiteral("na");
    bool serverAnswered = false;

    // The status word as the main window shows it.
    QString word() const { return state ? linkStateWord(*state) : wordWithoutState; }

    bool operator==(const LinkStatus& o) const {
        return word() == o.word() && state == o.state && lastConnect == o.lastConnect &&
               serverAnswered == o.serverAnswered;
    }
    bool operator!=(const LinkStatus& o) const { return !(*this == o); }
};

// One line of text, or one JSON object, for a status and for a received message.
QString statusLine(const LinkStatus& status, bool json);
QString messageLine(const QString& text, const QString& from, bool json);
// The JSON object of a status back into a status (its word kept as shown); false when it is
// not one.
bool parseStatusJson(const QString& json, LinkStatus& status);

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
