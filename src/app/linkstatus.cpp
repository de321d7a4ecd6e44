#include "app/linkstatus.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString kType = QStringLiteral("type");

// Whether the server reports a satellite signal in a state; none where it tells nothing of it.
std::optional<bool> signalIn(LinkState state) {
    switch (state) {
    case LinkState::Online:
    case LinkState::Offline:
    case LinkState::Dialing:
        return true;
    case LinkState::OnlineNoSignal:
    case LinkState::OfflineNoSignal:
    case LinkState::DialingNoSignal:
        return false;
    case LinkState::NoCard:
    case LinkState::NoServer:
        return std::nullopt;
    }
    return std::nullopt;
}

// Whether the server has its card; none where nothing was heard from it.
std::optional<bool> cardIn(LinkState state) {
    switch (state) {
    case LinkState::NoCard:
        return false;
    case LinkState::NoServer:
        return std::nullopt;
    case LinkState::Online:
    case LinkState::Offline:
    case LinkState::Dialing:
    case LinkState::OnlineNoSignal:
    case LinkState::OfflineNoSignal:
    case LinkState::DialingNoSignal:
        return true;
    }
    return std::nullopt;
}

QString stateWordOf(LinkState state) {
    switch (state) {
    case LinkState::Online:
    case LinkState::OnlineNoSignal:
        return QStringLiteral("online");
    case LinkState::Offline:
    case LinkState::OfflineNoSignal:
        return QStringLiteral("offline");
    case LinkState::Dialing:
    case LinkState::DialingNoSignal:
        return QStringLiteral("dialing");
    case LinkState::NoCard:
        return QStringLiteral("no-card");
    case LinkState::NoServer:
        return QStringLiteral("no-server");
    }
    return QString();
}

QJsonValue orNull(std::optional<bool> value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// A message's own line breaks shown as " / ", for one-line formats.
QString flattened(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    text.replace(QLatin1Char('\r'), QStringLiteral(" / "));
    text.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    return text;
}

} // namespace

QString jsonLine(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString LinkStatus::word() const {
    if (state)
        return linkStateWord(*state);
    return settingsMissing ? kSettingsErrorWord : kWaitingWord;
}

QString machineStateWord(const LinkStatus& status) {
    if (status.state)
        return stateWordOf(*status.state);
    return status.settingsMissing ? QStringLiteral("error") : QStringLiteral("waiting");
}

QJsonObject statusObject(const LinkStatus& status) {
    return QJsonObject{
        {kType, QStringLiteral("status")},
        {QStringLiteral("state"), machineStateWord(status)},
        {QStringLiteral("status"), status.word()},
        {QStringLiteral("signal"), orNull(status.state ? signalIn(*status.state) : std::nullopt)},
        {QStringLiteral("card"), orNull(status.state ? cardIn(*status.state) : std::nullopt)},
        // The time as the server sent it in its last report; none while it has not answered.
        {QStringLiteral("lastConnect"),
         status.serverAnswered ? QJsonValue(status.lastConnect) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("lastConnectShown"), status.lastConnect},
        {QStringLiteral("serverAnswered"), status.serverAnswered},
    };
}

QJsonObject messageObject(const QString& text, const QString& from, const QDateTime& received) {
    return QJsonObject{{kType, QStringLiteral("message")},
                       {QStringLiteral("from"), from},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("time"),
                        received.toOffsetFromUtc(received.offsetFromUtc()).toString(Qt::ISODate)}};
}

QString StatusPrinter::line(const QJsonObject& object) {
    const QString type = object.value(kType).toString();
    if (type == QLatin1String("status")) {
        m_lastStatus = object;
        return statusLine(object);
    }
    if (type == QLatin1String("message"))
        return messageLine(object);
    return QString();
}

QString StatusPrinter::statusLine(const QJsonObject& s) const {
    const QString word = s.value(QStringLiteral("status")).toString();
    const QString shown = s.value(QStringLiteral("lastConnectShown")).toString();
    const bool answered = s.value(QStringLiteral("serverAnswered")).toBool();
    switch (m_format) {
    case OutputFormat::Json:
        return jsonLine(s);
    case OutputFormat::Text:
        return QStringLiteral("%1  last connect %2  %3")
            .arg(word, shown,
                 answered ? QStringLiteral("(server answered)")
                          : QStringLiteral("(no answer from the server)"));
    case OutputFormat::Line:
        return answered ? QStringLiteral("%1 %2").arg(word, shown) : word;
    case OutputFormat::Waybar:
        return jsonLine(waybarStatus(s));
    }
    return QString();
}

QJsonObject StatusPrinter::waybarStatus(const QJsonObject& s) {
    const QString word = s.value(QStringLiteral("status")).toString();
    const QString state = s.value(QStringLiteral("state")).toString();
    QJsonArray classes{state};
    if (s.value(QStringLiteral("signal")) == QJsonValue(false))
        classes.append(QStringLiteral("no-signal"));
    QString tooltip = QStringLiteral("ZAV Manager: %1\nlast connect %2")
                          .arg(word, s.value(QStringLiteral("lastConnectShown")).toString());
    if (!s.value(QStringLiteral("serverAnswered")).toBool())
        tooltip += QStringLiteral("\nno answer from the server");
    return QJsonObject{{QStringLiteral("text"), word},
                       {QStringLiteral("alt"), state},
                       {QStringLiteral("tooltip"), tooltip},
                       {QStringLiteral("class"), classes}};
}

QString StatusPrinter::messageLine(const QJsonObject& m) const {
    const QString from = m.value(QStringLiteral("from")).toString();
    const QString text = m.value(QStringLiteral("text")).toString();
    const QString said = QStringLiteral("message from %1: %2").arg(from, flattened(text));
    switch (m_format) {
    case OutputFormat::Json:
        return jsonLine(m);
    case OutputFormat::Text:
        return said;
    case OutputFormat::Line:
        return m_lastStatus.isEmpty() ? said
                                      : statusLine(m_lastStatus) + QStringLiteral("  ") + said;
    case OutputFormat::Waybar: {
        QJsonObject o = m_lastStatus.isEmpty()
                            ? QJsonObject{{QStringLiteral("text"), said},
                                          {QStringLiteral("class"), QJsonArray{}}}
                            : waybarStatus(m_lastStatus);
        QJsonArray classes = o.value(QStringLiteral("class")).toArray();
        classes.append(QStringLiteral("message"));
        o.insert(QStringLiteral("class"), classes);
        o.insert(QStringLiteral("tooltip"),
                 (m_lastStatus.isEmpty()
                      ? QString()
                      : o.value(QStringLiteral("tooltip")).toString() + QStringLiteral("\n")) +
                     QStringLiteral("message from %1:\n%2").arg(from, text));
        return jsonLine(o);
    }
    }
    return QString();
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
        next.lastConnect = kNoServerTime;
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
