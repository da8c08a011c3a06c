#include "viewer/plot.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "measure/formatvalue.h"
#include "measure/reportfile.h"
#include "viewer/plotcolours.h"
#include "viewer/plotgeometry.h"
#include "viewer/plotlegend.h"
#include "viewer/plottexts.h"
#include "viewer/svgpicture.h"

namespace viewer {

namespace {

constexpr qint64 kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;
// Size of the picture --plot writes as PNG or SVG.
constexpr int kFileWidth = 1600, kFileHeight = 600;
// The text's size on a PDF page, in points: 9 pt at least, as a printed page wants.
constexpr double kPdfTextPt = 9.5;

// A line of text `textPx` high, with the space between lines.
int lineHeight(int textPx) {
    return textPx * 4 / 3;
}

// Margins around the curve, from the text's size: the title line and the unit above, the
// value scale on the left, the time scale (two lines) below, room for the last digit of a
// value on the right.
QMargins margins(int textPx) {
    const int lineH = lineHeight(textPx);
    return {textPx * 6, 2 * lineH + textPx / 2, textPx + 4, 2 * lineH + textPx / 2};
}

QString valueText(double v) {
    return measure::FormatValue(float(v));
}

// What the columns and marks in view show, for the legend.
PictureContents pictureContents(const PlotData& data,
                                const std::vector<std::vector<Column>>& columns, bool alarms,
                                bool gaps, std::optional<double> thresholdMa) {
    PictureContents c;
    for (size_t i = 0; i < columns.size(); ++i) {
        const TraceColours colours = traceColours(i);
        PictureContents::Trace trace{
            data.traceCount() > 1 ? traceName(data.trace(i).paths) : QString(), colours.line,
            colours.band};
        for (const Column& col : columns[i]) {
            const bool interval = col.flags & kInterval;
            trace.intervals |= interval;
            trace.readings |= col.hasValue() && !interval;
            trace.spread |= col.hasValue() && !interval && col.hi > col.lo;
            c.overloads |= (col.flags & kOverload) != 0;
            c.errors |= (col.flags & kError) != 0;
        }
        if (trace.readings || trace.intervals) c.traces.push_back(trace);
    }
    c.thresholdMa = thresholdMa;
    c.alarms = alarms;
    c.gaps = gaps;
    return c;
}

}  // namespace

std::pair<qint64, qint64> dataExtent(const LogData& data) {
    qint64 lo = 0, hi = 0;
    bool any = false;
    auto take = [&](qint64 t) {
        lo = any ? std::min(lo, t) : t;
        hi = any ? std::max(hi, t) : t;
        any = true;
    };
    if (!data.empty()) {
        take(data.timeMs.front());
        take(data.timeMs.back());
    }
    if (!data.events.empty()) {
        take(data.events.front().timeMs);
        take(data.events.back().timeMs);
    }
    if (hi - lo < kSecond) hi = lo + kSecond;
    return {lo, hi + 1};
}

std::vector<TimeTick> timeTicks(qint64 t0, qint64 t1, int width, int minSpacing) {
    std::vector<TimeTick> ticks;
    if (t1 <= t0 || width <= 0) return ticks;
    static const qint64 kSteps[] = {
        kSecond,     2 * kSecond, 5 * kSecond,  10 * kSecond, 15 * kSecond, 30 * kSecond, kMinute,
        2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute, kHour,        2 * kHour,
        3 * kHour,   6 * kHour,   12 * kHour,   kDay,         2 * kDay,     7 * kDay};
    const double pxPerMs = double(width) / double(t1 - t0);
    qint64 step = kSteps[std::size(kSteps) - 1];
    for (qint64 s : kSteps) {
        if (s * pxPerMs >= minSpacing) {
            step = s;
            break;
        }
    }
    // Ticks fall on local boundaries: whole minutes, hours, midnights.
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(t0);
    qint64 t;
    if (step < kDay) {
        const qint64 offset = first.offsetFromUtc() * kSecond;
        t = (t0 + offset) / step * step - offset;
    } else {
        t = QDateTime(first.date(), QTime(0, 0)).toMSecsSinceEpoch();
    }
    QDate lastDate;
    const QString timeFormat =
        step < kMinute ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    for (int guard = 0; t <= t1 && guard < 1000; ++guard) {
        if (t >= t0) {
            const QDateTime local = QDateTime::fromMSecsSinceEpoch(t);
            TimeTick tick{t, local.toString(timeFormat), {}};
            if (local.date() != lastDate) tick.date = local.toString(QStringLiteral("MM-dd"));
            lastDate = local.date();
            ticks.push_back(tick);
        }
        if (step < kDay) {
            t += step;
        } else {
            const QDateTime local = QDateTime::fromMSecsSinceEpoch(t);
            t = QDateTime(local.date().addDays(step / kDay), QTime(0, 0)).toMSecsSinceEpoch();
        }
    }
    return ticks;
}

std::vector<double> valueTicks(double lo, double hi, int most) {
    std::vector<double> ticks;
    if (!(hi > lo) || most < 1 || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
    const double rough = (hi - lo) / most;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * power;
        if (step >= rough) break;
    }
    for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step)
        ticks.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    return ticks;
}

