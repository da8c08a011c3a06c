#pragma once
// Interval rows: instead of one row per reading, one row per interval of SEC seconds, for logs
// kept for weeks.
//
//   start,end,count,min_mA,max_mA,mean_mA,overloads,errors
//   2026-12-08T17:31:00.000+08:00,2026-12-08T17:32:00.000+08:00,120,-42,171900,1433.145,1,0
//
// start, end  the interval's bounds, in the data log's time format. Intervals are whole
//             multiples of SEC counted from local midnight's clock (SEC 60: every minute on
//             the minute); the first one of a run starts when the run starts, the last one
//             ends when the run ends
// count       readings in the interval, overloads and errors included
// min_mA, max_mA, mean_mA
//             over the readings that have a value, signed as the data log's value_mA; empty
//             when none has; the mean with 3 decimals. The extremes are kept as they came, so
//             no peak is averaged away
// overloads   0L readings; errors: ERROR readings
//
// An interval without readings (the meter away) has no row.

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <optional>

#include "reading.h"

namespace measure {

struct IntervalRow {
    QDateTime start, end;
    int count = 0;
    std::optional<float> minMa, maxMa;
    double sumMa = 0;  // over the `valued` readings
    int valued = 0;
    int overloads = 0, errors = 0;
};

class IntervalAggregator {
  public:
    explicit IntervalAggregator(int seconds) : lengthMs_(qint64(seconds) * 1000) {}

    // A run (or a log) starts at `now`: the interval so far is dropped, and the interval
    // holding `now` starts at `now` rather than at its multiple of SEC.
    void begin(const QDateTime& now);
    // The next reading; the row of the interval it closed, if it falls into another.
    std::optional<IntervalRow> add(const Reading& reading);
    // The running interval's row once `now` is past its end (no reading came to close it).
    std::optional<IntervalRow> closeIfOver(const QDateTime& now);
    // The running interval's row cut short at `now`, as at the end of a run.
    std::optional<IntervalRow> finish(const QDateTime& now);

  private:
    qint64 lengthMs_;
    std::optional<IntervalRow> open_;
    QDateTime begun_;  // no interval starts before this
};

// The interval log's header, CR LF included.
QByteArray intervalLogHeader();
// The row's fields as the interval log writes them, each empty where the row has no value
// (min, max and mean without a valued reading); the published message carries the same.
struct IntervalColumns {
    QByteArray start, end, count, minMa, maxMa, meanMa, overloads, errors;
};
IntervalColumns intervalColumnsOf(const IntervalRow& row);
// The row, CR LF included.
QByteArray intervalCsvRow(const IntervalRow& row);

}  // namespace measure

Q_DECLARE_METATYPE(measure::IntervalRow)
