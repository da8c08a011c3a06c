#pragma once
// The readings of one or more CSV logs, held compactly for the viewer and the plot: a week of
// readings (1.2 million rows) takes about 25 MB.
//
// Two kinds of file are read, told apart by their header line:
//   time,elapsed_s,reading,value_mA,status,record          one row per reading
//   start,end,count,min_mA,max_mA,mean_mA,overloads,errors  one row per interval
// A reading's value comes from its record bytes where the row has them, so files whose
// value_mA lost the sign (earlier versions) draw right. Overload (0L) and ERROR rows are kept as
// marks with no value. A file may hold several runs one after the other (the header repeated,
// or elapsed_s starting again); the time between two runs is a gap, as is any step between rows
// longer than kGapMs. Lines that are not rows of the file's kind are skipped and counted, as are
// rows whose value is not a finite number within the meter's range (kMeterRangeMa either way).
//
// Beside a log, "<log>.events.csv" (time,event,value_mA,peak_mA,duration_s) holds the alarm
// starts and ends; they are read when the file is there.

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace viewer {

// What a row holds, as bits.
enum RowFlag : quint8 {
    kValue = 1,      // lo, hi and mean hold a value
    kOverload = 2,   // an overload (0L), or an interval that had one
    kError = 4,      // an ERROR reading, or an interval that had one
    kGapBefore = 8,  // the meter was away between the previous row and this one
    kInterval = 16,  // a row of an interval log (else one reading)
};

// A step between two rows longer than this is a gap: the meter sends a reading every 500 ms.
inline constexpr qint64 kGapMs = 3000;

// The meter measures at most 1000 A either way: a value beyond it is no reading but a damaged
// row, and taken as a value it would stretch the scale until every reading is a flat line.
inline constexpr double kMeterRangeMa = 1'000'000;

struct AlarmEvent {
    qint64 timeMs = 0;  // milliseconds since the epoch (UTC)
    bool start = false;
};

// Rows sorted by time. A reading row has lo == hi == mean; an interval row, placed at the
// middle of its interval, has the interval's min, max and mean. Rows without a value have
// lo = +inf and hi = -inf, so minima and maxima pass over them.
struct LogData {
    std::vector<qint64> timeMs;  // milliseconds since the epoch (UTC)
    std::vector<float> lo, hi, mean;
    std::vector<quint8> flags;
    std::vector<quint32> count;      // readings per row; empty when no row is an interval
    std::vector<AlarmEvent> events;  // sorted by time

    qsizetype size() const { return qsizetype(timeMs.size()); }
    // The readings row `i` sums up: an interval's count, 1 for a reading.
    quint32 readings(qsizetype i) const { return count.empty() ? 1 : count[size_t(i)]; }
    bool empty() const { return timeMs.empty(); }
    // Whether any row lies in [t0, t1).
    bool anyRowIn(qint64 t0, qint64 t1) const;
    // Memory the rows take (the arrays' capacity).
    qsizetype bytes() const;
};

struct LoadReport {
    qint64 rows = 0;       // rows read
    qint64 skipped = 0;    // lines that were neither a header nor a row
    QStringList problems;  // one line per file that could not be read
};

// Milliseconds since the epoch of a time as the logs write it: "2026-12-08T17:31:02.517+08:00"
// (offset or "Z"; milliseconds optional). A time without offset is local time. False when the
// text is no such time.
bool parseLogTime(const char* text, qsizetype length, qint64* ms);

// Reads the logs at `paths` (and the alarm events file beside each) into one time-ordered set of
// rows.
LogData loadLogs(const QStringList& paths, LoadReport* report = nullptr);

// The logs of one meter that follow each other in time: one line in the picture.
struct Trace {
    QStringList paths;  // its logs, earliest first
    LogData data;       // their rows and alarm events
};

// Reads the logs at `paths` as loadLogs does, into traces: a log whose rows begin after those of
// a trace ended continues that trace (a week of daily logs of one meter is one trace, and where
// one log ends within kGapMs of the next starting, no gap lies between them); a log that overlaps
// every trace in time (another meter's) starts a trace of its own. Traces in order of their first
// row; logs without a row or event are left out.
std::vector<Trace> loadTraces(const QStringList& paths, LoadReport* report = nullptr);

}  // namespace viewer
