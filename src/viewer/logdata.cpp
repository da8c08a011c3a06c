#include "viewer/logdata.h"

#include "measure/alarmtracker.h"
#include "measure/datalog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>
#include <optional>

#include "measure/alarmtracker.h"
#include "measure/meterrecord.h"

namespace viewer {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr qint64 kChunkBytes = 1 << 20;
constexpr int kMaxFields = 10;

struct Field {
    const char* p = nullptr;
    qsizetype n = 0;
    bool is(const char* s) const {
        const qsizetype len = qsizetype(std::strlen(s));
        return n == len && std::memcmp(p, s, size_t(len)) == 0;
    }
};

// Splits one line (without its line end) at commas; a quoted field loses its quotes (the logs
// quote no field that matters here with doubled quotes inside). Returns the number of fields.
int splitFields(const char* p, qsizetype n, Field* out) {
    int count = 0;
    qsizetype i = 0;
    while (count < kMaxFields) {
        Field& f = out[count++];
        if (i < n && p[i] == '"') {
            const qsizetype start = ++i;
            while (i < n && !(p[i] == '"' && (i + 1 == n || p[i + 1] == ','))) ++i;
            f = {p + start, i - start};
            if (i < n) ++i;  // the closing quote
        } else {
            const qsizetype start = i;
            while (i < n && p[i] != ',') ++i;
            f = {p + start, i - start};
        }
        if (i >= n) break;
        ++i;  // the comma
    }
    return count;
}

bool digits(const char* p, int n, int* value) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        v = v * 10 + (p[i] - '0');
    }
    *value = v;
    return true;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool parseNumber(const Field& f, double* v) {
    if (f.n <= 0 || f.n > 40) return false;
    char buf[48];
    std::memcpy(buf, f.p, size_t(f.n));
    buf[f.n] = 0;
    char* end = nullptr;
    *v = std::strtod(buf, &end);
    return end == buf + f.n && std::isfinite(*v);
}

bool withinRange(double ma) {
    return std::abs(ma) <= kMeterRangeMa;
}

