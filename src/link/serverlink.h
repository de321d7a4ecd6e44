// The client's link to ZAV Manager, without any window: the command channel, the polling of
// the server's status, and the report listener with the dispatch of what the server sends.
// Everything it finds out leaves as signals.
#pragma once

#include "link/commandchannel.h"
#include "link/records.h"
#include "link/reportlistener.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class ServerLink : public QObject {
    Q_OBJECT
public:
    explicit ServerLink(QObject* parent = nullptr);

    // Where commands go: the server's dotted IPv4 address and its receive port.
    void setServer(const QString& dottedAddress, int port);
    // Starts taking the server's reports on `port`; false when it cannot be listened on.
    bool startListening(int port);
    // Stops taking reports; open sessions are dropped unread.
    void stopListening();

    // Asks for the status every `seconds`; an interval of 0 or less leaves polling off.
    void startPolling(int seconds);
    void stopPolling() { m_pollTimer.stop(); }
    bool isPolling() const { return m_pollTimer.isActive(); }
    int pollIntervalMs() const { return m_pollTimer.interval(); }

    void requestStatus() { m_commands.start(Command::Status); }
    void requestConnect() { m_commands.start(Command::Connect); }
    void requestDisconnect() { m_commands.start(Command::Disconnect); }
    // Sends a message whose text is taken from the message source once the server answers.
    // Both forms log the request first.
    void sendMessage();
    // Sends a message with this text (CR LF line breaks, as it goes on the wire).
    void sendMessage(const QString& text);
    void setMessageTextSource(std::function<QString()> source) {
        m_commands.setMessageTextSource(std::move(source));
    }

    CommandChannel& commands() { return m_commands; }
    ReportListener& reports() { return m_reports; }

    // Handles one record as the listener hands it over: logs it and announces what it says.
    void dispatchRecord(const QString& record, const QString& peerAddress);

signals:
    // The message lines of a log entry (the log adds its separator and the time).
    void logEntry(const QStringList& lines);
    // The time of the server's last Internet connection, as the server wrote it.
    void lastConnectTimeChanged(const QString& time);
    void stateChanged(LinkState state);
    // A status report once all of it is applied: its time, and its state when its code is one
    // of the known ones. Follows lastConnectTimeChanged and stateChanged of the same report.
    void statusReported(const QString& lastConnectTime, std::optional<LinkState> state);
    void messageReceived(const QString& text, const QString& peerAddress);
    void commandSent(Command command);
    // The record of the start numbered `ticket` (CommandChannel::currentTicket) was written.
    void recordWritten(quint64 ticket);
    void commandFailed();

private:
    void onCommandFailed();

    CommandChannel m_commands;
    ReportListener m_reports;
    QTimer m_pollTimer;
};
