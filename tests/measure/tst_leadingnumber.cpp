#include <QtTest>
#include <cmath>
#include <limits>

#include "measure/leadingnumber.h"

using namespace measure;

class TestLeadingNumber : public QObject {
    Q_OBJECT
  private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("trailing letters") << "12abc" << 12.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks inside") << " 1 2" << 12.0;
        QTest::newRow("tab and line feed") << "\t-\n2.5" << -2.5;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower case") << "&hff" << 255.0;
        QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O78" << 7.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("unknown ampersand form") << "&X12" << 0.0;
        QTest::newRow("D exponent") << "1D3" << 1000.0;
        QTest::newRow("negative D exponent") << "25d-1" << 2.5;
        QTest::newRow("E exponent with sign") << "1E+2" << 100.0;
        QTest::newRow("exponent without digits") << "1e" << 1.0;
        QTest::newRow("exponent sign only") << "1e-" << 1.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("point exponent") << ".e5" << 0.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "5." << 5.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("fraction and exponent") << "-3.5e-1" << -0.35;
        QTest::newRow("comma is no point") << "1,5" << 1.0;
        QTest::newRow("second point ends") << "1.5.5" << 1.5;
        QTest::newRow("full-width digits") << QStringLiteral("１２") << 0.0;
        QTest::newRow("long digits") << "123456789012345678901234567890" << 1.2345678901234568e29;
        QTest::newRow("long fraction") << "0." + QString(400, u'0') + "1" << 0.0;
        QTest::newRow("long fraction, positive exponent")
            << "0." + QString(400, u'0') + "1e+5" << 0.0;
        QTest::newRow("long fraction, huge exponent") << "0." + QString(10, u'0') + "1e400" << inf;
        QTest::newRow("long integer, tiny exponent") << "1" + QString(400, u'0') + "e-999" << 0.0;
        QTest::newRow("400 nines") << QString(400, u'9') << inf;
        QTest::newRow("huge exponent") << "1e999" << inf;
        QTest::newRow("negative huge") << "-1e999" << -inf;
        QTest::newRow("tiny exponent") << "1e-999" << 0.0;
        QTest::newRow("exponent digits beyond cap") << "1e0000000000002" << 100.0;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(parseLeadingNumber(text), expected);
    }

    void round_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("-3.5") << -3.5 << -4;
        QTest::newRow("250.5") << 250.5 << 250;
        QTest::newRow("251.5") << 251.5 << 252;
        QTest::newRow("just below half") << 0.49999999999999994 << 0;
        QTest::newRow("just above half") << 2.5000000000000004 << 3;
        QTest::newRow("top of range") << 32767.4 << 32767;
        QTest::newRow("half above top") << 32767.5 << 32767;
        QTest::newRow("far above") << 1e9 << 32767;
        QTest::newRow("bottom of range") << -32768.5 << -32768;
        QTest::newRow("far below") << -1e9 << -32768;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 32767;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void round() {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(int(roundHalfEven16(value)), expected);
    }
};

QTEST_GUILESS_MAIN(TestLeadingNumber)
#include "tst_leadingnumber.moc"
