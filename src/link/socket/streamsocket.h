// A non-blocking TCP connection driven by the event loop of the thread that owns it: every
// operation returns at once and outcomes arrive as signals, never from inside the call that
// caused them. One object serves many connections in turn (connect or adopt, then close).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

class StreamSocket : public QObject {
    Q_OBJECT
public:
    enum class State {
        Closed,     // no connection; free for the next one
        Connecting, // an attempt is under way
        Connected,
        PeerClosed, // the peer ended the connection normally; data may still be taken
        Failed,     // refused, reset, timed out or unusable destination; nothing more happens
    };

    explicit StreamSocket(QObject* parent = nullptr);
    ~StreamSocket() override;

    // Starts connecting to a dotted IPv4 address. A destination that cannot be used (not four
    // dotted numbers, a port outside 1..65535) fails like an attempt that found nobody. An
    // attempt with no answer within the connect timeout is abandoned for good.
    void connectTo(const QString& dottedAddress, int port);
    // Takes over a connection that a listener accepted.
    void adopt(int descriptor, const QString& peerAddress);
    // Drops the connection or attempt and what was received; harmless when closed.
    void close();

    // Queues bytes; sendComplete follows once all of them are with the system.
    bool send(const QByteArray& bytes);
    // Everything received since the last take.
    QByteArray takeReceived();
    qsizetype receivedSize() const { return m_received.size(); }
    // Bytes queued by send that are not yet with the system.
    qsizetype unsentSize() const { return m_unsent.size(); }

    State state() const { return m_state; }
    // The peer's dotted address; still readable after close.
    QString peerAddress() const { return m_peerAddress; }

    void setConnectTimeout(int milliseconds) { m_connectTimeoutMs = milliseconds; }

signals:
    void connected();
    void sendComplete();
    void dataArrived();
    void peerClosed();
    void failed();

private:
    void attach(int descriptor);
    void detach();
    void fail();
    void onReadable();
    void onWritable();
    void finishConnect();
    void flush();
    // Runs `what` from the event loop, unless the connection has changed meanwhile.
    template <typename F> void later(F what);

    int m_fd = -1;
    State m_state = State::Closed;
    QString m_peerAddress;
    QByteArray m_received;
    QByteArray m_unsent;
    bool m_sending = false;
    quint64 m_generation = 0;
    int m_connectTimeoutMs = 20000;
    QSocketNotifier m_readNotifier{QSocketNotifier::Read};
    QSocketNotifier m_writeNotifier{QSocketNotifier::Write};
    QTimer m_connectTimer;
};

// Parses four dotted decimal numbers 0..255 into an address in host byte order.
bool parseDottedIPv4(const QString& text, quint32& address);
// The dotted form of an address in host byte order.
QString dottedIPv4(quint32 address);
