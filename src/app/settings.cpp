#include "app/settings.h"

#include "app/environment.h"
#include "app/settingswriter.h"
#include "link/codepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool Settings::operator==(const Settings& o) const {
    return listenPort == o.listenPort && transmitPort == o.transmitPort &&
           windowLeft == o.windowLeft && windowTop == o.windowTop &&
           saveWindowPosition == o.saveWindowPosition && serverAddress == o.serverAddress &&
           startInMiniMode == o.startInMiniMode && startInTray == o.startInTray &&
           pollIntervalSeconds == o.pollIntervalSeconds;
}

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Reads lines as the settings file defines them: a line ends at CR, and an LF right after
// the CR belongs to that line end; an LF on its own is part of the line's text.
class LineReader {
public:
    explicit LineReader(QString text) : text_(std::move(text)) {}
    bool next(QString& line) {
        if (pos_ >= text_.size())
            return false;
        const qsizetype cr = text_.indexOf(QLatin1Char('\r'), pos_);
        if (cr < 0) {
            line = text_.mid(pos_);
            pos_ = text_.size();
            return true;
        }
        line = text_.mid(pos_, cr - pos_);
        pos_ = cr + 1;
        if (pos_ < text_.size() && text_.at(pos_) == QLatin1Char('\n'))
            ++pos_;
        return true;
    }

private:
    QString text_;
    qsizetype pos_ = 0;
};

bool parseWhole(const QString& text, qlonglong& out) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text.at(b)))
        ++b;
    while (e > b && isBlank(text.at(e - 1)))
        --e;
    if (b == e)
        return false;
    qsizetype i = b;
    if (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))
        ++i;
    if (i == e || e - i > 18)
        return false;
    for (qsizetype k = i; k < e; ++k)
        if (text.at(k) < QLatin1Char('0') || text.at(k) > QLatin1Char('9'))
            return false;
    bool ok = false;
    out = text.mid(b, e - b).toLongLong(&ok);
    return ok;
}

} // namespace

bool parseInt16(const QString& text, qint16& out) {
    qlonglong v = 0;
    if (!parseWhole(text, v) || v < -32768 || v > 32767)
        return false;
    out = qint16(v);
    return true;
}

bool parseBoolean(const QString& text, bool& out) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    qlonglong v = 0;
    if (!parseWhole(text, v))
        return false;
    out = v != 0;
    return true;
}

bool readSettingsFile(const QString& path, Settings& s) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The file is a few hundred bytes; a bound keeps a wrong path from swallowing memory.
    const QByteArray bytes = file.read(1 << 20);
    file.close();
    LineReader lines(fromWindows1252(bytes));

    auto nextValue = [&lines](QString& value) {
        while (lines.next(value))
            if (!value.startsWith(QLatin1Char('\'')))
                return true;
        return false;
    };
    auto readInt = [&](qint16& field) {
        QString t;
        return nextValue(t) && parseInt16(t, field);
    };
    auto readBool = [&](bool& field) {
        QString t;
        return nextValue(t) && parseBoolean(t, field);
    };

    if (!readInt(s.listenPort) || !readInt(s.transmitPort) || !readInt(s.windowLeft) ||
        !readInt(s.windowTop) || !readBool(s.saveWindowPosition))
        return false;
    if (!nextValue(s.serverAddress))
        return false;
    if (!readBool(s.startInMiniMode) || !readBool(s.startInTray) || !readInt(s.pollIntervalSeconds))
        return false;

    if (s.windowLeft == 1)
        s.windowLeft = 0;
    if (s.windowTop == 1)
        s.windowTop = 0;
    return true;
}

QString settingsDateText(const QDate& date, const QLocale& locale) {
    return locale.toString(date, QLocale::ShortFormat);
}

QByteArray settingsFileBytes(const Settings& s, const QString& dateText) {
    const QString q = QStringLiteral("'");
    auto num = [](qint16 v) { return QString::number(v); };
    auto flag = [](bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); };
    const QStringList lines = {
        q,
        QStringLiteral("'         ZAV Remote 2002 INI Settings File"),
        QStringLiteral("'         ---------------------------------"),
        QStringLiteral("'         ZAV Remote 2002, a remote control client for ZAV Manager"),
        q,
        q,
        QStringLiteral("' This file contains settings for ZAV Remote..."),
        QStringLiteral("' you should not need to edit it manually!"),
        q,
        q,
        q,
        q,
        QStringLiteral("' The following line contains the Remote Receive port:"),
        num(s.listenPort),
        q,
        QStringLiteral("' The following line contains the Remote Transmit port:"),
        num(s.transmitPort),
        q,
        q,
        QStringLiteral("' The following line contains the Window Left Position:"),
        num(s.windowLeft),
        q,
        QStringLiteral("' The following line contains the Window Top Position:"),
        num(s.windowTop),
        q,
        q,
        QStringLiteral("' The following line contains the Save Window Position on Exit option:"),
        flag(s.saveWindowPosition),
        q,
        q,
        QStringLiteral("' The following line contains the ZAV Manager Server IP Address:"),
        s.serverAddress,
        q,
        q,
        QStringLiteral("' The following line contains the Startup in Mini-Mode option:"),
        flag(s.startInMiniMode),
        q,
        q,
        QStringLiteral("' The following line contains the Startup in System Tray option:"),
        flag(s.startInTray),
        q,
        q,
        QStringLiteral("' The following line contains the Status update interval in secs "
                       "(min 5 ~ max 60):"),
        num(s.pollIntervalSeconds),
        q,
        q,
        q,
        QStringLiteral("' Date INI last modified:"),
        q + dateText,
    };
    QByteArray out;
    for (const QString& line : lines) {
        out += toWindows1252(line);
        out += "\r\n";
    }
    return out;
}

bool writeSettingsFile(const QString& path, const Settings& s, QString* reason) {
    const QByteArray bytes =
        settingsFileBytes(s, settingsDateText(currentDateTime().date(), env().dateLocale));
    return replaceFileContents(path, bytes, reason);
}
