#include "reading.h"

#include <cstdio>

#include "datalog.h"

namespace measure {

namespace {

QByteArray RecordHex(const MeterRecord& r) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", r.high, r.low, r.status);
    return QByteArray(buf, 6);
}

}  // namespace

RecordColumns RecordColumnsOf(const MeterRecord& record, const DecodedRecord& decoded) {
    // The value is the shown one with its sign, in mA; a shown "-0" is 0, and 0L and ERROR
    // have none.
    RecordColumns c{LiveText(decoded), {}, record.status, RecordHex(record)};
    if (const std::optional<float> v = SignedValueMa(decoded)) c.valueMa = ValueMaText(*v);
    return c;
}

Reading TakeReading(const MeterRecord& record, const QDateTime& time, qint64 steadyMs) {
    Reading r{time, steadyMs, record, DecodeRecord(record), {}};
    r.columns = RecordColumnsOf(record, r.decoded);
    return r;
}

}  // namespace measure
