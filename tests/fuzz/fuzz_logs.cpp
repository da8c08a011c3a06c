// The data-log, interval-log and events readers behind the viewer and --plot, and the envelope
// drawn from what they keep. Input: one byte of options (the number of pixel columns, the log
// read once or twice), then the log's bytes, then after a form feed the events file's bytes.
// Every row kept has a finite value within the meter's range (or none), the rows and events
// come in time order, each column's envelope is the least and greatest value of its rows with
// the least never above the greatest, and gaps, marks and the cursor stay inside the range.
#include <QFile>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "measure/alarmtracker.h"
#include "scratch.h"
#include "viewer/envelope.h"
#include "viewer/plot.h"

using namespace viewer;

namespace {

QString logPath;

[[noreturn]] void broken(const char* rule, qint64 at = -1) {
    std::fprintf(stderr, "log reader rule broken: %s (at %lld)\n", rule,
                 static_cast<long long>(at));
    std::abort();
}

void write(const QString& path, const char* p, qsizetype n) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(p, n) != n) std::abort();
}

bool finiteInRange(float v) {
    return std::isfinite(v) && std::abs(v) <= kMeterRangeMa;
}

void checkRows(const LogData& d) {
    const size_t n = d.timeMs.size();
    if (d.lo.size() != n || d.hi.size() != n || d.mean.size() != n || d.flags.size() != n)
        broken("arrays of different lengths");
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && d.timeMs[i] < d.timeMs[i - 1]) broken("rows out of time order", qint64(i));
        const quint8 f = d.flags[i];
        if (f & ~(kValue | kOverload | kError | kGapBefore | kInterval))
            broken("unknown flag", qint64(i));
        if (!(f & (kValue | kOverload | kError))) broken("a row that says nothing", qint64(i));
        if (f & kValue) {
            if (!finiteInRange(d.lo[i]) || !finiteInRange(d.hi[i]) || !finiteInRange(d.mean[i]))
                broken("a value not finite or beyond the meter's range", qint64(i));
            if (d.lo[i] > d.hi[i]) broken("a row's least above its greatest", qint64(i));
        } else if (!(d.lo[i] == INFINITY && d.hi[i] == -INFINITY)) {
            broken("a row without value holds one", qint64(i));
        }
    }
    for (size_t i = 1; i < d.events.size(); ++i)
        if (d.events[i].timeMs < d.events[i - 1].timeMs) broken("events out of time order");
}

// The columns against the rows themselves, one by one.
void checkColumns(const LogData& d, const Envelope& envelope, qint64 t0, qint64 t1, int count) {
    const std::vector<Column> columns = envelope.columns(t0, t1, count);
    if (int(columns.size()) != count) broken("not one column per pixel");
    const qint64 span = t1 - t0;
    std::vector<Column> expected(size_t(count),
                                 Column{INFINITY, -INFINITY, INFINITY, -INFINITY, 0, false});
    std::vector<bool> first(size_t(count), true);
    for (size_t i = 0; i < d.timeMs.size(); ++i) {
        const qint64 t = d.timeMs[i];
        if (t < t0 || t >= t1) broken("a row outside the data's extent", t);
        Column& c = expected[size_t((t - t0) * count / span)];
        if (first[size_t((t - t0) * count / span)]) {
            c.gapBefore = d.flags[i] & kGapBefore;
            first[size_t((t - t0) * count / span)] = false;
        }
        c.flags |= d.flags[i];
        if (d.flags[i] & kValue) {
            c.lo = std::min(c.lo, d.lo[i]);
            c.hi = std::max(c.hi, d.hi[i]);
            c.meanLo = std::min(c.meanLo, d.mean[i]);
            c.meanHi = std::max(c.meanHi, d.mean[i]);
        }
    }
    for (int k = 0; k < count; ++k) {
        const Column& c = columns[size_t(k)];
        const Column& e = expected[size_t(k)];
        if (c.flags != e.flags || c.gapBefore != e.gapBefore) broken("a column's marks or gap", k);
        if (!c.hasValue()) continue;
        if (c.lo > c.hi || c.meanLo > c.meanHi) broken("a column's least above its greatest", k);
        if (c.lo != e.lo || c.hi != e.hi || c.meanLo != e.meanLo || c.meanHi != e.meanHi)
            broken("a column's envelope is not its rows'", k);
    }
    int previous = -1;
    for (const EventMark& m : eventMarks(d.events, t0, t1, count)) {
        if (m.column <= previous || m.column >= count)
            broken("an alarm mark outside its columns", m.column);
        if (!m.start && !m.end) broken("an empty alarm mark", m.column);
        previous = m.column;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    logPath = fuzzScratchDir() + QStringLiteral("/readings.csv");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const quint8 options = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    const qsizetype n = qsizetype(size - 1);
    const char* split = static_cast<const char*>(std::memchr(text, '\f', size_t(n)));
    const QString eventsPath = measure::alarmEventsPath(logPath);
    write(logPath, text, split ? split - text : n);
    if (split)
        write(eventsPath, split + 1, n - (split + 1 - text));
    else
        QFile::remove(eventsPath);

    QStringList paths{logPath};
    if (options & 1) paths << logPath;  // two logs of one meter, merged in time order
    LoadReport report;
    const LogData d = loadLogs(paths, &report);
    checkRows(d);
    const Envelope envelope(d);
    const auto [t0, t1] = dataExtent(d);
    for (const AlarmEvent& e : d.events)
        if (e.timeMs < t0 || e.timeMs >= t1) broken("an event outside the data's extent", e.timeMs);
    checkColumns(d, envelope, t0, t1, 1 + (options >> 1) * 16);
    if (!d.empty()) {
        const qint64 t = d.timeMs[d.timeMs.size() / 2];
        const CursorReading r = readAt(envelope, d, t, 500);
        if (!r.any || r.timeMs < t - 500 || r.timeMs > t + 500) broken("the cursor's row", t);
    }
    return 0;
}
