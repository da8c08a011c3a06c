#include "measure/alarmvalue.h"

#include <cmath>

namespace measure {

std::optional<double> ParseAlarmValue(const QString& text) {
    QString number = text.trimmed();
    double scale = 1.0;
    if (number.endsWith(QLatin1String("mA"), Qt::CaseInsensitive)) {
        number.chop(2);
    } else if (number.endsWith(QLatin1Char('A'), Qt::CaseInsensitive)) {
        number.chop(1);
        scale = 1000.0;
    }
    number = number.trimmed();
    // toDouble also takes "inf", "nan" and hexadecimal forms; a threshold is digits and a point.
    for (const QChar c : number)
        if (!c.isDigit() && c != QLatin1Char('.')) return std::nullopt;
    bool ok = false;
    const double v = number.toDouble(&ok) * scale;
    if (!ok || !std::isfinite(v) || v <= 0) return std::nullopt;
    return v;
}

}  // namespace measure
