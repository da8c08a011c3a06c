// The alarm threshold as typed on the command line.
#include <QtTest>

#include "measure/alarmvalue.h"

class TstAlarmValue : public QObject {
    Q_OBJECT
  private slots:
    void parse_data();
    void parse();
};

void TstAlarmValue::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("mA");  // 0: refused
    QTest::newRow("mA") << "30mA" << 30.0;
    QTest::newRow("A") << "0.03A" << 30.0;
    QTest::newRow("blank before the unit, any case") << " 1.5 ma " << 1.5;
    QTest::newRow("bare number is mA") << "12" << 12.0;
    QTest::newRow("zero") << "0mA" << 0.0;
    QTest::newRow("negative") << "-5mA" << 0.0;
    QTest::newRow("comma") << "0,03A" << 0.0;
    QTest::newRow("exponent") << "1e3mA" << 0.0;
    QTest::newRow("infinite") << "infA" << 0.0;
    QTest::newRow("unit alone") << "mA" << 0.0;
    QTest::newRow("other unit") << "30mV" << 0.0;
    QTest::newRow("the window's largest") << "1000A" << 1000000.0;
    QTest::newRow("above the window's range") << "1000.5A" << 0.0;
}

void TstAlarmValue::parse() {
    QFETCH(QString, text);
    QFETCH(double, mA);
    const std::optional<float> v = measure::parseAlarmValue(text);
    if (mA == 0)
        QVERIFY(!v);
    else
        QCOMPARE(v.value_or(-1), float(mA));
}

QTEST_GUILESS_MAIN(TstAlarmValue)
#include "tst_alarmvalue.moc"
