// What the program takes from its surroundings: the program folder, the clock, the splash hold,
// the single-instance lock, the fade length and the way the program ends. Tests replace these.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

struct Environment {
    // Folder taken as the program's own, where the settings file is looked for first (see
    // app/settingslocation.h); empty means the executable's own folder.
    QString programDir;
    // Local wall clock.
    std::function<QDateTime()> now;
    // Seconds the splash window is held on screen (whole clock seconds, as counted by the hold).
    int splashHoldSeconds = 2;
    // Per-user lock that keeps a second copy from starting; empty means the default place.
    QString instanceLockPath;
    // Length of the fade-out at shutdown, in milliseconds.
    int fadeMilliseconds = 500;
    // Locale whose short date format goes into the settings file.
    QLocale dateLocale = QLocale::system();
    // Ends the program at once, without the shutdown steps.
    std::function<void(int)> endProgram;
};

Environment& env();

// The current local time from the environment's clock.
QDateTime currentDateTime();

// The program's own folder: the injected one, else the executable's.
QString programDirectory();
