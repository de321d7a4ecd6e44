#include "app/commandline.h"

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
        "(by default ~/.config/zav-remote/ZAV-Remote.ini)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
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
    }
    return request;
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
