// Geometry of the live chart and the cursor strips, drag rules and typed-value rules.

#include <QtTest>
#include <cmath>
#include <limits>

#include "charts/chartgeometry.h"

using charts::ChartCursors;
using charts::Segment;

Q_DECLARE_METATYPE(Segment)

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
}  // namespace

class TstChartGeometry : public QObject {
    Q_OBJECT
  private slots:
    void tickLines_data();
    void tickLines();
    void cursorLines_data();
    void cursorLines();
    void traceSegment_data();
    void traceSegment();
    void traceSegmentCount_data();
    void traceSegmentCount();
    void mouseReadout_data();
    void mouseReadout();
    void stripMarkers_data();
    void stripMarkers();
    void stripOutOfRange_data();
    void stripOutOfRange();
    void xDragPress_data();
    void xDragPress();
    void xDragMove_data();
    void xDragMove();
    void yDragPress_data();
    void yDragPress();
    void yDragMove_data();
    void yDragMove();
    void dragRelease();
    void cursorEntry_data();
    void cursorEntry();
    void zeroEntry_data();
    void zeroEntry();
};

void TstChartGeometry::tickLines_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<Segment>("expected");
    // 99 minor and 9 major ticks per edge; each block starts and ends where listed.
    QTest::newRow("bottom minor first") << 0 << Segment{10, 0, 10, 12};
    QTest::newRow("bottom major first") << 99 << Segment{100, 0, 100, 20};
    QTest::newRow("top minor first") << 108 << Segment{10, 1000, 10, 988};
    QTest::newRow("top major first") << 207 << Segment{100, 1000, 100, 980};
    QTest::newRow("left minor first") << 216 << Segment{0, 10, 8, 10};
    QTest::newRow("left major last") << 323 << Segment{0, 900, 15, 900};
    QTest::newRow("right minor first") << 324 << Segment{1000, 10, 992, 10};
    QTest::newRow("right major first") << 423 << Segment{1000, 100, 985, 100};
    QTest::newRow("right major last") << 431 << Segment{1000, 900, 985, 900};
}

void TstChartGeometry::tickLines() {
    QFETCH(int, index);
    QFETCH(Segment, expected);
    QCOMPARE(charts::tickLines().size(), size_t(432));
    QCOMPARE(charts::tickLines().at(size_t(index)), expected);
}

void TstChartGeometry::cursorLines_data() {
    QTest::addColumn<float>("x1");
    QTest::addColumn<float>("x2");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("z");
    QTest::addColumn<QList<Segment>>("expected");
    QTest::newRow("initial, order y z x1 x2")
        << 0.f << 500.f << 500.f << 0.f
        << QList<Segment>{
               {0, 500, 1000, 500}, {0, 0, 1000, 0}, {0, 0, 0, 1000}, {500, 0, 500, 1000}};
    QTest::newRow("edges 0 and 1000 drawn") << 1000.f << 0.f << 1000.f << 1000.f
                                            << QList<Segment>{{0, 1000, 1000, 1000},
                                                              {0, 1000, 1000, 1000},
                                                              {1000, 0, 1000, 1000},
                                                              {0, 0, 0, 1000}};
    QTest::newRow("1000.5 and below 0 skipped")
        << 1000.5f << 300.f << -0.5f << 1000.5f << QList<Segment>{{300, 0, 300, 1000}};
    QTest::newRow("NaN skipped") << kNaN << kNaN << 20.f << kNaN
                                 << QList<Segment>{{0, 20, 1000, 20}};
}

void TstChartGeometry::cursorLines() {
    QFETCH(float, x1);
    QFETCH(float, x2);
    QFETCH(float, y);
    QFETCH(float, z);
    QFETCH(QList<Segment>, expected);
    const auto lines = charts::cursorLines(x1, x2, y, z);
    QCOMPARE(QList<Segment>(lines.begin(), lines.end()), expected);
}

