// The live chart and the cursor strips as drawn on real surfaces, driven through ChartViews by
// mouse events and typed values.

#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

#include "../underwine.h"
#include "charts/chartviews.h"
#include "charts/livechart.h"

using charts::ChartViews;
using charts::DrawingSurface;

namespace {

const QRgb kGrey = qRgb(150, 150, 150);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kWhite = qRgb(255, 255, 255);

QRgb at(const DrawingSurface& s, double x, double y) {
    const QPoint p = s.pixelAt(x, y);
    return s.image().pixel(p);
}

int CountColour(const QImage& image, QRgb colour, QRect area = QRect()) {
    if (area.isNull()) area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += image.pixel(x, y) == colour;
    return n;
}

// Pixels of the chart column at x between heights 100 and 900, in the given colour.
int ColumnCount(const DrawingSurface& s, double x, QRgb colour) {
    const QPoint top = s.pixelAt(x, 900), bottom = s.pixelAt(x, 100);
    return CountColour(s.image(), colour,
                       QRect(QPoint(top.x(), top.y()), QPoint(top.x(), bottom.y())));
}

int RowCount(const DrawingSurface& s, double y, QRgb colour) {
    const QPoint left = s.pixelAt(100, y), right = s.pixelAt(900, y);
    return CountColour(s.image(), colour, QRect(left, QPoint(right.x(), left.y())));
}

struct Views {
    DrawingSurface picture1, picture3, picture4;
    std::vector<float> values = std::vector<float>(501, 300.0f);
    int window = 16;
    QStringList readouts;
    std::unique_ptr<ChartViews> views;

    explicit Views(bool show = false) {
        picture1.resize(533, 400);
        picture3.resize(53, 400);
        picture4.resize(533, 53);
        views = std::make_unique<ChartViews>(&picture1, &picture3, &picture4);
        views->setChartValues(values.data());
        views->setWindowSampleCountSource([this] { return window; });
        views->connectMouse([this](const QString& text) { readouts << text; });
        views->resetAll();
        if (show) {
            for (QWidget* w : {static_cast<QWidget*>(&picture1), static_cast<QWidget*>(&picture3),
                               static_cast<QWidget*>(&picture4)})
                w->show();
        }
    }
    bool exposed() {
        return QTest::qWaitForWindowExposed(&picture1) && QTest::qWaitForWindowExposed(&picture3) &&
               QTest::qWaitForWindowExposed(&picture4);
    }
};

// Bounding box of the pixels of `colour` in `area`; null when there are none.
QRect Extent(const QImage& image, QRgb colour, QRect area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == colour) box |= QRect(x, y, 1, 1);
    return box;
}

// Size of the pixels `text` covers when printed in the open, on a surface large enough.
QSize PrintedSize(const QString& text, const QFont& font) {
    DrawingSurface s;
    s.setFont(font);
    s.resize(400, 100);
    s.cls();
    s.setCurrentX(50);
    s.setCurrentY(30);
    s.print(text);
    return Extent(s.image(), qRgb(0, 0, 0), s.image().rect()).size();
}

// Pixel of a strip where the user value lies (mouse events take pixels).
QPoint StripPixelX(const DrawingSurface& s, double x) {
    return s.pixelAt(x, 68);
}
QPoint StripPixelY(const DrawingSurface& s, double y) {
    return s.pixelAt(68, y);
}

}  // namespace

class TstChartViews : public QObject {
    Q_OBJECT
  private slots:
    void emptyChart_data();
    void emptyChart();
    void trace_data();
    void trace();
    void noTrace_data();
    void noTrace();
    void windowReadAtEachDraw();
    void cursorLinesDrawnOnlyInRange_data();
    void cursorLinesDrawnOnlyInRange();
    void stripMarkers();
    void stripUnchangedWhenOutOfRange_data();
    void stripUnchangedWhenOutOfRange();
    void captionsWholeAtStripEnds_data();
    void captionsWholeAtStripEnds();
    void dragX_data();
    void dragX();
    void dragZShiftsTrace();
    void otherButtonsDoNotDrag();
    void typedValue_data();
    void typedValue();
    void resetAfterChanges();
    void readoutFromMouse();
};

