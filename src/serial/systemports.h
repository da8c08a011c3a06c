#pragma once
// The serial devices the system itself lists, with what it knows of each (description,
// manufacturer, USB identifiers and serial number), in the system's own order. One
// implementation per system.

#include <QList>

#include "portdiscovery.h"

namespace serial {

QList<SerialDeviceInfo> systemSerialDevices();

}  // namespace serial
