// zav-manager-sim: a ZAV Manager stand-in for trying and testing the client on one machine.
#include "console.h"
#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTime>

#include <cmath>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#else
#include <iostream>
#include <string>
#include <thread>
#endif

namespace {

void printLine(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// For the few lines the program prints itself, stamped like the simulator's.
void printStamped(const QString& text) {
    printLine(QTime::currentTime().toString(QStringLiteral("[HH:mm:ss] ")) + text);
}

int usageError(const QString& message) {
    std::fprintf(stderr, "zav-manager-sim: %s\nTry 'zav-manager-sim --help'.\n",
                 message.toLocal8Bit().constData());
    return 2;
}

bool parsePort(const QString& text, int lowest, quint16* port) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

// Seconds, fractions allowed, into milliseconds.
bool parseSeconds(const QString& text, int* ms) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 86400)
        return false;
    *ms = int(std::lround(value * 1000));
    if (value > 0 && *ms == 0)
        *ms = 1;
    return true;
}

#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop like `quit` does.
void watchTerminationSignals(QCoreApplication* app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [notifier] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Console commands, one per line. The end of input is not a command: the simulator keeps
// serving the client, e.g. when it runs in the background with nothing on standard input.
void watchStandardInput(QCoreApplication* app, Simulator* sim) {
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1)
        return;
    // A background job reading the terminal gets EIO instead of being stopped.
    std::signal(SIGTTIN, SIG_IGN);
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, app);
    auto* pending = new QByteArray;
    QObject::connect(notifier, &QObject::destroyed, [pending] { delete pending; });
    QObject::connect(notifier, &QSocketNotifier::activated, sim, [notifier, pending, sim] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0) {
            notifier->setEnabled(false);
            if (!pending->isEmpty())
                runConsoleLine(*sim, QString::fromLocal8Bit(*pending));
            pending->clear();
            printStamped(QStringLiteral("standard input closed; still running, stop with "
                                        "SIGTERM or Ctrl-C"));
            return;
        }
        pending->append(buffer, int(got));
        qsizetype end;
        while ((end = pending->indexOf('\n')) >= 0) {
            const QByteArray line = pending->left(end);
            pending->remove(0, end + 1);
            runConsoleLine(*sim, QString::fromLocal8Bit(line));
        }
    });
}
#else
void watchTerminationSignals(QCoreApplication*) {}

