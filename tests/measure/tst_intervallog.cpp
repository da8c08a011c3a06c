#include <QTimeZone>
#include <QtTest>

#include "measure/intervallog.h"
#include "readingtokens.h"

using namespace measure;

class TestIntervalLog : public QObject {
    Q_OBJECT
  private slots:
    void rows_data();
    void rows();
};

void TestIntervalLog::rows_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("readings");  // "ms:reading", ms after 17:31:07.000+08:00;
                                            // "ms:B": a run or a log begins
    QTest::addColumn<int>("endMs");         // the tick after the last reading, then the run ends
    QTest::addColumn<QByteArray>("rows");   // without the date, the offset and CR LF
    QTest::newRow("count, extremes, mean, overloads, errors; cut short at the end")
        << 60 << "0:12 500:-42 1000:L 1500:E 2000:30" << 3000
        << QByteArray("17:31:00.000,17:31:11.000,5,-42,30,0.000,1,1");
    QTest::newRow("a peak is never averaged away")
        << 10 << "0:1 500:1 1000:9999" << 3000
        << QByteArray("17:31:00.000,17:31:10.000,3,1,9999,3333.667,0,0");
    QTest::newRow("a reading in the next interval closes a row; no row without readings")
        << 10 << "0:5 20000:7" << 21000
        << QByteArray(
               "17:31:00.000,17:31:10.000,1,5,5,5.000,0,0|"
               "17:31:20.000,17:31:29.000,1,7,7,7.000,0,0");
    QTest::newRow("no value in the interval: the value columns are empty")
        << 10 << "0:L 500:E" << 4000 << QByteArray("17:31:00.000,17:31:10.000,2,,,,1,1");
    QTest::newRow("the first interval starts with the run, the next on the minute")
        << 60 << "0:B 500:5 53500:7" << 54000
        << QByteArray(
               "17:31:07.000,17:32:00.000,1,5,5,5.000,0,0|"
               "17:32:00.000,17:32:02.000,1,7,7,7.000,0,0");
    QTest::newRow("a log begun again: no reading from before it")
        << 60 << "0:99 1000:B 2000:5" << 3000
        << QByteArray("17:31:08.000,17:31:11.000,1,5,5,5.000,0,0");
}

void TestIntervalLog::rows() {
    QFETCH(int, seconds);
    QFETCH(QString, readings);
    QFETCH(int, endMs);
    QFETCH(QByteArray, rows);
    const QDateTime t0(QDate(2026, 12, 8), QTime(17, 31, 7), QTimeZone(8 * 3600));
    IntervalAggregator agg(seconds);
    QByteArray written = intervalLogHeader();
    const auto add = [&](const std::optional<IntervalRow>& row) {
        if (row) written += intervalCsvRow(*row);
    };
    for (const QString& r : readings.split(' ')) {
        const QDateTime t = t0.addMSecs(r.section(':', 0, 0).toInt());
        if (r.section(':', 1) == "B")
            agg.begin(t);
        else
            add(agg.add(TokenReading(r.section(':', 1), t)));
    }
    add(agg.closeIfOver(t0.addMSecs(endMs)));
    add(agg.finish(t0.addMSecs(endMs + 1000)));

    QByteArray expected = "start,end,count,min_mA,max_mA,mean_mA,overloads,errors\r\n";
    for (const QByteArray& row : rows.split('|')) {
        const QList<QByteArray> f = row.split(',');
        expected += "2026-12-08T" + f[0] + "+08:00,2026-12-08T" + f[1] + "+08:00," +
                    f.mid(2).join(',') + "\r\n";
    }
    QCOMPARE(written, expected);
}

QTEST_GUILESS_MAIN(TestIntervalLog)
#include "tst_intervallog.moc"
