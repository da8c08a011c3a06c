// The picture-box surface: coordinate mapping, lines, text, clearing, resizing and mouse events.

#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>

#include "../underwine.h"
#include "charts/drawingsurface.h"

using charts::DrawingSurface;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
    return n;
}

}  // namespace

class TstDrawingSurface : public QObject {
    Q_OBJECT
  private slots:
    void mapping_data();
    void mapping();
    void mouseRoundTrip_data();
    void mouseRoundTrip();
    void solidLine_data();
    void solidLine();
    void dottedLine_data();
    void dottedLine();
    void dottedGapsKeepWhatIsBelow();
    void hostileCoordinates_data();
    void hostileCoordinates();
    void backColorClears();
    void printPutsTextTopLeftAtCurrentPosition();
    void shiftInside_data();
    void shiftInside();
    void imageFollowsWidgetSize();
    void mouseSignals_data();
    void mouseSignals();
    void moveWithoutButton();
};

void TstDrawingSurface::mapping_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRectF>("corners");  // left, top, right, bottom packed as x, y, x2, y2
    QTest::addColumn<QPointF>("user");
    QTest::addColumn<QPoint>("pixel");
    const QRectF chart(QPointF(-10, 1010), QPointF(1010, -10));
    QTest::newRow("chart top-left corner")
        << QSize(533, 400) << chart << QPointF(-10, 1010) << QPoint(0, 0);
    QTest::newRow("chart origin") << QSize(533, 400) << chart << QPointF(0, 0)
                                  << QPoint(5, 396);  // 10/1020*533 = 5.2, 1010/1020*400 = 396.1
    QTest::newRow("chart 1000,1000")
        << QSize(533, 400) << chart << QPointF(1000, 1000) << QPoint(527, 3);
    const QRectF xstrip(QPointF(-10, 0), QPointF(1010, 136));
    QTest::newRow("x strip apex at top")
        << QSize(533, 53) << xstrip << QPointF(500, 0) << QPoint(266, 0);
    const QRectF ystrip(QPointF(0, 1010), QPointF(136, -10));
    QTest::newRow("y strip apex at left")
        << QSize(53, 400) << ystrip << QPointF(0, 500) << QPoint(0, 200);
}

void TstDrawingSurface::mapping() {
    QFETCH(QSize, size);
    QFETCH(QRectF, corners);
    QFETCH(QPointF, user);
    QFETCH(QPoint, pixel);
    DrawingSurface s;
    s.resize(size);
    s.scale(corners.left(), corners.top(), corners.right(), corners.bottom());
    QCOMPARE(s.pixelAt(user.x(), user.y()), pixel);
}

void TstDrawingSurface::mouseRoundTrip_data() {
    QTest::addColumn<int>("px");
    QTest::addColumn<int>("py");
    QTest::newRow("corner") << 0 << 0;
    QTest::newRow("middle") << 266 << 200;
    QTest::newRow("far corner") << 532 << 399;
    QTest::newRow("odd") << 17 << 311;
}

void TstDrawingSurface::mouseRoundTrip() {
    QFETCH(int, px);
    QFETCH(int, py);
    DrawingSurface s;
    s.resize(533, 400);
    s.scale(-10, 1010, 1010, -10);
    const QPointF u = s.toUser(QPointF(px, py));
    QCOMPARE(s.pixelAt(u.x(), u.y()), QPoint(px, py));
}

void TstDrawingSurface::solidLine_data() {
    QTest::addColumn<QLine>("pixels");
    QTest::addColumn<int>("count");
    QTest::newRow("horizontal") << QLine(2, 5, 30, 5) << 29;
    QTest::newRow("horizontal backwards") << QLine(30, 5, 2, 5) << 29;
    QTest::newRow("vertical") << QLine(7, 1, 7, 40) << 40;
    QTest::newRow("diagonal") << QLine(0, 0, 9, 9) << 10;
    QTest::newRow("steep") << QLine(3, 0, 6, 30) << 31;
    QTest::newRow("single point") << QLine(4, 4, 4, 4) << 1;
    QTest::newRow("partly outside") << QLine(-20, 10, 10, 10) << 11;
    QTest::newRow("wholly outside") << QLine(-20, -5, 70, -5) << 0;
}

void TstDrawingSurface::solidLine() {
    QFETCH(QLine, pixels);
    QFETCH(int, count);
    DrawingSurface s;
    s.resize(50, 50);
    s.setBackColor(Qt::white);
    // Pixel coordinates: the centre of a pixel lands on that pixel.
    s.line(pixels.x1() + 0.5, pixels.y1() + 0.5, pixels.x2() + 0.5, pixels.y2() + 0.5,
           QColor(kRed));
    QCOMPARE(CountColour(s.image(), kRed), count);
    const QRect inside(0, 0, 50, 50);
    if (inside.contains(pixels.p1())) QCOMPARE(s.image().pixel(pixels.p1()), kRed);
    if (inside.contains(pixels.p2())) QCOMPARE(s.image().pixel(pixels.p2()), kRed);
}

