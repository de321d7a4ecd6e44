// The local channel through which a second start and the command line reach the running copy
// of the program: a Unix socket in the user's private runtime folder, one request line per
// connection, answered by lines.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// The socket's path for this user (beside the instance lock); empty when there is no lock.
QString controlSocketPath(const QString& lockPath);

// One connection to the running copy, as the running copy sees it.
class ControlConnection : public QObject {
    Q_OBJECT
public:
    ControlConnection(int descriptor, QObject* parent);
    ~ControlConnection() override;
    // Sends one line (the line break is added); false once the other side has gone.
    bool sendLine(const QString& line);
    void close();
    bool isOpen() const { return m_fd >= 0; }

signals:
    void requestLine(const QString& line);
    void closed();

private:
    void onReadable();

    int m_fd = -1;
    QByteArray m_buffer;
    bool m_requested = false;
    QSocketNotifier m_notifier{QSocketNotifier::Read};
};

class ControlServer : public QObject {
    Q_OBJECT
public:
    explicit ControlServer(QObject* parent = nullptr);
    ~ControlServer() override;
    // Listens at `path`; a socket file left by a copy that has ended is replaced.
    bool listen(const QString& path);
    void close();

signals:
    // A request arrived; the connection stays open until the handler closes it (or the
    // other side goes away), so that a watcher can be sent lines for as long as it listens.
    void request(ControlConnection* connection, const QString& line);

private:
    void acceptWaiting();

    int m_fd = -1;
    QString m_path;
    QSocketNotifier m_notifier{QSocketNotifier::Read};
};

// The other end: sends `request` to the running copy at `path` and hands every line of the
// answer to `onLine` until the copy closes the connection or `onLine` returns false. False
// when no copy listens there. A `timeoutMs` below 0 waits for as long as the answer runs.
bool askRunningCopy(const QString& path, const QString& request,
                    const std::function<bool(const QString&)>& onLine, int timeoutMs);
