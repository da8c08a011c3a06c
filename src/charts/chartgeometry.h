#pragma once
// What the live chart and the two cursor strips draw, as plain data: line end points, label
// places and texts, the drag rules and the typed-value rules. Everything is in chart units
// (0..1000 across the plot square in both directions).

#include <QColor>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

namespace charts {

inline const QColor kChartBackColor(150, 150, 150);
inline const QColor kChartLineColor(0, 0, 255);  // frame, ticks, cursor lines
inline const QColor kTraceColor(0, 255, 0);
inline const QColor kStripBackColor(255, 255, 255);
inline const QColor kStripMarkerColor(0, 0, 255);

// Status text when a typed cursor value is refused.
QString invalidValueText();  // translated under the context "ChartGeometry"
// Caption of the mouse readout before the mouse has been over the chart.
inline const QString kReadoutInitialCaption = QStringLiteral("X:   Y:");

// The cursor values shared by the chart and the two strips, in chart units.
struct ChartCursors {
    double x1 = 0, x2 = 500, y = 500;
    qint16 z = 0;
};

struct Segment {
    float x1, y1, x2, y2;
    friend bool operator==(const Segment&, const Segment&) = default;
};

// The four frame lines of the plot square.
const std::array<Segment, 4>& frameLines();
// All tick marks in drawing order: bottom, top, left, right edge, each minor then major.
const std::vector<Segment>& tickLines();
// The dotted cursor lines that are in range (0 <= v <= 1000), in the order y, z, x1, x2.
std::vector<Segment> cursorLines(float x1, float x2, float y, float z);
// Appends the n trace segments joining values[0] .. values[n] (each shifted up by z) to `out`.
// A segment with an end below 0 lies on y = 0, else one with an end above 1000 on y = 1000;
// an end that is not a number counts as below 0. n outside 1..500 gives nothing.
void appendTraceSegments(const float* values, int n, float z, std::vector<Segment>& out);

// New readout caption for a mouse position over the chart, or nullopt to leave it unchanged.
std::optional<QString> mouseReadout(double x, double y);

// One triangle marker of a cursor strip with its label.
struct StripMarker {
    std::array<Segment, 3> lines;
    float labelX, labelY;  // top-left corner of the label
    QString label;
};
// The x1 then x2 markers of the x-cursor strip; nullopt when either value is outside 0..1000.
std::optional<std::array<StripMarker, 2>> XStripMarkers(float x1, float x2);
// The y then z markers of the y/Z strip; nullopt when either value is outside 0..1000.
std::optional<std::array<StripMarker, 2>> YStripMarkers(float y, float z);

// Clamps a dragged position to 0..1000 (NaN gives 0).
double clampToChart(double v);

// Which x cursor the x strip is dragging: 0 none, 1 x1, 2 x2.
class XDragState {
  public:
    // A press within 10 units of a cursor starts dragging it (x1 first). Left button only.
    void press(int button, double x, const ChartCursors& cursors);
    // A left-button release ends the drag.
    void release(int button);
    // Moves the dragged cursor to the clamped position; false when nothing is dragged.
    bool move(double x, ChartCursors& cursors) const;
    int value() const { return m_state; }

  private:
    int m_state = 0;
};

// Which marker the y strip is dragging: 0 none, 1 y, 2 z.
class YDragState {
  public:
    void press(int button, double y, const ChartCursors& cursors);
    void release(int button);
    // y takes the clamped position; z takes it rounded, halves to even.
    bool move(double y, ChartCursors& cursors) const;
    int value() const { return m_state; }

  private:
    int m_state = 0;
};

// A typed x1, x2 or y value: the leading number of the text, or nullopt when it is outside
// 0..1000.
std::optional<double> parseCursorEntry(const QString& text);
// A typed z value: range tested on the number as typed, then rounded halves to even.
std::optional<qint16> parseZeroEntry(const QString& text);

}  // namespace charts