void TstChartViews::emptyChart_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<uint>("colour");
    QTest::newRow("inside") << 250.0 << 750.0 << uint(kGrey);
    QTest::newRow("margin") << -5.0 << 750.0 << uint(kGrey);
    QTest::newRow("frame bottom") << 333.0 << 0.0 << uint(kBlue);
    QTest::newRow("frame top") << 333.0 << 1000.0 << uint(kBlue);
    QTest::newRow("frame left") << 0.0 << 333.0 << uint(kBlue);
    QTest::newRow("frame right") << 1000.0 << 333.0 << uint(kBlue);
    QTest::newRow("bottom minor tick") << 110.0 << 10.0 << uint(kBlue);
    QTest::newRow("above bottom minor tick") << 110.0 << 17.0 << uint(kGrey);
    QTest::newRow("bottom major tick") << 100.0 << 17.0 << uint(kBlue);
    QTest::newRow("top major tick") << 900.0 << 983.0 << uint(kBlue);
    QTest::newRow("left minor tick") << 5.0 << 770.0 << uint(kBlue);
    QTest::newRow("left major tick") << 12.0 << 700.0 << uint(kBlue);
    QTest::newRow("beside left minor tick") << 12.0 << 770.0 << uint(kGrey);
    QTest::newRow("right minor tick") << 995.0 << 130.0 << uint(kBlue);
    QTest::newRow("right major tick") << 988.0 << 200.0 << uint(kBlue);
}

void TstChartViews::emptyChart() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(uint, colour);
    Views v;
    QCOMPARE(at(v.picture1, x, y), QRgb(colour));
    QCOMPARE(CountColour(v.picture1.image(), kGreen), 0);
    QCOMPARE(v.picture1.image().size(), QSize(533, 400));
}

void TstChartViews::trace_data() {
    QTest::addColumn<float>("sample");  // S[4]; the others are 300; window 1s puts S[4] at x 250
    QTest::addColumn<int>("z");
    QTest::addColumn<double>("greenY");  // where the trace is at x = 250
    QTest::addColumn<double>("greyY");   // where an unsplit line from 300 would have passed
    QTest::newRow("in range") << 700.f << 0 << 700.0 << 150.0;
    QTest::newRow("exactly 1000") << 1000.f << 0 << 1000.0 << 150.0;
    QTest::newRow("above 1000: on the top line") << 1000.5f << 0 << 1000.0 << 650.0;
    QTest::newRow("below 0: on the bottom line") << -5.f << 0 << 0.0 << 150.0;
    QTest::newRow("z lifts -300 to the bottom line") << -300.f << 300 << 0.0 << 900.0;
    QTest::newRow("z pushes over the top") << 800.f << 300 << 1000.0 << 800.0;
    QTest::newRow("not a number: bottom line")
        << std::numeric_limits<float>::quiet_NaN() << 0 << 0.0 << 150.0;
}

void TstChartViews::trace() {
    QFETCH(float, sample);
    QFETCH(int, z);
    QFETCH(double, greenY);
    QFETCH(double, greyY);
    Views v;
    v.values[4] = sample;
    v.views->setTraceVisible(true);
    QVERIFY(v.views->enterZ(QString::number(z)));
    QCOMPARE(at(v.picture1, 250, greenY), kGreen);
    QCOMPARE(at(v.picture1, 220, greyY), kGrey);
    // The rest of the trace lies at 300 + z (unless that is over the top).
    if (300 + z <= 1000) QCOMPARE(at(v.picture1, 100, 300 + z), kGreen);
    // The dotted zero line is at z (blue where a dot falls).
    if (z > 0) QVERIFY(RowCount(v.picture1, z, kBlue) > 100);
}

void TstChartViews::noTrace_data() {
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("window");
    QTest::newRow("trace hidden") << false << 500;
    QTest::newRow("window outside the table") << true << 0;
    QTest::newRow("window larger than the series") << true << 501;
}

