// The running log of the main window: newest entry on top, 22 lines at most.
#pragma once

#include <QStringList>
#include <QTime>

inline constexpr int kLogCapacity = 22;

// "     --------------------------------------"
QString logSeparator();
// "hh:mmam" / "hh:mmpm": two-digit 12-hour clock, English lower-case am/pm; midnight is 12.
QString formatTime12(const QTime& time);
// Five blanks and the time.
QString logTimeLine(const QTime& time);
// An entry's lines, top to bottom: separator, time line, the message lines.
QStringList logEntryLines(const QTime& time, const QStringList& messageLines);

// Removes lines from the bottom until `count` more lines fit in the capacity.
void trimLog(QStringList& lines, int count);
