#include "leadingnumber.h"

#include <charconv>
#include <cmath>
#include <string>

namespace measure {
namespace {

bool IsIgnored(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9') v = u - u'0';
    else if (u >= u'a' && u <= u'f') v = 10 + (u - u'a');
    else if (u >= u'A' && u <= u'F') v = 10 + (u - u'A');
    return v < base ? v : -1;
}

}  // namespace

double ParseLeadingNumber(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!IsIgnored(c)) s.append(c);

    qsizetype i = 0;
    const qsizetype n = s.size();

    // &H / &O integers.
    if (n >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0) return 0.0;
        double v = 0.0;
        for (i = 2; i < n; ++i) {
            const int d = DigitValue(s[i], base);
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
    while (i < n && DigitValue(s[i], 10) >= 0) {
        canon.push_back(char(s[i].unicode()));
        anyDigit = true;
        ++i;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        std::string frac;
        while (i < n && DigitValue(s[i], 10) >= 0) {
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
            while (j < n && DigitValue(s[j], 10) >= 0) {
                // Cap the exponent's length: anything this long is already 0 or infinite.
                if (exp.size() < 8) exp.push_back(char(s[j].unicode()));
                expDigits = true;
                ++j;
            }
            if (expDigits) canon += exp;
        }
    }

    double v = 0.0;
    const auto res = std::from_chars(canon.data(), canon.data() + canon.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves v untouched on range errors: decide between 0 and infinity.
        const auto ePos = canon.find('e');
        const bool tiny = ePos != std::string::npos && canon[ePos + 1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -v : v;
}

std::int16_t RoundHalfEven16(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value);  // default rounding mode: to nearest, ties to even
    if (r >= 32767.0) return 32767;
    if (r <= -32768.0) return -32768;
    return static_cast<std::int16_t>(r);
}

}  // namespace measure
