#pragma once
// The machine's local time zone, looked at afresh on each call, so that a change of the
// configured zone is seen by the next look.

#include <QTimeZone>
#include <QtGlobal>

namespace platform {

// The machine's time zone as configured now; invalid when it cannot be read as a zone.
QTimeZone machineTimeZone();

// The machine's offset from UTC in seconds at `utcMs` (milliseconds since 1970-01-01T00:00:00Z)
// as the C library's local time gives it: for a configured zone machineTimeZone cannot read.
int machineOffsetAt(qint64 utcMs);

}  // namespace platform
