// The serial device on a POSIX system: QSerialPort.

#include "serialdevice_qt.h"

namespace serial {

std::unique_ptr<SerialDevice> newSerialDevice() {
    return newQtSerialDevice();
}

}  // namespace serial
