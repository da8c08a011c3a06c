#include "svgpicture.h"

#include <QIODevice>
#include <QPainter>

#include "svgwriter.h"

namespace viewer {

bool paintSvg(QIODevice* out, const QRect& rect, const std::function<void(QPainter&)>& draw,
              QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!out || !out->isWritable()) return fail(QStringLiteral("not open for writing"));
    SvgWriter svg(out, rect, QStringLiteral("leakmeter"));
    QPainter painter;
    if (!painter.begin(&svg)) return fail(svg.error());
    draw(painter);
    painter.end();
    if (!svg.error().isEmpty()) return fail(svg.error());
    return true;
}

}  // namespace viewer
