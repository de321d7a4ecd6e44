// The settings record and its file, ZAV-Remote.ini (where it lives: app/settingslocation.h).
#pragma once

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QtGlobal>

struct SettingsRecord {
    qint16 LISTEN_PORT = 0;
    qint16 TRANSMIT_PORT = 0;
    qint16 WINDOW_LEFT = 0; // twips
    qint16 WINDOW_TOP = 0;  // twips
    bool SAVE_WINDOW_POS = false;
    QString SERVER_IP;
    bool STARTUP_IN_MINIMODE = false;
    bool STARTUP_IN_SYSTRAY = false;
    qint16 STATUS_UPDATE_INTERVAL = 0; // seconds

    bool operator==(const SettingsRecord& o) const;
    bool operator!=(const SettingsRecord& o) const { return !(*this == o); }
};

// The program-wide settings.
extern SettingsRecord Settings;

inline constexpr char SETTINGS_FILE_NAME[] = "ZAV-Remote.ini";

// The settings file's full name inside `dir`, with no doubled separator at a root.
QString settingsFilePath(const QString& dir);
// The settings file of this run: beside the program or in the user's configuration folder.
QString settingsFilePath();

// True only for a plain, non-hidden file at exactly that path; never fails.
bool FileExists(const QString& path);

// Fills `s` from the file, storing each value as soon as it is read. Stops at the first failure
// (leaving what was stored so far); a window edge of exactly 1 becomes 0 only after a full read.
bool READ_SETTINGS_FILE(const QString& path, SettingsRecord& s);

// The 49 lines of the file, each ending in CR LF, in the code page of the file.
QByteArray settingsFileBytes(const SettingsRecord& s, const QString& dateText);
// The date line's text: today's date in the locale's short format.
QString settingsDateText(const QDate& date, const QLocale& locale);

// Writes the whole file from `s`. The old file is replaced only once the new one is complete;
// a file without write permission is left alone and the write fails.
bool WRITE_SETTINGS_FILE(const QString& path, const SettingsRecord& s);

// Text-to-value conversions of the reader (also used by the Options panel).
bool parseInt16(const QString& text, qint16& out);
bool parseBoolean(const QString& text, bool& out);
