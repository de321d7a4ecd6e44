#include "link/serverlink.h"

#include "link/logging.h"

ServerLink::ServerLink(QObject* parent) : QObject(parent) {
    m_pollTimer.setInterval(5000);
    connect(&m_pollTimer, &QTimer::timeout, this, &ServerLink::requestStatus);
    connect(&m_commands, &CommandChannel::logEntry, this, &ServerLink::logEntry);
    connect(&m_commands, &CommandChannel::commandSent, this, &ServerLink::commandSent);
    connect(&m_commands, &CommandChannel::recordWritten, this, &ServerLink::recordWritten);
    connect(&m_commands, &CommandChannel::failed, this, &ServerLink::onCommandFailed);
    connect(&m_reports, &ReportListener::recordReceived, this, &ServerLink::dispatchRecord);
    connect(&m_reports, &ReportListener::refused, this, [this](const QString& peer) {
        qCDebug(lcLink) << "refused a report connection from" << peer << "(session limit)";
        emit logEntry({QStringLiteral("     Cant accept any more connections!"),
                       QStringLiteral("     (IP:") + peer + QStringLiteral(")")});
    });
}

void ServerLink::setServer(const QString& dottedAddress, int port) {
    m_commands.setDestination(dottedAddress, port);
}

bool ServerLink::startListening(int port) {
    const bool listening = m_reports.listen(port);
    if (listening)
        qCDebug(lcLink) << "listening for reports on port" << port;
    else
        qCInfo(lcLink) << "could not listen for reports on port" << port;
    return listening;
}

void ServerLink::stopListening() {
    m_reports.close();
}

void ServerLink::sendMessage() {
    emit logEntry({QStringLiteral("     Sending a message to Server")});
    m_commands.start(Command::Message);
}

void ServerLink::sendMessage(const QString& text) {
    emit logEntry({QStringLiteral("     Sending a message to Server")});
    m_commands.startMessage(text);
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
    qCDebug(lcLink) << "the command connection failed: no server";
    emit logEntry(
        {QStringLiteral("     Error..."), QStringLiteral("      ZAV Manager not found!")});
    emit stateChanged(LinkState::NoServer);
    emit commandFailed();
}

void ServerLink::dispatchRecord(const QString& record, const QString& peerAddress) {
    switch (recordKind(record)) {
    case RecordKind::Status: {
        emit logEntry({QStringLiteral("     Status report has arrived")});
        const QString time = statusReportTime(record);
        const std::optional<LinkState> state = linkStateForCode(statusReportCode(record));
        emit lastConnectTimeChanged(time);
        if (state)
            emit stateChanged(*state);
        else
            qCDebug(lcLink) << "status report with an unknown code:" << statusReportCode(record);
        emit statusReported(time, state);
        break;
    }
    case RecordKind::Message:
        emit logEntry({QStringLiteral("     Message received from server"),
                       QStringLiteral("     (IP:") + peerAddress + QStringLiteral(")")});
        emit messageReceived(messageRecordText(record), peerAddress);
        break;
    case RecordKind::MessageReceipt:
    case RecordKind::Connect:
    case RecordKind::Disconnect:
    case RecordKind::Unknown:
        qCDebug(lcLink) << "ignored a record from" << peerAddress << "beginning" << record.left(6);
        break;
    }
}