void TstChartGeometry::traceSegment_data() {
    QTest::addColumn<float>("a");
    QTest::addColumn<float>("b");
    QTest::addColumn<float>("z");
    QTest::addColumn<float>("ya");
    QTest::addColumn<float>("yb");
    QTest::newRow("in range") << 100.f << 900.f << 0.f << 100.f << 900.f;
    QTest::newRow("exact 0 and 1000") << 0.f << 1000.f << 0.f << 0.f << 1000.f;
    QTest::newRow("one end above 1000") << 500.f << 1000.5f << 0.f << 1000.f << 1000.f;
    QTest::newRow("one end below 0") << 500.f << -0.5f << 0.f << 0.f << 0.f;
    QTest::newRow("below 0 wins over above") << -1.f << 1200.f << 0.f << 0.f << 0.f;
    QTest::newRow("z lifts -300 onto the frame") << -300.f << 100.f << 300.f << 0.f << 400.f;
    QTest::newRow("z pushes over the top") << 800.f << 100.f << 300.f << 1000.f << 1000.f;
    QTest::newRow("NaN lies on 0") << kNaN << 100.f << 0.f << 0.f << 0.f;
    QTest::newRow("+inf lies on 1000") << 100.f << kInf << 0.f << 1000.f << 1000.f;
    QTest::newRow("-inf lies on 0") << -kInf << 100.f << 0.f << 0.f << 0.f;
}

void TstChartGeometry::traceSegment() {
    QFETCH(float, a);
    QFETCH(float, b);
    QFETCH(float, z);
    QFETCH(float, ya);
    QFETCH(float, yb);
    // The pair sits at the second segment of a 1s window: x runs from 62.5 to 125.
    float values[501] = {};
    values[1] = a;
    values[2] = b;
    std::vector<Segment> out;
    charts::appendTraceSegments(values, 16, z, out);
    QCOMPARE(out.size(), size_t(16));
    QCOMPARE(out[1], (Segment{62.5f, ya, 125.f, yb}));
}

void TstChartGeometry::traceSegmentCount_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("count");
    QTest::newRow("1s") << 16 << 16;
    QTest::newRow("30s") << 500 << 500;
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("negative") << -3 << 0;
    QTest::newRow("past the series") << 501 << 0;
}

void TstChartGeometry::traceSegmentCount() {
    QFETCH(int, n);
    QFETCH(int, count);
    float values[501] = {};
    std::vector<Segment> out;
    charts::appendTraceSegments(values, n, 0, out);
    QCOMPARE(int(out.size()), count);
    if (count > 0) {
        QCOMPARE(out.front().x1, 0.f);
        QCOMPARE(out.back().x2, 1000.f);
    }
}

void TstChartGeometry::mouseReadout_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QString>("caption");  // empty: unchanged
    QTest::newRow("rounded after the range test") << 999.6 << 0.4 << "X: 1000 Y: 0";
    QTest::newRow("halves to even") << 2.5 << 3.5 << "X: 2 Y: 4";
    QTest::newRow("plain") << 123.0 << 456.0 << "X: 123 Y: 456";
    QTest::newRow("x = 1000") << 1000.0 << 500.0 << "";
    QTest::newRow("x = 0") << 0.0 << 500.0 << "";
    QTest::newRow("y = 1000") << 500.0 << 1000.0 << "";
    QTest::newRow("y = 0") << 500.0 << 0.0 << "";
    QTest::newRow("in the margin") << -5.0 << 500.0 << "";
    QTest::newRow("NaN") << std::nan("") << 500.0 << "";
}

void TstChartGeometry::mouseReadout() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QString, caption);
    const auto readout = charts::mouseReadout(x, y);
    QCOMPARE(readout.value_or(QString()), caption);
}

void TstChartGeometry::stripMarkers_data() {
    QTest::addColumn<bool>("xStrip");
    QTest::addColumn<float>("first");
    QTest::addColumn<float>("second");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label2");
    QTest::newRow("x initial") << true << 0.f << 500.f << "x1:0"
                               << "x2:500";
    QTest::newRow("x halves to even") << true << 12.5f << 13.5f << "x1:12"
                                      << "x2:14";
    QTest::newRow("x right edge") << true << 1000.f << 1000.f << "x1:1000"
                                  << "x2:1000";
    QTest::newRow("y initial") << false << 500.f << 0.f << "y:500"
                               << "Z:0";
    QTest::newRow("y halves to even") << false << 250.5f << 1000.f << "y:250"
                                      << "Z:1000";
}

