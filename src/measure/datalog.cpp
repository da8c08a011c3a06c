#include "datalog.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>

#include "liveseries.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace measure {
namespace {

// The recorded value, written so that reading it back gives the same single-precision value,
// in plain decimal with "." whatever the locale ("1.25", "0.005", "9999000").
QByteArray ValueText(float ma) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, ma, std::chars_format::fixed);
    return QByteArray(buf, r.ptr - buf);
}

QByteArray RecordHex(const MeterRecord& r) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", r.high, r.low, r.status);
    return QByteArray(buf, 6);
}

QByteArray ElapsedText(qint64 ms) {
    if (ms < 0) ms = 0;  // a clock that went backwards gives 0, never a negative time
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%lld.%03lld", static_cast<long long>(ms / 1000),
                                static_cast<long long>(ms % 1000));
    return QByteArray(buf, n);
}

bool SyncToDisk(QFile& file) {
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// Whether a non-empty file ends in the middle of a line (a row cut short when an earlier run
// was killed). A file that cannot be read is taken as whole.
bool EndsInsideLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 0 || !f.seek(f.size() - 1)) return false;
    char last = '\n';
    return f.getChar(&last) && last != '\n';
}

// Rows written since the last sync are synced once that sync is the sync interval ago.
bool SyncDue(bool unsynced, qint64 lastSyncMs, qint64 nowMs) {
    return unsynced && nowMs - lastSyncMs >= kDataLogSyncIntervalMs;
}

// The columns every CSV of readings ends with: reading,value_mA,status,record and CR LF.
void AppendRecordFields(QByteArray& row, const MeterRecord& record) {
    const LiveReading reading = ReadLiveRecord(record);
    row += CsvField(reading.text.toUtf8());
    row += ',';
    if (reading.recordedMa) row += ValueText(*reading.recordedMa);
    row += ',';
    row += QByteArray::number(record.status);
    row += ',';
    row += RecordHex(record);
    row += "\r\n";
}

}  // namespace

QByteArray DataLogHeader() {
    return QByteArrayLiteral("time,elapsed_s,reading,value_mA,status,record\r\n");
}

QByteArray CsvField(const QByteArray& utf8) {
    for (const char c : utf8) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            QByteArray quoted = utf8;
            quoted.replace('"', QByteArrayLiteral("\"\""));
            return '"' + quoted + '"';
        }
    }
    return utf8;
}

QByteArray IsoTimeWithOffset(const QDateTime& time) {
    const QDate d = time.date();
    const QTime t = time.time();
    const int offset = time.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                                d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(),
                                t.msec(), offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return QByteArray(buf, n);
}

QByteArray DataLogRow(const MeterRecord& record, const QDateTime& time, qint64 elapsedMs) {
    QByteArray row;
    row.reserve(80);
    row += IsoTimeWithOffset(time);
    row += ',';
    row += ElapsedText(elapsedMs);
    row += ',';
    AppendRecordFields(row, record);
    return row;
}

QByteArray HistoryCsv(const QByteArray& reply, int count) {
    QByteArray csv = QByteArrayLiteral("group,reading,value_mA,status,record\r\n");
    const int n = qMin(count, WholeRecordCount(reply));
    for (int i = 0; i < n; ++i) {
        const std::optional<MeterRecord> record = RecordAt(reply, i);
        if (!record) break;
        csv += QByteArray::number(i + 1);
        csv += ',';
        AppendRecordFields(csv, *record);
    }
    return csv;
}

DataLogClock DataLogClock::System() {
    return {[] { return QDateTime::currentDateTime(); },
            [] {
                using namespace std::chrono;
                return qint64(
                    duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
            }};
}

DataLog::DataLog(DataLogClock clock) : clock_(std::move(clock)) {}

DataLog::~DataLog() {
    Stop();
}

bool DataLog::Start(const QString& path) {
    Stop();
    path_ = path;
    error_.clear();
    syncs_ = 0;
    const bool endsInsideLine = EndsInsideLine(path);
    file_.setFileName(path);
    // Unbuffered: every row goes to the file in one write as soon as it is logged.
    if (!file_.open(QIODevice::Append | QIODevice::Unbuffered)) {
        error_ = file_.errorString();
        return false;
    }
    startMs_ = lastSyncMs_ = clock_.steadyMs();
    unsynced_ = false;
    if (file_.size() == 0) {
        if (!Write(DataLogHeader())) return false;
    } else if (endsInsideLine) {
        if (!Write(QByteArrayLiteral("\r\n"))) return false;
    }
    return true;
}

bool DataLog::Append(const MeterRecord& record) {
    if (!IsRunning()) return false;
    const qint64 now = clock_.steadyMs();
    if (!Write(DataLogRow(record, clock_.now(), now - startMs_))) return false;
    if (SyncDue(unsynced_, lastSyncMs_, now)) return Sync();
    return true;
}

bool DataLog::SyncIfDue() {
    if (!IsRunning()) return false;
    if (!SyncDue(unsynced_, lastSyncMs_, clock_.steadyMs())) return true;
    return Sync();
}

bool DataLog::Stop() {
    if (!IsRunning()) return true;
    const bool synced = Sync();
    file_.close();
    return synced;
}

bool DataLog::Write(const QByteArray& bytes) {
    if (file_.write(bytes) != bytes.size()) {
        Fail(file_.errorString());
        return false;
    }
    unsynced_ = true;
    return true;
}

bool DataLog::Sync() {
    if (!SyncToDisk(file_)) {
        Fail(qt_error_string(errno));
        return false;
    }
    lastSyncMs_ = clock_.steadyMs();
    unsynced_ = false;
    ++syncs_;
    return true;
}

void DataLog::Fail(const QString& reason) {
    error_ = reason;
    file_.close();
}

}  // namespace measure
