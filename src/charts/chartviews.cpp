#include "chartviews.h"

#include "charts/livechart.h"
#include "measure/chartscale.h"

namespace charts {

ChartViews::ChartViews(DrawingSurface* picture1, DrawingSurface* picture3, DrawingSurface* picture4)
    : m_picture1(picture1), m_picture3(picture3), m_picture4(picture4) {}

void ChartViews::setChartValues(const float* values501) {
    m_values = values501;
}

void ChartViews::setWindowSampleCountSource(std::function<int()> source) {
    m_sampleCount = std::move(source);
}

int ChartViews::windowSampleCount() const {
    return m_sampleCount ? m_sampleCount() : measure::WindowSampleCount(2);
}

void ChartViews::resetAll() {
    ResetLiveChart();
    InitYCursorStrip();
    InitXCursorStrip();
}

void ChartViews::ResetLiveChart() {
    if (m_picture1) setUpLiveChart(*m_picture1);
    m_cursors = ChartCursors{0, 500, 500, 0};
    if (m_picture1)
        charts::DrawLiveChart(*m_picture1, 0, 500, 500, 0, m_traceVisible, m_values,
                              windowSampleCount());
}

void ChartViews::DrawLiveChart() {
    if (!m_picture1) return;
    charts::DrawLiveChart(*m_picture1, float(m_cursors.x1), float(m_cursors.x2), float(m_cursors.y),
                          float(m_cursors.z), m_traceVisible, m_values, windowSampleCount());
}

void ChartViews::InitXCursorStrip() {
    if (!m_picture4) return;
    setUpXCursorStrip(*m_picture4);
    drawXCursorStrip();
}

void ChartViews::InitYCursorStrip() {
    if (!m_picture3) return;
    setUpYCursorStrip(*m_picture3);
    drawYCursorStrip();
}

void ChartViews::drawXCursorStrip() {
    if (m_picture4) charts::drawXCursorStrip(*m_picture4, m_cursors.x1, m_cursors.x2);
}

void ChartViews::drawYCursorStrip() {
    if (m_picture3) charts::drawYCursorStrip(*m_picture3, m_cursors.y, m_cursors.z);
}

void ChartViews::redrawAfterXChange() {
    drawXCursorStrip();
    DrawLiveChart();
}

void ChartViews::redrawAfterYChange() {
    drawYCursorStrip();
    DrawLiveChart();
}

std::optional<QString> ChartViews::Picture1_MouseMove(double x, double y) const {
    return mouseReadout(x, y);
}

void ChartViews::Picture4_MouseDown(int button, double x) {
    m_xDrag.press(button, x, m_cursors);
}

void ChartViews::Picture4_MouseMove(double x) {
    if (m_xDrag.move(x, m_cursors)) redrawAfterXChange();
}

void ChartViews::Picture4_MouseUp(int button) {
    m_xDrag.release(button);
}

void ChartViews::Picture3_MouseDown(int button, double y) {
    m_yDrag.press(button, y, m_cursors);
}

void ChartViews::Picture3_MouseMove(double y) {
    if (m_yDrag.move(y, m_cursors)) redrawAfterYChange();
}

void ChartViews::Picture3_MouseUp(int button) {
    m_yDrag.release(button);
}

bool ChartViews::enterX1(const QString& text) {
    return store(parseCursorEntry(text), m_cursors.x1, &ChartViews::redrawAfterXChange);
}

bool ChartViews::enterX2(const QString& text) {
    return store(parseCursorEntry(text), m_cursors.x2, &ChartViews::redrawAfterXChange);
}

bool ChartViews::enterY(const QString& text) {
    return store(parseCursorEntry(text), m_cursors.y, &ChartViews::redrawAfterYChange);
}

bool ChartViews::enterZ(const QString& text) {
    return store(parseZeroEntry(text), m_cursors.z, &ChartViews::redrawAfterYChange);
}

void ChartViews::connectMouse(std::function<void(const QString&)> readout) {
    QObject* ctx = &m_connections;
    if (m_picture1)
        QObject::connect(m_picture1, &DrawingSurface::mouseMove, ctx,
                         [this, readout](int, int, double x, double y) {
                             if (const auto caption = Picture1_MouseMove(x, y); caption && readout)
                                 readout(*caption);
                         });
    if (m_picture4) {
        QObject::connect(
            m_picture4, &DrawingSurface::mouseDown, ctx,
            [this](int button, int, double x, double) { Picture4_MouseDown(button, x); });
        QObject::connect(m_picture4, &DrawingSurface::mouseMove, ctx,
                         [this](int, int, double x, double) { Picture4_MouseMove(x); });
        QObject::connect(m_picture4, &DrawingSurface::mouseUp, ctx,
                         [this](int button, int, double, double) { Picture4_MouseUp(button); });
    }
    if (m_picture3) {
        QObject::connect(
            m_picture3, &DrawingSurface::mouseDown, ctx,
            [this](int button, int, double, double y) { Picture3_MouseDown(button, y); });
        QObject::connect(m_picture3, &DrawingSurface::mouseMove, ctx,
                         [this](int, int, double, double y) { Picture3_MouseMove(y); });
        QObject::connect(m_picture3, &DrawingSurface::mouseUp, ctx,
                         [this](int button, int, double, double) { Picture3_MouseUp(button); });
    }
}

}  // namespace charts
