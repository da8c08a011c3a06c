#include "reading.h"

#include <cstdio>

#include "datalog.h"

namespace measure {

namespace {

QByteArray recordHex(const MeterRecord& r) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", r.high, r.low, r.status);
    return QByteArray(buf, 6);
}

}  // namespace

RecordColumns recordColumnsOf(const MeterRecord& record, const DecodedRecord& decoded) {
    // The value is the shown one with its sign, in mA; a shown "-0" is 0, and 0L and ERROR
    // have none.
    RecordColumns c{liveText(decoded), {}, record.status, recordHex(record)};
    if (const std::optional<float> v = signedValueMa(decoded)) c.valueMa = valueMaText(*v);
    return c;
}

Reading takeReading(const MeterRecord& record, const QDateTime& time, qint64 steadyMs) {
    Reading r{time, steadyMs, record, decodeRecord(record), {}};
    r.columns = recordColumnsOf(record, r.decoded);
    return r;
}

}  // namespace measure