void TstChartViews::noTrace() {
    QFETCH(bool, visible);
    QFETCH(int, window);
    Views v;
    v.window = window;
    v.views->setTraceVisible(visible);
    v.views->DrawLiveChart();
    QCOMPARE(CountColour(v.picture1.image(), kGreen), 0);
    QCOMPARE(at(v.picture1, 0, 500), kBlue);  // frame still drawn
}

void TstChartViews::windowReadAtEachDraw() {
    Views v;
    v.views->setTraceVisible(true);
    for (int i = 0; i <= 500; ++i) v.values[size_t(i)] = i % 2 ? 800.f : 200.f;
    v.window = 16;
    v.views->DrawLiveChart();
    // 1s window: S[0] .. S[16] across the full width, the last point on the right frame.
    QCOMPARE(at(v.picture1, 0, 200), kGreen);
    QCOMPARE(at(v.picture1, 62.5, 800), kGreen);
    QCOMPARE(at(v.picture1, 1000, 200), kGreen);
    const int sparse = CountColour(v.picture1.image(), kGreen);
    v.window = 500;
    v.views->DrawLiveChart();
    QCOMPARE(at(v.picture1, 2, 800), kGreen);
    QVERIFY(CountColour(v.picture1.image(), kGreen) > 4 * sparse);
}

void TstChartViews::cursorLinesDrawnOnlyInRange_data() {
    QTest::addColumn<double>("x1");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("1000.5 is not drawn") << 1000.5 << false;
    QTest::newRow("-0.5 is not drawn") << -0.5 << false;
    QTest::newRow("250 is drawn dotted") << 250.0 << true;
}

void TstChartViews::cursorLinesDrawnOnlyInRange() {
    QFETCH(double, x1);
    QFETCH(bool, drawn);
    Views v;
    // Typed values refuse these, so draw directly.
    charts::DrawLiveChart(v.picture1, float(x1), 500, 500, 0, false, nullptr, 0);
    const int blue = ColumnCount(v.picture1, x1, kBlue);
    const int grey = ColumnCount(v.picture1, x1, kGrey);
    if (!drawn) {
        QCOMPARE(blue, 0);
    } else {
        // Dots and gaps in equal measure (the y cursor line crosses once).
        QVERIFY(blue > 100);
        QVERIFY(std::abs(blue - grey) <= 8);
    }
}

void TstChartViews::stripMarkers() {
    Views v;
    const DrawingSurface& x = v.picture4;
    const DrawingSurface& y = v.picture3;
    QCOMPARE(at(x, 500, 0), kBlue);   // apex on the top edge
    QCOMPARE(at(x, 500, 20), kBlue);  // base
    QCOMPARE(at(x, 515, 20), kBlue);
    QCOMPARE(at(x, 500, 10), kWhite);  // inside the triangle
    QCOMPARE(at(x, 250, 10), kWhite);
    QVERIFY(CountColour(x.image(), qRgb(0, 0, 0)) > 0);  // labels
    QCOMPARE(at(y, 0, 500), kBlue);
    QCOMPARE(at(y, 20, 515), kBlue);
    QCOMPARE(at(y, 10, 500), kWhite);
    QCOMPARE(at(y, 0, 0), kBlue);  // z marker at 0
}

void TstChartViews::stripUnchangedWhenOutOfRange_data() {
    QTest::addColumn<bool>("xStrip");
    QTest::addColumn<float>("first");
    QTest::addColumn<float>("second");
    QTest::newRow("x1 above") << true << 1000.5f << 100.f;
    QTest::newRow("x2 below") << true << 100.f << -1.f;
    QTest::newRow("y above") << false << 1001.f << 100.f;
    QTest::newRow("z below") << false << 100.f << -0.5f;
}

void TstChartViews::stripUnchangedWhenOutOfRange() {
    QFETCH(bool, xStrip);
    QFETCH(float, first);
    QFETCH(float, second);
    Views v;
    DrawingSurface& s = xStrip ? v.picture4 : v.picture3;
    const QImage before = s.image().copy();
    if (xStrip)
        charts::drawXCursorStrip(s, first, second);
    else
        charts::drawYCursorStrip(s, first, second);
    QCOMPARE(s.image(), before);
    // While an in-range pair does redraw it.
    if (xStrip)
        charts::drawXCursorStrip(s, 100, 100);
    else
        charts::drawYCursorStrip(s, 100, 100);
    QVERIFY(s.image() != before);
}

