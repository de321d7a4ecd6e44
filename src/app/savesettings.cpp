#include "app/savesettings.h"

#include "app/msgbox.h"
#include "app/settingslocation.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const char kNotSavedTitle[] = "Settings were not Saved...";

enum class IntervalKind { BelowRange, InRange, AboveRange, NotANumber };

// The interval box: an empty box counts as below the range; otherwise a whole number, blanks
// around it and a sign allowed, of any length.
IntervalKind readInterval(const QString& text, qint16& value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return IntervalKind::BelowRange;
    static const QRegularExpression whole(QStringLiteral("^([+-]?)0*([0-9]+)$"));
    const QRegularExpressionMatch m = whole.match(t);
    if (!m.hasMatch())
        return IntervalKind::NotANumber;
    const bool negative = m.captured(1) == QLatin1String("-");
    const QString digits = m.captured(2);
    if (digits.size() > 4) // at least 10000, far beyond the range either way
        return negative ? IntervalKind::BelowRange : IntervalKind::AboveRange;
    const int v = negative ? -digits.toInt() : digits.toInt();
    if (v < 5)
        return IntervalKind::BelowRange;
    if (v > 60)
        return IntervalKind::AboveRange;
    value = qint16(v);
    return IntervalKind::InRange;
}

void tell(MessageBoxes* boxes, const QString& title, const QString& text) {
    if (boxes)
        boxes->showMessageBox({MsgIcon::Information, title, text});
}

void refuse(MessageBoxes* boxes, const QString& text) {
    tell(boxes, QString::fromLatin1(kNotSavedTitle), text);
}

} // namespace

SaveOutcome saveEditedSettings(SettingsEntries& entries, Settings& s, const QString& path,
                               MessageBoxes* boxes) {
    // An empty port box stops the save without a word.
    if (entries.listenPort.isEmpty() || entries.transmitPort.isEmpty())
        return SaveOutcome::Incomplete;

    // Every number is checked before anything is taken, so that a refusal changes nothing.
    qint16 listenPort = 0;
    qint16 transmitPort = 0;
    if (!parseInt16(entries.listenPort, listenPort)) {
        refuse(boxes, QStringLiteral(
                          "The 'Receive' port box must hold a whole number from -32768 to 32767."));
        return SaveOutcome::BadNumber;
    }
    if (!parseInt16(entries.transmitPort, transmitPort)) {
        refuse(boxes,
               QStringLiteral(
                   "The 'Transmit' port box must hold a whole number from -32768 to 32767."));
        return SaveOutcome::BadNumber;
    }
    qint16 interval = 0;
    const IntervalKind kind = readInterval(entries.interval, interval);
    if (kind == IntervalKind::NotANumber) {
        refuse(boxes, QStringLiteral("The 'Interval (in secs)' box must hold a whole number of "
                                     "seconds from 5 to 60."));
        return SaveOutcome::BadNumber;
    }

    // Ports are stored as typed, whatever their range.
    s.listenPort = listenPort;
    s.transmitPort = transmitPort;
    s.saveWindowPosition = entries.saveWindowPos;
    switch (kind) {
    case IntervalKind::BelowRange:
        entries.interval = QStringLiteral("5");
        s.pollIntervalSeconds = 5;
        break;
    case IntervalKind::AboveRange:
        entries.interval = QStringLiteral("60");
        s.pollIntervalSeconds = 60;
        break;
    default:
        s.pollIntervalSeconds = interval;
        break;
    }

    // An address box left untouched reads 0.0.0.0; what was taken so far stays taken.
    if (entries.serverIp == QLatin1String("0.0.0.0")) {
        refuse(boxes, QStringLiteral("The 'ZAV Manager Server IP Address' box is empty."));
        return SaveOutcome::NoServerAddress;
    }
    s.serverAddress = entries.serverIp;
    s.startInMiniMode = entries.startupInMiniMode;
    s.startInTray = entries.startupInSysTray;

    // The writer closes the file on every path; a failure leaves the old file in place.
    prepareSettingsFolder(path);
    if (!writeSettingsFile(path, s)) {
        tell(boxes, QStringLiteral("INI File Error..."),
             joinBoxLines({
                 QStringLiteral("There was an error writing to the INI file..."),
                 QStringLiteral("please check that it is not set to Read Only."),
                 QString(),
                 QStringLiteral("Also check that you have sufficient privledges"),
                 QStringLiteral("to modify the file."),
                 QString(),
                 QStringLiteral("If that fails delete the INI file, re-start"),
                 QStringLiteral("ZAV Manager and goto the settings panel."),
             }));
        return SaveOutcome::WriteFailed;
    }
    return SaveOutcome::Written;
}
