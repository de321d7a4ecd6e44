// Replacing a small file whole, so that a full disk, a failing device or a planted link can never
// leave it empty, half written or written somewhere else.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Writes `bytes` to a new file in the folder of `path`, syncs it, renames it over `path` and
// syncs the folder. A symbolic link at `path` is replaced, never written through; an existing
// plain file without its owner's write permission is left alone and the write fails. Every step
// is checked: on a failure before the rename the old file stays byte for byte, the new file is
// removed, and `reason` (when given) says in one line what failed. True only when the new file
// is in place and on the disk.
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Makes the writer fail as a real disk could, for the tests. Set in one place, read by the
// writer on every call; the default lets every step through.
struct FileReplaceFault {
    // Bytes the disk takes of the new file before it is full (a short write, then ENOSPC);
    // negative: no limit.
    qint64 diskSpace = -1;
    // One step that fails outright with EIO.
    enum class Step {
        None,
        Create,
        Write,
        Sync,
        Close,
        Rename,
        SyncFolder
    } failingStep = Step::None;
};
void setFileReplaceFault(const FileReplaceFault& fault);
