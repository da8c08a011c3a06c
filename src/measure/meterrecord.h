#pragma once
// The meter's three-byte measurement record, as sent for a live reading and for each stored
// group of the history download.
//
//   byte 0  high digit pair, a binary number 0..99 (not BCD: 0x0C means 12)
//   byte 1  low digit pair, a binary number 0..99
//   byte 2  status code: range, unit, AC/DC, sign, overload
//
// raw = (byte 0 mod 100) * 100 + (byte 1 mod 100), 0..9999; digit pairs above 99 are taken
// modulo 100 without complaint. The status code selects the shown value, the unit and the
// value recorded in mA (always the magnitude; a negative reading is recorded without sign):
//
//   code        shown        unit  sign                     recorded mA
//   1, 2        raw / 100    mA                             raw / 100
//   3, 4        raw / 10     mA                             raw / 10
//   5, 6        raw / 100    A                              raw * 10
//   7, 8        raw / 10     A                              raw * 100
//   9           overload, text "0L"                         0
//   10          raw / 1000   mA                             raw / 1000
//   11          raw / 1000   A                              raw
//   12          raw          A                              raw * 1000
//   13, 14, 15  raw / 10     A                              raw * 100
//   16          raw          A                              raw * 1000
//   17          raw / 10     A     "-" unless raw is 0      raw * 100
//   18, 19      raw / 10     A     "-"                      raw * 100
//   20          raw          A     "-"                      raw * 1000
//   21          raw          mA                             raw
//   22          raw / 100    A                              raw * 10
//   23          raw          mA    "-"                      raw
//   24          raw / 100    A     "-"                      raw * 10
//   25          raw / 10     mA                             raw / 10
//   26          raw / 10     mA    "-"                      raw / 10
//   0, 27..255  text "ERROR", nothing recorded
//
// Codes 1..8 and 10..12 are AC readings, 13..26 DC readings. Every scaling is done in single
// precision.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace measure {

struct MeterRecord {
    quint8 high = 0, low = 0, status = 0;
};

inline constexpr int kRecordBytes = 3;

// Number of whole records in a reply (trailing bytes of an incomplete record don't count).
int wholeRecordCount(const QByteArray& reply);
// Record `index` (0-based) of a reply, or nullopt when the reply does not hold it entirely.
std::optional<MeterRecord> recordAt(const QByteArray& reply, int index);
// The first `count` records of a reply, as far as it holds them whole.
QList<MeterRecord> recordsOf(const QByteArray& reply, int count);

enum class RecordKind { Reading, Overload, Error };

struct DecodedRecord {
    RecordKind kind = RecordKind::Error;
    float raw = 0;          // (high % 100) * 100 + (low % 100)
    float shown = 0;        // value formatted for display
    float recordedMa = 0;   // magnitude in mA that goes into LiveSeries (0 for overload)
    bool negative = false;  // a "-" is shown
    bool dc = false;        // codes 13..26
    QString unit;           // "mA" / "A"; empty for overload and error
    quint8 status = 0;      // the status code the record was decoded from
};

DecodedRecord decodeRecord(const MeterRecord& r);

// Text of the big live reading: sign, number and unit without blanks ("12.5mA", "-0A"), or
// "0L" / "ERROR".
QString liveText(const DecodedRecord& d);

// Reading text of a history report line: "AC " or "DC ", sign, number, a blank (except for
// codes 10 and 11) and the unit ("AC 1.23 mA", "AC 0.005mA", "DC -1.2 A"), or "0L" / "ERROR".
QString reportReadingText(const DecodedRecord& d);

}  // namespace measure
