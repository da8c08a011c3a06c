// Where the picture's marks fall, without a painter: alarm spans paired from their events,
// the gaps among the rows, and both as runs of pixel columns.
#include <QtTest>

#include "alarmevents.h"

#include "viewer/plotgeometry.h"

using namespace viewer;

namespace {

// Spans written "150-190 300-400".
QString Text(const std::vector<TimeSpan>& spans) {
    QStringList out;
    for (const TimeSpan& s : spans) out << QStringLiteral("%1-%2").arg(s.from).arg(s.to);
    return out.join(' ');
}

QString Text(const std::vector<ColumnRun>& runs) {
    QStringList out;
    for (const ColumnRun& r : runs) out << QStringLiteral("%1-%2").arg(r.first).arg(r.last);
    return out.join(' ');
}

// Rows written "0 500 |5000 5500": times in ms, "|" where a row follows a gap.
LogData Rows(const QString& text) {
    LogData data;
    for (QString r : text.split(' ', Qt::SkipEmptyParts)) {
        const bool gap = r.startsWith('|');
        if (gap) r.remove(0, 1);
        data.timeMs.push_back(r.toLongLong());
        data.lo.push_back(1);
        data.hi.push_back(1);
        data.mean.push_back(1);
        data.flags.push_back(quint8(kValue | (gap ? kGapBefore : 0)));
    }
    return data;
}

}  // namespace

class TstPlotGeometry : public QObject {
    Q_OBJECT
  private slots:
    void alarmSpans_data();
    void alarmSpans();
    void gapSpans_data();
    void gapSpans();
    void spanColumns_data();
    void spanColumns();
};

void TstPlotGeometry::alarmSpans_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("spans");  // with the log from 0 to 10000
    QTest::newRow("none") << ""
                          << "";
    QTest::newRow("start to end") << "150S 190E 300S 400E"
                                  << "150-190 300-400";
    QTest::newRow("still on at the end") << "150S 190E 9000S"
                                         << "150-190 9000-10000";
    QTest::newRow("on at the start") << "190E 300S 400E"
                                     << "0-190 300-400";
    QTest::newRow("a start said twice") << "150S 170S 190E"
                                        << "150-190";
    QTest::newRow("an end said twice") << "150S 190E 200E"
                                       << "150-190";
}

void TstPlotGeometry::alarmSpans() {
    QFETCH(QString, events);
    QFETCH(QString, spans);
    QCOMPARE(Text(viewer::alarmSpans(Events(events), 0, 10000)), spans);
}

void TstPlotGeometry::gapSpans_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<qint64>("t0");
    QTest::addColumn<qint64>("t1");
    QTest::addColumn<QString>("gaps");
    const QString rows = "|0 500 1000 |91000 91500 |92000 92500 |200000";
    QTest::newRow("all") << rows << qint64(0) << qint64(300000) << "1000-91000 92500-200000";
    QTest::newRow("a restart at once is no gap")
        << "|0 500 |1500 2000" << qint64(0) << qint64(3000) << "";
    QTest::newRow("a gap reaching into the view from before")
        << rows << qint64(50000) << qint64(92000) << "1000-91000";
    QTest::newRow("a gap leaving the view")
        << rows << qint64(92000) << qint64(100000) << "92500-200000";
    QTest::newRow("within one gap") << rows << qint64(100000) << qint64(150000) << "92500-200000";
    QTest::newRow("no rows") << "" << qint64(0) << qint64(1000) << "";
}

void TstPlotGeometry::gapSpans() {
    QFETCH(QString, rows);
    QFETCH(qint64, t0);
    QFETCH(qint64, t1);
    QFETCH(QString, gaps);
    QCOMPARE(Text(viewer::gapSpans(Rows(rows), t0, t1)), gaps);
}

void TstPlotGeometry::spanColumns_data() {
    QTest::addColumn<QString>("spans");  // written as events "fromS toE"
    QTest::addColumn<qint64>("t0");
    QTest::addColumn<qint64>("t1");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("runs");
    QTest::newRow("wide spans") << "100S 300E 500S 700E" << qint64(0) << qint64(1000) << 10
                                << "1-3 5-7";
    QTest::newRow("narrower than a column: that column")
        << "101S 102E 950S 951E" << qint64(0) << qint64(1000) << 10 << "1-1 9-9";
    // 84 alarms of 2 s in 7 minutes on 10 columns: runs apart where alarms are, no column
    // more than once.
    QString barcode;
    for (int i = 0; i < 84; ++i)
        barcode += QStringLiteral("%1S %2E ").arg(i * 5000).arg(i * 5000 + 2000);
    QTest::newRow("sharing a column: one run")
        << "100S 120E 150S 160E 190S 250E" << qint64(0) << qint64(1000) << 10 << "1-2";
    QTest::newRow("many short alarms, few columns")
        << barcode << qint64(0) << qint64(420000) << 10 << "0-1 2-3 4-4 5-6 7-8 9-9";
    QTest::newRow("cut at the view's ends")
        << "0S 300E 800S 5000E" << qint64(200) << qint64(1200) << 10 << "0-1 6-9";
    QTest::newRow("outside the view")
        << "0S 100E 2000S 3000E" << qint64(200) << qint64(1200) << 10 << "";
}

void TstPlotGeometry::spanColumns() {
    QFETCH(QString, spans);
    QFETCH(qint64, t0);
    QFETCH(qint64, t1);
    QFETCH(int, count);
    QFETCH(QString, runs);
    const std::vector<TimeSpan> s = viewer::alarmSpans(Events(spans), t0, t1);
    QCOMPARE(Text(viewer::spanColumns(s, t0, t1, count)), runs);
}

QTEST_GUILESS_MAIN(TstPlotGeometry)
#include "tst_plotgeometry.moc"
