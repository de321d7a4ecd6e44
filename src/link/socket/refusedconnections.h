// Connections turned away with a notice. Each is sent the notice, its sending side is shut, and
// whatever the peer still sends is read and dropped until the peer closes, so that the close is
// an orderly one and the notice is not lost to a reset. Bounded in number, in time per
// connection, and in memory (nothing read is kept).
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <vector>

class RefusedConnections : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 250;

    explicit RefusedConnections(QObject* parent = nullptr);
    ~RefusedConnections() override;

    // Most connections heard out at once; a further one makes the oldest close at once.
    void setLimit(int connections) { m_limit = connections; }
    // Longest a connection is heard out before it is closed regardless.
    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    // Milliseconds on a steady clock; tests replace it.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Takes over an accepted non-blocking descriptor, sends it `notice` and hears it out. False
    // when the notice could not be handed to the system whole (the connection is closed then).
    bool turnAway(int descriptor, const QByteArray& notice);
    // Closes the connections heard out for longer than the time limit.
    void expire();
    // Closes every connection at once.
    void closeAll();

    int lingering() const { return int(m_lingering.size()); }

private:
    struct Lingering {
        int fd = -1;
        qint64 since = 0;
        QSocketNotifier* notifier = nullptr; // a child; deleted later, it may be signalling
    };
    void onReadable(int descriptor);
    void closeAt(size_t index);
    qint64 now() const;

    std::vector<Lingering> m_lingering;
    QTimer m_timer;
    std::function<qint64()> m_clock;
    int m_limit = 64;
    int m_timeLimitMs = 2000;
};
