// The local channel through which a second start and the command line reach the running copy
// of the program: a local socket in the user's private runtime folder, one request line per
// connection, answered by lines.
//
// Connections are QLocalSockets; the listening end is a socket of our own rather than a
// QLocalServer. Measured with Qt 6.4: when accept fails for lack of descriptors, QLocalServer
// closes itself and removes its socket file, so that every later command would think no copy
// runs. Here the copy stops accepting for a moment instead and keeps its place.
#pragma once

#include "link/socket/listeningsocket.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QLocalSocket;

// The socket's path for this user (beside the instance lock); empty when there is no lock.
QString controlSocketPath(const QString& lockPath);

// One connection to the running copy, as the running copy sees it.
class ControlConnection : public QObject {
    Q_OBJECT
public:
    // Takes over `socket`; a client that has not sent a whole request line within
    // `requestWaitMs` is dropped.
    ControlConnection(QLocalSocket* socket, int requestWaitMs, QObject* parent);
    ~ControlConnection() override;
    // Queues one line (the line break is added); false once the connection is closing or gone,
    // or when the other side has stopped reading so long that too much waits for it.
    bool sendLine(const QString& line);
    // Sends what is queued, then closes; a client that does not take it is dropped soon.
    void close();
    bool isOpen() const { return m_open; }

signals:
    void requestLine(const QString& line);
    // Once, when the connection is closed by either side.
    void closed();

private:
    void onReadable();
    void finish();

    QLocalSocket* m_socket;
    QByteArray m_buffer;
    bool m_requested = false;
    bool m_open = true;
    bool m_finished = false;
    QTimer m_requestTimer;
};

class ControlServer : public QObject {
    Q_OBJECT
public:
    explicit ControlServer(QObject* parent = nullptr);
    ~ControlServer() override;
    // Listens at `path`; a socket file left by a copy that has ended is replaced.
    bool listen(const QString& path);
    void close();
    bool isListening() const { return m_socket.isListening(); }

    // How long a client may take to send its request (3 s by default).
    void setRequestWait(int milliseconds) { m_requestWaitMs = milliseconds; }
    // How long accepting pauses when the process has no descriptor left (250 ms by default).
    void setAcceptPause(int milliseconds) { m_socket.setRestMs(milliseconds); }
    // How many times accepting has paused so far.
    int acceptPauses() const { return m_socket.rests(); }
    int connectionCount() const { return m_connections; }

signals:
    // A request arrived; the connection stays open until the handler closes it (or the
    // other side goes away), so that a watcher can be sent lines for as long as it listens.
    void request(ControlConnection* connection, const QString& line);

private:
    void acceptWaiting();

    ListeningSocket m_socket{250};
    QString m_path;
    int m_requestWaitMs = 3000;
    int m_connections = 0;
};

// What became of a request to the running copy.
enum class CopyReply {
    NoCopy,   // no copy listens there (no socket, or a socket left by a copy that has ended)
    Answered, // the copy answered, and `onLine` had all it wanted
    Ended,    // the copy closed the connection (after the lines given to `onLine`, if any)
    TimedOut, // no connection, or no end of the answer, before the deadline
};

// The other end: sends `request` to the running copy at `path` and hands every line of the
// answer to `onLine` until `onLine` returns false, the copy closes the connection or
// `deadline` passes. Connecting and sending the request take at most `connectWithin`, even
// under a forever deadline (for a watcher).
CopyReply askRunningCopy(const QString& path, const QString& request,
                         const std::function<bool(const QString&)>& onLine, QDeadlineTimer deadline,
                         QDeadlineTimer connectWithin);
