#include "measure/alarmvalue.h"

#include <QRegularExpression>

#include "measure/alarmentry.h"

namespace measure {

std::optional<float> ParseAlarmValue(const QString& text) {
    // Digits and a point only: no sign, exponent, "inf" or hexadecimal form.
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(\d+(?:\.\d*)?|\.\d+)\s*(mA|A)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const bool ampere = m.captured(2).size() == 1;
    const AlarmEntry e =
        ParseAlarmEntry(m.captured(1), ampere ? AlarmUnit::Ampere : AlarmUnit::MilliAmpere);
    if (e.outcome != AlarmEntryOutcome::Accepted || !(e.thresholdMa > 0)) return std::nullopt;
    return e.thresholdMa;
}

}  // namespace measure
