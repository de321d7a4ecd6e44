// The per-user lock that keeps a second copy of the program from starting.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

class InstanceLock {
public:
    // `path` empty: the default place for this user.
    explicit InstanceLock(QString path = QString());
    // False when another running copy holds the lock.
    bool tryTake();
    void release() { m_lock.reset(); }
    QString path() const { return m_path; }

    static QString defaultPath();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
