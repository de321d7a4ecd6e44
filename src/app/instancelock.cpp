#include "app/instancelock.h"

#include <QDir>
#include <QStandardPaths>
#include <unistd.h>

QString InstanceLock::defaultPath() {
    // The per-user runtime folder when the session has one, else the shared temporary folder
    // (the user id in the name keeps users apart).
    QString dir;
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/zav-remote-%1.lock").arg(getuid());
}

InstanceLock::InstanceLock(QString path)
    : m_path(path.isEmpty() ? defaultPath() : std::move(path)) {}

bool InstanceLock::tryTake() {
    auto candidate = std::make_unique<QLockFile>(m_path);
    candidate->setStaleLockTime(0); // only a lock left by a dead process is stale
    if (!candidate->tryLock(0))
        return false;
    m_lock = std::move(candidate);
    return true;
}
