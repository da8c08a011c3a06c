#pragma once
// How a picture's time range [t0, t1) is split into pixel columns of equal time. The curves'
// envelope, the alarm marks and the alarm and gap bands all take their columns from here, so a
// mark always falls in the column of the readings of its time.

#include <QtGlobal>

namespace viewer {

class ColumnSplit {
  public:
    // Needs t1 > t0 and count > 0.
    ColumnSplit(qint64 t0, qint64 t1, int count) : t0_(t0), span_(t1 - t0), count_(count) {}

    // The column of a time in [t0, t1): (t - t0) * count / (t1 - t0), rounded down.
    int columnOf(qint64 t) const { return int((t - t0_) * count_ / span_); }

    // The first time of column c, the least time whose column is c; for c == count, t1.
    qint64 startOf(int c) const { return t0_ + (qint64(c) * span_ + count_ - 1) / count_; }

  private:
    qint64 t0_, span_;
    int count_;
};

}  // namespace viewer
