#include "link/commandchannel.h"

#include "link/logging.h"

CommandChannel::CommandChannel(QObject* parent) : QObject(parent) {
    connect(&m_socket, &StreamSocket::connected, this, &CommandChannel::onConnected);
    connect(&m_socket, &StreamSocket::sendComplete, &m_socket, &StreamSocket::close);
    connect(&m_socket, &StreamSocket::failed, this, &CommandChannel::failed);
}

void CommandChannel::setDestination(const QString& dottedAddress, int port) {
    m_address = dottedAddress;
    m_port = port;
}

void CommandChannel::start(Command command) {
    m_givenText.reset();
    m_pending = command;
    m_socket.close();
    qCDebug(lcLink) << "command connection to" << m_address << m_port << "for"
                    << commandRecordText(command);
    m_socket.connectTo(m_address, m_port);
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
        return; // nothing to send; the connection stays until the next command drops it
    }
    if (!announcement.isEmpty())
        emit logEntry({announcement});
    QString text;
    if (command == Command::Message)
        text = m_givenText ? *m_givenText : m_messageText ? m_messageText() : QString();
    m_socket.send(commandRecord(command, text));
    m_pending = Command::None;
    emit commandSent(command);
}
