#include "svgwriter.h"

#include <QBuffer>
#include <QFileDevice>
#include <QIODevice>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <vector>

namespace viewer {

namespace {

// Written to the device whenever this much has gathered, and at the end.
constexpr qsizetype kChunk = 64 * 1024;

// `v` with at most `decimals` decimals and no trailing zeros: short files, the same bytes for
// the same drawing.
void appendNumber(QByteArray& out, double v, int decimals = 3) {
    if (!std::isfinite(v)) v = 0;
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(v * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0"
    QByteArray s = QByteArray::number(rounded, 'f', decimals);
    if (s.contains('.')) {
        while (s.endsWith('0')) s.chop(1);
        if (s.endsWith('.')) s.chop(1);
    }
    out += s;
}

QByteArray number(double v, int decimals = 3) {
    QByteArray s;
    appendNumber(s, v, decimals);
    return s;
}

void appendPoint(QByteArray& out, const QPointF& p) {
    appendNumber(out, p.x());
    out += ' ';
    appendNumber(out, p.y());
}

// `text` as XML character data or attribute value: markup characters escaped, characters XML
// does not allow (most control characters, lone surrogates) left out.
QByteArray xmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF) continue;
        switch (u) {
            case '&':
                out += QLatin1String("&amp;");
                break;
            case '<':
                out += QLatin1String("&lt;");
                break;
            case '>':
                out += QLatin1String("&gt;");
                break;
            case '"':
                out += QLatin1String("&quot;");
                break;
            case '\'':
                out += QLatin1String("&apos;");
                break;
            // Kept as they are: XML readers would turn them into spaces otherwise.
            case '\t':
                out += QLatin1String("&#9;");
                break;
            case '\n':
                out += QLatin1String("&#10;");
                break;
            case '\r':
                out += QLatin1String("&#13;");
                break;
            default:
                if (u >= 0x20) out += c;
        }
    }
    return out.toUtf8();
}

// The colour a brush paints with; gradients and patterns as their first colour.
QColor brushColour(const QBrush& brush) {
    if (const QGradient* g = brush.gradient(); g && !g->stops().isEmpty())
        return g->stops().front().second;
    return brush.color();
}

QByteArray transformAttribute(const QTransform& t) {
    QByteArray out;
    switch (t.type()) {
        case QTransform::TxNone:
            return out;
        case QTransform::TxTranslate:
            out = " transform=\"translate(" + number(t.dx()) + ' ' + number(t.dy()) + ")\"";
            return out;
        default:
            // The linear part with more decimals: it multiplies every coordinate.
            out = " transform=\"matrix(" + number(t.m11(), 6) + ' ' + number(t.m12(), 6) + ' ' +
                  number(t.m21(), 6) + ' ' + number(t.m22(), 6) + ' ' + number(t.dx()) + ' ' +
                  number(t.dy()) + ")\"";
            return out;
    }
}

// Where an element's coordinates are: the painter's, with `t` as the transform attribute, or
// (mapped) device pixels. Painting without antialiasing puts edges on pixel boundaries, and lines
// on the pixels the painter covers, so every reader shows the crisp picture the PNG shows:
// mapped coordinates are then snapped as the painter's raster does it.
struct Placement {
    enum Snap { None, Edge, OddLine };  // Edge: a fill's or an even-width line's
    QTransform t;
    bool mapped = false;
    Snap snap = None;

    QPointF map(const QPointF& p) const {
        if (!mapped) return p;
        const QPointF q = t.map(p);
        switch (snap) {
            case Edge:
                return QPointF(std::floor(q.x() + 0.5), std::floor(q.y() + 0.5));
            case OddLine:
                return QPointF(std::floor(q.x()) + 0.5, std::floor(q.y()) + 0.5);
            default:
                return q;
        }
    }
};

