#include "leadingnumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace measure {
namespace {

bool isIgnored(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = 10 + (u - u'a');
    else if (u >= u'A' && u <= u'F')
        v = 10 + (u - u'A');
    return v < base ? v : -1;
}

// Power of ten of the first significant digit of a canonical number ("123.4e5" -> 7,
// "0.001" -> -3). Only called for values out of range, so some digit is non-zero.
long decimalOrder(const std::string& canon) {
    const auto ePos = canon.find('e');
    const std::string mantissa = canon.substr(0, ePos);
    long exponent = 0;
    if (ePos != std::string::npos) {
        const char* first = canon.data() + ePos + 1;
        if (*first == '+') ++first;
        std::from_chars(first, canon.data() + canon.size(), exponent);
    }
    const auto dot = std::min(mantissa.find('.'), mantissa.size());
    const auto firstNonZero = mantissa.find_first_not_of("0.");
    if (firstNonZero == std::string::npos) return exponent;
    const long position =
        firstNonZero < dot ? long(dot - firstNonZero) - 1 : -long(firstNonZero - dot);
    return position + exponent;
}

}  // namespace

double parseLeadingNumber(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isIgnored(c)) s.append(c);

    qsizetype i = 0;
    const qsizetype n = s.size();

    // &H / &O integers.
    if (n >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0) return 0.0;
        double v = 0.0;
        for (i = 2; i < n; ++i) {
            const int d = digitValue(s[i], base);
            if (d < 0) break;
            v = v * base + d;
        }
        return v;
    }

    // Decimal: gather a canonical ASCII form and let from_chars do the exact rounding.
    std::string canon;
    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    while (i < n && digitValue(s[i], 10) >= 0) {
        canon.push_back(char(s[i].unicode()));
        anyDigit = true;
        ++i;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        std::string frac;
        while (i < n && digitValue(s[i], 10) >= 0) {
            frac.push_back(char(s[i].unicode()));
            ++i;
        }
        if (!frac.empty()) {
            anyDigit = true;
            canon += '.';
            canon += frac;
        }
    }
    if (!anyDigit) return 0.0;
    if (canon.front() == '.') canon.insert(canon.begin(), '0');

    if (i < n) {
        const QChar e = s[i].toUpper();
        if (e == u'E' || e == u'D') {
            qsizetype j = i + 1;
            std::string exp = "e";
            if (j < n && (s[j] == u'+' || s[j] == u'-')) {
                exp.push_back(char(s[j].unicode()));
                ++j;
            }
            bool expDigits = false;
            const std::size_t expStart = exp.size();
            while (j < n && digitValue(s[j], 10) >= 0) {
                // Cap the exponent's length: anything this long is already 0 or infinite.
                // Leading zeros don't count towards the cap ("1e0000000002" is 100).
                const bool leadingZero = exp.size() == expStart && s[j] == u'0';
                if (!leadingZero && exp.size() < 8) exp.push_back(char(s[j].unicode()));
                expDigits = true;
                ++j;
            }
            if (expDigits && exp.size() == expStart) exp.push_back('0');  // all zeros
            if (expDigits) canon += exp;
        }
    }

    double v = 0.0;
    const auto res = std::from_chars(canon.data(), canon.data() + canon.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves v untouched on range errors: decide between 0 and infinity from
        // the decimal order of magnitude, which the digits and the exponent both shift
        // ("0.000…01" without exponent is tiny, "0.000…01e+5" may be too).
        v = decimalOrder(canon) < 0 ? 0.0 : HUGE_VAL;
    }
    return negative ? -v : v;
}

std::int16_t roundHalfEven16(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value);  // default rounding mode: to nearest, ties to even
    if (r >= 32767.0) return 32767;
    if (r <= -32768.0) return -32768;
    return static_cast<std::int16_t>(r);
}

}  // namespace measure
