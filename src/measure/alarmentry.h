#pragma once
// The alarm value typed by the user, taken when Enter is pressed in its box.
//
// The text is read with parseLeadingNumber (blanks ignored, longest leading number, 0 when
// the text does not begin with a number). With the unit "mA" the value must lie in
// 0..1000000, with "A" in 0..1000 (both limits inclusive, the same current); an "A" value is
// multiplied by 1000. A value outside the range is refused and the old threshold stays; with
// no unit selected the entry is ignored. The threshold is kept in mA, single precision,
// starting at 1000000 mA.

#include <QString>

namespace measure {

constexpr float kInitialAlarmThresholdMa = 1000000.0f;

enum class AlarmUnit { None, MilliAmpere, Ampere };  // the "mA" / "A" option selected
enum class AlarmEntryOutcome { Ignored, Accepted, OutOfRange };

struct AlarmEntry {
    AlarmEntryOutcome outcome = AlarmEntryOutcome::Ignored;
    float thresholdMa = 0;  // the new threshold; meaningful only when Accepted
};

AlarmEntry parseAlarmEntry(const QString& text, AlarmUnit unit);

// Status text for a refused entry: "输入值超出范围".
QString alarmOutOfRangeText();

}  // namespace measure
