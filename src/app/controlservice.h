// The running copy's side of the control channel: brings the window forward for a second
// start, and answers the command line from the copy's own link and state.
#pragma once

#include "app/controlchannel.h"
#include "app/linkstatus.h"

#include <QStringList>
#include <functional>

class ControlService : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> showWindow;            // bring the main window forward
        std::function<void(const QStringList&)> log; // add an entry to the log
    };
    ControlService(ServerLink& link, LinkStatusTracker& status, Hooks hooks,
                   QObject* parent = nullptr);
    bool listen(const QString& path) { return m_server.listen(path); }
    void close() { m_server.close(); }

private:
    void handle(ControlConnection* connection, const QString& line);
    // Answers once the command started for `connection` was sent, failed or was dropped.
    void answerWhenDone(ControlConnection* connection, Command command);

    ServerLink& m_link;
    LinkStatusTracker& m_status;
    Hooks m_hooks;
    ControlServer m_server;
};
