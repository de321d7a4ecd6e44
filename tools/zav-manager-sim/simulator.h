// A stand-in for ZAV Manager: takes command records from the client, answers with report
// records, and pretends to own a receiver card and a dial-up Internet link. The records, their
// codes and the code page are the client's own (link/records.h, link/codepage.h); the console
// that drives it by hand is in console.h.
#pragma once

#include "link/records.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTime>
#include <QTimer>

#include <functional>

class QTcpServer;
class QTcpSocket;

struct SimulatorConfig {
    QHostAddress bindAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 receivePort = 2509; // 0: any free port, see Simulator::receivePort()
    quint16 clientPort = 2519;
    QString clientHost;     // empty: the peer of the latest command connection
    int dialMs = 4000;      // CONNEC: dialing lasts this long, then the link is up
    int pushIntervalMs = 0; // unsolicited status reports; 0: none
    int reportDelayMs = 0;  // wait before answering STATUS
    bool signalPresent = true;
    bool cardPresent = true;
    bool quiet = false;           // see Simulator::setQuiet()
    int commandTimeoutMs = 10000; // a command connection left open longer is dropped
    int reportTimeoutMs = 5000;   // a report connection the client holds longer is dropped
};

// A record shown on one line: control characters spelled out, long ones cut.
QString quotedRecord(const QString& text);

class Simulator : public QObject {
    Q_OBJECT
public:
    enum class Link { Disconnected, Dialing, Connected };

    explicit Simulator(const SimulatorConfig& config, QObject* parent = nullptr);
    ~Simulator() override;

    // Starts listening for command connections; on failure `error` says why.
    bool start(QString* error = nullptr);
    void stop();
    quint16 receivePort() const;

    // Clock for log stamps and for the time of the last connection.
    void setClock(std::function<QTime()> clock);

    Link link() const { return m_link; }
    bool signalPresent() const { return m_signal; }
    bool cardPresent() const { return m_card; }
    // The state a status report gives now, its nine-letter code and the whole 23-character
    // status record.
    LinkState reportedState() const;
    QString statusCode() const;
    QString statusRecord() const;
    // Where reports without a command to answer go; empty until a client has shown up.
    QString reportHost() const;

    void connectLink();
    void disconnectLink();
    void setSignalPresent(bool present);
    void setCardPresent(bool present);
    // Quiet: the routine polls of a known client, and reports that repeat the last status sent,
    // are not logged. Everything else still is: changes, other records, messages, failures.
    void setQuiet(bool quiet);
    bool quiet() const { return m_quiet; }
    // Unsolicited reports to the last known client.
    void pushStatus();
    void pushMessage(const QString& text);

    // Stamps a line and hands it to logLine().
    void log(const QString& text);
    // Asks the program to stop (the quitRequested() signal).
    void requestQuit();

signals:
    void logLine(const QString& line);
    void quitRequested();

private:
    struct Report {
        QString host;
        QString text;
    };

    // Logged unless quiet.
    void logRoutine(const QString& text);
    void acceptConnections();
    void handleRecord(const QByteArray& bytes, const QString& peer);
    void queueReport(const QString& host, const QString& text);
    void sendNextReport();
    void reportConnected();
    void reportBytesWritten();
    void finishReport(const QString& error);
    void pushTimeout();
    void linkUp();
    QString stamp() const;

    SimulatorConfig m_config;
    std::function<QTime()> m_clock;
    QTcpServer* m_server = nullptr;

    Link m_link = Link::Disconnected;
    bool m_signal = true;
    bool m_card = true;
    bool m_quiet = false;
    QString m_lastStatusSent; // the last status record that went out
    QString m_lastConnected;  // "hh:mmam" of the last time the link came up; empty: never
    QTimer m_dialTimer;
    QTimer m_pushTimer;
    QString m_lastClient;

    // Reports go out one connection at a time, in order.
    QQueue<Report> m_reports;
    Report m_current;
    QTcpSocket* m_out = nullptr;
    QByteArray m_outBytes;
    QByteArray m_outReply;
    bool m_outWritten = false;
    bool m_outHalfClosed = false;
    QTimer m_outTimer;
};
