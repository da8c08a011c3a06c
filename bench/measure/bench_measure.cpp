// Timing of the measurement hot paths: one record decoded and turned into its live and report
// texts, the history report for the largest download (255 groups), and one live reading
// logged to the data log (its row built, and the row written to a real file), with the local
// time it is stamped with.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDateTime>
#include <QTemporaryDir>
#include <array>

#include "measure/datalog.h"
#include "measure/historyreport.h"
#include "measure/localclock.h"
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
        const measure::DecodedRecord d = measure::decodeRecord(records[i++ % records.size()]);
        QString live = measure::liveText(d);
        QString report = measure::reportReadingText(d);
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

void BM_DataLogRow(benchmark::State& state) {
    const auto records = SampleRecords();
    const QDateTime now = measure::localNow();
    std::size_t i = 0;
    for (auto _ : state) {
        QByteArray row = measure::dataLogRow(records[i % records.size()], now, qint64(i) * 500);
        ++i;
        benchmark::DoNotOptimize(row);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DataLogRow);

// The local time with its UTC offset for one reading: the program's clock, and Qt's own local
// time (which looks at /etc/localtime on every call, twice with the offset) for comparison.
void BM_LocalNow(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(measure::localNow().offsetFromUtc());
}
BENCHMARK(BM_LocalNow);

void BM_QtCurrentDateTime(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(QDateTime::currentDateTime().offsetFromUtc());
}
BENCHMARK(BM_QtCurrentDateTime);

// What a live reading costs with the log running: local time, row, one write to the file, and
// the sync every 10 s spread over the readings between.
void BM_DataLogAppend(benchmark::State& state) {
    const auto records = SampleRecords();
    QTemporaryDir dir;
    measure::DataLog log;
    if (!log.start(dir.filePath(QStringLiteral("bench.csv")))) {
        state.SkipWithError("cannot open the log file");
        return;
    }
    const measure::DataLogClock clock = measure::DataLogClock::system();
    std::size_t i = 0;
    for (auto _ : state) {
        // Stamped and decoded as the engine does for each reading, then written.
        if (!log.append(clock.take(records[i++ % records.size()]))) {
            state.SkipWithError("write failed");
            break;
        }
    }
    log.stop();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DataLogAppend);

}  // namespace

BENCHMARK_MAIN();
