#include "plotcommand.h"

#include <QDateTime>
#include <cstdio>

#include "language.h"
#include "viewer/plot.h"

namespace app {

namespace {

// A time as --from and --to take it: local, with seconds only where it has any.
QString localText(qint64 ms) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    return t.toString(t.time().second() == 0 && t.time().msec() == 0
                          ? QStringLiteral("yyyy-MM-dd HH:mm")
                          : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// "no readings in night.csv between 2026-12-07 22:00 and 2026-12-08 06:00": the logs, and the
// period when one was given.
QString noReadingsText(const CommandLine& cl) {
    QString text = QStringLiteral("no readings in ") + cl.plotPaths.join(QStringLiteral(", "));
    if (cl.plotFrom && cl.plotTo)
        text += QStringLiteral(" between %1 and %2")
                    .arg(localText(*cl.plotFrom), localText(*cl.plotTo));
    else if (cl.plotFrom)
        text += QStringLiteral(" from %1 on").arg(localText(*cl.plotFrom));
    else if (cl.plotTo)
        text += QStringLiteral(" before %1").arg(localText(*cl.plotTo));
    return text;
}

}  // namespace

int runPlot(const CommandLine& cl) {
    viewer::LoadReport report;
    const std::unique_ptr<viewer::PlotData> data = viewer::PlotData::load(cl.plotPaths, &report);
    for (const QString& line : report.problems)
        std::fprintf(stderr, "leakmeter: cannot read %s\n", qPrintable(line));
    if (!report.problems.isEmpty()) return 1;
    if (report.skipped > 0)
        std::fprintf(stderr, "leakmeter: lines that are not rows of a log were passed over: %lld\n",
                     static_cast<long long>(report.skipped));
    const auto [first, last] = data->extent();
    viewer::PlotView view;
    view.t0 = cl.plotFrom.value_or(first);
    view.t1 = cl.plotTo.value_or(last);
    // A picture of nothing would pass for a quiet night. (With a row in it, the period is not
    // empty either.)
    if (!data->anyRowIn(view.t0, view.t1)) {
        std::fprintf(stderr, "leakmeter: %s\n", qPrintable(noReadingsText(cl)));
        return 1;
    }
    view.alarmMa = cl.alarmMa;
    view.files = cl.plotPaths;
    view.meterId = cl.mqtt.meterId;
    view.title = cl.plotTitle;
    // The picture's words speak the window's language, as the --history report does.
    useLanguage(startLanguage(cl.language));
    QString error;
    if (!viewer::writePlotFile(cl.plotOutput, *data, view, &error)) {
        std::fprintf(stderr, "leakmeter: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

}  // namespace app
