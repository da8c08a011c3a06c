#include "deviceaccess.h"

#include <QFile>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace serial {

QString systemPath(const QString& device) {
#ifdef Q_OS_UNIX
    if (!device.startsWith(QLatin1Char('/'))) return QStringLiteral("/dev/") + device;
#endif
    return device;
}

int accessError(const QString& device) {
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(systemPath(device));
    return ::access(path.constData(), R_OK | W_OK) == 0 ? 0 : errno;
#else
    Q_UNUSED(device);
    return 0;
#endif
}

OpenFailure openFailureOf(DeviceError::Kind fault, int accessError) {
    if (fault == DeviceError::Kind::NotFound || accessError == ENOENT || accessError == ENOTDIR)
        return OpenFailure::Missing;
    if (accessError == EACCES || accessError == EPERM) return OpenFailure::NoPermission;
    if (fault == DeviceError::Kind::Denied) return OpenFailure::Busy;
    return OpenFailure::Other;
}

}  // namespace serial
