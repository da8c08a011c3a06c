#pragma once
// MAX, MIN and AVERAGE of the live window, and the alarm check, recomputed every second.
//
// The window is readings slots 0..N of LiveSeries (N + 1 slots, N = WindowSampleCount), taken
// whether or not they were written since start-up: unwritten slots hold 0 and slots written
// before a Stop or under a larger window keep their old readings. max starts at 0, min at
// 1000000 (so a window of readings all at or above 1000000 mA shows MIN 1000000), the sum is
// kept in double precision and the average is converted to single precision at the end. The
// alarm is raised when any reading in the window is at or above the threshold (mA).

#include "liveseries.h"

namespace measure {

struct Statistics {
    float max = 0, min = 0, average = 0;
    bool alarm = false;
};

// `windowSampleCount` is clamped to 0..500 so the window never leaves the 501 slots.
Statistics computeStatistics(const LiveSeries& s, int windowSampleCount, float alarmThresholdMa);

}  // namespace measure