QByteArray pathData(const QPainterPath& path, const Placement& at = {}) {
    QByteArray d;
    d.reserve(path.elementCount() * 12);
    QPointF start, last;
    int subpathElements = 0;
    auto closeIfBack = [&] {
        // A subpath that returns to its start is closed: its ends are joined, not capped.
        if (subpathElements > 1 && last == start) d += 'Z';
    };
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p = at.map(e);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                closeIfBack();
                d += 'M';
                appendPoint(d, p);
                start = last = p;
                subpathElements = 1;
                break;
            case QPainterPath::LineToElement:
                d += 'L';
                appendPoint(d, p);
                last = p;
                ++subpathElements;
                break;
            case QPainterPath::CurveToElement:
                if (i + 2 >= count) return d;
                d += 'C';
                appendPoint(d, p);
                d += ' ';
                appendPoint(d, at.map(path.elementAt(i + 1)));
                d += ' ';
                last = at.map(path.elementAt(i + 2));
                appendPoint(d, last);
                i += 2;
                ++subpathElements;
                break;
            case QPainterPath::CurveToDataElement:  // taken with its curve
                break;
        }
    }
    closeIfBack();
    return d;
}

bool isCosmetic(const QPen& pen) {
    return pen.style() != Qt::NoPen && pen.isCosmetic();
}

}  // namespace

// Each drawing call becomes one element with its own presentation attributes; the clip and the
// antialiasing in force are groups around the elements they apply to. Geometry is written in
// the painter's coordinates with a transform attribute, except under a cosmetic pen (its width
// and dashes are device pixels, whatever the transform) or a perspective, where it is mapped
// to device pixels first.
class SvgPaintEngine : public QPaintEngine {
  public:
    SvgPaintEngine(QIODevice* out, const QRect& viewBox, const QString& title)
        : QPaintEngine(AllFeatures), out_(out), viewBox_(viewBox), title_(title) {}

    QString error() const { return error_; }

    bool begin(QPaintDevice*) override {
        buffer_.clear();
        error_.clear();
        clip_.reset();
        clipDirty_ = true;
        groupOpen_ = false;
        crisp_ = false;
        clipCount_ = 0;
        if (!out_ || !out_->isWritable()) {
            error_ = QStringLiteral("the device is not open for writing");
            return false;
        }
        const QByteArray x = number(viewBox_.x()), y = number(viewBox_.y());
        const QByteArray w = number(viewBox_.width()), h = number(viewBox_.height());
        put("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"" +
            w + "\" height=\"" + h + "\" viewBox=\"" + x + ' ' + y + ' ' + w + ' ' + h +
            "\">\n<title>" + xmlText(title_) + "</title>\n");
        return true;
    }

    bool end() override {
        if (groupOpen_) put("</g>\n");
        groupOpen_ = false;
        put("</svg>\n");
        flush();
        // A file's own buffer meets a full disk only when it is flushed.
        if (auto* file = qobject_cast<QFileDevice*>(out_); file && error_.isEmpty()) {
            if (!file->flush() || file->error() != QFileDevice::NoError)
                error_ = QStringLiteral("writing failed: %1").arg(file->errorString());
        }
        return error_.isEmpty();
    }

    Type type() const override { return User; }

