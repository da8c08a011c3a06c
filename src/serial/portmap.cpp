#include "portmap.h"

namespace serial {

bool PortMap::parseMapping(const QString& mapping, int* number, QString* device,
                           MappingError* error) {
    auto fail = [&](MappingError::Kind kind) {
        if (error) *error = {kind, mapping};
        return false;
    };
    const qsizetype eq = mapping.indexOf(QLatin1Char('='));
    if (eq < 0) return fail(MappingError::Kind::NoEquals);
    const QString port = mapping.left(eq).trimmed();
    const QString target = mapping.mid(eq + 1).trimmed();
    if (!port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return fail(MappingError::Kind::NotCom);
    const QString digits = port.mid(3);
    bool digitsOnly = !digits.isEmpty() && digits.size() <= 3;
    for (QChar c : digits)
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int n = digitsOnly ? digits.toInt() : 0;
    if (n < 1 || n > kMaxPortNumber) return fail(MappingError::Kind::BadNumber);
    if (target.isEmpty()) return fail(MappingError::Kind::NoDevice);
    if (number) *number = n;
    if (device) *device = target;
    return true;
}

bool PortMap::addMapping(const QString& mapping, MappingError* error) {
    int number = 0;
    QString device;
    if (!parseMapping(mapping, &number, &device, error)) return false;
    devices_.insert(number, device);
    return true;
}

void PortMap::setDevice(int portNumber, const QString& device) {
    if (portNumber >= 1 && portNumber <= kMaxPortNumber && !device.isEmpty())
        devices_.insert(portNumber, device);
}

void PortMap::removeMapping(int portNumber) {
    devices_.remove(portNumber);
}

bool PortMap::mapsDevices() {
#ifdef Q_OS_WIN
    return false;
#else
    return true;
#endif
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

QStringList PortMap::mappingTexts() const {
    QStringList out;
    for (auto it = devices_.constBegin(); it != devices_.constEnd(); ++it)
        out << QStringLiteral("COM%1=%2").arg(it.key()).arg(*it);
    return out;
}

int PortMap::portNumberOf(const QString& device) const {
    for (auto it = devices_.constBegin(); it != devices_.constEnd(); ++it)
        if (*it == device) return it.key();
#ifdef Q_OS_WIN
    if (device.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int n = device.mid(3).toInt(&ok);
        if (ok && n >= 1 && n <= kMaxPortNumber) return n;
    }
#else
    static const QLatin1String kBuiltIn("/dev/ttyS");
    if (device.startsWith(kBuiltIn)) {
        const QString digits = device.mid(kBuiltIn.size());
        bool ok = !digits.isEmpty() && digits.size() <= 3;
        for (QChar c : digits) ok = ok && c.isDigit();
        const int n = ok ? digits.toInt() + 1 : 0;
        // A mapping of that number to another device hides the built-in port.
        if (n >= 1 && n <= kMaxPortNumber && !devices_.contains(n)) return n;
    }
#endif
    return 0;
}

}  // namespace serial
