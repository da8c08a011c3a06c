// Drawings painted straight into an image and written as SVG, read back with Qt SVG: the two
// pictures agree, up to the edges' rasterisation and the texts' glyphs.
#include <QDateTime>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include "svgtesting.h"
#include "viewer/plot.h"
#include "viewer/plotdata.h"

namespace {

QImage direct(const Drawing& draw, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    return image;
}

QImage throughSvg(const QByteArray& svg, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QSvgRenderer renderer(svg);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    return image;
}

bool near(QRgb a, QRgb b) {
    constexpr int kTolerance = 48;
    return qAbs(qRed(a) - qRed(b)) <= kTolerance && qAbs(qGreen(a) - qGreen(b)) <= kTolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= kTolerance;
}

// Each pixel the mean of the 3 x 3 around it: a line drawn aliased (the painter's default) and
// the same line antialiased (as Qt SVG draws) come out alike, a missing or misplaced one not.
QImage blurred(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (!image.valid(x + dx, y + dy)) continue;
                    const QRgb c = image.pixel(x + dx, y + dy);
                    r += qRed(c), g += qGreen(c), b += qBlue(c), ++n;
                }
            }
            out.setPixel(x, y, qRgb(r / n, g / n, b / n));
        }
    }
    return out;
}

// The share of pixels of `a` with no pixel of like colour in `b` at most a pixel away.
double unmatched(const QImage& a, const QImage& b) {
    int misses = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = b.valid(x + dx, y + dy) && near(a.pixel(x, y), b.pixel(x + dx, y + dy));
            misses += !found;
        }
    }
    return double(misses) / (a.width() * a.height());
}

// The bounds of what is not white, and how many pixels that is.
std::pair<QRect, int> ink(const QImage& image) {
    QRect bounds;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 200) {
                bounds |= QRect(x, y, 1, 1);
                ++count;
            }
        }
    }
    return {bounds, count};
}

// Whether this Qt SVG honours clip-path (older ones draw clipped elements whole).
bool readerClips() {
    const QByteArray svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
        "<clipPath id=\"c\"><rect width=\"5\" height=\"5\"/></clipPath>"
        "<rect clip-path=\"url(#c)\" width=\"10\" height=\"10\"/></svg>";
    return qGray(throughSvg(svg, QSize(10, 10)).pixel(8, 8)) > 128;
}

QByteArray time(const QDateTime& start, int s) {
    return start.addSecs(s).toString(Qt::ISODate).toLatin1();
}

// The picture of an hour of readings with a peak, an overload and an alarm, as --plot draws it.
Drawing plotPicture(const QString& folder) {
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
    QByteArray log = "time,elapsed_s,reading,value_mA,status,record\r\n";
    for (int s = 0; s < 3600; s += 2) {
        const QByteArray v = QByteArray::number(s == 1800 ? 900 : 100 + (s / 60) % 20);
        log += time(start, s) + ',' + QByteArray::number(s) + ".000," +
               (s == 2400 ? QByteArray("0L,,0,") : v + ',' + v + ",0,") + "\r\n";
    }
    const QString path = folder + "/pump3-20261208.csv";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(log) != log.size()) return {};
    f.close();
    auto data = std::shared_ptr<viewer::PlotData>(viewer::PlotData::load({path}));
    viewer::PlotView view;
    std::tie(view.t0, view.t1) = data->extent();
    view.alarmMa = 500;
    view.files = QStringList{path};
    return [data, view](QPainter& p) { viewer::drawPlot(p, QRect(0, 0, 800, 400), *data, view); };
}

}  // namespace

class TstSvgRender : public QObject {
    Q_OBJECT
  private slots:
    void agrees_data();
    void agrees();

  private:
    QTemporaryDir dir_;
};

