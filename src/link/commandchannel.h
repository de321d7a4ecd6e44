// The command channel: every command goes out on a fresh connection to the server, one record,
// then the connection is closed. The last request wins: starting a command drops whatever the
// channel was still doing.
#pragma once

#include "link/records.h"
#include "link/socket/streamsocket.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class CommandChannel : public QObject {
    Q_OBJECT
public:
    explicit CommandChannel(QObject* parent = nullptr);

    // Where commands go; read at the start of each command.
    void setDestination(const QString& dottedAddress, int port);
    void setConnectTimeout(int milliseconds) { m_socket.setConnectTimeout(milliseconds); }
    // Gives the text of a message at the moment its connection is made.
    void setMessageTextSource(std::function<QString()> source) {
        m_messageText = std::move(source);
    }

    // Drops the connection or attempt under way and connects afresh for `command`.
    void start(Command command);
    // The same for a message whose text is given here rather than taken from the source.
    void startMessage(const QString& text);
    // The command the connection under way will carry; None once it has been sent.
    Command pendingCommand() const { return m_pending; }
    void close() { m_socket.close(); }

signals:
    // The lines of a log entry announcing a request, before its record goes out.
    void logEntry(const QStringList& lines);
    void commandSent(Command command);
    // The server could not be reached, or the connection broke before the record was sent.
    void failed();

private:
    void onConnected();

    StreamSocket m_socket;
    Command m_pending = Command::None;
    QString m_address;
    int m_port = 0;
    std::function<QString()> m_messageText;
    std::optional<QString> m_givenText;
};
