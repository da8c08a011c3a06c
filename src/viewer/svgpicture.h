#pragma once
// The SVG picture: `draw` paints the picture on a painter whose drawing becomes SVG in `out`.
// One implementation per build: Qt SVG's generator where the build has Qt SVG (Linux), a clear
// refusal where it does not (Windows).

#include <QRect>
#include <QString>
#include <functional>

class QIODevice;
class QPainter;

namespace viewer {

// False, with the reason in *error, when this build cannot write SVG.
bool paintSvg(QIODevice* out, const QRect& rect, const std::function<void(QPainter&)>& draw,
              QString* error);

}  // namespace viewer
