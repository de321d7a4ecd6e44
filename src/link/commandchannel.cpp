#include "link/commandchannel.h"

#include "link/logging.h"

CommandChannel::CommandChannel(QObject* parent) : QObject(parent) {
    connect(&m_socket, &StreamSocket::connected, this, &CommandChannel::onConnected);
    connect(&m_socket, &StreamSocket::sendComplete, this, &CommandChannel::onSendComplete);
    connect(&m_socket, &StreamSocket::failed, this, [this] {
        m_busy = false;
        m_awaitingWrite = false;
        emit failed();
    });
}

void CommandChannel::setDestination(const QString& dottedAddress, int port) {
    m_address = dottedAddress;
    m_port = port;
}

void CommandChannel::start(Command command) {
    // A record that is all with the system is delivered even when its connection is dropped
    // now, before its completion was announced: it counts as written.
    if (m_awaitingWrite) {
        m_awaitingWrite = false;
        if (m_socket.unsentSize() == 0)
            emit recordWritten(m_ticket);
    }
    m_givenText.reset();
    m_pending = command;
    ++m_ticket;
    m_busy = true;
    m_socket.close();
    qCDebug(lcLink) << "command connection to" << m_address << m_port << "for"
                    << commandRecordText(command);
    m_socket.connectTo(m_address, m_port);
}

void CommandChannel::onSendComplete() {
    m_socket.close();
    m_busy = false;
    if (m_awaitingWrite) {
        m_awaitingWrite = false;
        emit recordWritten(m_ticket);
    }
}

void CommandChannel::startMessage(const QString& text) {
    start(Command::Message);
    m_givenText = text;
}

void CommandChannel::onConnected() {
    const Command command = m_pending;
    QString announcement;
    switch (command) {
    case Command::Status:
        announcement = QStringLiteral("     Requesting status from server");
        break;
    case Command::Connect:
        announcement = QStringLiteral("     Requesting a Connect");
        break;
    case Command::Disconnect:
        announcement = QStringLiteral("     Requesting a Disconnect");
        break;
    case Command::Message:
        break; // the send window announced it when its button was pressed
    case Command::None:
        m_busy = false;
        return; // nothing to send; the connection stays until the next command drops it
    }
    if (!announcement.isEmpty())
        emit logEntry({announcement});
    QString text;
    if (command == Command::Message)
        text = m_givenText ? *m_givenText : m_messageText ? m_messageText() : QString();
    m_awaitingWrite = m_socket.send(commandRecord(command, text));
    m_pending = Command::None;
    emit commandSent(command);
}
