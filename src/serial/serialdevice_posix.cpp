// The serial device on a POSIX system: QSerialPort.

#include "serialdevice_qt.h"

namespace serial {

std::unique_ptr<SerialDevice> NewSerialDevice() {
    return NewQtSerialDevice();
}

}  // namespace serial
