#include "drawingsurface.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace charts {
namespace {

// Keeps a position computed as an exact pixel boundary from landing one pixel short through
// rounding noise.
constexpr double kPixelEpsilon = 1e-6;

int pixelIndex(double p) {
    return static_cast<int>(std::floor(p + kPixelEpsilon));
}

// Cuts the segment a-b to the rectangle [xmin, xmax] x [ymin, ymax] (Liang-Barsky).
// False when nothing of it lies inside.
bool clipSegment(QPointF& a, QPointF& b, double xmin, double ymin, double xmax, double ymax) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    if (!std::isfinite(dx) || !std::isfinite(dy)) return false;
    double t0 = 0.0, t1 = 1.0;
    auto edge = [&](double p, double q) {
        if (p == 0.0) return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!edge(-dx, a.x() - xmin) || !edge(dx, xmax - a.x()) || !edge(-dy, a.y() - ymin) ||
        !edge(dy, ymax - a.y()))
        return false;
    const QPointF start = a;
    if (t1 < 1.0) b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
    if (t0 > 0.0) a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
    return true;
}

int buttonBits(Qt::MouseButtons buttons) {
    int bits = 0;
    if (buttons & Qt::LeftButton) bits |= 1;
    if (buttons & Qt::RightButton) bits |= 2;
    if (buttons & Qt::MiddleButton) bits |= 4;
    return bits;
}

int shiftBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= 1;
    if (modifiers & Qt::ControlModifier) bits |= 2;
    if (modifiers & Qt::AltModifier) bits |= 4;
    return bits;
}

}  // namespace

DrawingSurface::DrawingSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    syncImageSize();
}

void DrawingSurface::scale(double left, double top, double right, double bottom) {
    m_scaled = true;
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
}

void DrawingSurface::setBackColor(const QColor& color) {
    m_back = color;
    cls();
}

void DrawingSurface::cls() {
    syncImageSize();
    m_image.fill(m_back.rgb());
    if (m_scaled) {
        m_currentX = m_left;
        m_currentY = m_top;
    } else {
        m_currentX = m_currentY = 0;
    }
    requestRepaint();
}

double DrawingSurface::unitsPerPixelX() const {
    return m_scaled ? (m_right - m_left) / std::max(1, width()) : 1.0;
}

double DrawingSurface::unitsPerPixelY() const {
    return m_scaled ? (m_bottom - m_top) / std::max(1, height()) : 1.0;
}

QPointF DrawingSurface::toPixel(double x, double y) const {
    if (!m_scaled) return QPointF(x, y);
    return QPointF((x - m_left) / unitsPerPixelX(), (y - m_top) / unitsPerPixelY());
}

QPoint DrawingSurface::pixelAt(double x, double y) const {
    const QPointF p = toPixel(x, y);
    auto index = [](double v) {
        if (!(v > -1e9)) return -1000000000;  // also NaN
        if (v > 1e9) return 1000000000;
        return pixelIndex(v);
    };
    return QPoint(index(p.x()), index(p.y()));
}

QPointF DrawingSurface::toUser(QPointF pixel) const {
    if (!m_scaled) return pixel;
    return QPointF(m_left + pixel.x() * unitsPerPixelX(), m_top + pixel.y() * unitsPerPixelY());
}