QRect plotArea(const QRect& rect, int textPx) {
    return rect.marginsRemoved(margins(textPx));
}

CursorReading readAt(const Envelope& envelope, const LogData& data, qint64 t, qint64 halfWidthMs) {
    CursorReading r;
    const qsizetype first = envelope.rowAt(t - halfWidthMs);
    const qsizetype last = envelope.rowAt(t + halfWidthMs + 1);
    if (first >= last) return r;
    r.any = true;
    r.column = envelope.range(first, last);
    const qsizetype at = envelope.rowAt(t);
    qsizetype nearest = std::clamp(at, first, last - 1);
    if (nearest > first && t - data.timeMs[size_t(nearest - 1)] < data.timeMs[size_t(nearest)] - t)
        --nearest;
    r.timeMs = data.timeMs[size_t(nearest)];
    r.nearest = nearest;
    return r;
}

namespace {

// The interval row whose interval holds `t`, where no row lies in the cursor's column: the
// nearest row, when it is an interval's and `t` lies within half the step to the row beside it
// on that side (an interval log's rows are one interval apart).
CursorReading intervalAt(const Envelope& envelope, const LogData& data, qint64 t) {
    CursorReading r;
    const qsizetype after = envelope.rowAt(t);
    qsizetype n = after;
    if (n >= data.size() || (n > 0 && t - data.timeMs[size_t(n - 1)] < data.timeMs[size_t(n)] - t))
        --n;
    if (n < 0 || !(data.flags[size_t(n)] & kInterval)) return r;
    const qint64 rowMs = data.timeMs[size_t(n)];
    const qsizetype beside = t < rowMs ? n - 1 : n + 1;
    const qsizetype other = t < rowMs ? n + 1 : n - 1;
    const qsizetype k = beside >= 0 && beside < data.size() ? beside : other;
    if (k < 0 || k >= data.size() || (data.flags[size_t(std::max(n, k))] & kGapBefore) ||
        2 * std::abs(t - rowMs) > std::abs(data.timeMs[size_t(k)] - rowMs))
        return r;
    r.any = true;
    r.timeMs = rowMs;
    r.nearest = n;
    r.column = envelope.range(n, n + 1);
    return r;
}

}  // namespace

