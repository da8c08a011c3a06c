#include "intervallog.h"

#include <charconv>
#include <utility>

#include "datalog.h"

namespace measure {
namespace {

// The bounds of the interval holding `time`, on the clock of its own UTC offset.
std::pair<QDateTime, QDateTime> bounds(const QDateTime& time, qint64 lengthMs) {
    const int offset = time.offsetFromUtc();
    const qint64 local = time.toMSecsSinceEpoch() + qint64(offset) * 1000;
    qint64 from = local - local % lengthMs;
    if (local % lengthMs < 0) from -= lengthMs;
    const qint64 utc = from - qint64(offset) * 1000;
    return {QDateTime::fromMSecsSinceEpoch(utc, Qt::OffsetFromUTC, offset),
            QDateTime::fromMSecsSinceEpoch(utc + lengthMs, Qt::OffsetFromUTC, offset)};
}

}  // namespace

std::optional<IntervalRow> IntervalAggregator::add(const Reading& reading) {
    const QDateTime& time = reading.time;
    std::optional<IntervalRow> closed;
    const auto [from, to] = bounds(time, lengthMs_);
    if (open_ && open_->end != to) closed = std::exchange(open_, std::nullopt);
    if (!open_) {
        open_.emplace();
        // The run's first interval starts with the run.
        const bool first = begun_.isValid() && from < begun_ && begun_ < to;
        open_->start = first ? begun_ : from;
        open_->end = to;
    }
    IntervalRow& r = *open_;
    ++r.count;
    const DecodedRecord& d = reading.decoded;
    if (d.kind == RecordKind::Overload) ++r.overloads;
    if (d.kind == RecordKind::Error) ++r.errors;
    if (const std::optional<float> v = signedValueMa(d)) {
        if (!r.minMa || *v < *r.minMa) r.minMa = v;
        if (!r.maxMa || *v > *r.maxMa) r.maxMa = v;
        r.sumMa += *v;
        ++r.valued;
    }
    return closed;
}

void IntervalAggregator::begin(const QDateTime& now) {
    open_.reset();
    begun_ = now;
}

std::optional<IntervalRow> IntervalAggregator::closeIfOver(const QDateTime& now) {
    if (!open_ || now.toMSecsSinceEpoch() < open_->end.toMSecsSinceEpoch()) return std::nullopt;
    return std::exchange(open_, std::nullopt);
}

std::optional<IntervalRow> IntervalAggregator::finish(const QDateTime& now) {
    if (!open_) return std::nullopt;
    if (now < open_->end) open_->end = now;
    return std::exchange(open_, std::nullopt);
}

QByteArray intervalLogHeader() {
    return QByteArrayLiteral("start,end,count,min_mA,max_mA,mean_mA,overloads,errors\r\n");
}

IntervalColumns intervalColumnsOf(const IntervalRow& r) {
    IntervalColumns c{isoTimeWithOffset(r.start),
                      isoTimeWithOffset(r.end),
                      QByteArray::number(r.count),
                      {},
                      {},
                      {},
                      QByteArray::number(r.overloads),
                      QByteArray::number(r.errors)};
    if (r.minMa) c.minMa = valueMaText(*r.minMa);
    if (r.maxMa) c.maxMa = valueMaText(*r.maxMa);
    if (r.valued > 0) {
        char buf[64];
        const auto end =
            std::to_chars(buf, buf + sizeof buf, r.sumMa / r.valued, std::chars_format::fixed, 3);
        c.meanMa = QByteArray(buf, end.ptr - buf);
    }
    return c;
}

QByteArray intervalCsvRow(const IntervalRow& r) {
    const IntervalColumns c = intervalColumnsOf(r);
    return c.start + ',' + c.end + ',' + c.count + ',' + c.minMa + ',' + c.maxMa + ',' + c.meanMa +
           ',' + c.overloads + ',' + c.errors + "\r\n";
}

}  // namespace measure