// A value in mA: a number within the meter's range (so that it is a float, too).
bool parseValueMa(const Field& f, double* v) {
    return parseNumber(f, v) && withinRange(*v);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool parseRecord(const Field& f, measure::MeterRecord* r) {
    if (f.n != 6) return false;
    quint8 b[3];
    for (int i = 0; i < 3; ++i) {
        const int h = hexDigit(f.p[2 * i]), l = hexDigit(f.p[2 * i + 1]);
        if (h < 0 || l < 0) return false;
        b[i] = quint8(h * 16 + l);
    }
    *r = {b[0], b[1], b[2]};
    return true;
}

enum class Kind { Unknown, Readings, Intervals };

// Reads one log file and appends its rows to `data`.
class FileReader {
  public:
    FileReader(LogData& data, LoadReport& report) : data_(data), report_(report) {}

    bool read(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            report_.problems << QStringLiteral("%1: %2").arg(path, file.errorString());
            return false;
        }
        gap_ = true;  // the first row of a file follows whatever came before it
        QByteArray buffer;
        bool overlong = false;
        for (;;) {
            // What the file holds, up to a chunk: a small log costs no megabyte per read.
            const QByteArray chunk =
                file.read(qBound<qint64>(1, file.bytesAvailable(), kChunkBytes));
            if (chunk.isEmpty()) break;
            buffer += chunk;
            qsizetype start = 0;
            for (;;) {
                const qsizetype nl = buffer.indexOf('\n', start);
                if (nl < 0) break;
                if (overlong) {
                    overlong = false;  // the end of a line too long to be a row
                } else {
                    Line(buffer.constData() + start, nl - start);
                }
                start = nl + 1;
            }
            buffer.remove(0, start);
            // No row is that long: a file without line ends (not a log) is not held whole.
            if (buffer.size() > kChunkBytes) {
                if (!overlong) ++report_.skipped;
                overlong = true;
                buffer.clear();
            }
        }
        if (file.error() != QFileDevice::NoError)
            report_.problems << QStringLiteral("%1: %2").arg(path, file.errorString());
        if (!buffer.isEmpty() && !overlong)
            Line(buffer.constData(), buffer.size());  // a last line cut short
        return true;
    }

  private:
    void Line(const char* p, qsizetype n) {
        if (n > 0 && p[n - 1] == '\r') --n;
        if (n == 0) return;
        Field f[kMaxFields];
        const int count = splitFields(p, n, f);
        if (f[0].is("time") && count >= 6) {
            kind_ = Kind::Readings;
            gap_ = true;  // a header within the file starts another run
            return;
        }
        if (f[0].is("start") && count >= 8) {
            kind_ = Kind::Intervals;
            gap_ = true;
            return;
        }
        const bool ok = kind_ == Kind::Readings    ? Reading(f, count)
                        : kind_ == Kind::Intervals ? interval(f, count)
                                                   : false;
        if (ok)
            ++report_.rows;
        else
            ++report_.skipped;
    }

    bool Reading(const Field* f, int count) {
        qint64 t = 0;
        if (count < 6 || !parseLogTime(f[0].p, f[0].n, &t)) return false;
        double elapsed = 0;
        if (parseNumber(f[1], &elapsed)) {
            if (elapsed < lastElapsed_) gap_ = true;  // a new run appended to the file
            lastElapsed_ = elapsed;
        }
        measure::MeterRecord record;
        quint8 flags = 0;
        float value = 0;
        if (parseRecord(f[5], &record)) {
            const measure::DecodedRecord d = measure::decodeRecord(record);
            if (const std::optional<float> v = measure::signedValueMa(d)) {
                if (!withinRange(*v)) return false;
                flags = kValue;
                value = *v;
            } else {
                flags = d.kind == measure::RecordKind::Overload ? kOverload : kError;
            }
        } else if (f[2].is("0L")) {
            flags = kOverload;
        } else if (f[2].is("ERROR")) {
            flags = kError;
        } else {
            double v = 0;
            if (!parseValueMa(f[3], &v)) return false;
            flags = kValue;
            value = float(v);
        }
        add(t, t, t, flags, value, value, value);
        return true;
    }

    bool interval(const Field* f, int count) {
        qint64 start = 0, end = 0;
        if (count < 8 || !parseLogTime(f[0].p, f[0].n, &start) ||
            !parseLogTime(f[1].p, f[1].n, &end) || end < start)
            return false;
        double lo = 0, hi = 0, mean = 0, overloads = 0, errors = 0;
        quint8 flags = 0;
        // An interval without readings leaves its values empty; any other value is a number
        // within range, or the row is damaged.
        if (parseValueMa(f[3], &lo) && parseValueMa(f[4], &hi) && parseValueMa(f[5], &mean))
            flags |= kValue;
        else if (f[3].n > 0 || f[4].n > 0 || f[5].n > 0)
            return false;
        if (parseNumber(f[6], &overloads) && overloads > 0) flags |= kOverload;
        if (parseNumber(f[7], &errors) && errors > 0) flags |= kError;
        if (flags == 0) {  // an interval without readings: only the time goes on
            lastEnd_ = end;
            return true;
        }
        flags |= kInterval;
        if (!(flags & kValue)) lo = hi = mean = 0;
        add(start + (end - start) / 2, start, end, flags, float(lo), float(hi), float(mean));
        double readings = 0;
        if (!parseNumber(f[2], &readings) || readings < 0 || readings > 4e9) readings = 0;
        if (data_.count.empty()) data_.count.assign(data_.timeMs.size() - 1, 1);
        data_.count.push_back(quint32(readings));
        return true;
    }

    // A row at `t` covering [start, end]: a gap before it when the previous row ended more than
    // kGapMs before `start`, or a new run began.
    void add(qint64 t, qint64 start, qint64 end, quint8 flags, float lo, float hi, float mean) {
        if (gap_ || start - lastEnd_ > kGapMs) flags |= kGapBefore;
        gap_ = false;
        lastEnd_ = end;
        data_.timeMs.push_back(t);
        if (flags & kValue) {
            data_.lo.push_back(std::min(lo, hi));
            data_.hi.push_back(std::max(lo, hi));
            data_.mean.push_back(mean);
        } else {
            data_.lo.push_back(kInf);
            data_.hi.push_back(-kInf);
            data_.mean.push_back(0);
        }
        data_.flags.push_back(flags);
        if (!data_.count.empty() && !(flags & kInterval)) data_.count.push_back(1);
        if (!firstStart_) firstStart_ = start;
    }

  public:
    // The start of the first row read and the end of the last, for the log that follows.
    std::optional<qint64> firstStart() const { return firstStart_; }
    qint64 lastEnd() const { return lastEnd_; }

  private:
    LogData& data_;
    LoadReport& report_;
    Kind kind_ = Kind::Unknown;
    bool gap_ = true;
    double lastElapsed_ = -1;
    qint64 lastEnd_ = std::numeric_limits<qint64>::min() / 2;
    std::optional<qint64> firstStart_;
};

