#include "viewer/plotlegend.h"

#include <QFontMetrics>
#include <QPainter>

#include "measure/formatvalue.h"
#include "viewer/plotcolours.h"
#include "viewer/plottexts.h"

namespace viewer {

std::vector<LegendEntry> legendEntries(const PictureContents& c) {
    std::vector<LegendEntry> entries;
    // The trace's name in front of what it shows, where several traces are drawn.
    auto named = [](const PictureContents::Trace& t, const QString& what) {
        return t.name.isEmpty() ? what : QStringLiteral("%1 %2").arg(t.name, what);
    };
    for (const PictureContents::Trace& t : c.traces) {
        if (t.readings) {
            entries.push_back({LegendSample::Line, t.line, named(t, PlotTexts::tr("读数"))});
            if (t.spread)
                entries.push_back(
                    {LegendSample::Band, t.band, named(t, PlotTexts::tr("读数最小–最大"))});
        }
        if (t.intervals) {
            entries.push_back(
                {LegendSample::Band, t.band, named(t, PlotTexts::tr("区间最小–最大"))});
            entries.push_back({LegendSample::Line, t.line, named(t, PlotTexts::tr("区间平均值"))});
        }
    }
    if (c.thresholdMa)
        entries.push_back(
            {LegendSample::Dashed, kThresholdColour,
             PlotTexts::tr("报警值 %1mA").arg(measure::FormatValue(float(*c.thresholdMa)))});
    if (c.alarms) entries.push_back({LegendSample::Shade, kAlarmShade, PlotTexts::tr("报警")});
    if (c.overloads)
        entries.push_back({LegendSample::Tick, kOverloadColour, PlotTexts::tr("过载 (0L)")});
    if (c.errors)
        entries.push_back({LegendSample::Tick, kErrorColour, PlotTexts::tr("错误 (ERROR)")});
    if (c.gaps) entries.push_back({LegendSample::Gap, kGapColour, PlotTexts::tr("中断")});
    return entries;
}

int legendEntryWidth(const LegendEntry& entry, const QFontMetrics& fm, int textPx) {
    return 2 * textPx + textPx / 2 + fm.horizontalAdvance(entry.text);
}

std::vector<QPoint> legendPlaces(const std::vector<LegendEntry>& entries, const QFontMetrics& fm,
                                 int textPx, int lineHeight, int width) {
    std::vector<QPoint> places;
    int x = 0, y = 0;
    for (const LegendEntry& e : entries) {
        const int w = legendEntryWidth(e, fm, textPx);
        if (x > 0 && x + w > width) {
            x = 0;
            y += lineHeight;
        }
        places.emplace_back(x, y);
        x += w + textPx * 3 / 2;
    }
    return places;
}

void drawLegend(QPainter& painter, QPoint origin, const std::vector<LegendEntry>& entries,
                const std::vector<QPoint>& places, int textPx, int lineHeight) {
    painter.save();
    for (size_t i = 0; i < entries.size() && i < places.size(); ++i) {
        const LegendEntry& e = entries[i];
        const QPoint at = origin + places[i];
        const QRectF sample(at.x(), at.y() + (lineHeight - textPx) / 2.0, 2.0 * textPx, textPx);
        const double mid = sample.center().y();
        switch (e.sample) {
            case LegendSample::Line:
                painter.setPen(QPen(e.colour, std::max(1, textPx / 8)));
                painter.drawLine(QPointF(sample.left(), mid), QPointF(sample.right(), mid));
                break;
            case LegendSample::Dashed:
                painter.setPen(QPen(e.colour, 1, Qt::DashLine));
                painter.drawLine(QPointF(sample.left(), mid), QPointF(sample.right(), mid));
                break;
            case LegendSample::Band:
            case LegendSample::Shade:
            case LegendSample::Gap:
                painter.fillRect(sample, e.colour);
                break;
            case LegendSample::Tick:
                painter.setPen(QPen(e.colour, 2));
                painter.drawLine(QPointF(sample.center().x(), sample.top()),
                                 QPointF(sample.center().x(), sample.bottom()));
                break;
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(sample.right() + textPx / 2.0, at.y(), 1e4, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, e.text);
    }
    painter.restore();
}

}  // namespace viewer
