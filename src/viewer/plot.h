#pragma once
// The picture of one or more logs: a title line (the logs, the meter, the period shown), a
// legend of the marks shown, readings over local time as a min/max envelope per pixel column
// with the mean (or the reading) as the line, each trace (a meter's logs) in its own colour,
// gaps shaded and labelled with their length, overloads and errors marked on the time axis,
// alarms shaded from start to end, the alarm threshold as a dashed line and an optional
// cursor. The viewer window, its image save and `leakmeter --plot` all draw it. Margins and
// labels follow the text's size, so a page printed at any resolution keeps its text legible
// and whole.

#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "viewer/envelope.h"
#include "viewer/logdata.h"
#include "viewer/plotdata.h"

class QPainter;

namespace viewer {

struct PlotView {
    qint64 t0 = 0, t1 = 1;           // shown time range, ms since the epoch
    std::optional<double> alarmMa;   // threshold line(s), at +value and, below zero, -value
    std::optional<qint64> cursorMs;  // the cursor's time
    QStringList files;               // the logs drawn, named in the title
    QString meterId;                 // the meter (--meter-id); empty: as the logs' paths tell
    std::optional<QString> title;    // the title line instead of logs, meter and period
    int textPx = 12;                 // the text's height in the painter's units
};

// The time range of the rows and events, at least one second long.
std::pair<qint64, qint64> dataExtent(const LogData& data);

struct TimeTick {
    qint64 ms = 0;
    QString time;  // "17:30", or "17:30:15" for ticks less than a minute apart
    QString date;  // "12-08" on the first tick and where the local date changes, else empty
};

// Ticks on local-time boundaries (a second up to a week apart) for [t0, t1] drawn `width`
// pixels wide, at least `minSpacing` pixels apart.
std::vector<TimeTick> timeTicks(qint64 t0, qint64 t1, int width, int minSpacing);

// Round values (1, 2 or 5 times a power of ten apart) between lo and hi, at most about `most`.
std::vector<double> valueTicks(double lo, double hi, int most);

// The part of `rect` the curve is drawn in with text `textPx` high (the rest holds the title
// and the scales).
QRect plotArea(const QRect& rect, int textPx = 12);

// What the rows under the cursor say: those within `halfWidthMs` of `t` (a pixel column).
struct CursorReading {
    bool any = false;       // any row there
    qint64 timeMs = 0;      // the nearest row's time
    qsizetype nearest = 0;  // and its index
    Column column;          // envelope and flags of the rows there
};
CursorReading readAt(const Envelope& envelope, const LogData& data, qint64 t, qint64 halfWidthMs);

// What the cursor at `t` reads, as the viewer's status line says it: the time of the nearest
// row, then for each trace with rows within `halfWidthMs` (named where there are several): a
// reading's value, or the least and greatest of several readings; on an interval log the
// nearest interval's min, max, mean and count; 0L and ERROR where the rows hold any. Without
// a row there, the time alone.
QString cursorText(const PlotData& data, qint64 t, qint64 halfWidthMs);

// Draws the picture into `rect`; returns the part the curve took.
QRect drawPlot(QPainter& painter, const QRect& rect, const PlotData& data, const PlotView& view);

// Writes the picture to `path` as PNG, SVG or PDF, by the name's extension (any case). False,
// with the reason in *error, when the type is none of these or the file cannot be written; an
// existing file is then left whole.
bool writePlotFile(const QString& path, const PlotData& data, const PlotView& view,
                   QString* error = nullptr);

// The shown range after zooming by `factor` (below 1 zooms in) around the time `at`, or after
// panning by `fraction` of the shown span (negative: back in time). The range stays within
// `extent` (dataExtent) and at least kMinSpanMs long.
inline constexpr qint64 kMinSpanMs = 2000;
std::pair<qint64, qint64> zoomed(std::pair<qint64, qint64> range, qint64 at, double factor,
                                 std::pair<qint64, qint64> extent);
std::pair<qint64, qint64> panned(std::pair<qint64, qint64> range, double fraction,
                                 std::pair<qint64, qint64> extent);

// A time as --from and --to take it: local date and time, "2026-12-08T03:00" (seconds
// optional, a blank instead of the T allowed) or a date alone (its midnight). Nothing when not.
std::optional<qint64> parseLocalTime(const QString& text);

}  // namespace viewer