void watchStandardInput(QCoreApplication* app, Simulator*) {
    std::thread([app] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromLocal8Bit(line.c_str());
            QMetaObject::invokeMethod(app, [text] {
                if (auto* sim = QCoreApplication::instance()->findChild<Simulator*>())
                    runConsoleLine(*sim, text);
            });
        }
    }).detach();
}
#endif

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav-manager-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A ZAV Manager stand-in: takes the client's commands (STATUS, CONNEC, DISCON, MESSAG),\n"
        "answers with status reports and message receipts, and simulates the receiver card\n"
        "and the dial-up link.\n"
        "\n"
        "Commands on standard input, one per line:\n"
        "  msg <text>       send a message to the last known client (\\n: line break)\n"
        "  signal on|off    satellite signal present or lost\n"
        "  card on|off      receiver card present or gone\n"
        "  status           send a status report now\n"
        "  connect          dial the link, as CONNEC does (not without the card)\n"
        "  disconnect       hang up, as DISCON does\n"
        "  state            show the current status record\n"
        "  quiet on|off     hide or show the routine polls (see --quiet)\n"
        "  help             list these commands\n"
        "  quit             stop\n"
        "The end of standard input does not stop the program; SIGTERM and SIGINT do."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption bindOption(
        QStringLiteral("bind"), QStringLiteral("Address to take commands on (default 127.0.0.1)."),
        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption receivePortOption(
        QStringLiteral("receive-port"),
        QStringLiteral("Port to take commands on (default 2509; 0: any free port, announced "
                       "in the first log line)."),
        QStringLiteral("port"), QStringLiteral("2509"));
    const QCommandLineOption clientPortOption(
        QStringLiteral("client-port"),
        QStringLiteral("Port of the client that reports go to (default 2519)."),
        QStringLiteral("port"), QStringLiteral("2519"));
    const QCommandLineOption clientHostOption(
        QStringLiteral("client-host"),
        QStringLiteral("Send reports to this host instead of the address the last command "
                       "came from."),
        QStringLiteral("host"));
    const QCommandLineOption dialOption(
        QStringLiteral("dial-seconds"),
        QStringLiteral("How long dialing lasts before the link is up (default 4; 0 and "
                       "fractions allowed)."),
        QStringLiteral("seconds"), QStringLiteral("4"));
    const QCommandLineOption pushOption(
        QStringLiteral("push-interval"),
        QStringLiteral("Send an unsolicited status report every so many seconds (default 0: "
                       "never)."),
        QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption delayOption(
        QStringLiteral("report-delay-ms"),
        QStringLiteral("Wait this long before answering STATUS (default 0)."), QStringLiteral("ms"),
        QStringLiteral("0"));
    const QCommandLineOption noSignalOption(QStringLiteral("no-signal"),
                                            QStringLiteral("Start without satellite signal."));
    const QCommandLineOption noCardOption(QStringLiteral("no-card"),
                                          QStringLiteral("Start without a receiver card."));
    const QCommandLineOption quietOption(
        {QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("Do not print the routine status polls of a known client, nor reports "
                       "that repeat the last status sent; changes, messages and failures are "
                       "still printed."));
    parser.addOptions({bindOption, receivePortOption, clientPortOption, clientHostOption,
                       dialOption, pushOption, delayOption, noSignalOption, noCardOption,
                       quietOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'")
                              .arg(parser.positionalArguments().constFirst()));

    SimulatorConfig config;
    const QString bind = parser.value(bindOption);
    if (bind == QLatin1String("localhost"))
        config.bindAddress = QHostAddress(QHostAddress::LocalHost);
    else if (!config.bindAddress.setAddress(bind))
        return usageError(QStringLiteral("--bind: '%1' is not an IP address").arg(bind));
    if (!parsePort(parser.value(receivePortOption), 0, &config.receivePort))
        return usageError(QStringLiteral("--receive-port: '%1' is not a port (0-65535)")
                              .arg(parser.value(receivePortOption)));
    if (!parsePort(parser.value(clientPortOption), 1, &config.clientPort))
        return usageError(QStringLiteral("--client-port: '%1' is not a port (1-65535)")
                              .arg(parser.value(clientPortOption)));
    if (parser.isSet(clientHostOption)) {
        config.clientHost = parser.value(clientHostOption).trimmed();
        if (config.clientHost.isEmpty())
            return usageError(QStringLiteral("--client-host: empty"));
    }
    if (!parseSeconds(parser.value(dialOption), &config.dialMs))
        return usageError(QStringLiteral("--dial-seconds: '%1' is not a number of seconds")
                              .arg(parser.value(dialOption)));
    if (!parseSeconds(parser.value(pushOption), &config.pushIntervalMs))
        return usageError(QStringLiteral("--push-interval: '%1' is not a number of seconds")
                              .arg(parser.value(pushOption)));
    bool delayOk = false;
    config.reportDelayMs = parser.value(delayOption).toInt(&delayOk);
    if (!delayOk || config.reportDelayMs < 0 || config.reportDelayMs > 3600 * 1000)
        return usageError(QStringLiteral("--report-delay-ms: '%1' is not a number of "
                                         "milliseconds")
                              .arg(parser.value(delayOption)));
    config.signalPresent = !parser.isSet(noSignalOption);
    config.cardPresent = !parser.isSet(noCardOption);
    config.quiet = parser.isSet(quietOption);

#ifdef Q_OS_UNIX
    // A client that goes away mid-report must not take the simulator with it.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    auto* sim = new Simulator(config, &app);
    QObject::connect(sim, &Simulator::logLine, &app, printLine);
    QObject::connect(sim, &Simulator::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QString error;
    if (!sim->start(&error)) {
        std::fprintf(stderr, "zav-manager-sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    watchTerminationSignals(&app);
    watchStandardInput(&app, sim);

    const int code = app.exec();
    sim->stop();
    printStamped(QStringLiteral("stopped"));
    return code;
}
