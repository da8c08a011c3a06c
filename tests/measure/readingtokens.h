#pragma once
// Live records written as short tokens, for tables of readings.
#include <QString>

#include "measure/meterrecord.h"

// "42" a reading of 42 mA, "-42" one shown with "-", "L" an overload, "E" an ERROR.
inline measure::MeterRecord Reading(const QString& token) {
    if (token == "L") return {0, 0, 9};
    if (token == "E") return {0, 0, 0};
    const int raw = qAbs(token.toInt());
    return {quint8(raw / 100), quint8(raw % 100), quint8(token.startsWith('-') ? 23 : 21)};
}