    void updateState(const QPaintEngineState& changed) override {
        if (changed.state() & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled))
            clipDirty_ = true;
    }

    void drawPath(const QPainterPath& path) override {
        if (path.isEmpty()) return;
        Placement at = placement();
        QByteArray e = "<path d=\"" + pathData(path, at) + '"';
        e += fillAttributes(path.fillRule() == Qt::OddEvenFill);
        e += strokeAttributes();
        element(e, at);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count < 1) return;
        Placement at = placement();
        QByteArray list;
        for (int i = 0; i < count; ++i) {
            if (i) list += ' ';
            appendPoint(list, at.map(points[i]));
        }
        QByteArray e;
        if (mode == PolylineMode) {
            e = "<polyline points=\"" + list + "\" fill=\"none\"";
        } else {
            e = "<polygon points=\"" + list + '"';
            e += fillAttributes(mode == OddEvenMode);
        }
        e += strokeAttributes();
        element(e, at);
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF p;
        p.reserve(count);
        for (int i = 0; i < count; ++i) p.append(points[i]);
        drawPolygon(p.constData(), count, mode);
    }

    void drawLines(const QLineF* lines, int count) override {
        const QPen& pen = state->pen();
        if (pen.style() == Qt::NoPen || count < 1) return;
        Placement at = placement();
        // All lines as one path; a line without length (also one within a pixel, painted
        // without antialiasing) is a dot, as the painter draws it.
        QByteArray d;
        QPolygonF dots;
        for (int i = 0; i < count; ++i) {
            const QPointF from = at.map(lines[i].p1()), to = at.map(lines[i].p2());
            if (from == to) {
                if (pen.capStyle() != Qt::FlatCap) dots.append(lines[i].p1());
                continue;
            }
            d += 'M';
            appendPoint(d, from);
            d += ' ';
            appendPoint(d, to);
        }
        if (!d.isEmpty()) {
            QByteArray e = "<path d=\"" + d + "\" fill=\"none\"";
            e += strokeAttributes();
            element(e, at);
        }
        if (!dots.isEmpty()) drawPoints(dots.constData(), int(dots.size()));
    }

    void drawLines(const QLine* lines, int count) override {
        std::vector<QLineF> f(lines, lines + count);
        drawLines(f.data(), count);
    }

    void drawRects(const QRectF* rects, int count) override {
        Placement at = placement();
        for (int i = 0; i < count; ++i) {
            if (at.mapped && at.t.type() > QTransform::TxScale) {
                QPainterPath path;
                path.addRect(rects[i]);
                drawPath(path);
                continue;
            }
            const QRectF r =
                QRectF(at.map(rects[i].topLeft()), at.map(rects[i].bottomRight())).normalized();
            QByteArray e = "<rect x=\"" + number(r.x()) + "\" y=\"" + number(r.y()) +
                           "\" width=\"" + number(r.width()) + "\" height=\"" + number(r.height()) +
                           '"';
            e += fillAttributes(false);
            e += strokeAttributes();
            element(e, at);
        }
    }

    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }

    void drawEllipse(const QRectF& rect) override {
        Placement at = placement();
        if (at.mapped && at.t.type() > QTransform::TxScale) {
            QPainterPath path;
            path.addEllipse(rect);
            drawPath(path);
            return;
        }
        const QRectF r = QRectF(at.map(rect.topLeft()), at.map(rect.bottomRight())).normalized();
        QByteArray e = "<ellipse cx=\"" + number(r.center().x()) + "\" cy=\"" +
                       number(r.center().y()) + "\" rx=\"" + number(r.width() / 2) + "\" ry=\"" +
                       number(r.height() / 2) + '"';
        e += fillAttributes(false);
        e += strokeAttributes();
        element(e, at);
    }

    void drawEllipse(const QRect& rect) override { drawEllipse(QRectF(rect)); }

    // Points are squares (round dots for a round cap) as wide as the pen, in its colour.
    void drawPoints(const QPointF* points, int count) override {
        const QPen& pen = state->pen();
        if (pen.style() == Qt::NoPen || count < 1) return;
        Placement at = placement();
        const double w = pen.widthF() > 0 ? pen.widthF() : 1.0, half = w / 2;
        const bool round = pen.capStyle() == Qt::RoundCap;
        QByteArray d;
        for (int i = 0; i < count; ++i) {
            const QPointF p = at.map(points[i]);
            d += 'M';
            appendPoint(d, p - QPointF(half, round ? 0 : half));
            if (round) {
                const QByteArray r = number(half);
                d += 'a' + r + ' ' + r + " 0 1 0 " + number(w) + " 0a" + r + ' ' + r + " 0 1 0 " +
                     number(-w) + " 0Z";
            } else {
                d += 'h' + number(w) + 'v' + number(w) + 'h' + number(-w) + 'Z';
            }
        }
        QByteArray e = "<path d=\"" + d + '"' + colourAttributes("fill", pen.brush());
        element(e, at);
    }

    void drawPoints(const QPoint* points, int count) override {
        QPolygonF p;
        p.reserve(count);
        for (int i = 0; i < count; ++i) p.append(points[i]);
        drawPoints(p.constData(), count);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty()) return;
        const Placement at{state->transform()};  // texts keep their own coordinates
        const QFont font = item.font();
        const double px = font.pixelSize() > 0 ? double(font.pixelSize())
                                               : font.pointSizeF() * SvgWriter::kDpi / 72.0;
        QByteArray e = "<text x=\"" + number(p.x()) + "\" y=\"" + number(p.y()) +
                       "\" font-family=\"" + xmlText(font.family()) + "\" font-size=\"" +
                       number(px) + '"';
        const int weight = std::clamp((font.weight() + 50) / 100 * 100, 100, 900);
        if (weight == 700)
            e += " font-weight=\"bold\"";
        else if (weight != 400)
            e += " font-weight=\"" + QByteArray::number(weight) + '"';
        if (font.style() == QFont::StyleItalic) e += " font-style=\"italic\"";
        if (font.style() == QFont::StyleOblique) e += " font-style=\"oblique\"";
        e += colourAttributes("fill", state->pen().brush());
        e += transformAttribute(at.t);
        e += " xml:space=\"preserve\">" + xmlText(text) + "</text>\n";
        sync();
        put(e);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        if (image.isNull() || r.isEmpty()) return;
        const QRect part = source.toAlignedRect() & image.rect();
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (part.isEmpty() ||
            !(part == image.rect() ? image : image.copy(part)).save(&buffer, "PNG"))
            return;
        const Placement at{state->transform()};  // images keep their own coordinates
        QByteArray e = "<image x=\"" + number(r.x()) + "\" y=\"" + number(r.y()) + "\" width=\"" +
                       number(r.width()) + "\" height=\"" + number(r.height()) +
                       "\" preserveAspectRatio=\"none\"";
        if (state->opacity() < 1) e += " opacity=\"" + number(state->opacity()) + '"';
        e += transformAttribute(at.t);
        e += " xlink:href=\"data:image/png;base64," + png.toBase64() + "\"/>\n";
        sync();
        put(e);
    }

  private:
    Placement placement() const {
        Placement at{state->transform()};
        const QPen& pen = state->pen();
        at.mapped = !at.t.isIdentity() && (isCosmetic(pen) || !at.t.isAffine());
        if (!state->renderHints().testFlag(QPainter::Antialiasing) &&
            at.t.type() <= QTransform::TxTranslate) {
            at.mapped = true;
            const bool line = pen.style() != Qt::NoPen;
            const bool odd = qRound(pen.widthF() > 0 ? pen.widthF() : 1.0) % 2 == 1;
            at.snap = line && odd ? Placement::OddLine : Placement::Edge;
        }
        return at;
    }

    QByteArray colourAttributes(const char* what, const QBrush& brush) const {
        const QColor c = brushColour(brush);
        QByteArray out = QByteArray(" ") + what + "=\"" + c.name(QColor::HexRgb).toLatin1() + '"';
        const double alpha = c.alphaF() * state->opacity();
        if (alpha < 1) out += QByteArray(" ") + what + "-opacity=\"" + number(alpha) + '"';
        return out;
    }

    QByteArray fillAttributes(bool oddEven) const {
        const QBrush& brush = state->brush();
        if (brush.style() == Qt::NoBrush) return " fill=\"none\"";
        QByteArray out = colourAttributes("fill", brush);
        if (oddEven) out += " fill-rule=\"evenodd\"";
        return out;
    }

    QByteArray strokeAttributes() const {
        const QPen& pen = state->pen();
        if (pen.style() == Qt::NoPen || pen.brush().style() == Qt::NoBrush) return {};
        QByteArray out = colourAttributes("stroke", pen.brush());
        // A cosmetic pen is as wide as it says in device pixels, one pixel when it says 0.
        const double width = pen.widthF() > 0 ? pen.widthF() : 1.0;
        if (width != 1) out += " stroke-width=\"" + number(width) + '"';
        switch (pen.capStyle()) {
            case Qt::SquareCap:
                out += " stroke-linecap=\"square\"";
                break;
            case Qt::RoundCap:
                out += " stroke-linecap=\"round\"";
                break;
            default:
                break;
        }
        switch (pen.joinStyle()) {
            case Qt::BevelJoin:
                out += " stroke-linejoin=\"bevel\"";
                break;
            case Qt::RoundJoin:
                out += " stroke-linejoin=\"round\"";
                break;
            default:
                out += " stroke-miterlimit=\"" + number(pen.miterLimit()) + '"';
                break;
        }
        if (pen.style() != Qt::SolidLine) {
            // Dashes are counted in pen widths.
            QByteArray dashes;
            for (double dash : pen.dashPattern()) {
                if (!dashes.isEmpty()) dashes += ',';
                appendNumber(dashes, dash * width);
            }
            if (!dashes.isEmpty()) {
                out += " stroke-dasharray=\"" + dashes + '"';
                if (pen.dashOffset() != 0)
                    out += " stroke-dashoffset=\"" + number(pen.dashOffset() * width) + '"';
            }
        }
        return out;
    }

    void element(QByteArray& e, const Placement& at) {
        if (!at.mapped) e += transformAttribute(at.t);
        e += "/>\n";
        sync();
        put(e);
    }

    // Opens the group for the clip and the antialiasing in force, where they changed.
    void sync() {
        bool changed = false;
        if (clipDirty_) {
            clipDirty_ = false;
            std::optional<QPainterPath> clip;
            if (painter() && painter()->hasClipping())
                clip = painter()->combinedTransform().map(painter()->clipPath());
            if (clip != clip_) {
                clip_ = std::move(clip);
                changed = true;
            }
        }
        const bool crisp = !state->renderHints().testFlag(QPainter::Antialiasing);
        if (crisp != crisp_) {
            crisp_ = crisp;
            changed = true;
        }
        if (!changed) return;
        if (groupOpen_) put("</g>\n");
        groupOpen_ = clip_ || crisp_;
        if (!groupOpen_) return;
        QByteArray g = "<g";
        if (clip_) {
            const QByteArray id = "clip" + QByteArray::number(++clipCount_);
            QByteArray shape;
            const QRectF bounds = clip_->boundingRect();
            QPainterPath box;
            box.addRect(bounds);
            if (*clip_ == box || clip_->isEmpty())
                shape = "<rect x=\"" + number(bounds.x()) + "\" y=\"" + number(bounds.y()) +
                        "\" width=\"" + number(bounds.width()) + "\" height=\"" +
                        number(bounds.height()) + "\"/>";
            else
                shape = "<path d=\"" + pathData(*clip_) + '"' +
                        (clip_->fillRule() == Qt::OddEvenFill ? " clip-rule=\"evenodd\"" : "") +
                        "/>";
            put("<defs><clipPath id=\"" + id + "\">" + shape + "</clipPath></defs>\n");
            g += " clip-path=\"url(#" + id + ")\"";
        }
        if (crisp_) g += " shape-rendering=\"crispEdges\"";
        put(g + ">\n");
    }

    void put(const QByteArray& bytes) {
        buffer_ += bytes;
        if (buffer_.size() >= kChunk) flush();
    }

    void flush() {
        if (buffer_.isEmpty()) return;
        if (error_.isEmpty()) {
            const qint64 written = out_->write(buffer_);
            if (written != buffer_.size())
                error_ = QStringLiteral("writing failed: %1").arg(out_->errorString());
        }
        buffer_.clear();
    }

    QIODevice* out_;
    QRect viewBox_;
    QString title_;
    QByteArray buffer_;
    QString error_;
    std::optional<QPainterPath> clip_;  // in device pixels; none: not clipped
    bool clipDirty_ = true;
    bool crisp_ = false;
    bool groupOpen_ = false;
    int clipCount_ = 0;
};

SvgWriter::SvgWriter(QIODevice* out, const QRect& viewBox, const QString& title)
    : viewBox_(viewBox), engine_(std::make_unique<SvgPaintEngine>(out, viewBox, title)) {}

SvgWriter::~SvgWriter() = default;

QPaintEngine* SvgWriter::paintEngine() const {
    return engine_.get();
}

QString SvgWriter::error() const {
    return engine_->error();
}

int SvgWriter::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return viewBox_.width();
        case PdmHeight:
            return viewBox_.height();
        case PdmWidthMM:
            return qRound(viewBox_.width() * 25.4 / kDpi);
        case PdmHeightMM:
            return qRound(viewBox_.height() * 25.4 / kDpi);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kDpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
    }
}

}  // namespace viewer
