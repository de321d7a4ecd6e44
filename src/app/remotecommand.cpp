#include "app/remotecommand.h"

#include "app/controlchannel.h"
#include "app/environment.h"
#include "app/instancelock.h"
#include "app/linkstatus.h"
#include "app/settings.h"
#include "app/settingslocation.h"
#include "app/terminationsignals.h"
#include "link/serverlink.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cstdio>

namespace {

using Action = CommandLineRequest::Action;

void printLine(const QString& line, std::FILE* to = stdout) {
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), to);
    std::fflush(to);
}

int fail(const QString& why) {
    printLine(QStringLiteral("zav-remote: ") + why, stderr);
    return 1;
}

// How a JSON line of the running copy is shown: as it is with --json, else as text.
void showCopyLine(const QString& line, bool json) {
    if (json) {
        printLine(line);
        return;
    }
    LinkStatus status;
    if (parseStatusJson(line, status)) {
        printLine(statusLine(status, false));
        return;
    }
    const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
    printLine(messageLine(o.value(QStringLiteral("message")).toString(),
                          o.value(QStringLiteral("from")).toString(), false));
}

QString requestLine(const CommandLineRequest& request) {
    switch (request.action) {
    case Action::Status:
        return QStringLiteral("status");
    case Action::Connect:
        return QStringLiteral("connect");
    case Action::Disconnect:
        return QStringLiteral("disconnect");
    case Action::Send:
        return QStringLiteral("send ") +
               QString::fromUtf8(
                   QJsonDocument(QJsonArray{request.message}).toJson(QJsonDocument::Compact));
    case Action::Watch:
        return QStringLiteral("watch");
    default:
        return QString();
    }
}

// Through the running copy; -1 when no copy answers.
int throughRunningCopy(const CommandLineRequest& request, const QString& socketPath) {
    int code = 1;
    const bool asked = askRunningCopy(
        socketPath, requestLine(request),
        [&](const QString& line) {
            switch (request.action) {
            case Action::Status: {
                LinkStatus status;
                if (parseStatusJson(line, status)) {
                    printLine(request.json ? line : statusLine(status, false));
                    code = status.serverAnswered ? 0 : 1;
                }
                return false;
            }
            case Action::Watch:
                showCopyLine(line, request.json);
                return true;
            default:
                code = line == QLatin1String("sent") ? 0 : 1;
                if (code != 0)
                    printLine(line == QLatin1String("dropped")
                                  ? QStringLiteral("zav-remote: a newer request replaced it")
                                  : QStringLiteral("zav-remote: ZAV Manager not found"),
                              stderr);
                return false;
            }
        },
        request.action == Action::Watch ? -1 : 30000);
    return asked ? code : -1;
}

// Alone, from the settings file, with a link of its own.
int alone(const CommandLineRequest& request) {
    const QString path = settingsFilePath();
    Settings settings;
    if (!isPlainFile(path))
        return fail(QStringLiteral("no settings file at %1; start the program and save the "
                                   "settings in its Options panel first")
                        .arg(path));
    if (!readSettingsFile(path, settings))
        return fail(QStringLiteral("the settings file %1 could not be read").arg(path));

    ServerLink link;
    link.setServer(settings.serverAddress, settings.transmitPort);
    LinkStatusTracker tracker(link);
    const bool listens = request.action == Action::Status || request.action == Action::Watch;
    if (listens && !link.startListening(settings.listenPort))
        return fail(QStringLiteral("the listen port %1 cannot be used (is it busy?)")
                        .arg(settings.listenPort));

    int code = 1;
    bool answered = false;
    auto finish = [&code](int c) {
        code = c;
        QCoreApplication::exit(c);
    };
    switch (request.action) {
    case Action::Status:
        QObject::connect(&tracker, &LinkStatusTracker::changed, [&](const LinkStatus& s) {
            if (!s.serverAnswered && s.word != QLatin1String("NO SRVR!"))
                return; // not yet a report
            // A report's state follows its time at once: answer once both are in.
            if (answered)
                return;
            answered = true;
            QTimer::singleShot(0, [&] {
                printLine(statusLine(tracker.status(), request.json));
                finish(tracker.status().serverAnswered ? 0 : 1);
            });
        });
        QTimer::singleShot(request.reportTimeoutMs, [&] {
            printLine(statusLine(tracker.status(), request.json));
            finish(1);
        });
        link.requestStatus();
        break;
    case Action::Watch:
        printLine(statusLine(tracker.status(), request.json));
        QObject::connect(&tracker, &LinkStatusTracker::changed,
                         [&](const LinkStatus& s) { printLine(statusLine(s, request.json)); });
        QObject::connect(&tracker, &LinkStatusTracker::messageReceived,
                         [&](const QString& text, const QString& from) {
                             printLine(messageLine(text, from, request.json));
                         });
        link.requestStatus();
        link.startPolling(settings.pollIntervalSeconds);
        onTerminationSignal([&] { finish(0); });
        break;
    default: {
        QObject::connect(&link, &ServerLink::commandSent, [&](Command) { finish(0); });
        QObject::connect(&link, &ServerLink::commandFailed, [&] {
            printLine(QStringLiteral("zav-remote: ZAV Manager not found"), stderr);
            finish(1);
        });
        if (request.action == Action::Connect)
            link.requestConnect();
        else if (request.action == Action::Disconnect)
            link.requestDisconnect();
        else
            link.sendMessage(request.message);
        break;
    }
    }
    QCoreApplication::exec();
    link.stopListening();
    return code;
}

} // namespace

int runRemoteCommand(const CommandLineRequest& request, int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString socketPath = controlSocketPath(
        env().instanceLockPath.isEmpty() ? InstanceLock::defaultPath() : env().instanceLockPath);
    const int viaCopy = throughRunningCopy(request, socketPath);
    if (viaCopy >= 0)
        return viaCopy;
    return alone(request);
}
