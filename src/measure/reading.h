#pragma once
// One live reading as every consumer takes it: the screen, the data log's row, the CSV on
// stdout, the published message, the alarm tracker and the interval log. It is stamped once,
// when its reply is handled, and decoded once, so a row and its message carry the identical
// time and every consumer agrees on the value.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "meterrecord.h"

namespace measure {

// The reading, value_mA, status and record columns of one record, as every CSV of readings
// writes them (and the published readings carry them): the shown text, the signed value in mA
// (empty for 0L and ERROR), the status byte and the record's bytes in hexadecimal.
struct RecordColumns {
    QString reading;
    QByteArray valueMa;
    int status = 0;
    QByteArray record;
};
RecordColumns recordColumnsOf(const MeterRecord& record, const DecodedRecord& decoded);
inline RecordColumns recordColumnsOf(const MeterRecord& record) {
    return recordColumnsOf(record, decodeRecord(record));
}

struct Reading {
    QDateTime time;       // local wall time, with its UTC offset
    qint64 steadyMs = 0;  // a steady clock's count at the same moment, for elapsed times
    MeterRecord record;   // the bytes the meter sent
    DecodedRecord decoded;
    RecordColumns columns;
};

// `record` as read at `time` (the steady clock showing `steadyMs`), decoded.
Reading takeReading(const MeterRecord& record, const QDateTime& time, qint64 steadyMs);

}  // namespace measure
