#include "app/controlservice.h"

#include "app/environment.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
// How often waiting commands are checked against their time limit.
constexpr int kExpiryTickMs = 250;
} // namespace

ControlService::ControlService(ServerLink& link, const LinkStatus& initial,
                               std::function<void()> bringForward, QObject* parent)
    : QObject(parent), m_link(link), m_status(link), m_bringForward(std::move(bringForward)) {
    m_status.setStatus(initial);
    connect(&m_server, &ControlServer::request, this, &ControlService::handle);
    connect(&m_link, &ServerLink::recordWritten, this,
            [this](quint64 ticket) { onStartEnded(ticket, "sent"); });
    connect(&m_link, &ServerLink::commandFailed, this,
            [this] { onStartEnded(m_link.commands().currentTicket(), "failed"); });
    m_expiry.setInterval(kExpiryTickMs);
    connect(&m_expiry, &QTimer::timeout, this, &ControlService::expire);
}

void ControlService::handle(ControlConnection* connection, const QString& line) {
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    if (verb == QLatin1String("show")) {
        if (m_bringForward)
            m_bringForward();
        connection->sendLine(QStringLiteral("ok"));
        connection->close();
    } else if (verb == QLatin1String("status")) {
        connection->sendLine(jsonLine(statusObject(m_status.status())));
        connection->close();
    } else if (verb == QLatin1String("connect")) {
        enqueue(connection, Command::Connect);
    } else if (verb == QLatin1String("disconnect")) {
        enqueue(connection, Command::Disconnect);
    } else if (verb == QLatin1String("send")) {
        // The text comes as a JSON array of one string, so that any character survives.
        const QJsonArray text =
            QJsonDocument::fromJson(line.section(QLatin1Char(' '), 1).toUtf8()).array();
        if (text.size() != 1 || !text.at(0).isString()) {
            connection->sendLine(QStringLiteral("error"));
            connection->close();
            return;
        }
        enqueue(connection, Command::Message, text.at(0).toString());
    } else if (verb == QLatin1String("watch")) {
        connection->sendLine(jsonLine(statusObject(m_status.status())));
        connect(
            &m_status, &LinkStatusTracker::changed, connection,
            [connection](const LinkStatus& s) { connection->sendLine(jsonLine(statusObject(s))); });
        connect(&m_status, &LinkStatusTracker::messageReceived, connection,
                [connection](const QString& text, const QString& from) {
                    connection->sendLine(jsonLine(messageObject(text, from, currentDateTime())));
                });
    } else {
        connection->sendLine(QStringLiteral("error"));
        connection->close();
    }
}

void ControlService::enqueue(ControlConnection* connection, Command command, const QString& text) {
    if (m_queue.size() >= size_t(kMaxQueued)) {
        answer(connection, "busy");
        return;
    }
    Queued q;
    q.connection = connection;
    q.command = command;
    q.text = text;
    q.age.start();
    m_queue.push_back(std::move(q));
    m_expiry.start();
    startNext();
}

void ControlService::startNext() {
    if (m_underWay || m_link.commands().isBusy())
        return;
    while (!m_queue.empty()) {
        Queued next = std::move(m_queue.front());
        m_queue.pop_front();
        // A client that has gone no longer wants its command.
        if (!next.connection || !next.connection->isOpen())
            continue;
        switch (next.command) {
        case Command::Connect:
            m_link.requestConnect();
            break;
        case Command::Disconnect:
            m_link.requestDisconnect();
            break;
        case Command::Message:
            m_link.sendMessage(next.text);
            break;
        case Command::Status:
        case Command::None:
            continue; // never queued
        }
        m_underWay = UnderWay{std::move(next), m_link.commands().currentTicket()};
        return;
    }
    m_expiry.stop();
}

void ControlService::onStartEnded(quint64 ticket, const char* word) {
    if (m_underWay && ticket == m_underWay->ticket) {
        answer(m_underWay->command.connection, word);
        m_underWay.reset();
    } else if (m_underWay && m_link.commands().currentTicket() != m_underWay->ticket) {
        m_queue.push_front(std::move(m_underWay->command));
        m_underWay.reset();
    }
    startNext();
}

void ControlService::expire() {
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        if (it->age.hasExpired(m_requestTimeoutMs)) {
            answer(it->connection, "timeout");
            it = m_queue.erase(it);
        } else {
            ++it;
        }
    }
    if (m_underWay && m_underWay->command.age.hasExpired(m_requestTimeoutMs)) {
        const bool ours = m_link.commands().currentTicket() == m_underWay->ticket;
        // A record already with the system is written: its own answer is about to come.
        if (ours && m_link.commands().isBusy() &&
            m_link.commands().pendingCommand() == Command::None)
            return;
        // Still connecting: the attempt is abandoned, so nothing goes out after the answer.
        if (ours && m_link.commands().isBusy())
            m_link.commands().close();
        answer(m_underWay->command.connection, "timeout");
        m_underWay.reset();
        startNext();
    }
    if (m_queue.empty() && !m_underWay)
        m_expiry.stop();
}

void ControlService::answer(const QPointer<ControlConnection>& connection, const char* word) {
    if (!connection)
        return;
    connection->sendLine(QString::fromLatin1(word));
    connection->close();
}
