#include "viewer/plotdata.h"

#include <algorithm>

#include "viewer/plot.h"

namespace viewer {

PlotData::PlotData(std::vector<Trace> traces) : traces_(std::move(traces)) {
    for (const Trace& t : traces_) envelopes_.push_back(std::make_unique<Envelope>(t.data));
}

std::unique_ptr<PlotData> PlotData::load(const QStringList& paths, LoadReport* report) {
    return std::make_unique<PlotData>(loadTraces(paths, report));
}

qint64 PlotData::rows() const {
    qint64 n = 0;
    for (const Trace& t : traces_) n += t.data.size();
    return n;
}

std::pair<qint64, qint64> PlotData::extent() const {
    if (traces_.empty()) return dataExtent(LogData());
    std::pair<qint64, qint64> all = dataExtent(traces_.front().data);
    for (const Trace& t : traces_) {
        const auto [lo, hi] = dataExtent(t.data);
        all = {std::min(all.first, lo), std::max(all.second, hi)};
    }
    return all;
}

bool PlotData::anyRowIn(qint64 t0, qint64 t1) const {
    return std::any_of(traces_.begin(), traces_.end(),
                       [&](const Trace& t) { return t.data.anyRowIn(t0, t1); });
}

}  // namespace viewer