void TstDrawingSurface::dottedLine_data() {
    QTest::addColumn<bool>("vertical");
    QTest::newRow("horizontal") << false;
    QTest::newRow("vertical") << true;
}

void TstDrawingSurface::dottedLine() {
    QFETCH(bool, vertical);
    DrawingSurface s;
    s.resize(40, 40);
    s.setBackColor(Qt::white);
    s.setDrawStyle(DrawingSurface::Dotted);
    if (vertical)
        s.line(10.5, 0.5, 10.5, 29.5, QColor(kRed));
    else
        s.line(0.5, 10.5, 29.5, 10.5, QColor(kRed));
    const int period = DrawingSurface::kDotOn + DrawingSurface::kDotOff;
    for (int i = 0; i < 30; ++i) {
        const QRgb got = vertical ? s.image().pixel(10, i) : s.image().pixel(i, 10);
        QCOMPARE(got, i % period < DrawingSurface::kDotOn ? kRed : kWhite);
    }
    QCOMPARE(CountColour(s.image(), kRed), 15);
}

void TstDrawingSurface::dottedGapsKeepWhatIsBelow() {
    DrawingSurface s;
    s.resize(20, 20);
    s.setBackColor(Qt::white);
    s.line(0.5, 5.5, 19.5, 5.5, Qt::blue);
    s.setDrawStyle(DrawingSurface::Dotted);
    s.line(0.5, 5.5, 19.5, 5.5, QColor(kRed));
    for (int x = 0; x < 20; ++x) QVERIFY(s.image().pixel(x, 5) != kWhite);
}

void TstDrawingSurface::hostileCoordinates_data() {
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("y1");
    QTest::addColumn<double>("x2");
    QTest::addColumn<double>("y2");
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("NaN") << nan << 5.0 << 10.0 << 5.0;
    QTest::newRow("infinite") << -inf << 5.0 << inf << 5.0;
    QTest::newRow("huge") << -1e300 << 5.0 << 1e300 << 5.0;
    QTest::newRow("huge diagonal") << -1e12 << -1e12 << 1e12 << 1e12;
    QTest::newRow("largest") << -1.7e308 << 0.0 << 1.7e308 << 0.0;
}

void TstDrawingSurface::hostileCoordinates() {
    QFETCH(double, x1);
    QFETCH(double, y1);
    QFETCH(double, x2);
    QFETCH(double, y2);
    for (int style : {int(DrawingSurface::Solid), int(DrawingSurface::Dotted)}) {
        DrawingSurface s;
        s.resize(30, 30);
        s.setBackColor(Qt::white);
        s.setDrawStyle(style);
        s.line(x1, y1, x2, y2, QColor(kRed));
        s.setCurrentX(x1);
        s.setCurrentY(y2);
        s.print(QStringLiteral("x"));
        // What is visible of a huge finite line is drawn; nothing else leaks outside.
        QVERIFY(CountColour(s.image(), kRed) <= 30);
    }
}

void TstDrawingSurface::backColorClears() {
    DrawingSurface s;
    s.resize(20, 10);
    s.setBackColor(QColor(150, 150, 150));
    s.line(0, 0, 19, 9, QColor(kRed));
    QVERIFY(CountColour(s.image(), kRed) > 0);
    s.cls();
    QCOMPARE(CountColour(s.image(), qRgb(150, 150, 150)), 200);
    s.setBackColor(Qt::white);
    QCOMPARE(CountColour(s.image(), kWhite), 200);
}

void TstDrawingSurface::shiftInside_data() {
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QPoint>("topLeft");
    // Every row shifts into an area of 100 x 50 pixels.
    QTest::newRow("inside stays") << QRect(10, 10, 30, 15) << QPoint(10, 10);
    QTest::newRow("touching the right edge stays") << QRect(70, 0, 30, 15) << QPoint(70, 0);
    QTest::newRow("past the left edge") << QRect(-8, 10, 30, 15) << QPoint(0, 10);
    QTest::newRow("past the right edge") << QRect(90, 10, 30, 15) << QPoint(70, 10);
    QTest::newRow("past the bottom edge") << QRect(10, 45, 30, 15) << QPoint(10, 35);
    QTest::newRow("past the top edge") << QRect(10, -3, 30, 15) << QPoint(10, 0);
    QTest::newRow("past a corner") << QRect(95, 48, 30, 15) << QPoint(70, 35);
    QTest::newRow("wider than the area: left edge") << QRect(40, 10, 130, 15) << QPoint(0, 10);
}

