#pragma once
// The legend of the picture: one entry for each kind of mark the picture shows, and only for
// those, laid out left to right over as many lines as they take.

#include <QColor>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

class QFontMetrics;
class QPainter;

namespace viewer {

// How an entry's sample is drawn.
enum class LegendSample { Line, Band, Dashed, Shade, Tick, Gap };

struct LegendEntry {
    LegendSample sample = LegendSample::Line;
    QColor colour;
    QString text;
};

// What a picture shows, as far as its legend tells.
struct PictureContents {
    struct Trace {
        QString name;  // empty: the only trace, named "reading" or "interval"
        QColor line, band;
        bool readings = false;   // rows of a data log shown
        bool intervals = false;  // rows of an interval log shown
        bool spread = false;     // a column of readings whose values differ (the band shows)
    };
    std::vector<Trace> traces;
    std::optional<double> thresholdMa;  // the threshold line shown
    bool alarms = false, overloads = false, errors = false, gaps = false;
};

std::vector<LegendEntry> legendEntries(const PictureContents& contents);

// Where the entries go, left to right from `left` within `width`, a new line where the next
// does not fit: the top-left corner of each entry, lines `lineHeight` apart starting at 0.
// `textPx` sizes the sample and the space between entries.
std::vector<QPoint> legendPlaces(const std::vector<LegendEntry>& entries, const QFontMetrics& fm,
                                 int textPx, int lineHeight, int width);

// The width an entry takes: its sample, a space and its text.
int legendEntryWidth(const LegendEntry& entry, const QFontMetrics& fm, int textPx);

// Draws the entries at their places (relative to `origin`), each a line high.
void drawLegend(QPainter& painter, QPoint origin, const std::vector<LegendEntry>& entries,
                const std::vector<QPoint>& places, int textPx, int lineHeight);

}  // namespace viewer
