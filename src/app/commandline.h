#pragma once
// The program's only option maps a port number to a device, so a meter behind a USB
// adapter (or the simulator) can be reached as COM1: --port COM1=/dev/ttyUSB0.

#include <QStringList>

#include "serial/portmap.h"

namespace app {

struct CommandLine {
    serial::PortMap ports;
    bool showHelp = false;
    QString error;  // non-empty: the arguments were not understood
};

CommandLine ParseCommandLine(const QStringList& arguments);  // arguments[0] is the program
QString UsageText();

}  // namespace app
