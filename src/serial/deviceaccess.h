#pragma once
// What the system says about a serial device: the full path a device name stands for, and
// why an open of it failed. The port and the probe for the meter both tell a user what to
// do about a device that will not open; they read it from here.

#include <QSerialPort>
#include <QString>

namespace serial {

// The full path of a device name as QSerialPort resolves it: a bare name lies in /dev.
QString SystemPath(const QString& device);

// The errno of access() asking to read and write `device`; 0 when both are allowed.
int AccessError(const QString& device);

// Why a device would not open.
enum class OpenFailure {
    Missing,       // no such device
    NoPermission,  // the user may not read and write it (typically not in the dialout group)
    Busy,          // another program holds or locks it
    Other,         // any other fault; the system's text says which
};

// What a failed open means: `error` as QSerialPort reports it, `accessError` as
// AccessError() gives it for the device. QSerialPort gives the same PermissionError for a
// device another program holds or locks and for one the user may not open at all; only
// the second fails access().
OpenFailure OpenFailureOf(QSerialPort::SerialPortError error, int accessError);

}  // namespace serial
