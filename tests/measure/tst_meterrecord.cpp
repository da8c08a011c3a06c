#include <QtTest>

#include "measure/meterrecord.h"

using namespace measure;

Q_DECLARE_METATYPE(measure::RecordKind)

class TestMeterRecord : public QObject {
    Q_OBJECT
  private slots:
    // Every status code with raw 1234 (bytes 12, 34): live text, report text, recorded mA.
    void decode_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("live");
        QTest::addColumn<QString>("report");
        QTest::addColumn<float>("recorded");
        struct Row {
            int code;
            const char *live, *report;
            float recorded;
        };
        const Row rows[] = {
            {1, "12.34mA", "AC 12.34 mA", 12.34f},
            {2, "12.34mA", "AC 12.34 mA", 12.34f},
            {3, "123.4mA", "AC 123.4 mA", 123.4f},
            {4, "123.4mA", "AC 123.4 mA", 123.4f},
            {5, "12.34A", "AC 12.34 A", 12340.0f},
            {6, "12.34A", "AC 12.34 A", 12340.0f},
            {7, "123.4A", "AC 123.4 A", 123400.0f},
            {8, "123.4A", "AC 123.4 A", 123400.0f},
            {9, "0L", "0L", 0.0f},
            {10, "1.234mA", "AC 1.234mA", 1.234f},
            {11, "1.234A", "AC 1.234A", 1234.0f},
            {12, "1234A", "AC 1234 A", 1234000.0f},
            {13, "123.4A", "DC 123.4 A", 123400.0f},
            {14, "123.4A", "DC 123.4 A", 123400.0f},
            {15, "123.4A", "DC 123.4 A", 123400.0f},
            {16, "1234A", "DC 1234 A", 1234000.0f},
            {17, "-123.4A", "DC -123.4 A", 123400.0f},
            {18, "-123.4A", "DC -123.4 A", 123400.0f},
            {19, "-123.4A", "DC -123.4 A", 123400.0f},
            {20, "-1234A", "DC -1234 A", 1234000.0f},
            {21, "1234mA", "DC 1234 mA", 1234.0f},
            {22, "12.34A", "DC 12.34 A", 12340.0f},
            {23, "-1234mA", "DC -1234 mA", 1234.0f},
            {24, "-12.34A", "DC -12.34 A", 12340.0f},
            {25, "123.4mA", "DC 123.4 mA", 123.4f},
            {26, "-123.4mA", "DC -123.4 mA", 123.4f},
        };
        for (const Row& r : rows)
            QTest::addRow("code %d", r.code)
                << 12 << 34 << r.code << r.live << r.report << r.recorded;
        for (int code = 0; code < 256; code = code == 0 ? 27 : code + 1)
            QTest::addRow("error code %d", code) << 12 << 34 << code << "ERROR"
                                                 << "ERROR" << 0.0f;

        // Sign of zero readings: only code 17 drops the "-".
        QTest::newRow("17 zero") << 0 << 0 << 17 << "0A"
                                 << "DC 0 A" << 0.0f;
        QTest::newRow("18 zero") << 0 << 0 << 18 << "-0A"
                                 << "DC -0 A" << 0.0f;
        QTest::newRow("20 zero") << 0 << 0 << 20 << "-0A"
                                 << "DC -0 A" << 0.0f;
        QTest::newRow("23 zero") << 0 << 0 << 23 << "-0mA"
                                 << "DC -0 mA" << 0.0f;
        QTest::newRow("24 zero") << 0 << 0 << 24 << "-0A"
                                 << "DC -0 A" << 0.0f;
        QTest::newRow("26 zero") << 0 << 0 << 26 << "-0mA"
                                 << "DC -0 mA" << 0.0f;
        QTest::newRow("23 raw 42") << 0 << 42 << 23 << "-42mA"
                                   << "DC -42 mA" << 42.0f;
        // Digit pairs are binary and taken modulo 100.
        QTest::newRow("1.25mA") << 0x01 << 0x19 << 1 << "1.25mA"
                                << "AC 1.25 mA" << 1.25f;
        QTest::newRow("1.23mA") << 0x01 << 0x17 << 1 << "1.23mA"
                                << "AC 1.23 mA" << 1.23f;
        QTest::newRow("12.5mA") << 12 << 50 << 1 << "12.5mA"
                                << "AC 12.5 mA" << 12.5f;
        QTest::newRow("12mA") << 12 << 0 << 1 << "12mA"
                              << "AC 12 mA" << 12.0f;
        QTest::newRow("0.005mA") << 0 << 5 << 10 << "0.005mA"
                                 << "AC 0.005mA" << 0.005f;
        QTest::newRow("0.007A") << 0 << 7 << 11 << "0.007A"
                                << "AC 0.007A" << 7.0f;
        QTest::newRow("low 200 is 0") << 0x01 << 0xC8 << 3 << "10mA"
                                      << "AC 10 mA" << 10.0f;
        QTest::newRow("low 123 is 23") << 0 << 0x7B << 3 << "2.3mA"
                                       << "AC 2.3 mA" << 2.3f;
        QTest::newRow("both 255") << 0xFF << 0xFF << 21 << "5555mA"
                                  << "DC 5555 mA" << 5555.0f;
        QTest::newRow("largest count") << 0x63 << 0x63 << 12 << "9999A"
                                       << "AC 9999 A" << 9999000.0f;
        QTest::newRow("overload ignores digits") << 99 << 99 << 9 << "0L"
                                                 << "0L" << 0.0f;
    }
    void decode() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(int, code);
        QFETCH(QString, live);
        QFETCH(QString, report);
        QFETCH(float, recorded);
        const DecodedRecord d = decodeRecord({quint8(high), quint8(low), quint8(code)});
        QCOMPARE(liveText(d), live);
        QCOMPARE(reportReadingText(d), report);
        QCOMPARE(d.recordedMa, recorded);
        QCOMPARE(d.raw, float((high % 100) * 100 + low % 100));
        const RecordKind kind = live == "ERROR" ? RecordKind::Error
                                : live == "0L"  ? RecordKind::Overload
                                                : RecordKind::Reading;
        QCOMPARE(d.kind, kind);
    }
};

QTEST_GUILESS_MAIN(TestMeterRecord)
#include "tst_meterrecord.moc"
