#pragma once
// Conversion of typed text to numbers, shared by every box that takes a value on Enter
// (alarm threshold, cursor positions, zero line).

#include <QString>
#include <cstdint>

namespace measure {

// The value of the longest leading part of `text` that reads as a number.
// Blanks, tabs and line feeds anywhere in the text are ignored. Accepted forms:
// optional sign, digits, optional "." and fraction, optional exponent introduced by
// E or D (either case) with optional sign; or "&H" / "&O" followed by a hexadecimal or
// octal integer. The decimal point is always "." whatever the locale. Text that does not
// begin with a number gives 0. Never fails: too large a value gives +/-infinity.
double parseLeadingNumber(const QString& text);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4),
// saturating at the 16-bit range; NaN gives 0.
std::int16_t roundHalfEven16(double value);

}  // namespace measure
