#include "viewer/envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "viewer/columnsplit.h"

namespace viewer {

namespace {

// Rows per block of the pyramid's first level; the ends of a range are read row by row.
constexpr qsizetype kBlock = 16;
constexpr float kInf = std::numeric_limits<float>::infinity();

Column emptyColumn() {
    return Column{kInf, -kInf, kInf, -kInf, 0, false};
}

}  // namespace

Envelope::Envelope(const LogData& data) : data_(data) {
    const qsizetype blocks = data.size() / kBlock;
    if (blocks == 0) return;
    std::vector<Node> first(size_t(blocks), Node{kInf, -kInf, kInf, -kInf, 0});
    for (qsizetype b = 0; b < blocks; ++b) {
        Column c = emptyColumn();
        for (qsizetype i = b * kBlock; i < (b + 1) * kBlock; ++i) addRow(c, i);
        first[size_t(b)] = {c.lo, c.hi, c.meanLo, c.meanHi, c.flags};
    }
    levels_.push_back(std::move(first));
    while (levels_.back().size() > 1) {
        const std::vector<Node>& below = levels_.back();
        std::vector<Node> up((below.size() + 1) / 2);
        for (size_t i = 0; i < up.size(); ++i) {
            const Node& a = below[2 * i];
            const Node& b = 2 * i + 1 < below.size() ? below[2 * i + 1] : a;
            up[i] = {std::min(a.lo, b.lo), std::max(a.hi, b.hi), std::min(a.meanLo, b.meanLo),
                     std::max(a.meanHi, b.meanHi), quint8(a.flags | b.flags)};
        }
        levels_.push_back(std::move(up));
    }
}

void Envelope::add(Column& c, const Node& n) const {
    c.lo = std::min(c.lo, n.lo);
    c.hi = std::max(c.hi, n.hi);
    c.meanLo = std::min(c.meanLo, n.meanLo);
    c.meanHi = std::max(c.meanHi, n.meanHi);
    c.flags |= n.flags;
}

void Envelope::addRow(Column& c, qsizetype i) const {
    const quint8 f = data_.flags[size_t(i)];
    c.flags |= f;
    if (!(f & kValue)) return;
    c.lo = std::min(c.lo, data_.lo[size_t(i)]);
    c.hi = std::max(c.hi, data_.hi[size_t(i)]);
    c.meanLo = std::min(c.meanLo, data_.mean[size_t(i)]);
    c.meanHi = std::max(c.meanHi, data_.mean[size_t(i)]);
}

Column Envelope::range(qsizetype first, qsizetype last) const {
    Column c = emptyColumn();
    first = std::max<qsizetype>(first, 0);
    last = std::min(last, data_.size());
    if (first >= last) return c;
    c.gapBefore = data_.flags[size_t(first)] & kGapBefore;
    // Whole blocks in the middle from the pyramid, the rows at either end one by one.
    qsizetype a = (first + kBlock - 1) / kBlock, b = last / kBlock;
    if (a >= b) {
        for (qsizetype i = first; i < last; ++i) addRow(c, i);
        return c;
    }
    for (qsizetype i = first; i < a * kBlock; ++i) addRow(c, i);
    for (qsizetype i = b * kBlock; i < last; ++i) addRow(c, i);
    for (size_t level = 0; a < b && level < levels_.size(); ++level) {
        const std::vector<Node>& nodes = levels_[level];
        if (a & 1) add(c, nodes[size_t(a++)]);
        if (b & 1) add(c, nodes[size_t(--b)]);
        a /= 2;
        b /= 2;
    }
    return c;
}

qsizetype Envelope::rowAt(qint64 t) const {
    return qsizetype(std::lower_bound(data_.timeMs.begin(), data_.timeMs.end(), t) -
                     data_.timeMs.begin());
}

std::vector<Column> Envelope::columns(qint64 t0, qint64 t1, int count) const {
    std::vector<Column> columns;
    if (count <= 0 || t1 <= t0) return columns;
    columns.reserve(size_t(count));
    const ColumnSplit split(t0, t1, count);
    qsizetype first = rowAt(t0);
    for (int c = 0; c < count; ++c) {
        const qsizetype last = rowAt(split.startOf(c + 1));
        columns.push_back(range(first, last));
        first = last;
    }
    return columns;
}

std::vector<EventMark> eventMarks(const std::vector<AlarmEvent>& events, qint64 t0, qint64 t1,
                                  int count) {
    std::vector<EventMark> marks;
    if (count <= 0 || t1 <= t0) return marks;
    const ColumnSplit split(t0, t1, count);
    const auto before = [](const AlarmEvent& e, qint64 t) { return e.timeMs < t; };
    auto e = std::lower_bound(events.begin(), events.end(), t0, before);
    while (e != events.end() && e->timeMs < t1) {
        const int c = split.columnOf(e->timeMs);
        const auto next = std::lower_bound(e, events.end(), split.startOf(c + 1), before);
        EventMark mark{c, false, false};
        for (; e != next && !(mark.start && mark.end); ++e)
            (e->start ? mark.start : mark.end) = true;
        marks.push_back(mark);
        e = next;
    }
    return marks;
}

qsizetype Envelope::bytes() const {
    qsizetype total = 0;
    for (const std::vector<Node>& level : levels_)
        total += qsizetype(level.capacity() * sizeof(Node));
    return total;
}

}  // namespace viewer
