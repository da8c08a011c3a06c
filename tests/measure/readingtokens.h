#pragma once
// Live records written as short tokens, for tables of readings.
#include <QString>

#include "measure/reading.h"

// "42" a reading of 42 mA, "-42" one shown with "-", "L" an overload, "E" an ERROR; read at
// `time`.
inline measure::Reading TokenReading(const QString& token, const QDateTime& time) {
    measure::MeterRecord r{0, 0, 0};
    if (token == "L") {
        r = {0, 0, 9};
    } else if (token != "E") {
        const int raw = qAbs(token.toInt());
        r = {quint8(raw / 100), quint8(raw % 100), quint8(token.startsWith('-') ? 23 : 21)};
    }
    return measure::takeReading(r, time, 0);
}
