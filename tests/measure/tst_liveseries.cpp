#include <QtTest>

#include "measure/chartscale.h"
#include "measure/liveseries.h"

using namespace measure;

namespace {

// A live reply for a DC mA reading of `ma` whole milliamperes (code 21, shown = recorded = raw).
QByteArray MaReply(int ma) {
    return QByteArray().append(char(ma / 100)).append(char(ma % 100)).append(char(21));
}

bool SameSeries(const LiveSeries& a, const LiveSeries& b) {
    return a.readings == b.readings && a.chartValues == b.chartValues &&
           a.writeIndex == b.writeIndex;
}

LiveSeries Patterned() {
    LiveSeries s;
    for (int i = 0; i < LiveSeries::kSlots; ++i) {
        s.readings[std::size_t(i)] = float(i) + 0.5f;
        s.chartValues[std::size_t(i)] = float(i) + 0.25f;
    }
    s.writeIndex = 3;
    return s;
}

}  // namespace

class TestLiveSeries : public QObject {
    Q_OBJECT
  private slots:
    void windowSampleCount_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("samples");
        QTest::addColumn<QString>("caption");
        QTest::newRow("1s") << 0 << 16 << "1s";
        QTest::newRow("5s") << 1 << 83 << "5s";
        QTest::newRow("10s") << 2 << 166 << "10s";
        QTest::newRow("15s") << 3 << 250 << "15s";
        QTest::newRow("30s") << 4 << 500 << "30s";
        QTest::newRow("below") << -1 << 0 << "";
        QTest::newRow("above") << 5 << 0 << "";
    }
    void windowSampleCount() {
        QFETCH(int, position);
        QFETCH(int, samples);
        QFETCH(QString, caption);
        QCOMPARE(WindowSampleCount(position), samples);
        QCOMPARE(windowCaption(position), caption);
    }

    // A reading equal to the caption reaches one major division (100, or 250 for the two
    // half-step scales).
    void chartScale_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<float>("ma");
        QTest::addColumn<float>("chart");
        QTest::newRow("100A") << 0 << "100A" << 100000.0f << 100.0f;
        QTest::newRow("100A, 50 A") << 0 << "100A" << 50000.0f << 50.0f;
        QTest::newRow("10A") << 1 << "10A" << 10000.0f << 100.0f;
        QTest::newRow("1A") << 2 << "1A" << 1000.0f << 100.0f;
        QTest::newRow("500mA") << 3 << "500mA" << 500.0f << 100.0f;
        QTest::newRow("100mA") << 4 << "100mA" << 100.0f << 100.0f;
        QTest::newRow("10mA") << 5 << "10mA" << 10.0f << 100.0f;
        QTest::newRow("1mA") << 6 << "1mA" << 1.0f << 100.0f;
        QTest::newRow("0.5mA") << 7 << "0.5mA" << 0.5f << 250.0f;
        QTest::newRow("0.1mA") << 8 << "0.1mA" << 0.1f << 100.0f;
        QTest::newRow("0.05mA") << 9 << "0.05mA" << 0.05f << 250.0f;
        QTest::newRow("clamped below") << -3 << "100A" << 1000.0f << 1.0f;
        QTest::newRow("clamped above") << 12 << "0.05mA" << 1.0f << 5000.0f;
    }
    void chartScale() {
        QFETCH(int, position);
        QFETCH(QString, caption);
        QFETCH(float, ma);
        QFETCH(float, chart);
        const ChartScale s = chartScaleFor(position);
        QCOMPARE(s.caption, caption);
        QCOMPARE(applyChartScale(s, ma), chart);
    }

    // Samples 1..N+1 fill readings 0..N and chart values 1..N+1 (slot 501 does not exist for
    // the 30 s window: that value is dropped); sample N+2 wraps into chart value 0 only;
    // sample N+3 starts over at readings 0 / chart value 1.
    void wrapsForEveryWindow_data() {
        QTest::addColumn<int>("slider2");
        for (int p = 0; p <= 4; ++p) QTest::addRow("position %d", p) << p;
    }
    void wrapsForEveryWindow() {
        QFETCH(int, slider2);
        const int n = WindowSampleCount(slider2);
        LiveSeries s;
        for (int k = 1; k <= n + 1; ++k) {
            const LiveDecodeResult r = DecodeLiveFrame(MaReply(k), 1, 4, slider2, s);
            QVERIFY(r.handled && r.redraw);
            QCOMPARE(int(s.writeIndex), k);
        }
        for (int i = 0; i <= n; ++i) QCOMPARE(s.readings[std::size_t(i)], float(i + 1));
        for (int i = 1; i <= std::min(n + 1, LiveSeries::kSlots - 1); ++i)
            QCOMPARE(s.chartValues[std::size_t(i)], float(i));
        QCOMPARE(s.chartValues[0], 0.0f);
        for (int i = n + 1; i < LiveSeries::kSlots; ++i) QCOMPARE(s.readings[std::size_t(i)], 0.0f);

        DecodeLiveFrame(MaReply(n + 2), 1, 4, slider2, s);
        QCOMPARE(int(s.writeIndex), 0);
        QCOMPARE(s.chartValues[0], float(n + 2));
        QCOMPARE(s.readings[0], 1.0f);
        QCOMPARE(s.readings[std::size_t(n)], float(n + 1));

        DecodeLiveFrame(MaReply(n + 3), 1, 4, slider2, s);
        QCOMPARE(int(s.writeIndex), 1);
        QCOMPARE(s.readings[0], float(n + 3));
        QCOMPARE(s.chartValues[1], float(n + 3));
    }

    // An index the current window does not cover (left by a larger window, or corrupt) wraps.
    void recordWithForeignIndex_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("window");
        QTest::newRow("left by 30 s window") << 300 << 16;
        QTest::newRow("negative") << -1 << 16;
        QTest::newRow("far out") << 32000 << 500;
        QTest::newRow("window beyond slots") << 501 << 9999;
    }
    void recordWithForeignIndex() {
        QFETCH(int, index);
        QFETCH(int, window);
        LiveSeries s = Patterned();
        s.writeIndex = qint16(index);
        const LiveSeries before = s;
        s.record(7.0f, 8.0f, window);
        QCOMPARE(int(s.writeIndex), 0);
        QVERIFY(s.readings == before.readings);
        QCOMPARE(s.chartValues[0], 8.0f);
    }

    void decodeLiveFrame_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("slider1");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<QString>("label7");
        QTest::addColumn<QString>("label8");  // empty: no caption change
        QTest::addColumn<float>("reading");   // recorded in readings[3]; NaN: nothing recorded
        QTest::addColumn<float>("chart");     // lands in chartValues[4]
        const float none = std::numeric_limits<float>::quiet_NaN();
        const QByteArray r125("\x01\x19\x01", 3);
        QTest::newRow("empty reply") << QByteArray() << 1 << 4 << false << ""
                                     << "" << none << none;
        QTest::newRow("one byte") << QByteArray("\x01", 1) << 1 << 4 << false << ""
                                  << "" << none << none;
        QTest::newRow("two bytes") << QByteArray("\x01\x19", 2) << 1 << 4 << false << ""
                                   << "" << none << none;
        QTest::newRow("count 0") << r125 << 0 << 4 << false << ""
                                 << "" << none << none;
        QTest::newRow("1.25mA") << r125 << 1 << 4 << true << "1.25mA"
                                << "100mA" << 1.25f << 1.25f;
        QTest::newRow("extra bytes ignored") << r125 + "\x63\x63\x0C" << 1 << 4 << true << "1.25mA"
                                             << "100mA" << 1.25f << 1.25f;
        QTest::newRow("overload records 0")
            << QByteArray("\x00\x00\x09", 3) << 1 << 6 << true << "0L"
            << "1mA" << 0.0f << 0.0f;
        QTest::newRow("error code 0") << QByteArray("\x00\x05\x00", 3) << 1 << 4 << true << "ERROR"
                                      << "" << none << none;
        QTest::newRow("error code 27") << QByteArray("\x00\x05\x1B", 3) << 1 << 4 << true << "ERROR"
                                       << "" << none << none;
        QTest::newRow("last of two counts")
            << r125 + QByteArray("\x00\x2A\x17", 3) << 2 << 4 << true << "-42mA"
            << "100mA" << 42.0f << 42.0f;
        QTest::newRow("error after reading")
            << r125 + QByteArray("\x00\x00\x00", 3) << 2 << 4 << true << "ERROR"
            << "" << none << none;
        QTest::newRow("count beyond reply")
            << r125 + QByteArray("\x00\x2A\x17\x00", 4) << 5 << 4 << true << "-42mA"
            << "100mA" << 42.0f << 42.0f;
        QTest::newRow("0.5mA at x500") << QByteArray("\x00\x32\x01", 3) << 1 << 7 << true << "0.5mA"
                                       << "0.5mA" << 0.5f << 250.0f;
        QTest::newRow("50 A at /1000") << QByteArray("\x05\x00\x07", 3) << 1 << 0 << true << "50A"
                                       << "100A" << 50000.0f << 50.0f;
        QTest::newRow("9999 A") << QByteArray("\x63\x63\x0C", 3) << 1 << 4 << true << "9999A"
                                << "100mA" << 9999000.0f << 9999000.0f;
    }
    void decodeLiveFrame() {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(int, slider1);
        QFETCH(bool, handled);
        QFETCH(QString, label7);
        QFETCH(QString, label8);
        QFETCH(float, reading);
        QFETCH(float, chart);
        LiveSeries s = Patterned();
        const LiveSeries before = s;
        const LiveDecodeResult r = DecodeLiveFrame(reply, count, slider1, 0, s);
        QCOMPARE(r.handled, handled);
        QCOMPARE(r.label7, label7);
        QCOMPARE(r.label8.value_or(QString()), label8);
        QCOMPARE(r.redraw, !std::isnan(reading));
        if (std::isnan(reading)) {
            QVERIFY(SameSeries(s, before));
            return;
        }
        QCOMPARE(int(s.writeIndex), 4);
        QCOMPARE(s.readings[3], reading);
        QCOMPARE(s.chartValues[4], chart);
        auto expected = before;
        expected.readings[3] = reading;
        expected.chartValues[4] = chart;
        expected.writeIndex = 4;
        QVERIFY(SameSeries(s, expected));
    }

    void rewind() {
        LiveSeries s = Patterned();
        const LiveSeries before = s;
        s.rewind();
        QCOMPARE(int(s.writeIndex), 0);
        QVERIFY(s.readings == before.readings);
        for (int i = 0; i < 500; ++i) QCOMPARE(s.chartValues[std::size_t(i)], 0.0f);
        QCOMPARE(s.chartValues[500], before.chartValues[500]);
    }
};

QTEST_GUILESS_MAIN(TestLiveSeries)
#include "tst_liveseries.moc"