void TstDrawingSurface::shiftInside() {
    QFETCH(QRect, box);
    QFETCH(QPoint, topLeft);
    QCOMPARE(charts::shiftInside(box, QSize(100, 50)), topLeft);
}

void TstDrawingSurface::printPutsTextTopLeftAtCurrentPosition() {
    DrawingSurface s;
    s.resize(200, 100);
    s.scale(0, 0, 2000, 1000);  // ten units a pixel
    s.setBackColor(Qt::white);
    s.setCurrentX(400);
    s.setCurrentY(300);
    s.print(QStringLiteral("x1:500"));
    QRect inked;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (s.image().pixel(x, y) != kWhite) inked |= QRect(x, y, 1, 1);
    QVERIFY(!inked.isEmpty());
    QVERIFY2(inked.left() >= 40 && inked.left() <= 43, qPrintable(QString::number(inked.left())));
    QVERIFY2(inked.top() >= 30 && inked.top() <= 36, qPrintable(QString::number(inked.top())));
    QVERIFY(inked.height() < QFontMetrics(s.font()).height() + 2);
    // Crisp black text, no grey edges.
    QCOMPARE(CountColour(s.image(), kWhite) + CountColour(s.image(), qRgb(0, 0, 0)), 200 * 100);
}

void TstDrawingSurface::imageFollowsWidgetSize() {
    DrawingSurface s;
    s.resize(40, 30);
    s.setBackColor(Qt::white);
    s.line(0.5, 0.5, 0.5, 0.5, QColor(kRed));
    QCOMPARE(s.image().size(), QSize(40, 30));
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.resize(60, 50);
    s.line(59.5, 49.5, 59.5, 49.5, QColor(kRed));
    QCOMPARE(s.image().size(), QSize(60, 50));
    // The old drawing survives the resize, the new area takes the background colour.
    QCOMPARE(s.image().pixel(0, 0), kRed);
    QCOMPARE(s.image().pixel(59, 49), kRed);
    QCOMPARE(s.image().pixel(50, 40), kWhite);
    QCOMPARE(s.grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(59, 49), kRed);
}

void TstDrawingSurface::mouseSignals_data() {
    QTest::addColumn<int>("qtButton");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("shift");
    QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::NoModifier) << 1 << 0;
    QTest::newRow("right shift") << int(Qt::RightButton) << int(Qt::ShiftModifier) << 2 << 1;
    QTest::newRow("middle ctrl alt")
        << int(Qt::MiddleButton) << int(Qt::ControlModifier | Qt::AltModifier) << 4 << 6;
}

void TstDrawingSurface::mouseSignals() {
    QFETCH(int, qtButton);
    QFETCH(int, modifiers);
    QFETCH(int, button);
    QFETCH(int, shift);
    DrawingSurface s;
    s.resize(533, 53);
    s.scale(-10, 0, 1010, 136);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy down(&s, &DrawingSurface::mouseDown);
    QSignalSpy up(&s, &DrawingSurface::mouseUp);
    const QPoint at(266, 10);
    const QPointF user = s.toUser(at);
    QTest::mousePress(&s, Qt::MouseButton(qtButton), Qt::KeyboardModifiers(modifiers), at);
    QTest::mouseRelease(&s, Qt::MouseButton(qtButton), Qt::KeyboardModifiers(modifiers), at);
    QCOMPARE(down.count(), 1);
    QCOMPARE(up.count(), 1);
    for (const QList<QVariant>& args : {down.at(0), up.at(0)}) {
        QCOMPARE(args.at(0).toInt(), button);
        QCOMPARE(args.at(1).toInt(), shift);
        QCOMPARE(args.at(2).toDouble(), user.x());
        QCOMPARE(args.at(3).toDouble(), user.y());
    }
    QVERIFY(std::abs(user.x() - 500.0) < 2.0);
    QVERIFY(std::abs(user.y() - 10 * 136.0 / 53) < 1e-9);
}

void TstDrawingSurface::moveWithoutButton() {
    // QTest moves the system cursor; Wine on a bare X display makes no mouse event of it.
    if (underWine()) QSKIP("Wine turns no cursor move into a mouse event here");
    DrawingSurface s;
    s.resize(533, 400);
    s.scale(-10, 1010, 1010, -10);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy move(&s, &DrawingSurface::mouseMove);
    QTest::mouseMove(&s, QPoint(100, 100));
    QVERIFY(move.count() >= 1);
    const QList<QVariant> args = move.last();
    QCOMPARE(args.at(0).toInt(), 0);
    QCOMPARE(args.at(2).toDouble(), s.toUser(QPointF(100, 100)).x());
    QCOMPARE(args.at(3).toDouble(), s.toUser(QPointF(100, 100)).y());
}

QTEST_MAIN(TstDrawingSurface)
#include "tst_drawingsurface.moc"
