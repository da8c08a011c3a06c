#pragma once
// An alarm threshold as the user types it on the command line and in the viewer: a number and
// its unit, "30mA", "0.03A", "30 mA" (the unit in any case); a bare number is in mA. "." is the
// decimal point in every locale.

#include <QString>
#include <optional>

namespace measure {

// The threshold in mA, in the range the window's alarm box takes (above 0, at most 1000 A), or
// nothing when `text` is not such a value.
std::optional<float> ParseAlarmValue(const QString& text);

}  // namespace measure
