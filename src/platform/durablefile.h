#pragma once
// Files written so that what was written survives: rows appended through a descriptor and
// synced to the disk, a file that notices when it was renamed away or cut short under its
// writer, and a whole file replaced in one step. Failures leave their reason in errno, for
// the caller's message ("No space left on device").

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace platform {

// Opens (creating if needed) `path` to append to; the descriptor, or -1.
int openForAppend(const QString& path);

struct OpenFileState {
    bool plain = false;  // a plain file on a disk, not a device or a pipe
    qint64 size = 0;
};
// What the open file is now; false when it cannot be looked at.
bool stateOfOpenFile(int fd, OpenFileState* state);

// Writes some of `size` bytes: the count written, or -1 (EINTR means try again).
qint64 writeSome(int fd, const char* data, qint64 size);

// Syncs what was written to the disk. A device or a pipe has no disk to sync to, which is no
// failure for a file that is not `plain`.
bool syncToDisk(int fd, bool plain);

// Closes the descriptor: 0, or -1 with errno.
int closeFile(int fd);

// Whether `path` no longer names the open file: renamed away by a rotation tool, or deleted.
// A path that cannot be looked at for another reason (a folder made unreadable) counts as
// unchanged; the rows go on into the open file. Where an open file cannot be renamed or
// deleted (Windows), the path always names it.
bool pathLeftFile(const QString& path, int fd);

// Replaces the file `target` with `bytes` in one step: written to a temporary file beside it,
// synced, given the old file's permissions, and renamed over it. A failure at any point
// removes the temporary file, leaves an existing file whole and gives the errno value; 0 when
// the file was replaced.
int replaceFile(const QString& target, const QByteArray& bytes);

}  // namespace platform
