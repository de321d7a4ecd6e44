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
    // Every start gets the next number; the one of the start under way (0 before the first).
    quint64 currentTicket() const { return m_ticket; }
    // Whether a start is still connecting or writing its record.
    bool isBusy() const { return m_busy; }
    void close() {
        m_socket.close();
        m_busy = false;
    }

signals:
    // The lines of a log entry announcing a request, before its record goes out.
    void logEntry(const QStringList& lines);
    void commandSent(Command command);
    // The record of the start numbered `ticket` is all with the system; follows commandSent.
    void recordWritten(quint64 ticket);
    // The server could not be reached, or the connection broke before the record was sent.
    void failed();

private:
    void onConnected();
    void onSendComplete();

    StreamSocket m_socket;
    Command m_pending = Command::None;
    QString m_address;
    int m_port = 0;
    std::function<QString()> m_messageText;
    std::optional<QString> m_givenText;
    quint64 m_ticket = 0;
    bool m_busy = false;
    bool m_awaitingWrite = false; // a record went out and its completion is still to come
};