void DrawingSurface::line(double x1, double y1, double x2, double y2, const QColor& color) {
    syncImageSize();
    const int w = m_image.width();
    const int h = m_image.height();
    if (w <= 0 || h <= 0) return;

    const QPointF from = toPixel(x1, y1);
    QPointF a = from;
    QPointF b = toPixel(x2, y2);
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
        !std::isfinite(b.y()))
        return;
    // Clip a pixel beyond the image so that the pixels on its border are decided by the
    // stepping below, exactly as for an unclipped line.
    if (!clipSegment(a, b, -1.0, -1.0, w + 1.0, h + 1.0)) return;

    int ax = pixelIndex(a.x()), ay = pixelIndex(a.y());
    const int bx = pixelIndex(b.x()), by = pixelIndex(b.y());
    const int dx = std::abs(bx - ax), dy = -std::abs(by - ay);
    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;

    const bool dotted = m_style == Dotted;
    constexpr int period = kDotOn + kDotOff;
    int phase = 0;
    if (dotted && (a.x() != from.x() || a.y() != from.y())) {
        // Keep the dot pattern anchored at the line's own start when its beginning was cut.
        const bool xMajor = dx >= -dy;
        const double skipped = xMajor ? std::floor(a.x()) - std::floor(from.x())
                                      : std::floor(a.y()) - std::floor(from.y());
        phase = static_cast<int>(std::fmod(std::abs(skipped), double(period)));
    }

    const QRgb rgb = color.rgb();
    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    auto plot = [&](int x, int y) {
        if (unsigned(x) < unsigned(w) && unsigned(y) < unsigned(h))
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
    };

    if (ay == by && !dotted) {
        // Horizontal solid line: one run.
        if (ay >= 0 && ay < h) {
            const int lo = std::max(0, std::min(ax, bx)), hi = std::min(w - 1, std::max(ax, bx));
            if (lo <= hi)
                std::fill_n(reinterpret_cast<QRgb*>(bits + ay * stride) + lo, hi - lo + 1, rgb);
        }
    } else {
        int err = dx + dy;
        for (int k = phase;; ++k) {
            if (!dotted || k % period < kDotOn) plot(ax, ay);
            if (ax == bx && ay == by) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                ax += sx;
            }
            if (e2 <= dx) {
                err += dx;
                ay += sy;
            }
        }
    }
    requestRepaint();
}

QPoint shiftInside(const QRect& box, const QSize& area) {
    auto shift = [](int start, int length, int limit) {
        if (start + length > limit) start = limit - length;
        return std::max(start, 0);
    };
    return QPoint(shift(box.left(), box.width(), area.width()),
                  shift(box.top(), box.height(), area.height()));
}

QFont DrawingSurface::textFont() const {
    QFont f = font();
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QRect DrawingSurface::textBox(const QString& text) const {
    const QFontMetrics metrics(textFont());
    const QPoint topLeft = pixelAt(m_currentX, m_currentY);
    // The advance box, widened by any glyph reaching past it.
    const QRect layout(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height()));
    const QRect ink =
        metrics.boundingRect(text).translated(topLeft.x(), topLeft.y() + metrics.ascent());
    return layout.united(ink);
}

void DrawingSurface::drawTextAt(QPoint topLeft, const QString& text) {
    const QFont f = textFont();
    const QFontMetrics metrics(f);
    QPainter painter(&m_image);
    painter.setFont(f);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    requestRepaint();
}

void DrawingSurface::print(const QString& text) {
    syncImageSize();
    if (m_image.isNull()) return;
    drawTextAt(pixelAt(m_currentX, m_currentY), text);
}

void DrawingSurface::printWithin(const QString& text) {
    syncImageSize();
    if (m_image.isNull()) return;
    const QPoint topLeft = pixelAt(m_currentX, m_currentY);
    const QRect box = textBox(text);
    drawTextAt(topLeft + (shiftInside(box, m_image.size()) - box.topLeft()), text);
}

void DrawingSurface::syncImageSize() {
    const QSize wanted = size();
    if (m_image.size() == wanted) return;
    if (wanted.isEmpty()) {
        m_image = QImage();
        return;
    }
    QImage next(wanted, QImage::Format_RGB32);
    next.fill(m_back.rgb());
    if (!m_image.isNull()) {
        QPainter painter(&next);
        painter.drawImage(0, 0, m_image);
    }
    m_image = std::move(next);
}

void DrawingSurface::requestRepaint() {
    // One pending update per frame is enough; a hidden widget ignores update() anyway and gets
    // a full paint when shown.
    if (m_repaintRequested) return;
    m_repaintRequested = isVisible();
    update();
}

void DrawingSurface::paintEvent(QPaintEvent*) {
    m_repaintRequested = false;
    syncImageSize();
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void DrawingSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    syncImageSize();
}

void DrawingSurface::mousePressEvent(QMouseEvent* event) {
    const QPointF u = toUser(event->position());
    emit mouseDown(buttonBits(event->button()), shiftBits(event->modifiers()), u.x(), u.y());
}

void DrawingSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPointF u = toUser(event->position());
    emit mouseMove(buttonBits(event->buttons()), shiftBits(event->modifiers()), u.x(), u.y());
}

void DrawingSurface::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF u = toUser(event->position());
    emit mouseUp(buttonBits(event->button()), shiftBits(event->modifiers()), u.x(), u.y());
}

}  // namespace charts
