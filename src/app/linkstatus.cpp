#include "app/linkstatus.h"

#include <QJsonDocument>
#include <QJsonObject>

QString statusLine(const LinkStatus& status, bool json) {
    if (json) {
        const QJsonObject o{{QStringLiteral("status"), status.word()},
                            {QStringLiteral("lastConnect"), status.lastConnect},
                            {QStringLiteral("serverAnswered"), status.serverAnswered}};
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    return QStringLiteral("%1  last connect %2  %3")
        .arg(status.word(), status.lastConnect,
             status.serverAnswered ? QStringLiteral("(server answered)")
                                   : QStringLiteral("(no answer from the server)"));
}

QString messageLine(const QString& text, const QString& from, bool json) {
    if (json) {
        const QJsonObject o{{QStringLiteral("message"), text}, {QStringLiteral("from"), from}};
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    // One line: the message's own line breaks are shown as " / ".
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    flat.replace(QLatin1Char('\r'), QStringLiteral(" / "));
    flat.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    return QStringLiteral("message from %1: %2").arg(from, flat);
}

bool parseStatusJson(const QString& json, LinkStatus& status) {
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    if (!o.contains(QStringLiteral("status")))
        return false;
    status.state.reset();
    status.wordWithoutState = o.value(QStringLiteral("status")).toString();
    status.lastConnect = o.value(QStringLiteral("lastConnect")).toString();
    status.serverAnswered = o.value(QStringLiteral("serverAnswered")).toBool();
    return true;
}

LinkStatusTracker::LinkStatusTracker(ServerLink& link, QObject* parent) : QObject(parent) {
    connect(&link, &ServerLink::statusReported, this,
            [this](const QString& time, std::optional<LinkState> state) {
                LinkStatus next = m_status;
                next.lastConnect = time;
                next.serverAnswered = true;
                if (state)
                    next.state = *state;
                setStatus(next);
            });
    connect(&link, &ServerLink::commandFailed, this, [this] {
        LinkStatus next = m_status;
        next.state = LinkState::NoServer;
        next.lastConnect = QStringLiteral("No Server!");
        next.serverAnswered = false;
        setStatus(next);
    });
    connect(&link, &ServerLink::messageReceived, this, &LinkStatusTracker::messageReceived);
}

void LinkStatusTracker::setStatus(const LinkStatus& status) {
    if (status == m_status)
        return;
    m_status = status;
    emit changed(m_status);
}
