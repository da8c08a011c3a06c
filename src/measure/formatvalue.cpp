#include "formatvalue.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace measure {

QString FormatValue(float x) {
    if (std::isnan(x)) return QStringLiteral("NaN");
    if (std::isinf(x)) return x > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");

    // Step 1. A float has a 24-bit significand, so x * 1000 is exact in double precision and
    // nearbyint (to nearest, ties to even) sees the true binary value.
    const double rounded = std::nearbyint(double(x) * 1000.0) / 1000.0;
    // Step 2.
    const float value = static_cast<float>(rounded);
    if (value == 0.0f) return QStringLiteral("0");

    // Step 3: seven significant digits in scientific form, e.g. "-1.234568e+07".
    char sci[32];
    const char* const sciEnd =
        std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 6).ptr;
    const char* p = sci;
    const bool negative = *p == '-';
    if (negative) ++p;
    char digits[8];
    int digitCount = 0;
    for (; p < sciEnd && *p != 'e'; ++p)
        if (*p != '.') digits[digitCount++] = *p;
    int exponent = 0;
    ++p;  // past 'e'
    if (p < sciEnd && *p == '+') ++p;
    std::from_chars(p, sciEnd, exponent);
    while (digitCount > 1 && digits[digitCount - 1] == '0') --digitCount;

    // Place the decimal point: the first digit stands for 10^exponent. Floats stay below
    // 10^39, and step 1 leaves nothing below 10^-3.
    char out[64];
    int n = 0;
    if (negative) out[n++] = '-';
    const int intDigits = exponent + 1;
    if (intDigits <= 0) {
        out[n++] = '0';
        out[n++] = '.';
        for (int i = intDigits; i < 0; ++i) out[n++] = '0';
        for (int i = 0; i < digitCount; ++i) out[n++] = digits[i];
    } else {
        for (int i = 0; i < std::max(intDigits, digitCount); ++i) {
            if (i == intDigits) out[n++] = '.';
            out[n++] = i < digitCount ? digits[i] : '0';
        }
    }
    return QString::fromLatin1(out, n);
}

}  // namespace measure
