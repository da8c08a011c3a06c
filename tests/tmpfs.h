#pragma once
// A small tmpfs of its own for a test, so that a disk really fills up.
//
//   SmallTmpfs disk;
//   if (!disk.mount(dir.path(), 16 * 1024)) QSKIP(qPrintable(disk.errorString()));
//
// The first mount moves the calling thread (the test's main thread) into a mount namespace of
// its own, with every mount in it private, so nothing mounted here is seen outside the test
// process and everything is gone when it ends. Needs the right to make mounts (root, as in CI);
// without it mount() says why and the test skips. The tmpfs is detached again when the object
// goes, before the folder it sits on is removed.

#include <sched.h>
#include <sys/mount.h>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>

class SmallTmpfs {
  public:
    SmallTmpfs() = default;
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;
    ~SmallTmpfs() {
        if (!dir_.isEmpty()) ::umount2(dir_.constData(), MNT_DETACH);
    }

    // Mounts a tmpfs holding `bytes` (whole pages) on the existing folder `dir`.
    bool mount(const QString& dir, qint64 bytes) {
        if (!PrivateMounts(&error_)) return false;
        const QByteArray where = QFile::encodeName(dir);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) != 0) {
            error_ = QStringLiteral("cannot mount a tmpfs: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        dir_ = where;
        return true;
    }

    QString errorString() const { return error_; }

  private:
    static bool PrivateMounts(QString* why) {
        static const QString failure = [] {
            if (::unshare(CLONE_NEWNS) != 0)
                return QStringLiteral("no mount namespace of its own: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
            if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return QStringLiteral("cannot make the mounts private: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return QString();
        }();
        *why = failure;
        return failure.isEmpty();
    }

    QByteArray dir_;
    QString error_;
};
