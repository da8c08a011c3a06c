#include "viewer/plotgeometry.h"

#include <algorithm>

#include "viewer/columnsplit.h"

namespace viewer {

std::vector<TimeSpan> alarmSpans(const std::vector<AlarmEvent>& events, qint64 openStart,
                                 qint64 openEnd) {
    std::vector<TimeSpan> spans;
    qint64 start = 0;
    bool on = false;   // an alarm started and not yet ended
    bool any = false;  // an event before: a later end without a start is a doubled end
    for (const AlarmEvent& e : events) {
        if (e.start) {
            if (!on) start = e.timeMs;
            on = true;
        } else if (on) {
            spans.push_back({start, e.timeMs});
            on = false;
        } else if (!any) {
            spans.push_back({std::min(openStart, e.timeMs), e.timeMs});
        }
        any = true;
    }
    if (on) spans.push_back({start, std::max(openEnd, start)});
    return spans;
}

std::vector<TimeSpan> gapSpans(const LogData& data, qint64 t0, qint64 t1) {
    std::vector<TimeSpan> gaps;
    const auto first = std::lower_bound(data.timeMs.begin(), data.timeMs.end(), t0);
    const auto last = std::lower_bound(first, data.timeMs.end(), t1);
    // The row after the range too: its gap may begin within it.
    const size_t from = size_t(std::max<qsizetype>(1, first - data.timeMs.begin()));
    const size_t to = std::min(size_t(last - data.timeMs.begin()) + 1, data.timeMs.size());
    for (size_t i = from; i < to; ++i)
        if ((data.flags[i] & kGapBefore) && data.timeMs[i] - data.timeMs[i - 1] > kGapMs)
            gaps.push_back({data.timeMs[i - 1], data.timeMs[i]});
    return gaps;
}

std::vector<ColumnRun> spanColumns(const std::vector<TimeSpan>& spans, qint64 t0, qint64 t1,
                                   int count) {
    std::vector<ColumnRun> runs;
    if (count <= 0 || t1 <= t0) return runs;
    const ColumnSplit split(t0, t1, count);
    auto column = [&](qint64 t) { return split.columnOf(std::clamp(t, t0, t1 - 1)); };
    for (const TimeSpan& s : spans) {
        if (s.to < t0 || s.from >= t1) continue;
        const ColumnRun run{column(s.from), column(s.to)};
        if (!runs.empty() && run.first <= runs.back().last)
            runs.back().last = std::max(runs.back().last, run.last);
        else
            runs.push_back(run);
    }
    return runs;
}

}  // namespace viewer
