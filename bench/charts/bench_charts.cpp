// Redraw cost of the live chart and a cursor strip at their on-screen sizes.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <vector>

#include "charts/livechart.h"

namespace {

std::vector<float> Wave() {
    std::vector<float> values(501);
    for (int i = 0; i < 501; ++i) values[i] = 500.0f + 450.0f * float(std::sin(i * 0.05));
    return values;
}

void BM_DrawLiveChart(benchmark::State& state) {
    charts::DrawingSurface surface;
    surface.resize(533, 400);
    charts::setUpLiveChart(surface);
    const std::vector<float> values = Wave();
    for (auto _ : state) {
        charts::DrawLiveChart(surface, 100, 700, 400, 200, true, values.data(), 500);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(BM_DrawLiveChart)->Unit(benchmark::kMicrosecond);

void BM_DrawXCursorStrip(benchmark::State& state) {
    charts::DrawingSurface surface;
    surface.resize(533, 53);
    charts::setUpXCursorStrip(surface);
    float x = 0;
    for (auto _ : state) {
        charts::drawXCursorStrip(surface, x, 500);
        x = x >= 1000 ? 0 : x + 1.5f;
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(BM_DrawXCursorStrip)->Unit(benchmark::kMicrosecond);

void BM_DrawYCursorStrip(benchmark::State& state) {
    charts::DrawingSurface surface;
    surface.resize(53, 400);
    charts::setUpYCursorStrip(surface);
    float y = 0;
    for (auto _ : state) {
        charts::drawYCursorStrip(surface, y, 0);
        y = y >= 1000 ? 0 : y + 1.5f;
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(BM_DrawYCursorStrip)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // Runs headless unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
