// The running copy's side of the control channel: brings the copy forward for a second start,
// and answers the command line from the copy's own link and state.
//
// Commands from the command line wait in a queue and go out one at a time, in the order they
// arrived, each on a command connection of its own; each is answered "sent" once its own record
// is written, or "failed", "timeout" or "busy". A request of the window or a poll tick is never
// held back for them: when it replaces a command of the queue that was under way, that command
// goes again once the window's request is done.
#pragma once

#include "app/controlchannel.h"
#include "app/linkstatus.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class ControlService : public QObject {
    Q_OBJECT
public:
    // `bringForward` shows what the user would see of the copy (a second start asks for it).
    ControlService(ServerLink& link, const LinkStatus& initial, std::function<void()> bringForward,
                   QObject* parent = nullptr);
    bool listen(const QString& path) { return m_server.listen(path); }
    void close() { m_server.close(); }

    ControlServer& server() { return m_server; }
    LinkStatusTracker& status() { return m_status; }
    // How long a command of the command line may wait and try before it is answered
    // "timeout" (25 s by default, within the command line's own limit).
    void setRequestTimeout(int milliseconds) { m_requestTimeoutMs = milliseconds; }
    // Commands of the command line waiting beyond this are answered "busy".
    static constexpr int kMaxQueued = 64;

private:
    struct Queued {
        QPointer<ControlConnection> connection;
        Command command = Command::None;
        QString text;
        QElapsedTimer age;
    };

    void handle(ControlConnection* connection, const QString& line);
    void enqueue(ControlConnection* connection, Command command, const QString& text = {});
    // Starts the next queued command when nothing is under way on the command channel.
    void startNext();
    // The command channel's start `ticket` ended: the command under way is answered `word` when
    // it was its own; when another start had replaced it, it goes first again.
    void onStartEnded(quint64 ticket, const char* word);
    void answer(const QPointer<ControlConnection>& connection, const char* word);
    void expire();

    ServerLink& m_link;
    LinkStatusTracker m_status;
    std::function<void()> m_bringForward;
    ControlServer m_server;
    std::deque<Queued> m_queue;
    struct UnderWay {
        Queued command;
        quint64 ticket = 0; // the command channel's number of its start
    };
    std::optional<UnderWay> m_underWay;
    int m_requestTimeoutMs = 25000;
    QTimer m_expiry;
};
