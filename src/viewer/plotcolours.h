#pragma once
// The colours of the picture, shared by its drawing and its legend.

#include <QColor>
#include <iterator>

namespace viewer {

inline const QColor kBandColour(160, 190, 240);
inline const QColor kLineColour(0, 60, 170);
inline const QColor kGridColour(225, 225, 225);
inline const QColor kThresholdColour(220, 0, 0);
inline const QColor kOverloadColour(240, 130, 0);
inline const QColor kErrorColour(170, 0, 170);
inline const QColor kGapColour(225, 225, 225);
inline const QColor kAlarmShade(255, 0, 0, 56);  // over white: (255, 199, 199)

// The line's and the band's colour of the trace `i`: the first trace in blue, the others each
// in a colour of its own (after six the colours come again).
struct TraceColours {
    QColor line, band;
};
inline TraceColours traceColours(size_t i) {
    static const TraceColours kColours[] = {
        {kLineColour, kBandColour},
        {QColor(0, 130, 60), QColor(165, 220, 180)},
        {QColor(150, 80, 0), QColor(230, 200, 160)},
        {QColor(0, 120, 140), QColor(160, 215, 225)},
        {QColor(110, 110, 0), QColor(220, 220, 160)},
        {QColor(70, 70, 120), QColor(190, 190, 220)},
    };
    return kColours[i % std::size(kColours)];
}

}  // namespace viewer
