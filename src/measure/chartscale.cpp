#include "chartscale.h"

#include <algorithm>
#include <array>

namespace measure {
namespace {

struct ScaleRow {
    const char* caption;
    float factor;
    bool divide;
};

constexpr std::array<ScaleRow, 10> kScales{{
    {"100A", 1000.0f, true},
    {"10A", 100.0f, true},
    {"1A", 10.0f, true},
    {"500mA", 5.0f, true},
    {"100mA", 1.0f, false},
    {"10mA", 10.0f, false},
    {"1mA", 100.0f, false},
    {"0.5mA", 500.0f, false},
    {"0.1mA", 1000.0f, false},
    {"0.05mA", 5000.0f, false},
}};

constexpr std::array<int, 5> kWindowSamples{16, 83, 166, 250, 500};
constexpr std::array<const char*, 5> kWindowCaptions{"1s", "5s", "10s", "15s", "30s"};

}  // namespace

int WindowSampleCount(int slider2Position) {
    if (slider2Position < 0 || slider2Position >= int(kWindowSamples.size())) return 0;
    return kWindowSamples[std::size_t(slider2Position)];
}

QString windowCaption(int slider2Position) {
    if (slider2Position < 0 || slider2Position >= int(kWindowCaptions.size())) return {};
    return QString::fromLatin1(kWindowCaptions[std::size_t(slider2Position)]);
}

ChartScale chartScaleFor(int slider1Position) {
    const auto& row = kScales[std::size_t(std::clamp(slider1Position, 0, 9))];
    return {QString::fromLatin1(row.caption), row.factor, row.divide};
}

float applyChartScale(const ChartScale& s, float ma) {
    return s.divide ? ma / s.factor : ma * s.factor;
}

}  // namespace measure
