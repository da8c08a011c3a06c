#pragma once
// Where the picture's marks fall, without a painter: alarms as spans of time from start to end,
// the gaps the meter was away, both as runs of pixel columns.

#include <QtGlobal>
#include <vector>

#include "viewer/logdata.h"

namespace viewer {

struct TimeSpan {
    qint64 from = 0, to = 0;  // ms since the epoch, from <= to
    bool operator==(const TimeSpan&) const = default;
};

// The alarms of `events` (sorted by time): from each start to the first end after it. An alarm
// still on at the last event lasts to `openEnd` (the log ends during it); an end without a start
// before it started at `openStart` (the log began during it).
std::vector<TimeSpan> alarmSpans(const std::vector<AlarmEvent>& events, qint64 openStart,
                                 qint64 openEnd);

// The times the meter was away among the rows of `data` in [t0, t1): from the row before each
// row marked kGapBefore to that row, where they are more than kGapMs apart (a log started
// again at once breaks the line but is no time away). The first row's mark is no gap.
std::vector<TimeSpan> gapSpans(const LogData& data, qint64 t0, qint64 t1);

// The pixel columns a span takes, first to last: [t0, t1) is split into `count` columns
// (ColumnSplit), and a span narrower than a column still takes the one it falls in.
struct ColumnRun {
    int first = 0, last = 0;
    bool operator==(const ColumnRun&) const = default;
};

// The runs of `spans` (sorted by start) that reach into [t0, t1); spans that share a column are
// one run.
std::vector<ColumnRun> spanColumns(const std::vector<TimeSpan>& spans, qint64 t0, qint64 t1,
                                   int count);

}  // namespace viewer
