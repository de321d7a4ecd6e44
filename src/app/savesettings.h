// Saving the settings edited in the Options panel: the entries become the settings, then the file.
#pragma once

#include "app/settings.h"

#include <QString>

class MessageBoxes;

// What the Options panel's boxes hold when Save is pressed.
struct SettingsEntries {
    QString listenPort;
    QString transmitPort;
    bool saveWindowPos = false; // false only for a cleared box; a greyed box counts as ticked
    QString interval;           // corrected to "5" or "60" when out of range
    QString serverIp;           // the address box's dotted-quad text
    bool startupInMiniMode = false;
    bool startupInSysTray = false;
};

enum class SaveOutcome {
    Incomplete,      // a port box was empty: nothing changed, nothing said
    BadNumber,       // a port or the interval was no usable number: reported, nothing changed
    NoServerAddress, // reported; the ports, the save-position flag and the interval are stored
    WriteFailed,     // reported; every value is stored but the file was not written
    Written,         // the file holds the new settings; the caller ends the program
};

// Takes the entries into `s` in the order of the panel (correcting `entries.interval` when it
// is out of range) and writes the settings file at `path`. Refusals and a failed write are told
// to the user through `boxes` (when given); success is left to the caller to announce.
SaveOutcome saveEditedSettings(SettingsEntries& entries, Settings& s, const QString& path,
                               MessageBoxes* boxes = nullptr);
