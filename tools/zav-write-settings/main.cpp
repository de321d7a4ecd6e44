// zav-write-settings: writes a ZAV-Remote.ini through the client's own writer, for the demo of
// `make run` and for anyone who prepares a client's settings by script.
#include "app/settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

int usageError(const QString& message) {
    std::fprintf(stderr, "zav-write-settings: %s\nTry 'zav-write-settings --help'.\n",
                 message.toLocal8Bit().constData());
    return 2;
}

// A whole number the file can hold (-32768 to 32767), or an error.
bool numberOption(const QCommandLineParser& parser, const QCommandLineOption& option, qint16& out) {
    return parseInt16(parser.value(option), out);
}

bool booleanOption(const QCommandLineParser& parser, const QCommandLineOption& option, bool& out) {
    return parseBoolean(parser.value(option), out);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav-write-settings"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the settings file of ZAV Remote 2002 at FILE, as the client's "
                       "Options panel would."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to write."));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("ZAV Manager's address (default 127.0.0.1)."),
                                    QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption transmit(QStringLiteral("transmit-port"),
                                      QStringLiteral("Port commands go to (default 2509)."),
                                      QStringLiteral("port"), QStringLiteral("2509"));
    const QCommandLineOption listen(QStringLiteral("listen-port"),
                                    QStringLiteral("Port reports come to (default 2519)."),
                                    QStringLiteral("port"), QStringLiteral("2519"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Seconds between polls (default 5)."),
                                      QStringLiteral("seconds"), QStringLiteral("5"));
    const QCommandLineOption left(QStringLiteral("window-left"),
                                  QStringLiteral("Window's left edge in twips (default 1500)."),
                                  QStringLiteral("twips"), QStringLiteral("1500"));
    const QCommandLineOption top(QStringLiteral("window-top"),
                                 QStringLiteral("Window's top edge in twips (default 1500)."),
                                 QStringLiteral("twips"), QStringLiteral("1500"));
    const QCommandLineOption savePosition(
        QStringLiteral("save-position"),
        QStringLiteral("Save the window's place on exit, True or False (default True)."),
        QStringLiteral("bool"), QStringLiteral("True"));
    const QCommandLineOption mini(QStringLiteral("mini"),
                                  QStringLiteral("Start in mini mode, True or False (default "
                                                 "False)."),
                                  QStringLiteral("bool"), QStringLiteral("False"));
    const QCommandLineOption tray(QStringLiteral("tray"),
                                  QStringLiteral("Start in the system tray, True or False "
                                                 "(default False)."),
                                  QStringLiteral("bool"), QStringLiteral("False"));
    parser.addOptions({server, transmit, listen, interval, left, top, savePosition, mini, tray});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("one FILE is needed"));

    Settings s;
    s.serverAddress = parser.value(server);
    const struct {
        const QCommandLineOption& option;
        qint16& value;
    } numbers[] = {{transmit, s.transmitPort},
                   {listen, s.listenPort},
                   {interval, s.pollIntervalSeconds},
                   {left, s.windowLeft},
                   {top, s.windowTop}};
    for (const auto& n : numbers)
        if (!numberOption(parser, n.option, n.value))
            return usageError(QStringLiteral("--%1: '%2' is not a whole number from -32768 to "
                                             "32767")
                                  .arg(n.option.names().constFirst(), parser.value(n.option)));
    const struct {
        const QCommandLineOption& option;
        bool& value;
    } flags[] = {
        {savePosition, s.saveWindowPosition}, {mini, s.startInMiniMode}, {tray, s.startInTray}};
    for (const auto& f : flags)
        if (!booleanOption(parser, f.option, f.value))
            return usageError(QStringLiteral("--%1: '%2' is neither True nor False")
                                  .arg(f.option.names().constFirst(), parser.value(f.option)));

    const QString path = parser.positionalArguments().constFirst();
    if (!writeSettingsFile(path, s)) {
        std::fprintf(stderr, "zav-write-settings: could not write %s\n",
                     path.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
