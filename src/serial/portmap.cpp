#include "portmap.h"

namespace serial {

bool PortMap::addMapping(const QString& mapping, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("invalid port mapping \"%1\": %2 (expected COMn=device)")
                         .arg(mapping, why);
        return false;
    };
    const qsizetype eq = mapping.indexOf(QLatin1Char('='));
    if (eq < 0) return fail(QStringLiteral("no '='"));
    const QString port = mapping.left(eq).trimmed();
    const QString device = mapping.mid(eq + 1).trimmed();
    if (!port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return fail(QStringLiteral("the port must be written COMn"));
    const QString digits = port.mid(3);
    bool digitsOnly = !digits.isEmpty() && digits.size() <= 3;
    for (QChar c : digits)
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int number = digitsOnly ? digits.toInt() : 0;
    if (number < 1 || number > kMaxPortNumber)
        return fail(QStringLiteral("port number must be 1 to %1").arg(kMaxPortNumber));
    if (device.isEmpty()) return fail(QStringLiteral("no device"));
    devices_.insert(number, device);
    return true;
}

QString PortMap::deviceFor(int portNumber) const {
    if (portNumber < 1) return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const auto it = devices_.constFind(portNumber);
    if (it != devices_.constEnd()) return *it;
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

bool PortMap::isMapped(int portNumber) const {
    return devices_.contains(portNumber);
}

}  // namespace serial
