#pragma once
// What a picture draws: the traces of the logs (one line each, one meter's logs that follow each
// other in one trace), each with the envelope of its rows.

#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

#include "viewer/envelope.h"
#include "viewer/logdata.h"

namespace viewer {

class PlotData {
  public:
    explicit PlotData(std::vector<Trace> traces = {});
    PlotData(const PlotData&) = delete;
    PlotData& operator=(const PlotData&) = delete;

    // Reads the logs at `paths` into traces (loadTraces).
    static std::unique_ptr<PlotData> load(const QStringList& paths, LoadReport* report = nullptr);

    size_t traceCount() const { return traces_.size(); }
    const Trace& trace(size_t i) const { return traces_[i]; }
    const Envelope& envelope(size_t i) const { return *envelopes_[i]; }

    qint64 rows() const;
    // The time range of all rows and events, at least one second long (dataExtent's rule).
    std::pair<qint64, qint64> extent() const;
    // Whether any trace has a row in [t0, t1).
    bool anyRowIn(qint64 t0, qint64 t1) const;

  private:
    std::vector<Trace> traces_;
    std::vector<std::unique_ptr<Envelope>> envelopes_;  // of traces_[i].data
};

}  // namespace viewer
