#include "app/settingslocation.h"

#include "app/environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

QString settingsFilePath(const QString& dir) {
    const QString name = QString::fromLatin1(kSettingsFileName);
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

QString settingsFilePath() {
    return chooseSettingsFile(currentSettingsPlaceFacts());
}

bool isPlainFile(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

QString chooseSettingsFile(const SettingsPlaceFacts& facts) {
    if (facts.fileBesideProgram || facts.programDirIsUsers)
        return settingsFilePath(facts.programDir);
    return settingsFilePath(userSettingsDirectory(facts.configHome));
}

bool isUsersOwnFolder(const QString& dir) {
    if (dir.isEmpty())
        return false;
    const QFileInfo info(dir);
    if (!info.isDir())
        return false;
    const QString real = info.canonicalFilePath();
    if (real == QLatin1String("/usr") || real.startsWith(QLatin1String("/usr/")) ||
        real == QLatin1String("/bin") || real == QLatin1String("/sbin"))
        return false;
    // The user's alone: where someone else may write, a file or a link planted there would be
    // taken for the user's own settings.
    struct stat st {};
    if (::stat(QFile::encodeName(real).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 && info.isWritable();
}

QString userConfigHome() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return QDir::cleanPath(fromEnvironment);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString userSettingsDirectory(const QString& configHome) {
    return QDir::cleanPath(configHome + QStringLiteral("/zav-remote"));
}

SettingsPlaceFacts currentSettingsPlaceFacts() {
    SettingsPlaceFacts facts;
    facts.programDir = programDirectory();
    facts.fileBesideProgram = isPlainFile(settingsFilePath(facts.programDir));
    facts.programDirIsUsers = isUsersOwnFolder(facts.programDir);
    facts.configHome = userConfigHome();
    return facts;
}

void prepareSettingsFolder(const QString& settingsFile) {
    const QString home = userConfigHome();
    const QString dir = userSettingsDirectory(home);
    if (QFileInfo(settingsFile).absolutePath() != dir || QFileInfo::exists(dir))
        return;
    const bool homeWasMissing = !QFileInfo::exists(home);
    if (!QDir().mkpath(dir))
        return;
    if (homeWasMissing)
        QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
