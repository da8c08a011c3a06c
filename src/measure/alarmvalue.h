#pragma once
// An alarm threshold as the user types it on the command line: a number and its unit,
// "30mA", "0.03A", "30 mA"; a bare number is in mA. "." is the decimal point in every locale.

#include <QString>
#include <optional>

namespace measure {

// The threshold in mA, or nothing when `text` is not a positive finite number with an optional
// unit mA or A (either case: "30MA", "0.03a").
std::optional<double> ParseAlarmValue(const QString& text);

}  // namespace measure
