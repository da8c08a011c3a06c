// The program's own SVG writer, read back as XML: what each kind of drawing becomes, texts whole
// and escaped, clips where they apply, the same bytes for the same drawing, and a picture that
// did not reach its device said as a failure.
#include <QFile>
#include <QImage>
#include <QPainterPath>
#include <QtTest>

#include "svgtesting.h"

namespace {

// The first element named `name` in `svg`.
SvgElement first(const QByteArray& svg, const QString& name) {
    QString error;
    for (const SvgElement& e : svgElements(svg, &error))
        if (e.name == name) return e;
    return {};
}

// Takes `room` bytes, then refuses every write, as a device does when its medium is full.
class FillingDevice : public QIODevice {
  public:
    explicit FillingDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override {
        if (size > room_) {
            setErrorString(QStringLiteral("no space left"));
            return -1;
        }
        room_ -= size;
        return size;
    }

  private:
    qint64 room_;
};

// Lines, shapes, a clip, a transform, text and an image: one of each kind of element.
void everything(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::red, 3, Qt::DashDotLine, Qt::RoundCap, Qt::MiterJoin));
    p.setBrush(QColor(0, 0, 255, 100));
    QPainterPath path;
    path.moveTo(10, 10);
    path.cubicTo(50, 0, 80, 90, 120, 40);
    path.closeSubpath();
    p.drawPath(path);
    p.save();
    p.setClipRect(20, 20, 60, 40);
    p.rotate(15);
    p.drawEllipse(QRectF(30, 30, 40.25, 20));
    p.restore();
    p.drawText(QPointF(5, 100), QStringLiteral("漏电流 <3 mA>"));
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30, 128));
    p.drawImage(QRectF(150, 10, 40, 30), image);
}

}  // namespace

class TstSvgWriter : public QObject {
    Q_OBJECT
  private slots:
    void elements_data();
    void elements();
    void texts_data();
    void texts();
    void clips_data();
    void clips();
    void sameDrawingSameBytes();
    void failedWriteIsSaid_data();
    void failedWriteIsSaid();
};

void TstSvgWriter::elements_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QStringList>("present");  // "name=value" on the element
    QTest::addColumn<QStringList>("absent");   // attribute names not on it
    QTest::newRow("thin line, short numbers")
        << Drawing([](QPainter& p) {
               p.setPen(QColor(255, 0, 0));
               p.drawLine(QPointF(1.0 / 3, 2.0 / 3), QPointF(10, 20.5));
           })
        << "path" << QStringList{"d=M0.333 0.667 10 20.5", "stroke=#ff0000", "fill=none"}
        << QStringList{"stroke-width", "stroke-opacity", "transform"};
    QTest::newRow("dashes in pen widths, square cap, bevel join")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(Qt::black, 2, Qt::DashLine));
               p.drawLine(0, 0, 100, 0);
           })
        << "path"
        << QStringList{"stroke-width=2", "stroke-dasharray=8,4", "stroke-linecap=square",
                       "stroke-linejoin=bevel"}
        << QStringList{};
    QTest::newRow("round cap and join, alpha pen")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(QColor(0, 0, 255, 51), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
               p.drawPolyline(QPolygonF({{0, 0}, {50, 50}, {100, 0}}));
           })
        << "polyline"
        << QStringList{"points=0 0 50 50 100 0", "stroke-linecap=round", "stroke-linejoin=round",
                       "stroke-opacity=0.2", "fill=none"}
        << QStringList{"stroke-dasharray"};
    QTest::newRow("alpha fill, odd-even rule, no pen") << Drawing([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 0, 0, 128));
        p.drawPolygon(QPolygonF({{0, 0}, {50, 50}, {100, 0}}), Qt::OddEvenFill);
    }) << "polygon" << QStringList{"fill=#ff0000", "fill-opacity=0.502", "fill-rule=evenodd"}
                                                       << QStringList{"stroke"};
    QTest::newRow("painter opacity on fill and stroke")
        << Drawing([](QPainter& p) {
               p.setOpacity(0.5);
               p.setBrush(Qt::green);
               p.drawRect(QRectF(10, 10, 30, 20));
           })
        << "rect"
        << QStringList{"x=10", "width=30", "fill-opacity=0.5", "stroke-opacity=0.5",
                       "stroke=#000000"}
        << QStringList{"transform"};
    QTest::newRow("gradient brush as its colour") << Drawing([](QPainter& p) {
        QLinearGradient g(0, 0, 100, 0);
        g.setColorAt(0, QColor(10, 20, 30));
        g.setColorAt(1, Qt::white);
        p.fillRect(QRectF(0, 0, 100, 10), g);
    }) << "rect" << QStringList{"fill=#0a141e"} << QStringList{"stroke"};
    QTest::newRow("cosmetic pen: device pixels, whatever the scale")
        << Drawing([](QPainter& p) {
               p.scale(4, 2);
               QPen pen(Qt::black, 0, Qt::DotLine);
               p.setPen(pen);
               p.drawLine(QPointF(1, 1), QPointF(11, 1));
           })
        << "path" << QStringList{"d=M4 2 44 2", "stroke-dasharray=1,2"}
        << QStringList{"transform", "stroke-width"};
    QTest::newRow("dot of a zero-length line") << Drawing([](QPainter& p) {
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(QPointF(5, 5), QPointF(5, 5));
    }) << "path" << QStringList{"d=M4 4h2v2h-2Z", "fill=#ff0000"}
                                               << QStringList{"stroke"};
    QTest::newRow("text: font in points at 96 dpi, bold italic, colour of the pen")
        << Drawing([](QPainter& p) {
               QFont font(QStringLiteral("DejaVu Sans"));
               font.setPointSize(12);
               font.setBold(true);
               font.setItalic(true);
               p.setFont(font);
               p.setPen(QColor(0, 128, 0, 128));
               p.rotate(90);
               p.drawText(QPointF(3, 4), QStringLiteral("A"));
           })
        << "text"
        << QStringList{"x=3",
                       "y=4",
                       "font-family=DejaVu Sans",
                       "font-size=16",
                       "font-weight=bold",
                       "font-style=italic",
                       "fill=#008000",
                       "fill-opacity=0.502",
                       "transform=matrix(0 1 -1 0 0 0)"}
        << QStringList{"stroke"};
    QTest::newRow("image as PNG data") << Drawing([](QPainter& p) {
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        p.drawImage(QRectF(1, 2, 20, 10), image);
    }) << "image" << QStringList{"x=1", "y=2", "width=20", "height=10"}
                                       << QStringList{};
    // Without antialiasing, as the painter's raster covers pixels (lines, curves, ellipses and
    // transforms as drawn are compared with the painter's own picture in tst_svgrender).
    QTest::newRow("aliased line within a pixel: a dot") << Drawing([](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.drawLine(QPointF(5.1, 5.2), QPointF(5.8, 5.9));
    }) << "path" << QStringList{"d=M5 5h1v1h-1Z", "fill=#000000"}
                                                        << QStringList{"stroke"};
    QTest::newRow("aliased fill: on pixel edges") << Drawing([](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(10.49, 10.5, 5, 5.2), Qt::black);
    }) << "rect" << QStringList{"x=10", "y=11", "width=5", "height=5"}
                                                  << QStringList{};
}

