#pragma once
// Drawing of the live trend chart and the two cursor strips onto their surfaces.

#include "charts/drawingsurface.h"

namespace charts {

// Grey background (clears) and the chart coordinates: x -10..1010 left to right, y 1010..-10
// top to bottom.
void setUpLiveChart(DrawingSurface& surface);
// White background (clears) and x -10..1010 left to right, y 0..136 top to bottom.
void setUpXCursorStrip(DrawingSurface& surface);
// White background (clears) and x 0..136 left to right, y 1010..-10 top to bottom.
void setUpYCursorStrip(DrawingSurface& surface);

// Clears the chart and draws frame, ticks, the cursor lines in range and, when traceVisible,
// the trace of values[0] .. values[n] shifted up by z (`values` must hold n + 1 entries).
void DrawLiveChart(DrawingSurface& surface, float x1, float x2, float y, float z, bool traceVisible,
                   const float* values, int n);
// Redraws the x strip with the x1 and x2 markers; leaves it untouched when either value is
// outside 0..1000.
void drawXCursorStrip(DrawingSurface& surface, float x1, float x2);
// Redraws the y/Z strip with the y and z markers; leaves it untouched when either value is
// outside 0..1000.
void drawYCursorStrip(DrawingSurface& surface, float y, float z);

}  // namespace charts
