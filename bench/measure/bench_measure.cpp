// Timing of the measurement hot paths: one record decoded and turned into its live and report
// texts, and the history report for the largest download (255 groups).

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <array>

#include "measure/historyreport.h"
#include "measure/meterrecord.h"

namespace {

// A spread of records across the status codes, with varied digit pairs.
std::array<measure::MeterRecord, 64> SampleRecords() {
    std::array<measure::MeterRecord, 64> records{};
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i] = {quint8((i * 37) % 100), quint8((i * 53 + 7) % 100), quint8(i % 28)};
    return records;
}

void BM_DecodeAndFormatRecord(benchmark::State& state) {
    const auto records = SampleRecords();
    std::size_t i = 0;
    for (auto _ : state) {
        const measure::DecodedRecord d = measure::DecodeRecord(records[i++ % records.size()]);
        QString live = measure::LiveText(d);
        QString report = measure::ReportReadingText(d);
        benchmark::DoNotOptimize(live);
        benchmark::DoNotOptimize(report);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeAndFormatRecord);

void BM_HistoryReport255(benchmark::State& state) {
    const auto records = SampleRecords();
    QByteArray reply;
    for (int k = 0; k < 255; ++k) {
        const auto& r = records[std::size_t(k) % records.size()];
        reply.append(char(r.high)).append(char(r.low)).append(char(r.status));
    }
    for (auto _ : state) {
        QString report = measure::BuildHistoryReport(reply, 255);
        benchmark::DoNotOptimize(report);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HistoryReport255);

}  // namespace

BENCHMARK_MAIN();
