#include <QtTest>

#include "measure/alarmentry.h"
#include "measure/formatvalue.h"
#include "measure/statistics.h"

using namespace measure;

Q_DECLARE_METATYPE(measure::AlarmEntryOutcome)

class TestStatistics : public QObject {
    Q_OBJECT
  private slots:
    // `head` fills readings from slot 0, `fill` the rest of the 501 slots.
    void statistics_data() {
        QTest::addColumn<QList<float>>("head");
        QTest::addColumn<float>("fill");
        QTest::addColumn<int>("window");
        QTest::addColumn<float>("threshold");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("average");
        QTest::addColumn<bool>("alarm");
        using L = QList<float>;
        QTest::newRow("no readings") << L{} << 0.0f << 16 << kInitialAlarmThresholdMa << "0"
                                     << "0"
                                     << "0" << false;
        QTest::newRow("2 4 6") << L{2, 4, 6} << 0.0f << 16 << 1000000.0f << "6"
                               << "0"
                               << "0.706" << false;
        QTest::newRow("all at 1000000")
            << L{} << 1000000.0f << 16 << kInitialAlarmThresholdMa << "1000000"
            << "1000000"
            << "1000000" << true;
        QTest::newRow("all above 1000000")
            << L{} << 9999000.0f << 83 << kInitialAlarmThresholdMa << "9999000"
            << "1000000"
            << "9999000" << true;
        QTest::newRow("reading at threshold") << L{0, 0, 5} << 0.0f << 16 << 5.0f << "5"
                                              << "0"
                                              << "0.294" << true;
        QTest::newRow("reading below threshold") << L{0, 0, 4.99f} << 0.0f << 16 << 5.0f << "4.99"
                                                 << "0"
                                                 << "0.294" << false;
        QTest::newRow("zero threshold") << L{} << 0.0f << 16 << 0.0f << "0"
                                        << "0"
                                        << "0" << true;
        QTest::newRow("slot N is inside") << L(16, 0.0f) + L{100} << 0.0f << 16 << 50.0f << "100"
                                          << "0"
                                          << "5.882" << true;
        QTest::newRow("slot N+1 is outside") << L(17, 1.0f) + L{100} << 0.0f << 16 << 50.0f << "1"
                                             << "1"
                                             << "1" << false;
        QTest::newRow("30 s uses slot 500")
            << L(500, 0.0f) + L{501} << 0.0f << 500 << 501.0f << "501"
            << "0"
            << "1" << true;
        QTest::newRow("window clamped to 501 slots")
            << L(500, 2.0f) + L{9} << 0.0f << 9999 << 1e6f << "9"
            << "2"
            << "2.014" << false;
        QTest::newRow("negative window is slot 0") << L{3, 7} << 0.0f << -4 << 1e6f << "3"
                                                   << "3"
                                                   << "3" << false;
        // A single-precision sum would lose the small readings next to the large one.
        QTest::newRow("sum in double") << L{16777216} << 1.0f << 16 << 1e7f << "16777220"
                                       << "1"
                                       << "986896" << true;
    }
    void statistics() {
        QFETCH(QList<float>, head);
        QFETCH(float, fill);
        QFETCH(int, window);
        QFETCH(float, threshold);
        QFETCH(QString, max);
        QFETCH(QString, min);
        QFETCH(QString, average);
        QFETCH(bool, alarm);
        LiveSeries s;
        s.readings.fill(fill);
        for (int i = 0; i < head.size(); ++i) s.readings[std::size_t(i)] = head[i];
        const Statistics st = computeStatistics(s, window, threshold);
        QCOMPARE(FormatValue(st.max), max);
        QCOMPARE(FormatValue(st.min), min);
        QCOMPARE(FormatValue(st.average), average);
        QCOMPARE(st.alarm, alarm);
    }

    // The average is the double sum divided in double and converted once to single.
    void averageExact() {
        LiveSeries s;
        s.readings.fill(0.1f);
        QVERIFY(computeStatistics(s, 500, 1e6f).average == 0.1f);
    }

    void alarmEntry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("unit");
        QTest::addColumn<AlarmEntryOutcome>("outcome");
        QTest::addColumn<float>("thresholdMa");
        const int mA = int(AlarmUnit::MilliAmpere), A = int(AlarmUnit::Ampere),
                  none = int(AlarmUnit::None);
        const auto ok = AlarmEntryOutcome::Accepted, out = AlarmEntryOutcome::OutOfRange;
        QTest::newRow("12abc") << "12abc" << mA << ok << 12.0f;
        QTest::newRow("abc") << "abc" << mA << ok << 0.0f;
        QTest::newRow("empty") << "" << mA << ok << 0.0f;
        QTest::newRow("blanks inside") << " 1 2" << mA << ok << 12.0f;
        QTest::newRow("hex") << "&H1F" << mA << ok << 31.0f;
        QTest::newRow("D exponent mA") << "1D3" << mA << ok << 1000.0f;
        QTest::newRow("D exponent A") << "1D3" << A << ok << 1000000.0f;
        QTest::newRow("sign alone") << "-" << mA << ok << 0.0f;
        QTest::newRow("point alone") << "." << mA << ok << 0.0f;
        QTest::newRow("negative zero") << "-0" << mA << ok << 0.0f;
        QTest::newRow("4.99") << "4.99" << mA << ok << 4.99f;
        QTest::newRow("mA upper limit") << "1000000" << mA << ok << 1000000.0f;
        QTest::newRow("mA above limit") << "1000000.5" << mA << out << 0.0f;
        QTest::newRow("mA negative") << "-1" << mA << out << 0.0f;
        QTest::newRow("mA tiny negative") << "-1e-300" << mA << out << 0.0f;
        QTest::newRow("mA huge") << "1e999" << mA << out << 0.0f;
        QTest::newRow("A upper limit") << "1000" << A << ok << 1000000.0f;
        QTest::newRow("A above limit") << "1000.001" << A << out << 0.0f;
        QTest::newRow("A negative") << "-1" << A << out << 0.0f;
        QTest::newRow("A fraction") << "0.5" << A << ok << 500.0f;
        QTest::newRow("A value allowed in mA") << "5000" << A << out << 0.0f;
        QTest::newRow("no unit") << "12" << none << AlarmEntryOutcome::Ignored << 0.0f;
        QTest::newRow("no unit, out of range")
            << "-1" << none << AlarmEntryOutcome::Ignored << 0.0f;
    }
    void alarmEntry() {
        QFETCH(QString, text);
        QFETCH(int, unit);
        QFETCH(AlarmEntryOutcome, outcome);
        QFETCH(float, thresholdMa);
        const AlarmEntry e = parseAlarmEntry(text, AlarmUnit(unit));
        QCOMPARE(e.outcome, outcome);
        if (outcome == AlarmEntryOutcome::Accepted) {
            QCOMPARE(e.thresholdMa, thresholdMa);
            QVERIFY(!std::signbit(e.thresholdMa));
        }
    }

    void outOfRangeText() { QCOMPARE(alarmOutOfRangeText(), QStringLiteral("输入值超出范围")); }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
