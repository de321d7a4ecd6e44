// What the command line tells of the link: the status word as the main window shows it, the
// time of the server's last Internet connection, and whether the server answered.
#pragma once

#include "link/serverlink.h"

#include <QObject>
#include <QString>

struct LinkStatus {
    QString word = QStringLiteral("WAIT...");
    QString lastConnect = QStringLiteral("na");
    bool serverAnswered = false;

    bool operator==(const LinkStatus& o) const {
        return word == o.word && lastConnect == o.lastConnect && serverAnswered == o.serverAnswered;
    }
    bool operator!=(const LinkStatus& o) const { return !(*this == o); }
};

// One line of text, or one JSON object, for a status and for a received message.
QString statusLine(const LinkStatus& status, bool json);
QString messageLine(const QString& text, const QString& from, bool json);
// The JSON object of a status back into a status; false when it is not one.
bool parseStatusJson(const QString& json, LinkStatus& status);

// Follows a link's signals into the status it reports.
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
