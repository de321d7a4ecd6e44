// The per-user lock that keeps a second copy of the program from starting.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

class InstanceLock {
public:
    // `path` empty: the default place for this user.
    explicit InstanceLock(QString path = QString());
    // False when another running copy of this user holds the lock.
    bool tryTake();
    void release() { m_lock.reset(); }
    QString path() const { return m_path; }

    // The runtime folder when the session has one of the user's own, else a private folder
    // under the user's cache folder (made when missing); empty when there is neither.
    static QString defaultPath();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
