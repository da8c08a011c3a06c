#pragma once
// What the system says about a serial device: the full path a device name stands for, and
// why an open of it failed. The port and the probe for the meter both tell a user what to
// do about a device that will not open; they read it from here.

#include <QString>

#include "serialdevice.h"

namespace serial {

// The full path of a device name, the one the serial device opens: a bare name lies in /dev.
QString systemPath(const QString& device);

// The errno of access() asking to read and write `device`; 0 when both are allowed.
int accessError(const QString& device);

// Why a device would not open.
enum class OpenFailure {
    Missing,       // no such device
    NoPermission,  // the user may not read and write it (typically not in the dialout group)
    Busy,          // another program holds or locks it
    Other,         // any other fault; the system's text says which
};

// What a failed open means: `fault` as the serial device reports it, `accessError` as
// accessError() gives it for the device. The system refuses the open alike for a device
// another program holds or locks and for one the user may not open at all; only the second
// fails access().
OpenFailure openFailureOf(DeviceError::Kind fault, int accessError);

}  // namespace serial
