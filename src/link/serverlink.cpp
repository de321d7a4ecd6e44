#include "link/serverlink.h"

ServerLink::ServerLink(QObject* parent) : QObject(parent) {
    m_pollTimer.setInterval(5000);
    connect(&m_pollTimer, &QTimer::timeout, this, &ServerLink::requestStatus);
    connect(&m_commands, &CommandChannel::logEntry, this, &ServerLink::logEntry);
    connect(&m_commands, &CommandChannel::commandSent, this, &ServerLink::commandSent);
    connect(&m_commands, &CommandChannel::failed, this, &ServerLink::onCommandFailed);
    connect(&m_reports, &ReportListener::recordReceived, this, &ServerLink::dispatchRecord);
    connect(&m_reports, &ReportListener::refused, this, [this](const QString& peer) {
        emit logEntry({QStringLiteral("     Cant accept any more connections!"),
                       QStringLiteral("     (IP:") + peer + QStringLiteral(")")});
    });
}

void ServerLink::setServer(const QString& dottedAddress, int port) {
    m_commands.setDestination(dottedAddress, port);
}

bool ServerLink::startListening(int port) {
    return m_reports.listen(port);
}

void ServerLink::stopListening() {
    m_reports.close();
}

void ServerLink::startPolling(int seconds) {
    if (seconds <= 0) {
        // A timer of no length would fire without pause.
        m_pollTimer.stop();
        return;
    }
    m_pollTimer.setInterval(seconds * 1000);
    m_pollTimer.start();
}

void ServerLink::onCommandFailed() {
    emit logEntry(
        {QStringLiteral("     Error..."), QStringLiteral("      ZAV Manager not found!")});
    emit stateChanged(LinkState::NoServer);
    emit commandFailed();
}

void ServerLink::dispatchRecord(const QString& record, const QString& peerAddress) {
    switch (recordKind(record)) {
    case RecordKind::Status:
        emit logEntry({QStringLiteral("     Status report has arrived")});
        emit lastConnectTimeChanged(statusReportTime(record));
        if (const auto state = linkStateForCode(statusReportCode(record)))
            emit stateChanged(*state);
        break;
    case RecordKind::Message:
        emit logEntry({QStringLiteral("     Message received from server"),
                       QStringLiteral("     (IP:") + peerAddress + QStringLiteral(")")});
        emit messageReceived(messageRecordText(record), peerAddress);
        break;
    default:
        break;
    }
}
