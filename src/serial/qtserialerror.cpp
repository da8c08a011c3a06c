// Qt Serial Port's error kinds read as the device's faults.

#include "serialdevice_qt.h"

namespace serial {

DeviceError::Kind kindOfQtError(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return DeviceError::Kind::NotFound;
        case QSerialPort::PermissionError:
            return DeviceError::Kind::Denied;
        case QSerialPort::ResourceError:
            return DeviceError::Kind::Gone;
        default:
            break;
    }
    return DeviceError::Kind::Other;
}

}  // namespace serial