void TstSvgRender::agrees_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("text");  // compared by where its ink lies
    const QSize small(200, 120);
    auto smooth = [](const Drawing& draw) {
        return Drawing([draw](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing);
            draw(p);
        });
    };
    QTest::newRow("thin lines") << smooth([](QPainter& p) {
        p.setPen(QPen(QColor(0, 60, 170), 1));
        for (int i = 0; i < 10; ++i) p.drawLine(QPointF(10, 10 + i * 10), QPointF(190, 5 + i * 11));
    }) << small << false;
    QTest::newRow("thick lines, round caps") << smooth([](QPainter& p) {
        p.setPen(QPen(Qt::darkGreen, 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{20, 100}, {60, 20}, {120, 90}, {180, 30}}));
    }) << small << false;
    QTest::newRow("dashed") << smooth([](QPainter& p) {
        p.setPen(QPen(Qt::red, 3, Qt::DashDotLine, Qt::FlatCap));
        p.drawLine(10, 60, 190, 60);
        p.setPen(QPen(Qt::blue, 2, Qt::DashLine));
        p.drawRect(QRectF(20.5, 20.5, 150, 70));
    }) << small << false;
    QTest::newRow("alpha fill over a fill") << smooth([](QPainter& p) {
        p.fillRect(QRectF(10, 10, 100, 100), QColor(0, 0, 255));
        p.fillRect(QRectF(60, 30, 120, 60), QColor(255, 0, 0, 56));
        p.setOpacity(0.5);
        p.fillRect(QRectF(30, 70, 60, 40), Qt::green);
    }) << small << false;
    QTest::newRow("polygon, odd-even") << smooth([](QPainter& p) {
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(255, 160, 0));
        p.drawPolygon(QPolygonF({{100, 5}, {130, 115}, {10, 40}, {190, 40}, {70, 115}}),
                      Qt::OddEvenFill);
    }) << small << false;
    QTest::newRow("curved path") << smooth([](QPainter& p) {
        QPainterPath path;
        path.moveTo(10, 110);
        path.cubicTo(40, -40, 160, 160, 190, 10);
        path.quadTo(100, 60, 10, 110);
        p.setPen(QPen(Qt::darkMagenta, 4));
        p.setBrush(QColor(200, 200, 255));
        p.drawPath(path);
    }) << small << false;
    QTest::newRow("ellipse") << smooth([](QPainter& p) {
        p.setPen(QPen(Qt::black, 3));
        p.setBrush(Qt::yellow);
        p.drawEllipse(QRectF(20, 15, 160, 90));
    }) << small << false;
    QTest::newRow("clipped") << smooth([](QPainter& p) {
        p.setClipRect(QRectF(40, 30, 100, 50));
        p.fillRect(QRectF(0, 0, 200, 120), QColor(0, 130, 60));
        p.setPen(QPen(Qt::red, 5));
        p.drawLine(0, 0, 200, 120);
    }) << small << false;
    QTest::newRow("transformed, cosmetic and scaled pens") << smooth([](QPainter& p) {
        p.translate(100, 60);
        p.rotate(30);
        p.scale(3, 1.5);
        p.setPen(QPen(Qt::blue, 2));
        p.setBrush(QColor(255, 200, 200));
        p.drawRect(QRectF(-20, -20, 40, 40));
        p.setPen(QPen(Qt::black, 0));
        p.drawEllipse(QRectF(-25, -25, 50, 50));
    }) << small << false;
    QTest::newRow("aliased lines and rectangles") << Drawing([](QPainter& p) {
        p.setPen(QColor(225, 225, 225));
        for (int i = 0; i < 8; ++i)
            p.drawLine(QPointF(10, 10 + i * 12.3), QPointF(190, 10 + i * 12.3));
        p.setPen(Qt::black);
        p.drawRect(QRect(10, 10, 179, 99));
    }) << small << false;
    QTest::newRow("Latin text") << Drawing([](QPainter& p) {
        QFont font = p.font();
        font.setPixelSize(24);
        p.setFont(font);
        p.drawText(QRectF(0, 0, 200, 120), Qt::AlignCenter, QStringLiteral("Kitchen 12:30"));
    }) << small << true;
    QTest::newRow("Chinese text, rotated") << Drawing([](QPainter& p) {
        QFont font = p.font();
        font.setPixelSize(22);
        p.setFont(font);
        p.translate(100, 60);
        p.rotate(-20);
        p.drawText(QPointF(-80, 8), QStringLiteral("漏电流 读数 mA"));
    }) << small << true;
    QTest::newRow("the picture of a log") << plotPicture(dir_.path()) << QSize(800, 400) << false;
}

void TstSvgRender::agrees() {
    QFETCH(Drawing, draw);
    QFETCH(QSize, size);
    QFETCH(bool, text);
    QVERIFY(draw);
    if (QByteArray(QTest::currentDataTag()) == "clipped" && !readerClips())
        QSKIP("this Qt SVG draws clipped elements whole; tst_svgwriter checks the clip");
    const QImage expected = direct(draw, size);
    const QImage got = throughSvg(svgOf(draw, QRect(QPoint(0, 0), size)), size);
    const auto [expectedInk, expectedCount] = ink(expected);
    QVERIFY(expectedCount > 100);  // the drawing shows something
    if (text) {
        // Glyphs differ a little between the painter's text and the reader's.
        const auto [gotInk, gotCount] = ink(got);
        const QString said =
            QStringLiteral("ink at (%1,%2 %3x%4), %5 px; expected (%6,%7 %8x%9), %10 px")
                .arg(gotInk.x())
                .arg(gotInk.y())
                .arg(gotInk.width())
                .arg(gotInk.height())
                .arg(gotCount)
                .arg(expectedInk.x())
                .arg(expectedInk.y())
                .arg(expectedInk.width())
                .arg(expectedInk.height())
                .arg(expectedCount);
        for (int d : {gotInk.left() - expectedInk.left(), gotInk.right() - expectedInk.right(),
                      gotInk.top() - expectedInk.top(), gotInk.bottom() - expectedInk.bottom()})
            QVERIFY2(qAbs(d) <= 4, qPrintable(said));
        QVERIFY2(qAbs(gotCount - expectedCount) < expectedCount / 4, qPrintable(said));
        return;
    }
    const QImage smoothExpected = blurred(expected), smoothGot = blurred(got);
    const double missing = unmatched(smoothExpected, smoothGot),
                 extra = unmatched(smoothGot, smoothExpected);
    QVERIFY2(missing < 0.01 && extra < 0.01,
             qPrintable(QStringLiteral("%1% of the drawing not in the SVG, %2% of the SVG not "
                                       "in the drawing")
                            .arg(missing * 100)
                            .arg(extra * 100)));
}

QTEST_MAIN(TstSvgRender)
#include "tst_svgrender.moc"