QString cursorText(const PlotData& data, qint64 t, qint64 halfWidthMs) {
    QStringList parts;
    std::optional<qint64> nearestMs;
    for (size_t i = 0; i < data.traceCount(); ++i) {
        const LogData& rows = data.trace(i).data;
        CursorReading r = readAt(data.envelope(i), rows, t, halfWidthMs);
        if (!r.any) r = intervalAt(data.envelope(i), rows, t);
        if (!r.any) continue;
        if (!nearestMs || std::abs(r.timeMs - t) < std::abs(*nearestMs - t)) nearestMs = r.timeMs;
        QString text;
        const Column& c = r.column;
        const size_t n = size_t(r.nearest);
        if ((rows.flags[n] & kInterval) && (rows.flags[n] & kValue)) {
            text = PlotTexts::tr("最小 %1mA  最大 %2mA  平均 %3mA  %4 个读数")
                       .arg(measure::FormatValue(rows.lo[n]), measure::FormatValue(rows.hi[n]),
                            measure::FormatValue(rows.mean[n]))
                       .arg(rows.readings(r.nearest));
        } else if (c.hasValue()) {
            text = measure::FormatValue(c.lo);
            if (c.hi != c.lo) text += QStringLiteral(" … ") + measure::FormatValue(c.hi);
            text += QStringLiteral("mA");
        }
        if (c.flags & kOverload) text += QStringLiteral("  0L");
        if (c.flags & kError) text += QStringLiteral("  ERROR");
        text = text.trimmed();
        if (data.traceCount() > 1)
            text = traceName(data.trace(i).paths) + QStringLiteral(": ") + text;
        parts << text;
    }
    const QString time = QDateTime::fromMSecsSinceEpoch(nearestMs.value_or(t))
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return parts.isEmpty() ? time
                           : time + QStringLiteral("  ") + parts.join(QStringLiteral("  |  "));
}

namespace {

// The band and the line of one trace's columns, in the picture's coordinates.
struct TraceLines {
    std::vector<QLineF> band, line;
};

template <class X, class Y>
TraceLines traceLines(const std::vector<Column>& columns, const Envelope& envelope,
                      const LogData& data, const QRect& area, const PlotView& view, X x, Y y) {
    TraceLines out;
    std::vector<QLineF>& band = out.band;
    std::vector<QLineF>& meanLine = out.line;
    band.reserve(columns.size() * 2);
    meanLine.reserve(columns.size() * 2);
    const Column* prev = nullptr;
    double prevX = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        const double cx = area.left() + double(i) + 0.5;
        if (c.gapBefore) prev = nullptr;
        if (!c.hasValue()) continue;
        band.emplace_back(cx, y(c.lo), cx, y(c.hi));
        meanLine.emplace_back(cx, y(c.meanLo), cx, y(c.meanHi));
        if (prev) {
            // From the previous column to this one, between the nearest ends of the two.
            const double a =
                std::clamp(double(c.meanLo), double(prev->meanLo), double(prev->meanHi));
            const double b = std::clamp(double(prev->meanHi), double(c.meanLo), double(c.meanHi));
            meanLine.emplace_back(prevX, y(a), cx, y(b));
            // Columns without rows between the two: the band goes straight across them.
            for (double gx = prevX + 1; gx < cx - 0.5; gx += 1) {
                const double share = (gx - prevX) / (cx - prevX);
                band.emplace_back(gx, y(prev->lo + (c.lo - prev->lo) * share), gx,
                                  y(prev->hi + (c.hi - prev->hi) * share));
            }
        }
        prev = &c;
        prevX = cx;
    }
    // Rows just outside the view, so that the line reaches the edges when zoomed in.
    const qsizetype firstRow = envelope.rowAt(view.t0), endRow = envelope.rowAt(view.t1);
    auto edge = [&](qsizetype outside, qsizetype inside) {
        if (outside < 0 || outside >= data.size() || inside < 0 || inside >= data.size()) return;
        const qsizetype later = std::max(outside, inside);
        if (!(data.flags[size_t(outside)] & kValue) || !(data.flags[size_t(inside)] & kValue) ||
            (data.flags[size_t(later)] & kGapBefore))
            return;
        meanLine.emplace_back(x(data.timeMs[size_t(outside)]), y(data.mean[size_t(outside)]),
                              x(data.timeMs[size_t(inside)]), y(data.mean[size_t(inside)]));
    };
    edge(firstRow - 1, firstRow);
    edge(endRow, endRow - 1);
    return out;
}

}  // namespace

