// Logs read back as the viewer holds them: files of this version and of earlier ones, several
// runs in one file, interval logs, lines that are no rows, and the alarm events beside a log.
#include <QTemporaryDir>
#include <QtTest>

#include "measure/alarmtracker.h"
#include "viewer/logdata.h"

using namespace viewer;

namespace {

// The rows in a line: "|" before a row after a gap, the value (an interval's "lo..hi~mean"),
// "O" for an overload, "E" for an error.
QString Summary(const LogData& d) {
    QStringList rows;
    for (qsizetype i = 0; i < d.size(); ++i) {
        QString r = (d.flags[i] & kGapBefore) ? QStringLiteral("|") : QString();
        if (d.flags[i] & kValue)
            r += d.lo[i] == d.hi[i]
                     ? QString::number(d.mean[i])
                     : QStringLiteral("%1..%2~%3").arg(d.lo[i]).arg(d.hi[i]).arg(d.mean[i]);
        if (d.flags[i] & kOverload) r += 'O';
        if (d.flags[i] & kError) r += 'E';
        rows << r;
    }
    for (const AlarmEvent& e : d.events) rows << (e.start ? "start" : "end");
    return rows.join(' ');
}

const char kHeader[] = "time,elapsed_s,reading,value_mA,status,record\r\n";
const char kIntervals[] = "start,end,count,min_mA,max_mA,mean_mA,overloads,errors\r\n";

// A reading row at second `s` of 2026-12-08 09:00 (+08:00).
QByteArray Row(double s, const char* fields) {
    const int ms = int(s * 1000);
    return QStringLiteral("2026-12-08T09:%1:%2.%3+08:00,%4,")
               .arg(ms / 60000, 2, 10, QChar('0'))
               .arg(ms / 1000 % 60, 2, 10, QChar('0'))
               .arg(ms % 1000, 3, 10, QChar('0'))
               .arg(s, 0, 'f', 3)
               .toLatin1() +
           fields + "\r\n";
}

}  // namespace

class TstLogData : public QObject {
    Q_OBJECT
  private slots:
    void load_data();
    void load();
    void traces_data();
    void traces();
};

void TstLogData::load_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("events");  // the events file beside it; empty: none
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("skipped");
    const QByteArray h = kHeader;
    QTest::newRow("this version") << h + Row(1, "-42mA,-42,23,002A17") +
                                         Row(1.5, "-171.9A,-171900,18,111312") +
                                         Row(2, "0L,,9,000009") + Row(2.5, "ERROR,,27,01021B")
                                  << QByteArray() << "|-42 -171900 O E" << 0;
    QTest::newRow("earlier version: unsigned, 0 for 0L, the record decides")
        << h + Row(1, "-42mA,42,23,002A17") + Row(1.5, "0L,0,9,000009") << QByteArray() << "|-42 O"
        << 0;
    QTest::newRow("no record: the value column")
        << h + Row(1, "12.5mA,12.5,1,") + Row(1.5, "0L,,9,") + Row(2, "ERROR,,0,zz") << QByteArray()
        << "|12.5 O E" << 0;
    QTest::newRow("runs appended, header repeated")
        << h + Row(1, "1mA,1,21,000115") + h + Row(1.5, "2mA,2,21,000215") << QByteArray()
        << "|1 |2" << 0;
    QTest::newRow("runs appended, elapsed starts again")
        << h + Row(1, "1mA,1,21,000115") + Row(1.5, "2mA,2,21,000215").replace(",1.500,", ",0.000,")
        << QByteArray() << "|1 |2" << 0;
    QTest::newRow("meter away for more than 3 s; marks are no gaps")
        << h + Row(1, "1mA,1,21,000115") + Row(3.9, "0L,,9,000009") + Row(6.8, "2mA,2,21,000215") +
               Row(9.9, "3mA,3,21,000315")
        << QByteArray() << "|1 O 2 |3" << 0;
    QTest::newRow("lines that are no rows, a last line cut short")
        << "junk\r\n" + h + "x,y\r\n" + Row(1, "1mA,1,21,000115") + "2026-12-08T09:00:0"
        << QByteArray() << "|1" << 3;
    QTest::newRow("interval log")
        << QByteArray(kIntervals) +
               "2026-12-08T09:00:00.000+08:00,2026-12-08T09:01:00.000+08:00,120,-1.5,5,2,0,0\r\n"
               "2026-12-08T09:01:00.000+08:00,2026-12-08T09:02:00.000+08:00,0,,,,120,0\r\n"
               "2026-12-08T09:02:00.000+08:00,2026-12-08T09:03:00.000+08:00,0,,,,0,0\r\n"
               "2026-12-08T09:05:00.000+08:00,2026-12-08T09:06:00.000+08:00,1,7,7,7,0,2\r\n"
        << QByteArray() << "|-1.5..5~2 O |7E" << 0;
    QTest::newRow("values not finite or beyond 1000 A: bad rows")
        << h + Row(1, "12.5mA,12.5,1,") + Row(1.5, "x,1e39,21,") + Row(2, "x,-1e39,21,") +
               Row(2.5, "x,1000000.5,21,") + Row(3, "x,inf,21,") + Row(3.2, "x,nan,21,") +
               Row(3.5, "2000A,2000000,12,14000C") + Row(3.9, "-1000A,-1000000,20,")
        << QByteArray() << "|12.5 -1e+06" << 6;
    QTest::newRow("interval values not finite, beyond 1000 A or damaged: bad rows")
        << QByteArray(kIntervals) +
               "2026-12-08T09:00:00.000+08:00,2026-12-08T09:01:00.000+08:00,120,1,1e39,2,0,0\r\n"
               "2026-12-08T09:01:00.000+08:00,2026-12-08T09:02:00.000+08:00,120,-1e39,5,2,0,0\r\n"
               "2026-12-08T09:02:00.000+08:00,2026-12-08T09:03:00.000+08:00,120,1,5,1e39,0,0\r\n"
               "2026-12-08T09:03:00.000+08:00,2026-12-08T09:04:00.000+08:00,120,1,5,x,0,0\r\n"
               "2026-12-08T09:04:00.000+08:00,2026-12-08T09:05:00.000+08:00,9,-1e6,1e6,0,0,0\r\n"
        << QByteArray() << "|-1e+06..1e+06~0" << 4;
    QTest::newRow("alarm events beside the log")
        << h + Row(1, "31mA,31,21,001F15")
        << QByteArray(
               "time,event,value_mA,peak_mA,duration_s\r\n"
               "2026-12-08T09:00:01.000+08:00,start,31,31,\r\n"
               "2026-12-08T09:00:09.000+08:00,end,2,40,8.000\r\n")
        << "|31 start end" << 0;
}