void readEvents(const QString& path, std::vector<AlarmEvent>* events) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        Field f[kMaxFields];
        const int count = splitFields(line.constData(), line.size(), f);
        qint64 t = 0;
        if (count < 2 || !parseLogTime(f[0].p, f[0].n, &t)) continue;  // the header too
        if (f[1].is("start") || f[1].is("end")) events->push_back({t, f[1].is("start")});
    }
}

// Puts the rows in time order, keeping the order of rows of equal time.
void sortByTime(LogData& d) {
    if (std::is_sorted(d.timeMs.begin(), d.timeMs.end())) return;
    std::vector<quint32> order(d.timeMs.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](quint32 a, quint32 b) { return d.timeMs[a] < d.timeMs[b]; });
    auto apply = [&order](auto& v) {
        std::remove_reference_t<decltype(v)> sorted;
        sorted.reserve(v.size());
        for (quint32 i : order) sorted.push_back(v[i]);
        v.swap(sorted);
    };
    apply(d.timeMs);
    apply(d.lo);
    apply(d.hi);
    apply(d.mean);
    apply(d.flags);
    if (!d.count.empty()) apply(d.count);
}

// Appends the rows and events of `from`, all at or after the last row of `to`.
void append(LogData& to, LogData&& from) {
    if (to.empty() && to.events.empty()) {
        to = std::move(from);
        return;
    }
    if (!from.count.empty() && to.count.empty()) to.count.assign(to.timeMs.size(), 1);
    if (from.count.empty() && !to.count.empty()) from.count.assign(from.timeMs.size(), 1);
    auto add = [](auto& a, const auto& b) { a.insert(a.end(), b.begin(), b.end()); };
    add(to.timeMs, from.timeMs);
    add(to.lo, from.lo);
    add(to.hi, from.hi);
    add(to.mean, from.mean);
    add(to.flags, from.flags);
    add(to.count, from.count);
    add(to.events, from.events);
}

void sortEvents(LogData& d) {
    std::stable_sort(d.events.begin(), d.events.end(),
                     [](const AlarmEvent& a, const AlarmEvent& b) { return a.timeMs < b.timeMs; });
}

}  // namespace

qsizetype LogData::bytes() const {
    return qsizetype(timeMs.capacity() * sizeof(qint64) +
                     (lo.capacity() + hi.capacity() + mean.capacity()) * sizeof(float) +
                     flags.capacity() + count.capacity() * sizeof(quint32) +
                     events.capacity() * sizeof(AlarmEvent));
}

bool LogData::anyRowIn(qint64 t0, qint64 t1) const {
    const auto first = std::lower_bound(timeMs.begin(), timeMs.end(), t0);
    return first != timeMs.end() && *first < t1;
}

