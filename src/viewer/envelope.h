#pragma once
// The envelope of the rows per pixel column: the least and greatest value of the rows whose
// times fall in each column, so that no peak disappears at any zoom. A min/max pyramid over
// blocks of rows answers each column from a few dozen entries, whatever the zoom: a redraw of
// a week of readings costs the same as one of a minute.

#include <QtGlobal>
#include <vector>

#include "viewer/logdata.h"

namespace viewer {

struct Column {
    float lo, hi;            // envelope of the column's values (lo > hi: no value)
    float meanLo, meanHi;    // least and greatest mean (interval rows) or value (readings)
    quint8 flags = 0;        // RowFlag bits of all the column's rows (kValue when any has one)
    bool gapBefore = false;  // the column's first row comes after a gap
    bool hasValue() const { return flags & kValue; }
};

// The alarm starts and ends that fall in one pixel column, drawn as one mark: however many
// events a file holds, a picture has at most one mark per column.
struct EventMark {
    int column = 0;
    bool start = false;  // an alarm started in the column
    bool end = false;    // an alarm ended in it
};

// The marks of `events` (sorted by time) in [t0, t1) split into `count` columns (ColumnSplit),
// in column order.
std::vector<EventMark> eventMarks(const std::vector<AlarmEvent>& events, qint64 t0, qint64 t1,
                                  int count);

class Envelope {
  public:
    // `data` must outlive the envelope and stay unchanged.
    explicit Envelope(const LogData& data);

    // The columns of [t0, t1) split into `count` equal parts (ColumnSplit).
    std::vector<Column> columns(qint64 t0, qint64 t1, int count) const;

    // The summary of the rows [first, last).
    Column range(qsizetype first, qsizetype last) const;

    // The first row at or after `t`.
    qsizetype rowAt(qint64 t) const;

    // Memory the pyramid takes.
    qsizetype bytes() const;

  private:
    struct Node {
        float lo, hi, meanLo, meanHi;
        quint8 flags;
    };
    void add(Column& c, const Node& n) const;
    void addRow(Column& c, qsizetype i) const;

    const LogData& data_;
    std::vector<std::vector<Node>> levels_;  // level k: blocks of kBlock << k rows
};

}  // namespace viewer
