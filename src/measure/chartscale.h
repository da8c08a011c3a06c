#pragma once
// Time window and chart scale chosen with the two sliders beside the live chart.
//
// Window slider (positions 0..4): number N of samples before the newest one that make up the
// window; the window covers slots 0..N of the recorded readings.
//   0 -> 16 ("1s"), 1 -> 83 ("5s"), 2 -> 166 ("10s"), 3 -> 250 ("15s"), 4 -> 500 ("30s")
//
// Scale slider (positions 0..9, initially 4): the chart value is the reading in mA times the
// factor, and the caption names the reading that reaches one major division (100 chart units,
// 250 for "0.5mA" and "0.05mA").
//   0 "100A" /1000   1 "10A" /100   2 "1A" /10   3 "500mA" /5   4 "100mA" x1
//   5 "10mA" x10     6 "1mA" x100   7 "0.5mA" x500   8 "0.1mA" x1000   9 "0.05mA" x5000

#include <QString>

namespace measure {

// Samples of the window for a window-slider position; 0 for a position outside 0..4.
int WindowSampleCount(int slider2Position);

// Caption of a window-slider position ("1s" ... "30s"); empty outside 0..4.
QString windowCaption(int slider2Position);

struct ChartScale {
    QString caption;
    float factor;
    bool divide;  // true: chart value = mA / factor; false: mA * factor
};

// Scale for a scale-slider position; positions outside 0..9 are clamped into that range.
ChartScale chartScaleFor(int slider1Position);

// The chart value of a reading in mA, in single precision.
float applyChartScale(const ChartScale& s, float ma);

}  // namespace measure
