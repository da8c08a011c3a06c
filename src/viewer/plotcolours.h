#pragma once
// The colours of the picture, shared by its drawing and its legend.

#include <QColor>

namespace viewer {

inline const QColor kBandColour(160, 190, 240);
inline const QColor kLineColour(0, 60, 170);
inline const QColor kGridColour(225, 225, 225);
inline const QColor kThresholdColour(220, 0, 0);
inline const QColor kAlarmColour(220, 0, 0);
inline const QColor kAlarmEndColour(0, 150, 0);
inline const QColor kOverloadColour(240, 130, 0);
inline const QColor kErrorColour(170, 0, 170);
inline const QColor kGapColour(225, 225, 225);
inline const QColor kAlarmShade(255, 0, 0, 56);  // over white: (255, 199, 199)

}  // namespace viewer
