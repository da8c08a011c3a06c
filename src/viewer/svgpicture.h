#pragma once
// The SVG picture: `draw` paints the picture on a painter whose drawing becomes SVG in `out`,
// through the program's own SVG writer (svgwriter.h) on every platform.

#include <QRect>
#include <QString>
#include <functional>

class QIODevice;
class QPainter;

namespace viewer {

// False, with the reason in *error, when the picture did not reach `out` whole (not writable,
// a write refused, the disk full).
bool paintSvg(QIODevice* out, const QRect& rect, const std::function<void(QPainter&)>& draw,
              QString* error);

}  // namespace viewer