bool parseLogTime(const char* p, qsizetype n, qint64* ms) {
    // 2026-12-08T17:31:02.517+08:00
    int y, mo, d, h, mi, s, milli = 0;
    if (n < 19 || p[4] != '-' || p[7] != '-' || (p[10] != 'T' && p[10] != ' ') || p[13] != ':' ||
        p[16] != ':' || !digits(p, 4, &y) || !digits(p + 5, 2, &mo) || !digits(p + 8, 2, &d) ||
        !digits(p + 11, 2, &h) || !digits(p + 14, 2, &mi) || !digits(p + 17, 2, &s))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return false;
    qsizetype i = 19;
    if (i < n && p[i] == '.') {
        int digits = 0;
        for (++i; i < n && p[i] >= '0' && p[i] <= '9'; ++i, ++digits)
            if (digits < 3) milli = milli * 10 + (p[i] - '0');
        if (digits == 0) return false;
        for (; digits < 3; ++digits) milli *= 10;
    }
    const qint64 local =
        ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000LL + s * 1000LL + milli;
    if (i == n) {  // no offset: the machine's local time
        const QDateTime t(QDate(y, mo, d), QTime(h, mi, s, milli));
        if (!t.isValid()) return false;
        *ms = t.toMSecsSinceEpoch();
        return true;
    }
    if (p[i] == 'Z' && i + 1 == n) {
        *ms = local;
        return true;
    }
    int oh, om;
    if (n - i != 6 || (p[i] != '+' && p[i] != '-') || p[i + 3] != ':' ||
        !digits(p + i + 1, 2, &oh) || !digits(p + i + 4, 2, &om))
        return false;
    const qint64 offset = (oh * 60 + om) * 60000LL;
    *ms = p[i] == '+' ? local - offset : local + offset;
    return true;
}

LogData loadLogs(const QStringList& paths, LoadReport* report) {
    LoadReport own;
    LoadReport& r = report ? *report : own;
    LogData data;
    qint64 expected = 0;
    for (const QString& path : paths)
        expected += QFileInfo(path).size() / 48;  // a reading row takes about 48 bytes
    expected = std::min<qint64>(expected, 50'000'000);
    data.timeMs.reserve(size_t(expected));
    data.lo.reserve(size_t(expected));
    data.hi.reserve(size_t(expected));
    data.mean.reserve(size_t(expected));
    data.flags.reserve(size_t(expected));
    for (const QString& path : paths) {
        FileReader reader(data, r);
        if (reader.read(path)) readEvents(measure::alarmEventsPath(path), &data.events);
    }
    sortByTime(data);
    sortEvents(data);
    return data;
}

std::vector<Trace> loadTraces(const QStringList& paths, LoadReport* report) {
    LoadReport own;
    LoadReport& r = report ? *report : own;
    // Each log on its own, with where its rows begin and end.
    struct Log {
        QString path;
        LogData data;
        qint64 first = 0, last = 0;  // its first and last row's time
        qint64 start = 0, end = 0;   // the start of its first row, the end of its last
    };
    std::vector<Log> logs;
    for (const QString& path : paths) {
        Log log{path, {}};
        FileReader reader(log.data, r);
        if (!reader.read(path)) continue;
        readEvents(measure::alarmEventsPath(path), &log.data.events);
        sortByTime(log.data);
        sortEvents(log.data);
        if (log.data.empty() && log.data.events.empty()) continue;
        const LogData& d = log.data;
        log.first = !d.empty() ? d.timeMs.front() : d.events.front().timeMs;
        log.last = !d.empty() ? d.timeMs.back() : d.events.back().timeMs;
        if (!d.events.empty()) {
            log.first = std::min(log.first, d.events.front().timeMs);
            log.last = std::max(log.last, d.events.back().timeMs);
        }
        log.start = reader.firstStart().value_or(log.first);
        log.end = d.empty() ? log.last : std::max(reader.lastEnd(), log.last);
        logs.push_back(std::move(log));
    }
    std::stable_sort(logs.begin(), logs.end(),
                     [](const Log& a, const Log& b) { return a.first < b.first; });
    std::vector<Trace> traces;
    std::vector<qint64> lastOf, endOf;  // per trace: its last row's time, the end of that row
    for (Log& log : logs) {
        // The trace that ended latest before this log begins.
        size_t best = traces.size();
        for (size_t i = 0; i < traces.size(); ++i)
            if (lastOf[i] < log.first && (best == traces.size() || lastOf[i] > lastOf[best]))
                best = i;
        if (best == traces.size()) {  // none: a trace of its own
            traces.emplace_back();
            lastOf.push_back(log.last);
            endOf.push_back(log.end);
        } else if (!log.data.empty() && !traces[best].data.empty() &&
                   log.start - endOf[best] <= kGapMs) {
            log.data.flags.front() &= quint8(~kGapBefore);  // the log goes straight on
        }
        Trace& t = traces[best];
        lastOf[best] = log.last;
        endOf[best] = log.end;
        t.paths << log.path;
        append(t.data, std::move(log.data));
        sortEvents(t.data);
    }
    return traces;
}

}  // namespace viewer