void TstLogData::load() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, events);
    QFETCH(QString, rows);
    QFETCH(int, skipped);
    QTemporaryDir dir;
    const QString path = dir.filePath("day.csv");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
    f.close();
    if (!events.isEmpty()) {
        QFile e(measure::alarmEventsPath(path));
        QVERIFY(e.open(QIODevice::WriteOnly) && e.write(events) == events.size());
    }
    LoadReport report;
    const LogData data = loadLogs({path}, &report);
    QCOMPARE(Summary(data), rows);
    QCOMPARE(report.skipped, skipped);
    QVERIFY(report.problems.isEmpty());
    // 09:00:01 at +08:00 is 01:00:01 UTC.
    if (!data.empty() && file.startsWith("time"))
        QCOMPARE(data.timeMs.front() % 86'400'000, 3'601'000);
}

void TstLogData::traces_data() {
    QTest::addColumn<QStringList>("files");  // "a:0-10": a.csv, readings from second 0 to 10
    QTest::addColumn<QString>("traces");  // each trace's logs, then ":" and its gaps (rows marked)
    QTest::newRow("a week of daily files: one line")
        << QStringList{"a:0-10", "b:10.5-20", "c:20.5-30"} << "a b c:1";
    QTest::newRow("given in any order")
        << QStringList{"c:20.5-30", "a:0-10", "b:10.5-20"} << "a b c:1";
    QTest::newRow("the meter away between two files")
        << QStringList{"a:0-10", "b:100-110"} << "a b:2";
    QTest::newRow("two meters at the same time: two lines")
        << QStringList{"a:0-20", "b:5-25"} << "a:1 | b:1";
    QTest::newRow("two meters, two days each")
        << QStringList{"a:0-10", "b:0-10", "c:10.5-20", "d:10.5-20"} << "a c:1 | b d:1";
    QTest::newRow("a log without rows is left out") << QStringList{"a:", "b:0-10"} << "b:1";
}

void TstLogData::traces() {
    QFETCH(QStringList, files);
    QFETCH(QString, traces);
    QTemporaryDir dir;
    QStringList paths;
    for (const QString& f : files) {
        const QString name = f.section(':', 0, 0), span = f.section(':', 1);
        QByteArray out = kHeader;
        if (!span.isEmpty())
            for (double s = span.section('-', 0, 0).toDouble();
                 s <= span.section('-', 1).toDouble(); s += 0.5)
                out += Row(s, "1.5,1.5,0,");
        QFile file(dir.filePath(name + ".csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(out) == out.size());
        paths << file.fileName();
    }
    QStringList got;
    for (const Trace& t : loadTraces(paths)) {
        QStringList names;
        for (const QString& p : t.paths) names << QFileInfo(p).baseName();
        const auto gaps = std::count_if(t.data.flags.begin(), t.data.flags.end(),
                                        [](quint8 f) { return f & kGapBefore; });
        got << names.join(' ') + ':' + QString::number(gaps);
    }
    QCOMPARE(got.join(" | "), traces);
}

QTEST_GUILESS_MAIN(TstLogData)
#include "tst_logdata.moc"
