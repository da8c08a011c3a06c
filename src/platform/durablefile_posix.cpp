#include "durablefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

namespace platform {
namespace {

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(qMin<qint64>(size, 1 << 20)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

int openForAppend(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                  0666);
}

bool stateOfOpenFile(int fd, OpenFileState* state) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    state->plain = S_ISREG(st.st_mode);
    state->size = st.st_size;
    return true;
}

qint64 writeSome(int fd, const char* data, qint64 size) {
    return ::write(fd, data, size_t(size));
}

bool syncToDisk(int fd, bool plain) {
    // A device or a pipe gives EINVAL (a read-only one EROFS).
    return ::fsync(fd) == 0 || (!plain && (errno == EINVAL || errno == EROFS));
}

int closeFile(int fd) {
    return ::close(fd);
}

bool pathLeftFile(const QString& path, int fd) {
    struct stat opened {
    }, named{};
    if (::fstat(fd, &opened) != 0) return false;
    if (::stat(QFile::encodeName(path).constData(), &named) != 0)
        return errno == ENOENT || errno == ENOTDIR;
    return named.st_dev != opened.st_dev || named.st_ino != opened.st_ino;
}

int replaceFile(const QString& target, const QByteArray& bytes) {
    const QFileInfo info(target);
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;

    // A name of our own beside the target, so the rename stays on one filesystem.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary =
            QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                              QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(),
                                                            8, 16, QLatin1Char('0')));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;

    bool ok = writeAll(fd, bytes.constData(), bytes.size());
    // A disk that accepted the bytes into its cache may still refuse them here.
    if (ok && exists) ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    int reason = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (ok && ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        ok = false;
        reason = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return reason != 0 ? reason : EIO;
    }
    return 0;
}

}  // namespace platform
