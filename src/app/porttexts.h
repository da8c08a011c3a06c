#pragma once
// What the program says about its serial ports: the advice for a port that will not
// open, the words of the probe, the --list-ports table and the reasons a port mapping or
// the remembered mapping was not taken. Each text is built from what the serial layer
// reports.

#include <QList>
#include <QString>

#include "serial/commport.h"
#include "serial/portdiscovery.h"
#include "serial/portmap.h"
#include "serial/portmemory.h"

namespace app {

// A port as the program names it, "COM2", and with the device behind it,
// "COM2 (/dev/ttyUSB0)".
QString PortName(int number);
QString portAndDevice(int number, const QString& device);

// The line that tells the user what to do about a port that will not open, e.g.
// "leakmeter: COM2 (/dev/ttyUSB0) does not exist: ...". No line break at the end.
QString openAdviceLine(const serial::OpenProblem& problem);

// "answered", "no answer", ... for the probe's summary.
QString probeAnswerText(serial::ProbeAnswer answer);

// The --list-ports table of `devices`: one line per device after a heading line, "-" for
// what the system does not know; a single line saying so when there is no device. Ends
// with a line break.
QString deviceListingText(const QList<serial::SerialDeviceInfo>& devices);

// Why a text is no port mapping, e.g.
// `invalid port mapping "COM1": no '=' (expected COMn=device)`.
QString mappingErrorText(const serial::MappingError& error);

// Why the remembered port mapping could not be written, e.g. "cannot write FILE (no access)".
QString portStoreErrorText(const serial::PortStoreError& error);

}  // namespace app
