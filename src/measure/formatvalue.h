#pragma once
// The one rule by which measured numbers become text: live reading, report lines and the
// MAX / MIN / AVERAGE boxes all go through FormatValue.

#include <QString>

namespace measure {

// Text of a measured value:
//  1. x is rounded to 3 decimal places. The rounding works on the exact binary value of x;
//     only values that are exactly halfway (0.0625, 0.1875, 2.0625, ...) are ties, and ties
//     go to the even neighbour (0.0625 -> 0.062, 0.1875 -> 0.188). The float 0.0005 lies just
//     above one half of 0.001 and so gives 0.001.
//  2. The result is converted to single precision.
//  3. That single value is written with at most 7 significant digits (exact halves of the
//     8th digit go to even), always in plain decimal (9999000 -> "9999000", never
//     "9.999E+06"), with "." as decimal point whatever the locale, without digit grouping,
//     without trailing zeros and without a point when there is no fraction.
//  4. A "0" stands before a leading point ("0.5", "-0.5"); a zero result is "0", never "-0".
// Values that are not finite, which no reading can produce, give "NaN", "Infinity" or
// "-Infinity".
QString FormatValue(float x);

}  // namespace measure
