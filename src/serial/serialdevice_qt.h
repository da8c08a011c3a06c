#pragma once
// The serial device on QSerialPort.

#include <QSerialPort>
#include <memory>

#include "serialdevice.h"

namespace serial {

std::unique_ptr<SerialDevice> newQtSerialDevice();

// The kind of fault QSerialPort reports as `error` (on its own, without the hang-up check of an
// open device).
DeviceError::Kind kindOfQtError(QSerialPort::SerialPortError error);

}  // namespace serial
