// What the viewer's cursor reads, from real logs: a reading's value, an interval's min, max,
// mean and count, each meter's named where two are drawn, the time alone where no row is.
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include "viewer/plot.h"

using namespace viewer;

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);

QByteArray Time(int s) {
    return kStart.addSecs(s).toString(Qt::ISODate).toLatin1();
}

// Ten minutes of readings every second at `mA`, or of one-minute intervals.
QByteArray Log(const QString& kind, double mA) {
    QByteArray out;
    if (kind == "intervals") {
        out = "start,end,count,min_mA,max_mA,mean_mA,overloads,errors\r\n";
        for (int m = 0; m < 10; ++m)
            out += Time(m * 60) + ',' + Time(m * 60 + 60) + ",120," + QByteArray::number(mA - 10) +
                   ',' + QByteArray::number(mA + 30) + ',' + QByteArray::number(mA + m) +
                   ",0,0\r\n";
    } else {
        out = "time,elapsed_s,reading,value_mA,status,record\r\n";
        for (int s = 0; s <= 600; ++s) {
            const QByteArray v = QByteArray::number(mA);
            out += Time(s) + ',' + QByteArray::number(s) + ".000," +
                   (s == 300 ? QByteArray("0L,,0,") : v + ',' + v + ",0,") + "\r\n";
        }
    }
    return out;
}

}  // namespace

class TstCursor : public QObject {
    Q_OBJECT
  private slots:
    void reads_data();
    void reads();
};

void TstCursor::reads_data() {
    QTest::addColumn<QStringList>("logs");  // "kind:mA" each
    QTest::addColumn<int>("at");            // the cursor, seconds after the start
    QTest::addColumn<int>("nearest");       // the time said, seconds after the start
    QTest::addColumn<QString>("reads");     // what follows the time
    QTest::newRow("a reading") << QStringList{"readings:1.5"} << 120 << 120 << "1.5mA";
    QTest::newRow("an overload") << QStringList{"readings:1.5"} << 300 << 300 << "0L";
    QTest::newRow("an interval: min, max, mean, count")
        << QStringList{"intervals:100"} << 200 << 210
        << "最小 90mA  最大 130mA  平均 103mA  120 个读数";
    QTest::newRow("two meters, each named") << QStringList{"readings:1.5", "readings:2.25"} << 60
                                            << 60 << "m0.csv: 1.5mA  |  m1.csv: 2.25mA";
    QTest::newRow("no row there: the time alone")
        << QStringList{"intervals:100"} << 900 << 900 << "";
}

void TstCursor::reads() {
    QFETCH(QStringList, logs);
    QFETCH(int, at);
    QFETCH(int, nearest);
    QFETCH(QString, reads);
    QTemporaryDir dir;
    QStringList paths;
    for (const QString& log : logs) {
        const QString path = dir.filePath(QStringLiteral("m%1.csv").arg(paths.size()));
        const QByteArray bytes = Log(log.section(':', 0, 0), log.section(':', 1).toDouble());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        paths << path;
    }
    const std::unique_ptr<PlotData> data = PlotData::load(paths);
    const QString text = cursorText(*data, kStart.addSecs(at).toMSecsSinceEpoch(), 400);
    const QString time = kStart.addSecs(nearest).toLocalTime().toString("yyyy-MM-dd HH:mm:ss.zzz");
    QCOMPARE(text, reads.isEmpty() ? time : time + "  " + reads);
}

QTEST_GUILESS_MAIN(TstCursor)
#include "tst_cursor.moc"
