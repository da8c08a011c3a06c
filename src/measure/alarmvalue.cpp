#include "measure/alarmvalue.h"

#include <QRegularExpression>

namespace measure {

std::optional<AlarmBoxEntry> alarmBoxEntryFor(const QString& text) {
    // Digits and a point only: no sign, exponent, "inf" or hexadecimal form.
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(\d+(?:\.\d*)?|\.\d+)\s*(mA|A)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const AlarmBoxEntry entry{
        m.captured(1), m.captured(2).size() == 1 ? AlarmUnit::Ampere : AlarmUnit::MilliAmpere};
    const AlarmEntry e = parseAlarmEntry(entry.number, entry.unit);
    if (e.outcome != AlarmEntryOutcome::Accepted || !(e.thresholdMa > 0)) return std::nullopt;
    return entry;
}

std::optional<float> parseAlarmValue(const QString& text) {
    const std::optional<AlarmBoxEntry> entry = alarmBoxEntryFor(text);
    if (!entry) return std::nullopt;
    return parseAlarmEntry(entry->number, entry->unit).thresholdMa;
}

}  // namespace measure
