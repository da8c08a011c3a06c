#include "liveseries.h"

#include "chartscale.h"
#include "meterrecord.h"

#include <algorithm>

namespace measure {

void LiveSeries::rewind() {
    writeIndex = 0;
    std::fill(chartValues.begin(), chartValues.end() - 1, 0.0f);
}

void LiveSeries::record(float readingMa, float chartValue, int windowSampleCount) {
    const int n = std::clamp(windowSampleCount, 0, kSlots - 1);
    if (writeIndex >= 0 && writeIndex < n + 1) {
        readings[std::size_t(writeIndex)] = readingMa;
        ++writeIndex;
    } else {
        writeIndex = 0;
    }
    if (writeIndex < kSlots) chartValues[std::size_t(writeIndex)] = chartValue;
}

LiveReading readLiveRecord(const DecodedRecord& d) {
    LiveReading reading;
    reading.text = liveText(d);
    if (d.kind != RecordKind::Error) reading.recordedMa = d.recordedMa;
    return reading;
}

LiveDecodeResult DecodeLiveFrame(const QByteArray& reply, int storedGroupCount, int slider1Position,
                                 int slider2Position, LiveSeries& series) {
    const int count = std::min(storedGroupCount, wholeRecordCount(reply));
    if (count < 1) return LiveDecodeResult{};
    // Each record in turn sets the reading text; only the last one's text remains.
    return recordLiveReading(decodeRecord(*recordAt(reply, count - 1)), slider1Position,
                             slider2Position, series);
}

LiveDecodeResult recordLiveReading(const DecodedRecord& record, int slider1Position,
                                   int slider2Position, LiveSeries& series) {
    LiveDecodeResult result;
    const LiveReading last = readLiveRecord(record);
    result.handled = true;
    result.label7 = last.text;
    if (!last.recordedMa) return result;

    const ChartScale scale = chartScaleFor(slider1Position);
    series.record(*last.recordedMa, applyChartScale(scale, *last.recordedMa),
                  WindowSampleCount(slider2Position));
    result.label8 = scale.caption;
    result.redraw = true;
    return result;
}

}  // namespace measure
