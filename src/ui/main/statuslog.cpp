#include "ui/main/statuslog.h"

QString logSeparator() {
    return QStringLiteral("     --------------------------------------");
}

QString formatTime12(const QTime& time) {
    int hour = time.hour() % 12;
    if (hour == 0)
        hour = 12;
    return QStringLiteral("%1:%2%3")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString logTimeLine(const QTime& time) {
    return QStringLiteral("     ") + formatTime12(time);
}

QStringList logEntryLines(const QTime& time, const QStringList& messageLines) {
    return QStringList{logSeparator(), logTimeLine(time)} + messageLines;
}

static int trimLimit(int count) {
    return kLogCapacity - count;
}

void trimLog(QStringList& lines, int count) {
    const int limit = trimLimit(count);
    while (lines.size() > limit && !lines.isEmpty())
        lines.removeLast();
}