void TstChartGeometry::stripMarkers() {
    QFETCH(bool, xStrip);
    QFETCH(float, first);
    QFETCH(float, second);
    QFETCH(QString, label1);
    QFETCH(QString, label2);
    const auto markers =
        xStrip ? charts::XStripMarkers(first, second) : charts::YStripMarkers(first, second);
    QVERIFY(markers);
    const float vs[2] = {first, second};
    const QString labels[2] = {label1, label2};
    for (int k = 0; k < 2; ++k) {
        const auto& m = (*markers)[size_t(k)];
        const float v = vs[k];
        QCOMPARE(m.label, labels[k]);
        if (xStrip) {
            // Apex on the top edge, 40 wide at the base 20 down, label just below the base.
            QCOMPARE(m.lines[2], (Segment{v + 20, 20, v - 20, 20}));
            QCOMPARE(m.lines[0].x1, v);
            QCOMPARE(m.lines[0].y1, 0.f);
            QCOMPARE(m.labelX, v - 25);
            QCOMPARE(m.labelY, 21.f);
        } else {
            // Apex on the left edge, label starting 10 above it.
            QCOMPARE(m.lines[2], (Segment{20, v + 20, 20, v - 20}));
            QCOMPARE(m.lines[0].x1, 0.f);
            QCOMPARE(m.lines[0].y1, v);
            QCOMPARE(m.labelX, 21.f);
            QCOMPARE(m.labelY, v + 10);
        }
    }
}

void TstChartGeometry::stripOutOfRange_data() {
    QTest::addColumn<float>("first");
    QTest::addColumn<float>("second");
    QTest::newRow("first above") << 1000.5f << 10.f;
    QTest::newRow("second above") << 10.f << 1001.f;
    QTest::newRow("first below") << -0.01f << 10.f;
    QTest::newRow("second below") << 10.f << -1.f;
    QTest::newRow("NaN") << kNaN << 10.f;
}

void TstChartGeometry::stripOutOfRange() {
    QFETCH(float, first);
    QFETCH(float, second);
    QVERIFY(!charts::XStripMarkers(first, second));
    QVERIFY(!charts::YStripMarkers(first, second));
}

void TstChartGeometry::xDragPress_data() {
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("x2");
    QTest::addColumn<int>("button");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("state");
    QTest::newRow("10 left of x1") << 100.0 << 500.0 << 1 << 90.0 << 1;
    QTest::newRow("10 right of x1") << 100.0 << 500.0 << 1 << 110.0 << 1;
    QTest::newRow("10.5 away") << 100.0 << 500.0 << 1 << 89.5 << 0;
    QTest::newRow("near x2") << 100.0 << 500.0 << 1 << 509.0 << 2;
    QTest::newRow("both near: x1") << 100.0 << 105.0 << 1 << 104.0 << 1;
    QTest::newRow("coincident: x1") << 300.0 << 300.0 << 1 << 300.0 << 1;
    QTest::newRow("10.5 from x1, near x2") << 100.0 << 115.0 << 1 << 110.5 << 2;
    QTest::newRow("right button ignored") << 100.0 << 500.0 << 2 << 100.0 << -1;
    QTest::newRow("middle button ignored") << 100.0 << 500.0 << 4 << 100.0 << -1;
}

void TstChartGeometry::xDragPress() {
    QFETCH(double, x1);
    QFETCH(double, x2);
    QFETCH(int, button);
    QFETCH(double, x);
    QFETCH(int, state);
    ChartCursors c;
    c.x1 = x1;
    c.x2 = x2;
    // Start from a drag of x2 so that an ignored press is visible as "unchanged" (-1).
    charts::XDragState drag;
    drag.press(1, 0, ChartCursors{1000, 0, 500, 0});
    QCOMPARE(drag.value(), 2);
    drag.press(button, x, c);
    QCOMPARE(drag.value(), state == -1 ? 2 : state);
}

void TstChartGeometry::xDragMove_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("x2");
    QTest::newRow("x1 inside") << 1 << 250.25 << 250.25 << 500.0;
    QTest::newRow("x1 past right") << 1 << 1009.0 << 1000.0 << 500.0;
    QTest::newRow("x2 past left") << 2 << -8.0 << 0.0 << 0.0;
    QTest::newRow("single precision") << 2 << 0.1 << 0.0 << double(0.1f);
}

void TstChartGeometry::xDragMove() {
    QFETCH(int, state);
    QFETCH(double, x);
    QFETCH(double, x1);
    QFETCH(double, x2);
    ChartCursors c;
    charts::XDragState drag;
    QVERIFY(!drag.move(x, c));
    drag.press(1, state == 1 ? c.x1 : c.x2, c);
    QCOMPARE(drag.value(), state);
    QVERIFY(drag.move(x, c));
    QCOMPARE(c.x1, x1);
    QCOMPARE(c.x2, x2);
    QCOMPARE(c.y, 500.0);
}

