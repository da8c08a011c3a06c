#include "plotcommand.h"

#include <cstdio>

#include "viewer/plot.h"

namespace app {

int RunPlot(const CommandLine& cl) {
    viewer::LoadReport report;
    const viewer::LogData data = viewer::LoadLogs(cl.plotPaths, &report);
    for (const QString& line : report.problems)
        std::fprintf(stderr, "leakmeter: cannot read %s\n", qPrintable(line));
    if (!report.problems.isEmpty()) return 1;
    if (report.skipped > 0)
        std::fprintf(stderr, "leakmeter: lines that are not rows of a log were passed over: %lld\n",
                     static_cast<long long>(report.skipped));
    const auto [first, last] = viewer::DataExtent(data);
    viewer::PlotView view;
    view.t0 = cl.plotFrom.value_or(first);
    view.t1 = cl.plotTo.value_or(last);
    if (view.t1 <= view.t0) view.t1 = view.t0 + viewer::kMinSpanMs;
    view.alarmMa = cl.alarmMa;
    QString error;
    if (!viewer::WritePlotFile(cl.plotOutput, data, view, &error)) {
        std::fprintf(stderr, "leakmeter: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

}  // namespace app
