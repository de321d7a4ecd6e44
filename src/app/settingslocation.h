// Where ZAV-Remote.ini lives. A copy of the program in a folder of the user's own (a portable
// copy, the demo folder of `make run`, the tests' folders) keeps the file beside its executable;
// an installed program keeps it in the user's configuration folder,
// $XDG_CONFIG_HOME/zav-remote (by default ~/.config/zav-remote).
#pragma once

#include <QString>

inline constexpr char kSettingsFileName[] = "ZAV-Remote.ini";

// The settings file's full name inside `dir`, with no doubled separator at a root.
QString settingsFilePath(const QString& dir);
// The settings file of this run: beside the program or in the user's configuration folder.
QString settingsFilePath();

// True only for a plain, non-hidden file at exactly that path; never fails.
bool isPlainFile(const QString& path);

// What decides the place.
struct SettingsPlaceFacts {
    QString programDir;             // the folder that holds the executable
    bool fileBesideProgram = false; // a ZAV-Remote.ini is already there
    bool programDirIsUsers = false; // see isUsersOwnFolder()
    QString configHome;             // see userConfigHome()
};

// Beside the program when the file is already there or the folder is the user's own;
// otherwise in the user's configuration folder.
QString chooseSettingsFile(const SettingsPlaceFacts& facts);

// True for an existing folder that the user owns, may write to and no one else may write to
// (neither its group nor others), and that is not one of the system's program folders (/bin,
// /sbin and everything under /usr): root may write anywhere, but an installed program's folder
// never holds a user's settings.
bool isUsersOwnFolder(const QString& dir);

// $XDG_CONFIG_HOME when it is set to an absolute path, else ~/.config.
QString userConfigHome();
// The program's folder inside a configuration home: <configHome>/zav-remote.
QString userSettingsDirectory(const QString& configHome);

// The facts for this run: the program folder (as the environment gives it) and the file system.
SettingsPlaceFacts currentSettingsPlaceFacts();

// Before the first save into the user's configuration folder, creates that folder (and the
// configuration home, private to the user, when it is missing too). Other folders are left
// alone, so that writing into a folder that has gone away still fails.
void prepareSettingsFolder(const QString& settingsFile);