void TstChartGeometry::yDragPress_data() {
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("z");
    QTest::addColumn<double>("pos");
    QTest::addColumn<int>("state");
    QTest::newRow("on y") << 500.0 << 0 << 505.0 << 1;
    QTest::newRow("10 above z") << 500.0 << 100 << 110.0 << 2;
    QTest::newRow("10 below z") << 500.0 << 100 << 90.0 << 2;
    QTest::newRow("10.5 above z") << 500.0 << 100 << 110.5 << 0;
    QTest::newRow("y = z: y") << 300.0 << 300 << 300.0 << 1;
    QTest::newRow("nothing") << 500.0 << 0 << 700.0 << 0;
}

void TstChartGeometry::yDragPress() {
    QFETCH(double, y);
    QFETCH(int, z);
    QFETCH(double, pos);
    QFETCH(int, state);
    ChartCursors c;
    c.y = y;
    c.z = qint16(z);
    charts::YDragState drag;
    drag.press(1, pos, c);
    QCOMPARE(drag.value(), state);
    drag.press(2, y, c);  // other buttons change nothing
    QCOMPARE(drag.value(), state);
}

void TstChartGeometry::yDragMove_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<double>("pos");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("z");
    QTest::newRow("z half down to even") << 2 << 250.5 << 500.0 << 250;
    QTest::newRow("z half up to even") << 2 << 251.5 << 500.0 << 252;
    QTest::newRow("z above top") << 2 << 1009.0 << 500.0 << 1000;
    QTest::newRow("z below bottom") << 2 << -9.0 << 500.0 << 0;
    QTest::newRow("y above top") << 1 << 1005.0 << 1000.0 << 0;
    QTest::newRow("y below bottom") << 1 << -3.0 << 0.0 << 0;
    QTest::newRow("y inside") << 1 << 123.5 << 123.5 << 0;
}

void TstChartGeometry::yDragMove() {
    QFETCH(int, state);
    QFETCH(double, pos);
    QFETCH(double, y);
    QFETCH(int, z);
    ChartCursors c;
    charts::YDragState drag;
    drag.press(1, state == 1 ? c.y : c.z, c);
    QCOMPARE(drag.value(), state);
    QVERIFY(drag.move(pos, c));
    QCOMPARE(c.y, y);
    QCOMPARE(int(c.z), z);
}

void TstChartGeometry::dragRelease() {
    ChartCursors c;
    charts::XDragState x;
    x.press(1, c.x1, c);
    x.release(2);
    QCOMPARE(x.value(), 1);
    x.release(1);
    QCOMPARE(x.value(), 0);
    QVERIFY(!x.move(300, c));
    QCOMPARE(c.x1, 0.0);

    charts::YDragState y;
    y.press(1, c.y, c);
    y.release(4);
    QCOMPARE(y.value(), 1);
    y.release(1);
    QCOMPARE(y.value(), 0);
    QVERIFY(!y.move(300, c));
    QCOMPARE(c.y, 500.0);
}

void TstChartGeometry::cursorEntry_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");
    QTest::newRow("1000") << "1000" << true << 1000.0;
    QTest::newRow("1000.01") << "1000.01" << false << 0.0;
    QTest::newRow("abc") << "abc" << true << 0.0;
    QTest::newRow("12abc") << "12abc" << true << 12.0;
    QTest::newRow("-1") << "-1" << false << 0.0;
    QTest::newRow("empty") << "" << true << 0.0;
    QTest::newRow("blanks inside") << " 2 5 0" << true << 250.0;
    QTest::newRow("hex") << "&H3E8" << true << 1000.0;
    QTest::newRow("huge") << "1e999" << false << 0.0;
    QTest::newRow("minus huge") << "-1e999" << false << 0.0;
    QTest::newRow("fraction") << "0.25" << true << 0.25;
}

void TstChartGeometry::cursorEntry() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    const auto v = charts::parseCursorEntry(text);
    QCOMPARE(v.has_value(), accepted);
    if (accepted) QCOMPARE(*v, value);
}

void TstChartGeometry::zeroEntry_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("value");
    QTest::newRow("999.5 to even 1000") << "999.5" << true << 1000;
    QTest::newRow("0.5 to even 0") << "0.5" << true << 0;
    QTest::newRow("2.5") << "2.5" << true << 2;
    QTest::newRow("1000.4 refused before rounding") << "1000.4" << false << 0;
    QTest::newRow("-0.4 refused before rounding") << "-0.4" << false << 0;
    QTest::newRow("text") << "Z" << true << 0;
}

void TstChartGeometry::zeroEntry() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, value);
    const auto v = charts::parseZeroEntry(text);
    QCOMPARE(v.has_value(), accepted);
    if (accepted) QCOMPARE(int(*v), value);
}

QTEST_APPLESS_MAIN(TstChartGeometry)
#include "tst_chartgeometry.moc"
