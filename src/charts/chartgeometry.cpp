#include "chartgeometry.h"

#include <QCoreApplication>
#include <cmath>

#include "measure/leadingnumber.h"

namespace charts {

QString invalidValueText() {
    return QCoreApplication::translate("ChartGeometry", "输入无效值");
}

namespace {

constexpr int kMaxSamples = 500;  // the chart values hold indices 0..500

bool inChart(float v) {
    return v >= 0.0f && v <= 1000.0f;
}

std::vector<Segment> buildTickLines() {
    std::vector<Segment> t;
    t.reserve(432);
    auto series = [&t](int first, int last, int step, auto make) {
        for (int i = first; i <= last; i += step) t.push_back(make(float(i)));
    };
    series(10, 990, 10, [](float i) { return Segment{i, 0, i, 12}; });
    series(100, 900, 100, [](float i) { return Segment{i, 0, i, 20}; });
    series(10, 990, 10, [](float i) { return Segment{i, 1000, i, 988}; });
    series(100, 900, 100, [](float i) { return Segment{i, 1000, i, 980}; });
    series(10, 990, 10, [](float i) { return Segment{0, i, 8, i}; });
    series(100, 900, 100, [](float i) { return Segment{0, i, 15, i}; });
    series(10, 990, 10, [](float i) { return Segment{1000, i, 992, i}; });
    series(100, 900, 100, [](float i) { return Segment{1000, i, 985, i}; });
    return t;
}

QString markerLabel(const char* name, float v) {
    return QLatin1String(name) + QString::number(measure::roundHalfEven16(v));
}

}  // namespace

const std::array<Segment, 4>& frameLines() {
    static const std::array<Segment, 4> frame{{
        {0, 0, 1000, 0},
        {0, 1000, 1000, 1000},
        {0, 0, 0, 1000},
        {1000, 0, 1000, 1000},
    }};
    return frame;
}

const std::vector<Segment>& tickLines() {
    static const std::vector<Segment> ticks = buildTickLines();
    return ticks;
}

std::vector<Segment> cursorLines(float x1, float x2, float y, float z) {
    std::vector<Segment> lines;
    lines.reserve(4);
    if (inChart(y)) lines.push_back({0, y, 1000, y});
    if (inChart(z)) lines.push_back({0, z, 1000, z});
    if (inChart(x1)) lines.push_back({x1, 0, x1, 1000});
    if (inChart(x2)) lines.push_back({x2, 0, x2, 1000});
    return lines;
}

void appendTraceSegments(const float* values, int n, float z, std::vector<Segment>& out) {
    if (values == nullptr || n < 1 || n > kMaxSamples) return;
    const double step = 1000.0 / n;
    for (int i = 1; i <= n; ++i) {
        const float a = z + values[i - 1];
        const float b = z + values[i];
        const float left = static_cast<float>(step * (i - 1));
        const float right = static_cast<float>(step * i);
        // A value that is not a number would otherwise slip through every comparison.
        if (!(a >= 0.0f) || !(b >= 0.0f))
            out.push_back({left, 0, right, 0});
        else if (a > 1000.0f || b > 1000.0f)
            out.push_back({left, 1000, right, 1000});
        else
            out.push_back({left, a, right, b});
    }
}

std::optional<QString> mouseReadout(double x, double y) {
    // Written so that NaN fails too.
    if (!(x > 0.0 && x < 1000.0 && y > 0.0 && y < 1000.0)) return std::nullopt;
    return QStringLiteral("X: ") + QString::number(measure::roundHalfEven16(x)) +
           QStringLiteral(" ") + QStringLiteral("Y: ") +
           QString::number(measure::roundHalfEven16(y));
}

std::optional<std::array<StripMarker, 2>> XStripMarkers(float x1, float x2) {
    if (!inChart(x1) || !inChart(x2)) return std::nullopt;
    auto marker = [](float v, const char* name) {
        return StripMarker{{{{v, 0, v + 20, 20}, {v, 0, v - 20, 20}, {v + 20, 20, v - 20, 20}}},
                           v - 25,
                           21,
                           markerLabel(name, v)};
    };
    return std::array<StripMarker, 2>{marker(x1, "x1:"), marker(x2, "x2:")};
}

std::optional<std::array<StripMarker, 2>> YStripMarkers(float y, float z) {
    if (!inChart(y) || !inChart(z)) return std::nullopt;
    auto marker = [](float v, const char* name) {
        return StripMarker{{{{0, v, 20, v + 20}, {0, v, 20, v - 20}, {20, v + 20, 20, v - 20}}},
                           21,
                           v + 10,
                           markerLabel(name, v)};
    };
    return std::array<StripMarker, 2>{marker(y, "y:"), marker(z, "Z:")};
}

double clampToChart(double v) {
    if (v > 1000.0) return 1000.0;
    if (v >= 0.0) return v;
    return 0.0;
}

void XDragState::press(int button, double x, const ChartCursors& cursors) {
    if (button != 1) return;
    if (cursors.x1 - 10 <= x && x <= cursors.x1 + 10)
        m_state = 1;
    else if (cursors.x2 - 10 <= x && x <= cursors.x2 + 10)
        m_state = 2;
    else
        m_state = 0;
}

void XDragState::release(int button) {
    if (button == 1) m_state = 0;
}

bool XDragState::move(double x, ChartCursors& cursors) const {
    if (m_state != 1 && m_state != 2) return false;
    const double v = static_cast<float>(clampToChart(x));
    (m_state == 1 ? cursors.x1 : cursors.x2) = v;
    return true;
}

void YDragState::press(int button, double y, const ChartCursors& cursors) {
    if (button != 1) return;
    const int z = cursors.z;
    if (cursors.y - 10 <= y && y <= cursors.y + 10)
        m_state = 1;
    else if (z - 10 <= y && y <= z + 10)
        m_state = 2;
    else
        m_state = 0;
}

void YDragState::release(int button) {
    if (button == 1) m_state = 0;
}

bool YDragState::move(double y, ChartCursors& cursors) const {
    if (m_state == 1) {
        cursors.y = static_cast<float>(clampToChart(y));
        return true;
    }
    if (m_state == 2) {
        cursors.z = measure::roundHalfEven16(clampToChart(y));
        return true;
    }
    return false;
}

std::optional<double> parseCursorEntry(const QString& text) {
    const double v = measure::parseLeadingNumber(text);
    if (!(v >= 0.0 && v <= 1000.0)) return std::nullopt;
    return v;
}

std::optional<qint16> parseZeroEntry(const QString& text) {
    const std::optional<double> v = parseCursorEntry(text);
    if (!v) return std::nullopt;
    return measure::roundHalfEven16(*v);
}

}  // namespace charts
