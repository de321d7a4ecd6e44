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
#include <QDeadlineTimer>
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

// How long each command may take in all, as its help and manual page say.
constexpr int kStatusLimitMs = 10000;
constexpr int kCommandLimitMs = 30000;
// A watcher reaches its running copy within this, then follows it for as long as it runs.
constexpr int kWatchConnectMs = 10000;

int limitMs(Action action) {
    return action == Action::Status ? kStatusLimitMs : kCommandLimitMs;
}

// The one-line reason for an answer of the running copy other than "sent".
QString refusal(const QString& answer) {
    if (answer == QLatin1String("failed"))
        return QStringLiteral("ZAV Manager not found");
    if (answer == QLatin1String("timeout"))
        return QStringLiteral("ZAV Manager could not be reached in time; nothing was sent");
    if (answer == QLatin1String("busy"))
        return QStringLiteral("the running copy has too many requests waiting; nothing was sent");
    return QStringLiteral("the running copy did not take the request");
}

// Through the running copy; -1 when no copy runs.
int throughRunningCopy(const CommandLineRequest& request, const QString& socketPath) {
    int code = 1;
    bool answered = false;
    StatusPrinter printer(request.format);
    const bool watching = request.action == Action::Watch;
    const QDeadlineTimer deadline = watching ? QDeadlineTimer(QDeadlineTimer::Forever)
                                             : QDeadlineTimer(limitMs(request.action));
    const CopyReply reply = askRunningCopy(
        socketPath, requestLine(request),
        [&](const QString& line) {
            switch (request.action) {
            case Action::Status: {
                const QJsonObject status = QJsonDocument::fromJson(line.toUtf8()).object();
                const QString shown = printer.line(status);
                if (shown.isEmpty())
                    return true;
                answered = true;
                printLine(shown);
                code = status.value(QStringLiteral("serverAnswered")).toBool() ? 0 : 1;
                return false;
            }
            case Action::Watch: {
                answered = true;
                const QString shown = printer.line(QJsonDocument::fromJson(line.toUtf8()).object());
                if (!shown.isEmpty())
                    printLine(shown);
                return true;
            }
            default:
                answered = true;
                code = line == QLatin1String("sent") ? 0 : 1;
                if (code != 0)
                    printLine(QStringLiteral("zav-remote: ") + refusal(line), stderr);
                return false;
            }
        },
        deadline, QDeadlineTimer(watching ? kWatchConnectMs : limitMs(request.action)));
    switch (reply) {
    case CopyReply::NoCopy:
        return -1;
    case CopyReply::Answered:
        return code;
    case CopyReply::TimedOut:
        return fail(QStringLiteral("the running copy of the program did not answer within %1 s")
                        .arg((watching ? kWatchConnectMs : limitMs(request.action)) / 1000));
    case CopyReply::Ended:
        break;
    }
    if (watching && answered)
        return fail(QStringLiteral("the running copy of the program has ended; no more lines"));
    return fail(QStringLiteral("the running copy of the program closed the request unanswered"));
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
    StatusPrinter printer(request.format);
    const auto printStatus = [&printer](const LinkStatus& s) {
        printLine(printer.line(statusObject(s)));
    };
    // The first answer ends the command (with its reason on standard error); later ones go
    // unheard.
    auto finish = [&](int c, const QString& reason = QString()) {
        if (answered)
            return;
        answered = true;
        if (!reason.isEmpty())
            printLine(QStringLiteral("zav-remote: ") + reason, stderr);
        code = c;
        QCoreApplication::exit(c);
    };
    switch (request.action) {
    case Action::Status:
        // The first report, or the failure to reach the server, answers.
        QObject::connect(&tracker, &LinkStatusTracker::changed, [&](const LinkStatus& s) {
            if (answered || !(s.serverAnswered || s.state == LinkState::NoServer))
                return;
            printStatus(s);
            finish(s.serverAnswered ? 0 : 1);
        });
        QTimer::singleShot(request.reportTimeoutMs, [&] {
            if (answered)
                return;
            printStatus(tracker.status());
            finish(1);
        });
        link.requestStatus();
        break;
    case Action::Watch:
        printStatus(tracker.status());
        QObject::connect(&tracker, &LinkStatusTracker::changed,
                         [&](const LinkStatus& s) { printStatus(s); });
        QObject::connect(&tracker, &LinkStatusTracker::messageReceived,
                         [&](const QString& text, const QString& from) {
                             printLine(printer.line(messageObject(text, from, currentDateTime())));
                         });
        link.requestStatus();
        link.startPolling(settings.pollIntervalSeconds);
        onTerminationSignal([&] { finish(0); });
        break;
    default: {
        // Done once the record is written, not merely handed over.
        QObject::connect(&link, &ServerLink::recordWritten, [&](quint64) { finish(0); });
        QObject::connect(&link, &ServerLink::commandFailed,
                         [&] { finish(1, refusal(QStringLiteral("failed"))); });
        QTimer::singleShot(kCommandLimitMs, [&] {
            finish(1, QStringLiteral("ZAV Manager did not answer within %1 s")
                          .arg(kCommandLimitMs / 1000));
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
