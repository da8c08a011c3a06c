#include <QPainter>
#include <QSvgGenerator>

#include "svgpicture.h"

namespace viewer {

bool paintSvg(QIODevice* out, const QRect& rect, const std::function<void(QPainter&)>& draw,
              QString*) {
    QSvgGenerator svg;
    svg.setOutputDevice(out);
    svg.setSize(rect.size());
    svg.setViewBox(rect);
    svg.setTitle(QStringLiteral("leakmeter"));
    QPainter painter(&svg);
    draw(painter);
    return true;
}

}  // namespace viewer
