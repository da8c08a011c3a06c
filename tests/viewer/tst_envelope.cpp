// The envelope per pixel column against a brute-force pass over every row, on random rows
// (readings, overloads, errors, gaps; some intervals) at many zooms; alarm events merged into
// one mark per column, however many there are.
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <limits>
#include "alarmevents.h"

#include "viewer/envelope.h"

using namespace viewer;

class TstEnvelope : public QObject {
    Q_OBJECT
  private slots:
    void columnsMatchBruteForce_data();
    void columnsMatchBruteForce();
    void eventMarks_data();
    void eventMarks();
    void eventMarksBoundedByWidth();
};

namespace {

// Marks written "1SE 2E": the column, S when an alarm started in it, E when one ended.
QString Text(const std::vector<EventMark>& marks) {
    QStringList out;
    for (const EventMark& m : marks)
        out << QString::number(m.column) + (m.start ? "S" : "") + (m.end ? "E" : "");
    return out.join(' ');
}

}  // namespace

void TstEnvelope::columnsMatchBruteForce_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<double>("from");  // shown range as shares of the rows' time span
    QTest::addColumn<double>("to");
    QTest::newRow("few rows, many columns") << 1u << 10 << 500 << 0.0 << 1.0;
    QTest::newRow("one block") << 2u << 16 << 3 << 0.0 << 1.0;
    QTest::newRow("all, zoomed out") << 3u << 100000 << 997 << 0.0 << 1.0;
    QTest::newRow("a slice") << 4u << 100000 << 640 << 0.31 << 0.37;
    QTest::newRow("zoomed in") << 5u << 100000 << 800 << 0.5 << 0.5004;
    QTest::newRow("beyond both ends") << 6u << 5000 << 333 << -0.2 << 1.3;
    QTest::newRow("one column") << 7u << 70001 << 1 << 0.1 << 0.9;
}

void TstEnvelope::columnsMatchBruteForce() {
    QFETCH(quint32, seed);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(double, from);
    QFETCH(double, to);
    QRandomGenerator random(seed);
    LogData data;
    qint64 t = 1'800'000'000'000;
    for (int i = 0; i < rows; ++i) {
        t += random.bounded(1, 1500);
        const int kind = random.bounded(100);
        quint8 flags = kind < 2 ? kOverload : kind < 3 ? kError : kValue;
        if (random.bounded(200) == 0) flags |= kGapBefore;
        const float mean = float(random.bounded(20000) - 10000) / 7.0f;
        const float spread = kind % 5 == 0 ? float(random.bounded(300)) : 0;  // an interval
        const bool value = flags & kValue;
        data.timeMs.push_back(t);
        data.lo.push_back(value ? mean - spread : std::numeric_limits<float>::infinity());
        data.hi.push_back(value ? mean + spread : -std::numeric_limits<float>::infinity());
        data.mean.push_back(value ? mean : 0);
        data.flags.push_back(flags);
    }
    const qint64 first = data.timeMs.front(), span = data.timeMs.back() - first + 1;
    const qint64 t0 = first + qint64(from * span), t1 = first + qint64(to * span);

    const std::vector<Column> got = Envelope(data).columns(t0, t1, columns);
    QCOMPARE(int(got.size()), columns);
    std::vector<Column> want(
        size_t(columns),
        Column{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
               std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 0,
               false});
    std::vector<bool> seen(size_t(columns), false);
    for (int i = 0; i < rows; ++i) {
        if (data.timeMs[i] < t0 || data.timeMs[i] >= t1) continue;
        Column& c = want[size_t((data.timeMs[i] - t0) * columns / (t1 - t0))];
        if (!seen[&c - want.data()]) c.gapBefore = data.flags[i] & kGapBefore;
        seen[&c - want.data()] = true;
        c.flags |= data.flags[i];
        if (!(data.flags[i] & kValue)) continue;
        c.lo = std::min(c.lo, data.lo[i]);
        c.hi = std::max(c.hi, data.hi[i]);
        c.meanLo = std::min(c.meanLo, data.mean[i]);
        c.meanHi = std::max(c.meanHi, data.mean[i]);
    }
    for (int c = 0; c < columns; ++c) {
        const Column &g = got[size_t(c)], &w = want[size_t(c)];
        const QString at = QStringLiteral("column %1").arg(c);
        QVERIFY2(g.flags == w.flags && g.gapBefore == w.gapBefore, qPrintable(at));
        QVERIFY2(g.lo == w.lo && g.hi == w.hi, qPrintable(at));
        QVERIFY2(g.meanLo == w.meanLo && g.meanHi == w.meanHi, qPrintable(at));
    }
}

void TstEnvelope::eventMarks_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("columns");  // of the range [0, 1000)
    QTest::addColumn<QString>("marks");
    QTest::newRow("one start") << "150S" << 10 << "1S";
    QTest::newRow("starts and ends in one column: one mark")
        << "110S 120E 130S 190E" << 10 << "1SE";
    QTest::newRow("neighbouring columns stay apart") << "199S 200E" << 10 << "1S 2E";
    QTest::newRow("outside the range left out") << "-1S 999E 1000S" << 10 << "9E";
    QTest::newRow("columns of uneven width, split as the rows are")
        << "333S 334E 666S 667E" << 3 << "0S 1SE 2E";
}

void TstEnvelope::eventMarks() {
    QFETCH(QString, events);
    QFETCH(int, columns);
    QFETCH(QString, marks);
    QCOMPARE(Text(viewer::eventMarks(Events(events), 0, 1000, columns)), marks);
}

// A day of 100,000 alarms (a threshold near the noise): a crowd of starts and ends in every
// column of the picture, and still one mark per column.
void TstEnvelope::eventMarksBoundedByWidth() {
    constexpr qint64 kDay = 86'400'000;
    constexpr int kEvents = 200'000, kColumns = 1514;
    std::vector<AlarmEvent> events;
    for (int i = 0; i < kEvents; ++i) events.push_back({qint64(i) * kDay / kEvents, i % 2 == 0});
    const std::vector<EventMark> marks = viewer::eventMarks(events, 0, kDay, kColumns);
    QCOMPARE(int(marks.size()), kColumns);
    QVERIFY(std::all_of(marks.begin(), marks.end(),
                        [](const EventMark& m) { return m.start && m.end; }));
}

QTEST_GUILESS_MAIN(TstEnvelope)
#include "tst_envelope.moc"
