#include "app/settingswriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileReplaceFault& fault() {
    static FileReplaceFault f;
    return f;
}

// The step fails as the test asked; errno is set as the system would set it.
bool injected(FileReplaceFault::Step step) {
    if (fault().failingStep != step)
        return false;
    errno = EIO;
    return true;
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes everything, going on after short writes and interruptions.
bool writeAll(int fd, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        if (injected(FileReplaceFault::Step::Write))
            return false;
        qint64 chunk = bytes.size() - done;
        const qint64 space = fault().diskSpace;
        if (space >= 0) {
            if (done >= space) {
                errno = ENOSPC;
                return false;
            }
            chunk = qMin(chunk, space - done);
        }
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(chunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Closes once; a close that fails still frees the descriptor.
bool closeChecked(int& fd) {
    const int f = fd;
    fd = -1;
    if (injected(FileReplaceFault::Step::Close)) {
        ::close(f);
        errno = EIO;
        return false;
    }
    return ::close(f) == 0 || errno == EINTR;
}

// Syncs the folder, so that the rename itself is on the disk. A file system that cannot sync
// a folder (EINVAL) has nothing more to give.
bool syncFolder(const QByteArray& folder) {
    if (injected(FileReplaceFault::Step::SyncFolder))
        return false;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

} // namespace

void setFileReplaceFault(const FileReplaceFault& f) {
    fault() = f;
}

bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* reason) {
    auto fail = [reason](const QString& what, int error) {
        if (reason)
            *reason = what + QStringLiteral(": ") + systemError(error);
        return false;
    };
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());

    // An existing plain file keeps its permission bits; one marked read-only stays as it is,
    // whoever runs the program. A link is not followed: the new file takes its place.
    mode_t mode = 0666; // narrowed by the umask
    bool keepMode = false;
    struct stat old {};
    if (::lstat(target.constData(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return fail(QStringLiteral("cannot replace a folder"), EISDIR);
        if (S_ISREG(old.st_mode)) {
            if (!(old.st_mode & S_IWUSR) ||
                ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
                return fail(QStringLiteral("the file is read-only to this user"), EACCES);
            mode = old.st_mode & 07777;
            keepMode = true;
        }
    } else if (errno != ENOENT) {
        return fail(QStringLiteral("cannot look at the file"), errno);
    }

    // A new file of a name no one else can have made first (O_EXCL, no link followed).
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = folder + "/." + QFile::encodeName(info.fileName()) + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        if (injected(FileReplaceFault::Step::Create))
            break;
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    mode);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            break;
    }
    if (fd < 0)
        return fail(QStringLiteral("cannot create a new file"), errno);

    auto discard = [&](const QString& what) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
        return fail(what, error);
    };
    if (keepMode && ::fchmod(fd, mode) != 0)
        return discard(QStringLiteral("cannot set the new file's permissions"));
    if (!writeAll(fd, bytes))
        return discard(QStringLiteral("cannot write the new file"));
    if (injected(FileReplaceFault::Step::Sync) || ::fsync(fd) != 0)
        return discard(QStringLiteral("cannot flush the new file to the disk"));
    if (!closeChecked(fd))
        return discard(QStringLiteral("cannot close the new file"));
    if (injected(FileReplaceFault::Step::Rename) ||
        ::rename(temporary.constData(), target.constData()) != 0)
        return discard(QStringLiteral("cannot put the new file in place"));
    // From here the new file is in place; a folder that cannot be synced may still lose it.
    if (!syncFolder(folder))
        return fail(QStringLiteral("replaced, but the folder cannot be flushed to the disk"),
                    errno);
    return true;
}
