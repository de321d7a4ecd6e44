#include "app/instancelock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether `path` is a folder of this user's own that no one else can write in.
bool privateFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Whether the file at `path` is a lock that this user made: a plain file of the user's own.
bool ownLockFile(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == ::getuid();
}

} // namespace

QString InstanceLock::defaultPath() {
    // The session's runtime folder, when it has one of the user's own.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty() && privateFolder(runtime))
            return runtime + QStringLiteral("/zav-remote-%1.lock").arg(::getuid());
    }
    // Else a folder of the user's own under the cache folder, never the shared temporary
    // folder, where anyone could make the file first. The name holds the machine's name: a home
    // folder can be shared between machines.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return QString();
    const QString own = cache + QStringLiteral("/zav-remote");
    QDir().mkpath(own);
    QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!privateFolder(own))
        return QString();
    return own + QStringLiteral("/instance-%1.lock").arg(QSysInfo::machineHostName());
}

InstanceLock::InstanceLock(QString path)
    : m_path(path.isEmpty() ? defaultPath() : std::move(path)) {}

bool InstanceLock::tryTake() {
    // With nowhere to keep the lock the program runs without one rather than not at all.
    if (m_path.isEmpty())
        return true;
    auto candidate = std::make_unique<QLockFile>(m_path);
    candidate->setStaleLockTime(0); // only a lock left by a dead process is stale
    if (candidate->tryLock(0)) {
        m_lock = std::move(candidate);
        return true;
    }
    // Only a lock file of the user's own tells of a running copy; a file that someone else put
    // there, or a place where no lock can be made, is passed over.
    return !(candidate->error() == QLockFile::LockFailedError && ownLockFile(m_path));
}
