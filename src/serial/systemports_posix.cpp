// The serial devices of a POSIX system, as Qt Serial Port finds them (udev on Linux).

#include <QSerialPortInfo>

#include "systemports.h"

namespace serial {

QList<SerialDeviceInfo> systemSerialDevices() {
    QList<SerialDeviceInfo> out;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo info;
        info.device = p.systemLocation();
        info.description = p.description();
        info.manufacturer = p.manufacturer();
        info.serialNumber = p.serialNumber();
        if (p.hasVendorIdentifier()) info.vendorId = p.vendorIdentifier();
        if (p.hasProductIdentifier()) info.productId = p.productIdentifier();
        out.append(info);
    }
    return out;
}

}  // namespace serial
