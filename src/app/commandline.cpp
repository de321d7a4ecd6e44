#include "app/commandline.h"

#include "link/records.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

const char kProgram[] = "zav-remote";

QString versionLine() {
    return QStringLiteral("%1 (ZAV Remote 2002) %2.%3.%4\n")
        .arg(QLatin1String(kProgram))
        .arg(ZAV_VERSION_MAJOR)
        .arg(ZAV_VERSION_MINOR)
        .arg(ZAV_VERSION_PATCH);
}

QString misuse(const QString& what) {
    return QStringLiteral("%1: %2 Try '%1 --help'.\n").arg(QLatin1String(kProgram), what);
}

// Options that the toolkit reads when the window system starts; they pass unseen in the help.
void addToolkitOptions(QCommandLineParser& parser) {
    const QStringList withValue =
        QStringLiteral("platform platformpluginpath platformtheme plugin display qwindowgeometry "
                       "geometry qwindowtitle title qwindowicon icon style stylesheet session "
                       "name qmljsdebugger")
            .split(QLatin1Char(' '));
    const QStringList flags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                               QStringLiteral("nograb"), QStringLiteral("dograb"),
                               QStringLiteral("sync")};
    for (const QString& name : withValue) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : flags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

CommandLineRequest parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // The toolkit's options are words behind a single dash, as in "-platform offscreen".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "ZAV Remote 2002: watches and remote-controls ZAV Manager, the server on another PC of\n"
        "the LAN that dials and hangs up the shared Internet link. Without options it opens its\n"
        "window (or only its tray icon, as set in the Options panel).\n"
        "\n"
        "Settings: ZAV-Remote.ini beside the executable when it is there or that folder is\n"
        "the user's own; otherwise $XDG_CONFIG_HOME/zav-remote/ZAV-Remote.ini\n"
        "(by default ~/.config/zav-remote/ZAV-Remote.ini).\n"
        "\n"
        "The link commands go to the copy of the program that runs for this user, and answer\n"
        "from its state; when none runs they work alone from the settings file. Commands given\n"
        "at once go out one after another. Each ends within its stated time, with a one-line\n"
        "reason on standard error when it fails. Exit status: 0 done, 1 ZAV Manager could not\n"
        "be reached (or did not report, or the running copy did not answer), 2 a usage error."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    const QCommandLineOption status(
        QStringLiteral("status"),
        QStringLiteral("Print the link's state in one line (status word, last connect time, "
                       "whether the server answered). Exit status 0 when the server reported, "
                       "1 when it could not be reached or did not report. Ends within 10 s."));
    const QCommandLineOption connectOption(
        QStringLiteral("connect"),
        QStringLiteral("Tell ZAV Manager to dial the Internet connection. Ends within 30 s."));
    const QCommandLineOption disconnectOption(
        QStringLiteral("disconnect"),
        QStringLiteral("Tell ZAV Manager to hang up the Internet connection. Ends within 30 s."));
    const QCommandLineOption send(
        QStringLiteral("send"),
        QStringLiteral("Send a text message (at most 350 characters, a line break counting as "
                       "two) to ZAV Manager. Ends within 30 s."),
        QStringLiteral("text"));
    const QCommandLineOption watch(
        QStringLiteral("watch"),
        QStringLiteral("Print a line at start and at every change of state or received message, "
                       "until interrupted (for status bars); exits with 1 when the running copy "
                       "it follows ends."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("The same as --format json."));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("With --status or --watch: how to print. text (the default) for a person; "
                       "json, one object a line with every field; waybar, one object a line for "
                       "waybar's custom module; line, one plain line a change for polybar or "
                       "i3blocks."),
        QStringLiteral("format"));
    parser.addOption(help);
    parser.addOption(version);
    for (const QCommandLineOption* o :
         {&status, &connectOption, &disconnectOption, &send, &watch, &json, &format})
        parser.addOption(*o);
    addToolkitOptions(parser);

    CommandLineRequest request;
    if (!parser.parse(arguments)) {
        request.action = CommandLineRequest::Action::Misuse;
        request.text = misuse(parser.errorText());
        request.exitCode = 2;
    } else if (parser.isSet(help)) {
        // The usage line names the program, however it was started.
        QString text = parser.helpText();
        text = QStringLiteral("Usage: %1 [options]").arg(QLatin1String(kProgram)) +
               text.mid(text.indexOf(QLatin1Char('\n')));
        request.action = CommandLineRequest::Action::Help;
        request.text = text;
    } else if (parser.isSet(version)) {
        request.action = CommandLineRequest::Action::Version;
        request.text = versionLine();
    } else if (!parser.positionalArguments().isEmpty()) {
        request.action = CommandLineRequest::Action::Misuse;
        request.text = misuse(QStringLiteral("unexpected argument '%1'.")
                                  .arg(parser.positionalArguments().constFirst()));
        request.exitCode = 2;
    } else {
        using A = CommandLineRequest::Action;
        const std::pair<const QCommandLineOption*, A> commands[] = {
            {&status, A::Status},
            {&connectOption, A::Connect},
            {&disconnectOption, A::Disconnect},
            {&send, A::Send},
            {&watch, A::Watch}};
        int given = 0;
        for (const auto& [option, action] : commands) {
            if (parser.isSet(*option)) {
                ++given;
                request.action = action;
            }
        }
        const QMap<QString, OutputFormat> formats{{QStringLiteral("text"), OutputFormat::Text},
                                                  {QStringLiteral("json"), OutputFormat::Json},
                                                  {QStringLiteral("waybar"), OutputFormat::Waybar},
                                                  {QStringLiteral("line"), OutputFormat::Line}};
        const bool formatGiven = parser.isSet(json) || parser.isSet(format);
        if (parser.isSet(json))
            request.format = OutputFormat::Json;
        auto refuse = [&request](const QString& why) {
            request.action = A::Misuse;
            request.text = misuse(why);
            request.exitCode = 2;
        };
        if (given > 1) {
            refuse(QStringLiteral("give one of --status, --connect, --disconnect, --send and "
                                  "--watch at a time."));
        } else if (parser.isSet(json) && parser.isSet(format)) {
            refuse(QStringLiteral("give --json or --format, not both."));
        } else if (parser.isSet(format) && !formats.contains(parser.value(format))) {
            refuse(QStringLiteral("unknown format '%1'; the formats are text, json, waybar and "
                                  "line.")
                       .arg(parser.value(format)));
        } else if (formatGiven && request.action != A::Status && request.action != A::Watch) {
            refuse(QStringLiteral("%1 goes with --status or --watch.")
                       .arg(parser.isSet(json) ? QStringLiteral("--json")
                                               : QStringLiteral("--format")));
        } else if (parser.isSet(format)) {
            request.format = formats.value(parser.value(format));
        }
        if (request.action == A::Send) {
            QString text = parser.value(send);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            if (text.isEmpty())
                refuse(QStringLiteral("the message is empty."));
            else if (text.size() > kMaxMessageLength)
                refuse(QStringLiteral("the message has %1 characters; at most %2 go (a line "
                                      "break counts as two).")
                           .arg(text.size())
                           .arg(kMaxMessageLength));
            else
                request.message = text;
        }
    }
    return request;
}

bool isLinkCommand(const CommandLineRequest& request) {
    using A = CommandLineRequest::Action;
    return request.action == A::Status || request.action == A::Connect ||
           request.action == A::Disconnect || request.action == A::Send ||
           request.action == A::Watch;
}

int answerOnTerminal(const CommandLineRequest& request) {
    std::FILE* out = request.action == CommandLineRequest::Action::Misuse ? stderr : stdout;
    std::fputs(request.text.toLocal8Bit().constData(), out);
    std::fflush(out);
    return request.exitCode;
}

QStringList argumentList(int argc, char** argv) {
    QStringList list;
    list.reserve(argc);
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}