// Each drawing call is the element it names, with the pen's and brush's attributes.
void TstSvgWriter::elements() {
    QFETCH(Drawing, draw);
    QFETCH(QString, element);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    const QByteArray svg = svgOf([&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    });
    QString error;
    const QList<SvgElement> all = svgElements(svg, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error + "\n" + svg));
    QVERIFY(!all.isEmpty());
    QCOMPARE(all.front().name, QStringLiteral("svg"));
    QCOMPARE(all.front().attribute("viewBox"), QStringLiteral("0 0 200 120"));
    QCOMPARE(all.front().attribute("width"), QStringLiteral("200"));
    QCOMPARE(all.at(1).name, QStringLiteral("title"));
    const SvgElement e = first(svg, element);
    QVERIFY2(e.name == element, svg.constData());
    for (const QString& a : present)
        QVERIFY2(e.attribute(a.section('=', 0, 0)) == a.section('=', 1),
                 qPrintable(a + " in\n" + svg));
    for (const QString& a : absent)
        QVERIFY2(!e.attributes.hasAttribute(a), qPrintable(a + " in\n" + svg));
    if (element == QLatin1String("image")) {
        const QString href = e.attributes.value("http://www.w3.org/1999/xlink", "href").toString();
        QVERIFY(href.startsWith("data:image/png;base64,"));
        const QImage back = QImage::fromData(
            QByteArray::fromBase64(href.mid(href.indexOf(',') + 1).toLatin1()), "PNG");
        QCOMPARE(back.size(), QSize(2, 2));
        QCOMPARE(back.pixelColor(1, 1), QColor(Qt::red));
    }
}

void TstSvgWriter::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("Latin") << "Kitchen circuit";
    QTest::newRow("Chinese") << "漏电流 仪表 读数";
    QTest::newRow("Chinese and Latin, two fonts") << "pump3.csv · 仪表 line4 · 12-08";
    QTest::newRow("markup characters") << "<b>&amp; \"quoted\" 'single' & <3";
    QTest::newRow("outside the basic plane") << "𠀋 水";
}

// Every text comes back whole, in <text> elements, whatever its characters.
void TstSvgWriter::texts() {
    QFETCH(QString, text);
    const QByteArray svg = svgOf([&](QPainter& p) {
        p.drawText(QRectF(0, 0, 200, 40), Qt::AlignLeft | Qt::AlignVCenter, text);
    });
    QString error, back;
    for (const SvgElement& e : svgElements(svg, &error))
        if (e.name == QLatin1String("text")) back += e.text;
    QVERIFY2(error.isEmpty(), qPrintable(error + "\n" + svg));
    QCOMPARE(back, text);
}

