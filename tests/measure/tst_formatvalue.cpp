#include <QLocale>
#include <QtTest>
#include <clocale>
#include <limits>

#include "measure/formatvalue.h"

using namespace measure;

class TestFormatValue : public QObject {
    Q_OBJECT
  private slots:
    void format_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("12.5") << 12.5f << "12.5";
        QTest::newRow("0.25") << 0.25f << "0.25";
        QTest::newRow("7") << 7.0f << "7";
        QTest::newRow("0.001") << 0.001f << "0.001";
        QTest::newRow("9999") << 9999.0f << "9999";
        QTest::newRow("12.3456") << 12.3456f << "12.346";
        QTest::newRow("0") << 0.0f << "0";
        // Single-precision forms that print badly if taken at face value.
        QTest::newRow("0.1") << 0.1f << "0.1";
        QTest::newRow("1.1") << 1.1f << "1.1";
        QTest::newRow("1.23") << 1.23f << "1.23";
        QTest::newRow("99.99") << 99.99f << "99.99";
        QTest::newRow("65.535") << 65.535f << "65.535";
        QTest::newRow("1234.5") << 1234.5f << "1234.5";
        QTest::newRow("7 significant digits") << 12345.678f << "12345.68";
        QTest::newRow("0.0005 lies above the half") << 0.0005f << "0.001";
        QTest::newRow("below half a thousandth") << 0.0004f << "0";
        QTest::newRow("rounds up to integer") << 0.9999f << "1";
        // Exact binary ties at the third decimal go to even.
        QTest::newRow("tie 0.0625") << 0.0625f << "0.062";
        QTest::newRow("tie 0.1875") << 0.1875f << "0.188";
        QTest::newRow("tie 2.0625") << 2.0625f << "2.062";
        // Large values stay in plain notation.
        QTest::newRow("9999000") << 9999000.0f << "9999000";
        QTest::newRow("1000000") << 1000000.0f << "1000000";
        QTest::newRow("8 digits rounded") << 123456789.0f << "123456800";
        QTest::newRow("8th digit tie to even") << 16777215.0f << "16777220";
        QTest::newRow("1e10") << 1e10f << "10000000000";
        QTest::newRow("float max")
            << std::numeric_limits<float>::max() << "340282300000000000000000000000000000000";
        QTest::newRow("average 12/17") << float(12.0 / 17.0) << "0.706";
        // Negative input never comes from a reading; it still reads well.
        QTest::newRow("-1.5") << -1.5f << "-1.5";
        QTest::newRow("-0.5") << -0.5f << "-0.5";
        QTest::newRow("negative rounding to zero") << -0.0001f << "0";
        QTest::newRow("negative zero") << -0.0f << "0";
        QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << "NaN";
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << "Infinity";
    }
    void format() {
        QFETCH(float, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatValue(value), expected);
    }

    void ignoresLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");  // may not be installed; harmless then
        const QString a = FormatValue(1234.5f), b = FormatValue(1234567.0f);
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
        QCOMPARE(a, QStringLiteral("1234.5"));
        QCOMPARE(b, QStringLiteral("1234567"));
    }
};

QTEST_GUILESS_MAIN(TestFormatValue)
#include "tst_formatvalue.moc"
