#pragma once
// What the program says about its serial ports: the advice for a port that will not
// open. Each text is built from what the serial layer reports.

#include <QString>

#include "serial/commport.h"

namespace app {

// The line that tells the user what to do about a port that will not open, e.g.
// "leakmeter: COM2 (/dev/ttyUSB0) does not exist: ...". No line break at the end.
QString OpenAdviceLine(const serial::OpenProblem& problem);

}  // namespace app
