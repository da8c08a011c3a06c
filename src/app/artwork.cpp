#include "artwork.h"

#include <QCoreApplication>

#include <QLinearGradient>
#include <QPainter>

#include "twips.h"

namespace app {

QIcon windowIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0, 0, 160), 2));
    p.setBrush(QColor(230, 240, 255));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    // A clamp jaw around a conductor.
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.drawArc(QRectF(8, 8, 16, 16), 30 * 16, 300 * 16);
    p.setBrush(QColor(0, 0, 160));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(13, 13, 6, 6));
    return QIcon(pm);
}

QPixmap bannerPixmap() {
    QPixmap pm(188, 125);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 125);
    g.setColorAt(0, QColor(20, 60, 190));
    g.setColorAt(1, QColor(150, 190, 255));
    p.fillRect(pm.rect(), g);
    p.setPen(QColor(220, 0, 0));
    QFont f = songFont(14);
    f.setBold(true);
    p.setFont(f);
    p.drawText(pm.rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
               QCoreApplication::translate("Artwork", "高精度钳形\n漏电流表"));
    return pm;
}

}  // namespace app