void TstChartViews::captionsWholeAtStripEnds_data() {
    QTest::addColumn<bool>("xStrip");
    QTest::addColumn<QString>("first");   // x1 or y, typed
    QTest::addColumn<QString>("second");  // x2 or Z, typed
    QTest::newRow("x1 left, x2 right") << true << "0"
                                       << "1000";
    QTest::newRow("x2 left, x1 right") << true << "1000"
                                       << "0";
    QTest::newRow("y top, Z bottom") << false << "1000"
                                     << "0";
    QTest::newRow("y bottom, Z top") << false << "0"
                                     << "1000";
}

void TstChartViews::captionsWholeAtStripEnds() {
    QFETCH(bool, xStrip);
    QFETCH(QString, first);
    QFETCH(QString, second);
    Views v;
    // The strips at their size in the window (inside their borders), with the window's font.
    QFont font({"SimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
    font.setPointSizeF(9);
    DrawingSurface& s = xStrip ? v.picture4 : v.picture3;
    s.resize(xStrip ? QSize(529, 49) : QSize(49, 396));
    s.setFont(font);
    v.views->InitXCursorStrip();
    v.views->InitYCursorStrip();
    if (xStrip) {
        QVERIFY(v.views->enterX1(first));
        QVERIFY(v.views->enterX2(second));
    } else {
        QVERIFY(v.views->enterY(first));
        QVERIFY(v.views->enterZ(second));
    }

    // Each caption, in the half of the strip at its end, is as whole as printed in the open.
    const QImage& image = s.image();
    const QRect low = xStrip ? QRect(0, 0, image.width() / 2, image.height())
                             : QRect(0, 0, image.width(), image.height() / 2);
    const QRect high =
        xStrip ? QRect(image.width() / 2, 0, image.width() - image.width() / 2, image.height())
               : QRect(0, image.height() / 2, image.width(), image.height() - image.height() / 2);
    const QString names[2] = {xStrip ? "x1:" : "y:", xStrip ? "x2:" : "Z:"};
    const QString values[2] = {first, second};
    for (int k = 0; k < 2; ++k) {
        const QString caption = names[k] + values[k];
        // x 0 and y 1000 lie in the first half (left, top), the others in the second.
        const bool inLow = values[k] == (xStrip ? "0" : "1000");
        const QRect drawn = Extent(image, qRgb(0, 0, 0), inLow ? low : high);
        QCOMPARE(drawn.size(), PrintedSize(caption, font));
        QVERIFY(image.rect().contains(drawn));
    }
    // The markers stay at their values: the cursors are unchanged.
    const charts::ChartCursors& c = v.views->cursors();
    if (xStrip) {
        QCOMPARE(c.x1, first.toDouble());
        QCOMPARE(c.x2, second.toDouble());
        QCOMPARE(at(s, 0, 0), kBlue);
        QCOMPARE(at(s, 1000, 0), kBlue);
    } else {
        QCOMPARE(c.y, first.toDouble());
        QCOMPARE(int(c.z), second.toInt());
        QCOMPARE(at(s, 0, 0), kBlue);
        QCOMPARE(at(s, 0, 1000), kBlue);
    }
}

void TstChartViews::dragX_data() {
    QTest::addColumn<double>("pressAt");  // user x of the press
    QTest::addColumn<int>("targetPixel");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("which");
    QTest::newRow("x1 to the middle") << 0.0 << 130 << 1 << "x1";
    QTest::newRow("x2 past the right edge") << 500.0 << 532 << 2 << "x2";
    QTest::newRow("x2 past the left edge") << 500.0 << 0 << 2 << "x2";
    QTest::newRow("press away from both") << 250.0 << 300 << 0 << "";
}

void TstChartViews::dragX() {
    QFETCH(double, pressAt);
    QFETCH(int, targetPixel);
    QFETCH(int, state);
    QFETCH(QString, which);
    Views v(true);
    QVERIFY(v.exposed());
    const QPoint press = StripPixelX(v.picture4, pressAt);
    QTest::mousePress(&v.picture4, Qt::LeftButton, {}, press);
    QCOMPARE(v.views->xDragState(), state);
    const QPoint target(targetPixel, press.y());
    QTest::mouseMove(&v.picture4, target);
    QTest::mouseRelease(&v.picture4, Qt::LeftButton, {}, target);
    QCOMPARE(v.views->xDragState(), 0);

    const double expected =
        double(float(std::clamp(v.picture4.toUser(QPointF(target)).x(), 0.0, 1000.0)));
    const charts::ChartCursors& c = v.views->cursors();
    QCOMPARE(c.x1, which == "x1" ? expected : 0.0);
    QCOMPARE(c.x2, which == "x2" ? expected : 500.0);
    if (which.isEmpty()) return;
    // Both surfaces follow: the marker's apex and the dotted line are at the new place.
    QCOMPARE(at(v.picture4, expected, 0), kBlue);
    if (expected > 0 && expected < 1000) QVERIFY(ColumnCount(v.picture1, expected, kBlue) > 100);
    if (expected == 1000) QVERIFY(CountColour(v.picture4.image(), qRgb(0, 0, 0)) > 0);
}

void TstChartViews::dragZShiftsTrace() {
    Views v(true);
    QVERIFY(v.exposed());
    v.views->setTraceVisible(true);
    v.views->DrawLiveChart();
    QCOMPARE(at(v.picture1, 500, 300), kGreen);
    const QPoint press = StripPixelY(v.picture3, 0);
    QTest::mousePress(&v.picture3, Qt::LeftButton, {}, press);
    QCOMPARE(v.views->yDragState(), 2);
    const QPoint target(press.x(), v.picture3.pixelAt(68, 250).y());
    QTest::mouseMove(&v.picture3, target);
    const int z = int(std::nearbyint(v.picture3.toUser(QPointF(target)).y()));  // halves to even
    QCOMPARE(int(v.views->cursors().z), z);
    QVERIFY(z > 240 && z < 260);
    QCOMPARE(v.views->cursors().y, 500.0);
    // The trace moved up by z and the dotted zero line sits at z.
    QCOMPARE(at(v.picture1, 500, 300 + z), kGreen);
    QCOMPARE(at(v.picture1, 500, 300), kGrey);
    QVERIFY(RowCount(v.picture1, z, kBlue) > 100);
    QCOMPARE(at(v.picture3, 0, z), kBlue);
    QTest::mouseRelease(&v.picture3, Qt::LeftButton, {}, target);
    QCOMPARE(v.views->yDragState(), 0);
}

void TstChartViews::otherButtonsDoNotDrag() {
    Views v(true);
    QVERIFY(v.exposed());
    const QImage before = v.picture1.image().copy();
    QTest::mousePress(&v.picture4, Qt::RightButton, {}, StripPixelX(v.picture4, 0));
    QTest::mouseMove(&v.picture4, QPoint(200, 20));
    QTest::mousePress(&v.picture3, Qt::MiddleButton, {}, StripPixelY(v.picture3, 500));
    QTest::mouseMove(&v.picture3, QPoint(20, 100));
    QCOMPARE(v.views->xDragState(), 0);
    QCOMPARE(v.views->yDragState(), 0);
    QCOMPARE(v.views->cursors().x1, 0.0);
    QCOMPARE(v.views->cursors().y, 500.0);
    QCOMPARE(v.picture1.image(), before);
    QTest::mouseRelease(&v.picture4, Qt::RightButton, {}, QPoint(200, 20));
    QTest::mouseRelease(&v.picture3, Qt::MiddleButton, {}, QPoint(20, 100));
}

void TstChartViews::typedValue_data() {
    // The conversion and range rules themselves are tabled in tst_chartgeometry.
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");
    QTest::newRow("x1 1000") << "x1"
                             << "1000" << true << 1000.0;
    QTest::newRow("x1 1000.01") << "x1"
                                << "1000.01" << false << 40.0;
    QTest::newRow("x2 12abc") << "x2"
                              << "12abc" << true << 12.0;
    QTest::newRow("x2 -1") << "x2"
                           << "-1" << false << 500.0;
    QTest::newRow("y 0.25") << "y"
                            << "0.25" << true << 0.25;
    QTest::newRow("y 1e999") << "y"
                             << "1e999" << false << 500.0;
    QTest::newRow("z 250.5") << "z"
                             << "250.5" << true << 250.0;
    QTest::newRow("z -0.4") << "z"
                            << "-0.4" << false << 0.0;
}

void TstChartViews::typedValue() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    Views v;
    // Move off the defaults first so that a refusal visibly keeps the old value.
    if (box == "x1") QVERIFY(v.views->enterX1("40"));
    const QImage chart = v.picture1.image().copy();
    const QImage xs = v.picture4.image().copy();
    const QImage ys = v.picture3.image().copy();
    bool ok = false;
    double got = 0;
    const charts::ChartCursors& c = v.views->cursors();
    if (box == "x1") ok = v.views->enterX1(text), got = c.x1;
    if (box == "x2") ok = v.views->enterX2(text), got = c.x2;
    if (box == "y") ok = v.views->enterY(text), got = c.y;
    if (box == "z") ok = v.views->enterZ(text), got = c.z;
    QCOMPARE(ok, accepted);
    QCOMPARE(got, value);
    if (!accepted) {
        QCOMPARE(v.picture1.image(), chart);
        QCOMPARE(v.picture3.image(), ys);
        QCOMPARE(v.picture4.image(), xs);
        return;
    }
    // The strip of the box shows the new value.
    if (box.startsWith('x'))
        QCOMPARE(at(v.picture4, value, 0), kBlue);
    else
        QCOMPARE(at(v.picture3, 0, value), kBlue);
}

void TstChartViews::resetAfterChanges() {
    Views v;
    QVERIFY(v.views->enterX1("700"));
    QVERIFY(v.views->enterX2("800"));
    QVERIFY(v.views->enterY("900"));
    QVERIFY(v.views->enterZ("100"));
    v.views->Picture3_MouseDown(1, 900);  // a drag in progress survives the reset
    v.views->setTraceVisible(false);
    v.views->resetAll();
    const charts::ChartCursors& c = v.views->cursors();
    QCOMPARE(c.x1, 0.0);
    QCOMPARE(c.x2, 500.0);
    QCOMPARE(c.y, 500.0);
    QCOMPARE(int(c.z), 0);
    QCOMPARE(v.views->yDragState(), 1);
    // Only the y line crosses where x1 was.
    QVERIFY(ColumnCount(v.picture1, 700, kBlue) <= 1);
    QVERIFY(ColumnCount(v.picture1, 500, kBlue) > 100);
    QCOMPARE(at(v.picture4, 700, 0), kWhite);
    QCOMPARE(at(v.picture4, 500, 0), kBlue);
    QCOMPARE(at(v.picture3, 0, 900), kWhite);
}

void TstChartViews::readoutFromMouse() {
    // QTest moves the system cursor; Wine on a bare X display makes no mouse event of it.
    if (underWine()) QSKIP("Wine turns no cursor move into a mouse event here");
    Views v(true);
    QVERIFY(v.exposed());
    const QPoint inside = v.picture1.pixelAt(250.2, 749.7);
    QSignalSpy moves(&v.picture1, &DrawingSurface::mouseMove);
    QTest::mouseMove(&v.picture1, inside);
    QVERIFY(moves.count() >= 1);
    QVERIFY(!v.readouts.isEmpty());
    const QPointF u = v.picture1.toUser(QPointF(inside));
    QCOMPARE(v.readouts.last(), *charts::mouseReadout(u.x(), u.y()));
    const qsizetype seen = v.readouts.size();
    QTest::mouseMove(&v.picture1, QPoint(1, 200));  // left margin
    QCOMPARE(v.readouts.size(), seen);
}

QTEST_MAIN(TstChartViews)
#include "tst_chartviews.moc"
