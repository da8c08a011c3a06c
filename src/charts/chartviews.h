#pragma once
// The three chart views of the main window: the live chart (Picture1), the y/Z strip
// (Picture3) and the x strip (Picture4), with the cursor values they share and the handlers
// for their mouse events and typed values.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "charts/chartgeometry.h"
#include "charts/drawingsurface.h"

namespace charts {

class ChartViews {
  public:
    // The surfaces stay owned by the window; any of them may be null (then it is not drawn).
    ChartViews(DrawingSurface* picture1, DrawingSurface* picture3, DrawingSurface* picture4);
    ChartViews(const ChartViews&) = delete;
    ChartViews& operator=(const ChartViews&) = delete;

    // The 501 chart values of the live series; the pointer is kept and read at every draw.
    void setChartValues(const float* values501);
    // Gives the number of trace segments at draw time (the time-window slider mapped through
    // WindowSampleCount). Without a source the slider's initial position (166) is used.
    void setWindowSampleCountSource(std::function<int()> source);

    ChartCursors& cursors() { return m_cursors; }
    const ChartCursors& cursors() const { return m_cursors; }
    // Whether the trace is drawn; takes effect at the next redraw.
    bool traceVisible() const { return m_traceVisible; }
    void setTraceVisible(bool visible) { m_traceVisible = visible; }

    // Start-up and stop: ResetLiveChart, InitYCursorStrip, InitXCursorStrip.
    void resetAll();
    // Chart colours and coordinates, cursors back to 0/500/500/0, chart redrawn.
    void ResetLiveChart();
    // Redraws the chart with the current cursors.
    void DrawLiveChart();
    void InitXCursorStrip();
    void InitYCursorStrip();
    void drawXCursorStrip();
    void drawYCursorStrip();

    // Mouse over the chart: the new readout caption, or nullopt to keep the old one.
    std::optional<QString> Picture1_MouseMove(double x, double y) const;
    void Picture4_MouseDown(int button, double x);
    void Picture4_MouseMove(double x);
    void Picture4_MouseUp(int button);
    void Picture3_MouseDown(int button, double y);
    void Picture3_MouseMove(double y);
    void Picture3_MouseUp(int button);

    // Enter in the x1, x2, y and Z boxes. false: the value is refused and nothing changed; the
    // caller shows invalidValueText() in the status line.
    bool enterX1(const QString& text);
    bool enterX2(const QString& text);
    bool enterY(const QString& text);
    bool enterZ(const QString& text);

    int xDragState() const { return m_xDrag.value(); }
    int yDragState() const { return m_yDrag.value(); }

    // Connects the mouse signals of the three surfaces to the handlers above; readout receives
    // each new caption for the chart's mouse readout. The connections end with this object.
    void connectMouse(std::function<void(const QString&)> readout);

  private:
    int windowSampleCount() const;
    void redrawAfterXChange();
    void redrawAfterYChange();
    // A typed value that was accepted goes into its cursor and both views are redrawn;
    // a refused one (nullopt) changes nothing.
    template <typename T>
    bool store(const std::optional<T>& value, T& cursor, void (ChartViews::*redraw)()) {
        if (!value) return false;
        cursor = *value;
        (this->*redraw)();
        return true;
    }

    DrawingSurface* m_picture1;
    DrawingSurface* m_picture3;
    DrawingSurface* m_picture4;
    const float* m_values = nullptr;
    std::function<int()> m_sampleCount;
    ChartCursors m_cursors;
    bool m_traceVisible = false;
    XDragState m_xDrag;
    YDragState m_yDrag;
    QObject m_connections;  // context of the signal connections
};

}  // namespace charts
