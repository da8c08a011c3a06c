#pragma once
// What the program says about its serial ports: the advice for a port that will not
// open, the words of the probe and the --list-ports table. Each text is built from what
// the serial layer reports.

#include <QList>
#include <QString>

#include "serial/commport.h"
#include "serial/portdiscovery.h"

namespace app {

// The line that tells the user what to do about a port that will not open, e.g.
// "leakmeter: COM2 (/dev/ttyUSB0) does not exist: ...". No line break at the end.
QString OpenAdviceLine(const serial::OpenProblem& problem);

// "answered", "no answer", ... for the probe's summary.
QString ProbeAnswerText(serial::ProbeAnswer answer);

// The --list-ports table of `devices`: one line per device after a heading line, "-" for
// what the system does not know; a single line saying so when there is no device. Ends
// with a line break.
QString DeviceListingText(const QList<serial::SerialDeviceInfo>& devices);

}  // namespace app
