#include "localzone.h"

#include <QDateTime>

namespace platform {

// The TZ variable when set, otherwise /etc/localtime (a link into the zoneinfo files or a
// copy of one), as Qt reads them.
QTimeZone machineTimeZone() {
    return QTimeZone::systemTimeZone();
}

// The C library reads TZ or /etc/localtime itself.
int machineOffsetAt(qint64 utcMs) {
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::LocalTime).offsetFromUtc();
}

}  // namespace platform