QRect drawPlot(QPainter& painter, const QRect& rect, const PlotData& data, const PlotView& view) {
    painter.save();
    painter.fillRect(rect, Qt::white);
    const int textPx = std::max(6, view.textPx), lineH = lineHeight(textPx), labelGap = textPx / 2;
    QRect area = plotArea(rect, textPx);
    if (area.width() < 4 || area.height() < 4 || view.t1 <= view.t0) {
        painter.restore();
        return area;
    }
    QFont font = painter.font();
    font.setPixelSize(textPx);
    painter.setFont(font);
    const QFontMetrics fm(font);
    const int columnCount = area.width();
    // Each trace's columns; alarms from start to end and the times a meter was away, of all
    // traces, as runs of columns.
    std::vector<std::vector<Column>> columns;
    std::vector<TimeSpan> alarms, gaps;
    for (size_t i = 0; i < data.traceCount(); ++i) {
        const LogData& rows = data.trace(i).data;
        columns.push_back(data.envelope(i).columns(view.t0, view.t1, columnCount));
        const auto [firstMs, lastMs] = dataExtent(rows);
        for (const TimeSpan& s : alarmSpans(rows.events, firstMs, lastMs - 1)) alarms.push_back(s);
        for (const TimeSpan& s : gapSpans(rows, view.t0, view.t1)) gaps.push_back(s);
    }
    const auto byStart = [](const TimeSpan& a, const TimeSpan& b) { return a.from < b.from; };
    std::sort(alarms.begin(), alarms.end(), byStart);
    std::sort(gaps.begin(), gaps.end(), byStart);
    const std::vector<ColumnRun> alarmRuns = spanColumns(alarms, view.t0, view.t1, columnCount);
    const std::vector<ColumnRun> gapRuns = spanColumns(gaps, view.t0, view.t1, columnCount);

    // Above the curve: the title line, then the legend over as many lines as it takes.
    const QString title =
        view.title.value_or(plotTitle(view.files, view.meterId, view.t0, view.t1));
    const std::vector<LegendEntry> legend = legendEntries(
        pictureContents(data, columns, !alarmRuns.empty(), !gapRuns.empty(), view.alarmMa));
    const std::vector<QPoint> places =
        legendPlaces(legend, fm, textPx, lineH, rect.right() - labelGap - area.left());
    const int legendTop = rect.top() + (title.isEmpty() ? 0 : lineH + labelGap / 2);
    const int legendLines = places.empty() ? 1 : places.back().y() / lineH + 1;
    area.setTop(legendTop + legendLines * lineH + labelGap);
    if (area.height() < 4) {
        painter.restore();
        return area;
    }

    // The value scale spans what is shown, and the threshold.
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const std::vector<Column>& trace : columns) {
        for (const Column& c : trace) {
            if (!c.hasValue()) continue;
            lo = std::min<double>(lo, c.lo);
            hi = std::max<double>(hi, c.hi);
        }
    }
    if (view.alarmMa) {
        hi = std::max(hi, *view.alarmMa);
        if (lo < 0) lo = std::min(lo, -*view.alarmMa);
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0, hi = 1;
    if (hi - lo < 1e-3) lo -= 0.5, hi += 0.5;
    const double pad = (hi - lo) * 0.05;
    lo -= pad;
    hi += pad;
    const double yScale = area.height() / (hi - lo);
    auto y = [&](double v) { return area.bottom() + 1 - (v - lo) * yScale; };
    const double xScale = double(area.width()) / double(view.t1 - view.t0);
    auto x = [&](qint64 t) { return area.left() + double(t - view.t0) * xScale; };

    // Grid and scales.
    painter.setPen(kGridColour);
    const std::vector<double> values =
        valueTicks(lo, hi, std::max(2, area.height() / (3 * textPx)));
    const std::vector<TimeTick> times = timeTicks(
        view.t0, view.t1, area.width(), fm.horizontalAdvance(QStringLiteral("00:00:00")) + textPx);
    for (double v : values)
        painter.drawLine(QPointF(area.left(), y(v)), QPointF(area.right(), y(v)));
    for (const TimeTick& t : times)
        painter.drawLine(QPointF(x(t.ms), area.top()), QPointF(x(t.ms), area.bottom()));
    painter.setPen(Qt::black);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    for (double v : values)
        painter.drawText(
            QRectF(rect.left(), y(v) - lineH / 2.0, area.left() - rect.left() - labelGap, lineH),
            Qt::AlignRight | Qt::AlignVCenter, valueText(v));
    painter.drawText(QRectF(rect.left(), legendTop, area.left() - rect.left() - labelGap, lineH),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("mA"));
    drawLegend(painter, QPoint(area.left(), legendTop), legend, places, textPx, lineH);
    // A time label is centred on its tick, moved inwards where it would stand over the
    // picture's edge, and left out where it would cover the one before.
    double labelsEnd = rect.left() - 1.0;
    for (const TimeTick& t : times) {
        const double width =
            std::max(fm.horizontalAdvance(t.time), fm.horizontalAdvance(t.date)) + labelGap;
        const double left =
            std::clamp(x(t.ms) - width / 2, double(rect.left()), rect.right() + 1 - width);
        if (left < labelsEnd) continue;
        labelsEnd = left + width;
        const QRectF box(left, area.bottom() + 1 + labelGap, width, lineH);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, t.time);
        if (!t.date.isEmpty())
            painter.drawText(box.translated(0, lineH), Qt::AlignHCenter | Qt::AlignTop, t.date);
    }
    if (!title.isEmpty()) {
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        const QRect titleBox(rect.left() + labelGap, rect.top() + labelGap / 2,
                             rect.width() - 2 * labelGap, lineH);
        painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(bold).elidedText(title, Qt::ElideRight, titleBox.width()));
        painter.setFont(font);
    }

    painter.save();
    painter.setClipRect(area);
    // Alarms and gaps behind the curve, across its height; a run narrower than a column is
    // that column.
    auto shade = [&](const std::vector<ColumnRun>& runs, const QColor& colour) {
        for (const ColumnRun& r : runs)
            painter.fillRect(
                QRectF(area.left() + r.first, area.top(), r.last - r.first + 1, area.height()),
                colour);
    };
    shade(gapRuns, kGapColour);
    shade(alarmRuns, kAlarmShade);
    // Each trace's band, then the lines over all bands; a gap breaks both.
    std::vector<TraceLines> lines;
    for (size_t i = 0; i < data.traceCount(); ++i)
        lines.push_back(
            traceLines(columns[i], data.envelope(i), data.trace(i).data, area, view, x, y));
    for (size_t i = 0; i < lines.size(); ++i) {
        painter.setPen(QPen(traceColours(i).band, 1));
        painter.drawLines(lines[i].band.data(), int(lines[i].band.size()));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        painter.setPen(QPen(traceColours(i).line, 1));
        painter.drawLines(lines[i].line.data(), int(lines[i].line.size()));
    }
    std::vector<QPointF> overloads, errors;
    for (int i = 0; i < columnCount; ++i) {
        quint8 flags = 0;
        for (const std::vector<Column>& trace : columns) flags |= trace[size_t(i)].flags;
        const double cx = area.left() + i + 0.5;
        // Ticks as long as the text is high, overloads at the axis, errors above them.
        if (flags & kOverload) overloads.emplace_back(cx, area.bottom() - textPx / 4.0);
        if (flags & kError) errors.emplace_back(cx, area.bottom() - textPx);
    }

    // Threshold.
    if (view.alarmMa) {
        painter.setPen(QPen(kThresholdColour, 1, Qt::DashLine));
        for (double v : {*view.alarmMa, -*view.alarmMa})
            if (v > lo && v < hi)
                painter.drawLine(QPointF(area.left(), y(v)), QPointF(area.right(), y(v)));
    }
    // Overloads and errors on the time axis.
    auto ticks = [&](const std::vector<QPointF>& at, const QColor& colour) {
        std::vector<QLineF> lines;
        lines.reserve(at.size());
        for (const QPointF& p : at)
            lines.emplace_back(p.x(), p.y() - textPx / 3.0, p.x(), p.y() + textPx / 4.0);
        painter.setPen(QPen(colour, std::max(2, textPx / 6)));
        painter.drawLines(lines.data(), int(lines.size()));
    };
    ticks(overloads, kOverloadColour);
    ticks(errors, kErrorColour);
    // Each gap's length at the top of the curve, where it does not cover the label before.
    double gapLabelsEnd = area.left() - 1.0;
    for (const TimeSpan& g : gaps) {
        const QString text = durationText(g.to - g.from);
        const double width = fm.horizontalAdvance(text) + labelGap;
        const double middle = x(g.from) + (x(g.to) - x(g.from)) / 2;
        const double left =
            std::clamp(middle - width / 2, double(area.left()), area.right() + 1 - width);
        if (left < gapLabelsEnd) continue;
        gapLabelsEnd = left + width;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(left, area.top() + 2, width, lineH), Qt::AlignCenter, text);
    }
    // Cursor.
    if (view.cursorMs && *view.cursorMs >= view.t0 && *view.cursorMs < view.t1) {
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
        const double cx = x(*view.cursorMs);
        painter.drawLine(QPointF(cx, area.top()), QPointF(cx, area.bottom()));
    }
    painter.restore();
    painter.restore();
    return area;
}

