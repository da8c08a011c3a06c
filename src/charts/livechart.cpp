#include "livechart.h"

#include "charts/chartgeometry.h"

namespace charts {
namespace {

template <typename Lines>
void drawSegments(DrawingSurface& surface, const Lines& lines, const QColor& color) {
    for (const Segment& s : lines) surface.line(s.x1, s.y1, s.x2, s.y2, color);
}

void drawMarkers(DrawingSurface& surface, const std::array<StripMarker, 2>& markers) {
    for (const StripMarker& m : markers) {
        drawSegments(surface, m.lines, kStripMarkerColor);
        surface.setCurrentX(m.labelX);
        surface.setCurrentY(m.labelY);
        // A marker at either end of the strip keeps its whole caption in view; only the
        // text moves, the marker stays at its value.
        surface.printWithin(m.label);
    }
}

}  // namespace

void setUpLiveChart(DrawingSurface& surface) {
    surface.setBackColor(kChartBackColor);
    surface.scale(-10, 1010, 1010, -10);
}

void setUpXCursorStrip(DrawingSurface& surface) {
    surface.setBackColor(kStripBackColor);
    surface.scale(-10, 0, 1010, 136);
}

void setUpYCursorStrip(DrawingSurface& surface) {
    surface.setBackColor(kStripBackColor);
    surface.scale(0, 1010, 136, -10);
}

void DrawLiveChart(DrawingSurface& surface, float x1, float x2, float y, float z, bool traceVisible,
                   const float* values, int n) {
    surface.cls();
    surface.setDrawStyle(DrawingSurface::Solid);
    drawSegments(surface, frameLines(), kChartLineColor);
    drawSegments(surface, tickLines(), kChartLineColor);

    surface.setDrawStyle(DrawingSurface::Dotted);
    drawSegments(surface, cursorLines(x1, x2, y, z), kChartLineColor);
    if (!traceVisible) return;

    surface.setDrawStyle(DrawingSurface::Solid);
    std::vector<Segment> trace;
    trace.reserve(n > 0 ? n : 0);
    appendTraceSegments(values, n, z, trace);
    drawSegments(surface, trace, kTraceColor);
}

void drawXCursorStrip(DrawingSurface& surface, float x1, float x2) {
    surface.setDrawStyle(DrawingSurface::Solid);
    const auto markers = XStripMarkers(x1, x2);
    if (!markers) return;
    surface.cls();
    drawMarkers(surface, *markers);
}

void drawYCursorStrip(DrawingSurface& surface, float y, float z) {
    surface.setDrawStyle(DrawingSurface::Solid);
    const auto markers = YStripMarkers(y, z);
    if (!markers) return;
    surface.cls();
    drawMarkers(surface, *markers);
}

}  // namespace charts
