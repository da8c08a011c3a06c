#pragma once
// An alarm threshold as the user types it on the command line and in the viewer: a number and
// its unit, "30mA", "0.03A", "30 mA" (the unit in any case); a bare number is in mA. "." is the
// decimal point in every locale.

#include <QString>
#include <optional>

#include "measure/alarmentry.h"

namespace measure {

// The threshold in mA, above 0 and at most 1000 A (the alarm box's range without its 0), or
// nothing when `text` is not such a value.
std::optional<float> parseAlarmValue(const QString& text);

// The same threshold as the window's alarm box takes it: the number as typed, the unit ticked
// (mA for a bare number); Enter in the box with these gives parseAlarmValue's value.
struct AlarmBoxEntry {
    QString number;
    AlarmUnit unit = AlarmUnit::MilliAmpere;
};
std::optional<AlarmBoxEntry> alarmBoxEntryFor(const QString& text);

}  // namespace measure
