#include "framepanel.h"

#include <QPainter>
#include <QStyle>

namespace app {

void FramePanel::paintEvent(QPaintEvent*) {
    QStyleOptionGroupBox whole;
    initStyleOption(&whole);
    // The frame is kept as a picture; the caption is drawn afresh on the widget each time, as
    // text drawn on a transparent picture loses the system's text smoothing (Windows' ClearType).
    QStyleOptionGroupBox option = whole;
    option.subControls &= ~QStyle::SC_GroupBoxLabel;
    if (!pictureFits(option)) {
        const qreal ratio = devicePixelRatioF();
        picture_ = QPixmap(size() * ratio);
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(Qt::transparent);
        // The painter starts out as one on the widget does: its font, pen and background.
        QPainter painter(&picture_);
        painter.setFont(font());
        painter.setPen(QPen(palette().brush(foregroundRole()), 1));
        painter.setBackground(palette().brush(backgroundRole()));
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
        pictureOption_ = option;
        pictureFont_ = font();
        pictureStyle_ = style();
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
    if (whole.subControls & QStyle::SC_GroupBoxLabel) {
        QStyleOptionGroupBox caption = whole;
        caption.subControls = QStyle::SC_GroupBoxLabel;
        style()->drawComplexControl(QStyle::CC_GroupBox, &caption, &painter, this);
    }
}

bool FramePanel::pictureFits(const QStyleOptionGroupBox& o) const {
    const QStyleOptionGroupBox& p = pictureOption_;
    return !picture_.isNull() && picture_.devicePixelRatio() == devicePixelRatioF() &&
           pictureStyle_ == style() && pictureFont_ == font() && o.rect == p.rect &&
           o.state == p.state && o.direction == p.direction && o.palette == p.palette &&
           o.text == p.text && o.textAlignment == p.textAlignment && o.textColor == p.textColor &&
           o.lineWidth == p.lineWidth && o.midLineWidth == p.midLineWidth &&
           o.features == p.features && o.subControls == p.subControls &&
           o.activeSubControls == p.activeSubControls;
}

}  // namespace app
