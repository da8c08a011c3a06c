// The viewer with a week of readings: 1.2 million rows of a data log (one every 500 ms, a
// slow wave with a few peaks, overloads and errors, and a gap each day), opened and redrawn at
// several zooms in a picture of the window's size. The memory the rows and the pyramid take,
// and the process's peak resident size after opening, are reported as counters. And a day with
// a threshold near the noise: 200,000 alarm events drawn into --plot's SVG picture.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>

#include "measure/datalog.h"
#include "viewer/envelope.h"
#include "viewer/plot.h"
#include "viewer/svgpicture.h"

namespace {

constexpr qint64 kRows = 1'200'000;
constexpr qint64 kStepMs = 500;

// The week's log, written once: the data log's own rows.
const QString& WeekLog() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("week.csv"));
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly)) std::abort();
        QByteArray out = measure::dataLogHeader();
        const QDateTime start(QDate(2026, 12, 1), QTime(0, 0), Qt::OffsetFromUTC, 28800);
        for (qint64 i = 0; i < kRows; ++i) {
            if (i % 172800 < 600) continue;  // five minutes away each day
            int mA = int(200 + 150 * std::sin(double(i) / 3000.0));
            if (i % 100'003 == 0) mA = 4500;
            measure::MeterRecord r{quint8(mA / 100), quint8(mA % 100), 21};  // mA, as shown
            if (i % 50'000 == 7) r = {0, 0, 9};                              // 0L
            if (i % 70'000 == 11) r = {1, 2, 27};                            // ERROR
            out += measure::dataLogRow(r, start.addMSecs(i * kStepMs), i * kStepMs);
            if (out.size() > (1 << 20)) {
                f.write(out);
                out.clear();
            }
        }
        f.write(out);
        return p;
    }();
    return path;
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void BM_OpenWeek(benchmark::State& state) {
    const QString path = WeekLog();
    const long before = PeakRssKb();
    qsizetype bytes = 0, rows = 0;
    for (auto _ : state) {
        const viewer::LogData data = viewer::loadLogs({path});
        const viewer::Envelope envelope(data);
        bytes = data.bytes() + envelope.bytes();
        rows = data.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["rows"] = double(rows);
    state.counters["held_MB"] = double(bytes) / 1e6;
    state.counters["peak_rss_MB"] = double(PeakRssKb()) / 1e3;
    state.counters["rss_before_MB"] = double(before) / 1e3;
}
BENCHMARK(BM_OpenWeek)->Unit(benchmark::kMillisecond)->Iterations(3);

// Redraw of a 1000 x 460 picture showing range(0) seconds in the middle of the week.
void BM_Redraw(benchmark::State& state) {
    static const std::unique_ptr<viewer::PlotData> data = viewer::PlotData::load({WeekLog()});
    const auto [first, last] = data->extent();
    const qint64 span = std::min<qint64>(state.range(0) * 1000, last - first);
    viewer::PlotView view;
    view.t0 = first + (last - first - span) / 2;
    view.t1 = view.t0 + span;
    view.alarmMa = 300;
    view.cursorMs = view.t0 + span / 3;
    QImage image(1000, 460, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        viewer::drawPlot(painter, image.rect(), *data, view);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Redraw)
    ->Arg(7 * 86400)  // the week
    ->Arg(86400)      // a day
    ->Arg(3600)       // an hour
    ->Arg(60)         // a minute
    ->Arg(5)          // five seconds
    ->Unit(benchmark::kMillisecond);

// --plot's 1600 x 600 SVG picture of a day of readings with 100,000 alarms (200,000 events,
// one every 0.43 s): the time and the picture's size.
void BM_SvgManyEvents(benchmark::State& state) {
    constexpr qint64 kDayMs = 86'400'000, kEvents = 200'000;
    viewer::LogData data;
    const qint64 start = 1'796'083'200'000;  // 2026-12-01 00:00 UTC
    for (qint64 t = 0; t < kDayMs; t += kStepMs) {
        data.timeMs.push_back(start + t);
        const float mA = float(29 + (t / kStepMs) % 3);
        data.lo.push_back(mA);
        data.hi.push_back(mA);
        data.mean.push_back(mA);
        data.flags.push_back(t == 0 ? viewer::kValue | viewer::kGapBefore : viewer::kValue);
    }
    for (qint64 i = 0; i < kEvents; ++i)
        data.events.push_back({start + i * kDayMs / kEvents, i % 2 == 0});
    std::vector<viewer::Trace> traces(1);
    traces[0].data = std::move(data);
    const viewer::PlotData plot(std::move(traces));
    const auto [first, last] = plot.extent();
    viewer::PlotView view;
    view.t0 = first;
    view.t1 = last;
    view.alarmMa = 30;
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray svgBytes;
        QBuffer buffer(&svgBytes);
        buffer.open(QIODevice::WriteOnly);
        const QRect rect(0, 0, 1600, 600);
        viewer::paintSvg(
            &buffer, rect, [&](QPainter& painter) { viewer::drawPlot(painter, rect, plot, view); },
            nullptr);
        bytes = svgBytes.size();
    }
    state.counters["events"] = double(kEvents);
    state.counters["svg_kB"] = double(bytes) / 1e3;
}
BENCHMARK(BM_SvgManyEvents)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
