#include "app/controlservice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

ControlService::ControlService(ServerLink& link, LinkStatusTracker& status, Hooks hooks,
                               QObject* parent)
    : QObject(parent), m_link(link), m_status(status), m_hooks(std::move(hooks)) {
    connect(&m_server, &ControlServer::request, this, &ControlService::handle);
}

void ControlService::handle(ControlConnection* connection, const QString& line) {
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    if (verb == QLatin1String("show")) {
        if (m_hooks.showWindow)
            m_hooks.showWindow();
        connection->sendLine(QStringLiteral("ok"));
        connection->close();
    } else if (verb == QLatin1String("status")) {
        connection->sendLine(statusLine(m_status.status(), true));
        connection->close();
    } else if (verb == QLatin1String("connect")) {
        m_link.requestConnect();
        answerWhenDone(connection, Command::Connect);
    } else if (verb == QLatin1String("disconnect")) {
        m_link.requestDisconnect();
        answerWhenDone(connection, Command::Disconnect);
    } else if (verb == QLatin1String("send")) {
        // The text comes as a JSON array of one string, so that any character survives.
        const QJsonArray text =
            QJsonDocument::fromJson(line.section(QLatin1Char(' '), 1).toUtf8()).array();
        if (text.size() != 1 || !text.at(0).isString()) {
            connection->sendLine(QStringLiteral("error"));
            connection->close();
            return;
        }
        if (m_hooks.log)
            m_hooks.log({QStringLiteral("     Sending a message to Server")});
        m_link.sendMessage(text.at(0).toString());
        answerWhenDone(connection, Command::Message);
    } else if (verb == QLatin1String("watch")) {
        connection->sendLine(statusLine(m_status.status(), true));
        connect(&m_status, &LinkStatusTracker::changed, connection,
                [connection](const LinkStatus& s) { connection->sendLine(statusLine(s, true)); });
        connect(&m_status, &LinkStatusTracker::messageReceived, connection,
                [connection](const QString& text, const QString& from) {
                    connection->sendLine(messageLine(text, from, true));
                });
    } else {
        connection->sendLine(QStringLiteral("error"));
        connection->close();
    }
}

void ControlService::answerWhenDone(ControlConnection* connection, Command command) {
    auto answer = [connection](const char* word) {
        connection->sendLine(QString::fromLatin1(word));
        connection->close();
    };
    // The last request wins: a command started after this one drops it.
    connect(&m_link, &ServerLink::commandSent, connection,
            [command, answer](Command sent) { answer(sent == command ? "sent" : "dropped"); });
    connect(&m_link, &ServerLink::commandFailed, connection, [this, command, answer] {
        answer(m_link.commands().pendingCommand() == command ? "failed" : "dropped");
    });
}
