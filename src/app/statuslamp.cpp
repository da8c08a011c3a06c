#include "statuslamp.h"

#include <QPainter>

namespace app {

StatusLamp::StatusLamp(QColor color, QWidget* parent) : QWidget(parent), color_(color) {}

void StatusLamp::setBackStyle(int style) {
    const int s = style == 0 ? 0 : 1;
    if (s == backStyle_) return;
    backStyle_ = s;
    update();
}

void StatusLamp::setBackColor(QColor color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(backStyle_ == 1 ? QBrush(color_) : QBrush(Qt::NoBrush));
    const int d = qMin(width(), height()) - 1;
    p.drawEllipse(QRect((width() - d) / 2, (height() - d) / 2, d, d));
}

}  // namespace app
