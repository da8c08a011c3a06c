#include "reportfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

namespace measure {
namespace {

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool WriteAll(int fd, const char* data, qint64 size) {
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

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const auto fail = [&](int reason) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, SystemReason(reason));
        return false;
    };
    // The file a link names is the one replaced; the link stays.
    const QFileInfo given(path);
    const QString target = given.isSymLink() ? given.symLinkTarget() : path;
    const QFileInfo info(target);
    if (info.isDir()) return fail(EISDIR);

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
        if (fd < 0 && errno != EEXIST) return fail(errno);
    }
    if (fd < 0) return fail(EEXIST);

    bool ok = WriteAll(fd, bytes.constData(), bytes.size());
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
        return fail(reason);
    }
    if (error) error->clear();
    return true;
}

QString ReportFileText(const QString& plainText) {
    QString text = plainText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

bool WriteReportFile(const QString& path, const QString& text, QString* error) {
    return WriteFileAtomically(path, text.toUtf8(), error);
}

}  // namespace measure
