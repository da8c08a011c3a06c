#include "alarmentry.h"

#include <QCoreApplication>

#include "leadingnumber.h"

namespace measure {

AlarmEntry parseAlarmEntry(const QString& text, AlarmUnit unit) {
    if (unit == AlarmUnit::None) return {};
    const double v = parseLeadingNumber(text);
    const double limit = unit == AlarmUnit::MilliAmpere ? 1000000.0 : 1000.0;
    // Written so that NaN, should it ever come, is refused too.
    if (!(v >= 0.0 && v <= limit)) return {AlarmEntryOutcome::OutOfRange, 0.0f};
    const double ma = unit == AlarmUnit::MilliAmpere ? v : v * 1000.0;
    return {AlarmEntryOutcome::Accepted, static_cast<float>(ma + 0.0)};  // + 0.0: no -0
}

QString alarmOutOfRangeText() {
    return QCoreApplication::translate("AlarmEntry", "输入值超出范围");
}

}  // namespace measure
