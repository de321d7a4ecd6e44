// The settings record and its file, ZAV-Remote.ini (where it lives: app/settingslocation.h).
#pragma once

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QtGlobal>

struct Settings {
    qint16 listenPort = 0;
    qint16 transmitPort = 0;
    qint16 windowLeft = 0; // twips
    qint16 windowTop = 0;  // twips
    bool saveWindowPosition = false;
    QString serverAddress;
    bool startInMiniMode = false;
    bool startInTray = false;
    qint16 pollIntervalSeconds = 0; // seconds

    bool operator==(const Settings& o) const;
    bool operator!=(const Settings& o) const { return !(*this == o); }
};

// Fills `s` from the file, storing each value as soon as it is read. Stops at the first failure
// (leaving what was stored so far); a window edge of exactly 1 becomes 0 only after a full read.
bool readSettingsFile(const QString& path, Settings& s);

// The 49 lines of the file, each ending in CR LF, in the code page of the file.
QByteArray settingsFileBytes(const Settings& s, const QString& dateText);
// The date line's text: today's date in the locale's short format.
QString settingsDateText(const QDate& date, const QLocale& locale);

// Writes the whole file from `s` as a new file that replaces the old one only once it is complete
// and on the disk (see app/settingswriter.h): a failure leaves the old file byte for byte, as
// does a file without write permission, and `reason` says what failed.
bool writeSettingsFile(const QString& path, const Settings& s, QString* reason = nullptr);

// Text-to-value conversions of the reader (also used by the Options panel).
bool parseInt16(const QString& text, qint16& out);
bool parseBoolean(const QString& text, bool& out);
