#include <windows.h>

#include <QDateTime>

#include "localzone.h"

namespace platform {

// The zone set in Windows' date and time settings, as Qt reads it (its Windows zone name mapped
// to the IANA one); the TZ variable is not looked at, as Windows programs do not.
QTimeZone machineTimeZone() {
    return QTimeZone::systemTimeZone();
}

// Windows' own rules for the configured zone at that moment, daylight-saving time included.
int machineOffsetAt(qint64 utcMs) {
    // FILETIME counts 100 ns steps since 1601-01-01.
    const quint64 ticks = quint64(utcMs + 11644473600000LL) * 10000ULL;
    FILETIME utc{DWORD(ticks & 0xffffffffU), DWORD(ticks >> 32)};
    SYSTEMTIME utcTime{}, localTime{};
    if (!::FileTimeToSystemTime(&utc, &utcTime))
        return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::LocalTime).offsetFromUtc();
    // The zone's rules of that year (a zone whose daylight-saving dates changed over the years
    // keeps them per year); the current rules where the year's cannot be had.
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    TIME_ZONE_INFORMATION rules{};
    const bool yearly = ::GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID &&
                        ::GetTimeZoneInformationForYear(utcTime.wYear, &zone, &rules);
    if (!::SystemTimeToTzSpecificLocalTime(yearly ? &rules : nullptr, &utcTime, &localTime))
        return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::LocalTime).offsetFromUtc();
    FILETIME local{};
    ::SystemTimeToFileTime(&localTime, &local);
    const qint64 localTicks = qint64((quint64(local.dwHighDateTime) << 32) | local.dwLowDateTime);
    return int((localTicks - qint64(ticks)) / 10000000LL);
}

}  // namespace platform
