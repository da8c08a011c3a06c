#pragma once
// The recent live readings and the live-reply decoding that feeds them.
//
// LiveSeries holds 501 readings in mA (slots 0..500), 501 chart values (the same readings
// times the chart scale factor) and the index of the next readings slot. With a window of N
// samples each new reading goes to readings[writeIndex] and the index moves on; its chart
// value lands in the slot after it (chartValues[writeIndex] with the index already advanced).
// When the index has reached N + 1 the next sample wraps instead: the index returns to 0, the
// sample is not kept in readings, and its chart value goes into chartValues[0]. So the readings
// sweep over slots 0..N, the chart values over 0..N+1, and every (N+2)-th sample wraps.
// With the 30 s window (N = 500) the chart value after readings[500] would fall in slot 501,
// which does not exist; that one chart value is dropped.
//
// A live reply holds one record (see meterrecord.h) in bytes 0..2; further bytes are ignored.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

#include "meterrecord.h"

namespace measure {

// What one live record means, as the window shows and records it: the big reading's text
// ("-42mA", "0L", "ERROR") and the value recorded in mA (the magnitude; none for an error
// record, which is not recorded). Needs no window.
struct LiveReading {
    QString text;
    std::optional<float> recordedMa;
};

LiveReading readLiveRecord(const DecodedRecord& record);

struct LiveSeries {
    static constexpr int kSlots = 501;
    std::array<float, kSlots> readings{};     // mA
    std::array<float, kSlots> chartValues{};  // chart units
    qint16 writeIndex = 0;

    // What Stop does: write index 0, chart values 0..499 zeroed, slot 500 kept, readings kept.
    void rewind();

    // Records one reading (mA) and its chart value under a window of `windowSampleCount`
    // samples, following the write / wrap rule above. A write index outside 0..N (left by a
    // larger window, or corrupt) wraps; nothing is ever written outside the arrays.
    void record(float readingMa, float chartValue, int windowSampleCount);
};

struct LiveDecodeResult {
    bool handled = false;           // false: reply too short, nothing changed
    QString label7;                 // text for the big reading
    std::optional<QString> label8;  // scale caption when a reading was recorded
    bool redraw = false;            // the chart must be redrawn (a reading was recorded)
};

// Decodes records 1..storedGroupCount of a live reply, as far as the reply holds whole records.
// The last decoded record gives the big reading text; unless it is an error record its value in
// mA is recorded in `series` with the window of `slider2Position` and the chart scale of
// `slider1Position`, and the scale caption is returned for the scale label. A reply shorter
// than one record, or a count below 1, decodes nothing (handled = false, series untouched).
LiveDecodeResult DecodeLiveFrame(const QByteArray& reply, int storedGroupCount, int slider1Position,
                                 int slider2Position, LiveSeries& series);
// The same for the one record a live reply carries, decoded.
LiveDecodeResult recordLiveReading(const DecodedRecord& record, int slider1Position,
                                   int slider2Position, LiveSeries& series);

}  // namespace measure
