#include "console.h"

#include "simulator.h"

namespace {

// "\n" stands for a line break (CR LF), "\\" for a backslash.
QString unescapeConsoleText(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            if (text[i + 1] == QLatin1Char('n')) {
                out += QLatin1String("\r\n");
                ++i;
                continue;
            }
            if (text[i + 1] == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

void runConsoleLine(Simulator& sim, const QString& rawLine) {
    QString line = rawLine;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    int begin = 0;
    while (begin < line.size() && line[begin].isSpace())
        ++begin;
    line = line.mid(begin);
    if (line.isEmpty())
        return;
    const int space = line.indexOf(QLatin1Char(' '));
    const QString word = line.left(space < 0 ? line.size() : space).toLower();
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    const QString arg = rest.trimmed().toLower();

    if (word == QLatin1String("msg")) {
        if (rest.trimmed().isEmpty()) {
            sim.log(QStringLiteral("usage: msg <text> (\\n: line break); an empty message is not "
                                   "sent"));
            return;
        }
        sim.pushMessage(unescapeConsoleText(rest));
    } else if (word == QLatin1String("signal") || word == QLatin1String("card") ||
               word == QLatin1String("quiet")) {
        if (arg != QLatin1String("on") && arg != QLatin1String("off")) {
            sim.log(QStringLiteral("usage: %1 on|off").arg(word));
            return;
        }
        const bool on = arg == QLatin1String("on");
        if (word == QLatin1String("signal"))
            sim.setSignalPresent(on);
        else if (word == QLatin1String("card"))
            sim.setCardPresent(on);
        else
            sim.setQuiet(on);
    } else if (word == QLatin1String("status")) {
        sim.pushStatus();
    } else if (word == QLatin1String("connect")) {
        sim.connectLink();
    } else if (word == QLatin1String("disconnect")) {
        sim.disconnectLink();
    } else if (word == QLatin1String("state")) {
        sim.log(QStringLiteral("state: %1, client %2")
                    .arg(quotedRecord(sim.statusRecord()), sim.reportHost().isEmpty()
                                                               ? QStringLiteral("unknown")
                                                               : sim.reportHost()));
    } else if (word == QLatin1String("quit") || word == QLatin1String("exit")) {
        sim.log(QStringLiteral("quitting"));
        sim.requestQuit();
    } else if (word == QLatin1String("help")) {
        sim.log(
            QStringLiteral("commands: msg <text> (\\n: line break), signal on|off, card on|off, "
                           "status, connect, disconnect, state, quiet on|off, quit"));
    } else {
        sim.log(QStringLiteral("unknown command %1; type help").arg(quotedRecord(word)));
    }
}