void TstSvgWriter::clips_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<QString>("shape");        // the clip's element
    QTest::addColumn<QStringList>("present");  // "name=value" on it
    QTest::newRow("rectangle, set under a translation, in device pixels")
        << Drawing([](QPainter& p) {
               p.translate(10, 20);
               p.setClipRect(QRectF(5, 5, 50, 30));
               p.translate(100, 0);  // moves what is drawn, not the clip
               p.fillRect(QRectF(-100, 0, 20, 20), Qt::red);
           })
        << "rect" << QStringList{"x=15", "y=25", "width=50", "height=30"};
    QTest::newRow("path, odd-even") << Drawing([](QPainter& p) {
        QPainterPath path;
        path.addEllipse(QRectF(0, 0, 40, 40));
        path.addEllipse(QRectF(10, 10, 20, 20));
        p.setClipPath(path);
        p.fillRect(QRectF(0, 0, 40, 40), Qt::red);
    }) << "path" << QStringList{"clip-rule=evenodd"};
    QTest::newRow("intersected regions") << Drawing([](QPainter& p) {
        p.setClipRegion(QRegion(0, 0, 100, 100));
        p.setClipRect(QRect(50, 60, 100, 100), Qt::IntersectClip);
        p.fillRect(QRectF(0, 0, 200, 120), Qt::red);
    }) << "rect" << QStringList{"x=50", "y=60", "width=50", "height=40"};
}

// What is drawn under a clip lies in a group clipped by it; what is drawn after the clip is
// restored lies outside any clip.
void TstSvgWriter::clips() {
    QFETCH(Drawing, draw);
    QFETCH(QString, shape);
    QFETCH(QStringList, present);
    const QByteArray svg = svgOf([&](QPainter& p) {
        p.save();
        draw(p);
        p.restore();
        p.drawLine(0, 0, 10, 10);
    });
    QString error;
    const QList<SvgElement> all = svgElements(svg, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    qsizetype at = 0;
    while (at < all.size() && all[at].name != QLatin1String("clipPath")) ++at;
    QVERIFY2(at + 1 < all.size(), svg.constData());
    const QString id = all[at].attribute("id");
    const SvgElement& clip = all[at + 1];
    QCOMPARE(clip.name, shape);
    for (const QString& a : present)
        QVERIFY2(clip.attribute(a.section('=', 0, 0)) == a.section('=', 1),
                 qPrintable(a + " in\n" + svg));
    const SvgElement& filled = all[at + 3];  // after the clip's group
    QCOMPARE(filled.name, QStringLiteral("rect"));
    QCOMPARE(filled.clip, "url(#" + id + ")");
    QCOMPARE(all.back().name, QStringLiteral("path"));
    QCOMPARE(all.back().clip, QString());
}

// The same drawing is the same file: no times, no addresses, no counters across pictures.
void TstSvgWriter::sameDrawingSameBytes() {
    const QByteArray once = svgOf(everything), twice = svgOf(everything);
    QVERIFY(once.size() > 500);
    QCOMPARE(once, twice);
    QString error;
    svgElements(once, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error + "\n" + once));
}

void TstSvgWriter::failedWriteIsSaid_data() {
    QTest::addColumn<QString>("device");
    QTest::newRow("buffer open for reading only") << "read-only";
    QTest::newRow("buffer not open") << "closed";
    QTest::newRow("device full after the first bytes") << "full after 100";
    QTest::newRow("device full after many bytes") << "full after 70000";
    QTest::newRow("disk full (/dev/full)") << "/dev/full";
}

// paintSvg says false with the reason when the picture did not reach the device whole.
void TstSvgWriter::failedWriteIsSaid() {
    QFETCH(QString, device);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    std::unique_ptr<QIODevice> owned;
    QIODevice* out = &buffer;
    if (device == QLatin1String("read-only")) {
        buffer.open(QIODevice::ReadOnly);
    } else if (device.startsWith(QLatin1String("full after "))) {
        owned = std::make_unique<FillingDevice>(device.section(' ', 2).toLongLong());
        out = owned.get();
    } else if (device.startsWith('/')) {
        if (!QFile::exists(device)) QSKIP("this system has no /dev/full");
        auto file = std::make_unique<QFile>(device);
        QVERIFY(file->open(QIODevice::WriteOnly));
        out = file.get();
        owned = std::move(file);
    }
    // Big enough to take more than one chunk on its way.
    const Drawing many = [](QPainter& p) {
        for (int i = 0; i < 3000; ++i) p.drawText(QPointF(i % 200, i % 120), QString::number(i));
    };
    QString error;
    QVERIFY(!viewer::paintSvg(out, QRect(0, 0, 200, 120), many, &error));
    QVERIFY2(!error.isEmpty(), qPrintable(device));
    QVERIFY(bytes.isEmpty());
}

QTEST_MAIN(TstSvgWriter)
#include "tst_svgwriter.moc"
