#include "livereading.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>

namespace app {

namespace {

// Where the glyphs of `text` land when drawn centred in `box` (as QPainter::drawText with
// Qt::AlignCenter places a single line).
QRectF centredInk(const QFont& font, const QString& text, QSizeF box) {
    const QFontMetricsF m(font);
    const qreal advance = m.horizontalAdvance(text);
    const QPointF baseline((box.width() - advance) / 2,
                           (box.height() - m.height()) / 2 + m.ascent());
    // Across, the glyph boxes may reach past the advance (bearings), so both count; up and
    // down only the glyphs' own pixels do (the line height of a 42 pt CJK font exceeds the
    // box, its digits do not).
    const QRectF across = m.boundingRect(text).translated(baseline);
    const QRectF ink = m.tightBoundingRect(text).translated(baseline);
    const qreal left = qMin(across.left(), baseline.x());
    const qreal right = qMax(across.right(), baseline.x() + advance);
    return QRectF(QPointF(left, ink.top()), QPointF(right, ink.bottom()));
}

}  // namespace

qreal fittingPointSize(const QFont& font, const QString& text, QSize box, qreal maxPt,
                       qreal minPt) {
    // One pixel left free at each side, so no glyph pixel lies on the box's outer columns.
    const QRectF room(1, 0, box.width() - 2, box.height());
    QFont f = font;
    for (qreal pt = maxPt; pt > minPt; pt -= 0.5) {
        f.setPointSizeF(pt);
        const QRectF ink = centredInk(f, text, box);
        if (ink.left() >= room.left() && ink.right() <= room.right() && ink.top() >= room.top() &&
            ink.bottom() <= room.bottom())
            return pt;
    }
    return minPt;
}

QFont LiveReadingLabel::shownFont() const {
    const QSize box = contentsRect().size();
    if (text() != fittedText_ || font() != fittedFor_ || box != fittedSize_) {
        fittedText_ = text();
        fittedFor_ = font();
        fittedSize_ = box;
        fitted_ = font();
        fitted_.setPointSizeF(fittingPointSize(font(), text(), box, font().pointSizeF(),
                                               kLiveReadingMinimumPointSize));
    }
    return fitted_;
}

void LiveReadingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(shownFont());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), int(alignment()), text());
}

}  // namespace app