bool writePlotFile(const QString& path, const PlotData& data, const PlotView& view,
                   QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRect rect(0, 0, kFileWidth, kFileHeight);
    if (suffix == QLatin1String("png")) {
        QImage image(rect.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        drawPlot(painter, rect, data, view);
        painter.end();
        if (!image.save(&buffer, "PNG")) {
            if (error) *error = QStringLiteral("the picture could not be encoded as PNG");
            return false;
        }
    } else if (suffix == QLatin1String("svg")) {
        if (!paintSvg(
                &buffer, rect, [&](QPainter& painter) { drawPlot(painter, rect, data, view); },
                error)) {
            if (error) *error = QStringLiteral("%1: %2").arg(path, *error);
            return false;
        }
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(150);
        pdf.setCreator(QStringLiteral("leakmeter"));
        QPainter painter(&pdf);
        // Drawn at the page's own resolution, the text kPdfTextPt high: legible when printed,
        // and the margins grow with it.
        PlotView onPage = view;
        onPage.textPx = int(std::ceil(kPdfTextPt * pdf.resolution() / 72.0));
        drawPlot(painter, painter.viewport(), data, onPage);
    } else {
        if (error)
            *error = QStringLiteral("%1: the picture is written as .png, .svg or .pdf").arg(path);
        return false;
    }
    buffer.close();
    return measure::writeFileAtomically(path, bytes, error);
}

namespace {

// `range` moved and shortened as little as it takes to lie within `extent`.
std::pair<qint64, qint64> within(std::pair<qint64, qint64> range,
                                 std::pair<qint64, qint64> extent) {
    qint64 span =
        std::clamp(range.second - range.first, std::min(kMinSpanMs, extent.second - extent.first),
                   extent.second - extent.first);
    const qint64 t0 = std::clamp(range.first, extent.first, extent.second - span);
    return {t0, t0 + span};
}

}  // namespace

std::pair<qint64, qint64> zoomed(std::pair<qint64, qint64> range, qint64 at, double factor,
                                 std::pair<qint64, qint64> extent) {
    const double span = double(range.second - range.first);
    const double newSpan = std::max(double(kMinSpanMs), span * factor);
    const double share = span > 0 ? double(at - range.first) / span : 0.5;
    const qint64 t0 = at - qint64(std::llround(newSpan * std::clamp(share, 0.0, 1.0)));
    return within({t0, t0 + qint64(std::llround(newSpan))}, extent);
}

std::pair<qint64, qint64> panned(std::pair<qint64, qint64> range, double fraction,
                                 std::pair<qint64, qint64> extent) {
    const qint64 shift = qint64(std::llround(double(range.second - range.first) * fraction));
    return within({range.first + shift, range.second + shift}, extent);
}

std::optional<qint64> parseLocalTime(const QString& text) {
    const QString t = text.trimmed();
    for (const char* format :
         {"yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(format));
        if (dt.isValid()) return dt.toMSecsSinceEpoch();
    }
    const QDate day = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    if (day.isValid()) return day.startOfDay().toMSecsSinceEpoch();
    return std::nullopt;
}

}  // namespace viewer
