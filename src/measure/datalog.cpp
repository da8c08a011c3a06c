#include "datalog.h"

#include "alarmtracker.h"
#include "intervallog.h"
#include "localclock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>

#include "platform/durablefile.h"

namespace measure {
namespace {

// The file is written through its descriptor, so that every failure comes with the system's
// own reason ("No space left on device") and devices such as /dev/full are written like files.
using platform::CloseFile;
using platform::OpenForAppend;
using platform::PathLeftFile;
using platform::WriteSome;

// How often the log looks whether its path still names the open file.
constexpr qint64 kPathCheckIntervalMs = 1000;

// Whether a non-empty plain file ends in the middle of a line (a row cut short when an earlier
// run was killed). A file that cannot be read is taken as whole.
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
void AppendRecordFields(QByteArray& row, const RecordColumns& c) {
    row += CsvField(c.reading.toUtf8());
    row += ',';
    row += c.valueMa;
    row += ',';
    row += QByteArray::number(c.status);
    row += ',';
    row += c.record;
    row += "\r\n";
}

// The headers of every kind of log the program writes: a file that begins with one of them
// holds that kind of rows.
bool IsOtherKind(const QByteArray& firstLine, const QByteArray& header) {
    for (const QByteArray& known : {DataLogHeader(), IntervalLogHeader(), AlarmEventsHeader()})
        if (known != header && firstLine == known) return true;
    return false;
}

// The first line of the file at `path`, CR LF included, as far as the first 256 bytes go.
QByteArray FirstLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = f.read(256);
    const qsizetype lf = head.indexOf('\n');
    return lf < 0 ? head : head.left(lf + 1);
}

// What a file of a log's kind holds, for the message that refuses it.
QString KindText(const QByteArray& header) {
    if (header == IntervalLogHeader()) return QStringLiteral("interval rows");
    if (header == AlarmEventsHeader()) return QStringLiteral("alarm events");
    return QStringLiteral("one row per reading");
}

// The local hour of `time`, counted from 1970, for noticing a new hour or day.
qint64 HourOf(const QDateTime& time) {
    return (time.toMSecsSinceEpoch() / 1000 + time.offsetFromUtc()) / 3600;
}

}  // namespace

QByteArray ValueMaText(float ma) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, ma, std::chars_format::fixed);
    return QByteArray(buf, r.ptr - buf);
}

QByteArray SecondsText(qint64 ms) {
    if (ms < 0) ms = 0;  // a clock that went backwards gives 0, never a negative time
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%lld.%03lld", static_cast<long long>(ms / 1000),
                                static_cast<long long>(ms % 1000));
    return QByteArray(buf, n);
}

std::optional<float> SignedValueMa(const DecodedRecord& d) {
    if (d.kind != RecordKind::Reading) return std::nullopt;
    return d.negative && d.recordedMa != 0 ? -d.recordedMa : d.recordedMa;
}

bool HasDateFields(const QString& pattern) {
    for (const char* field : {"%Y", "%m", "%d", "%H"})
        if (pattern.contains(QLatin1String(field))) return true;
    return false;
}

QString DatedLogPath(const QString& pattern, const QDateTime& time) {
    if (!pattern.contains(QLatin1Char('%'))) return pattern;
    const QDate date = time.date();
    QString out;
    out.reserve(pattern.size() + 8);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar field = i + 1 < pattern.size() ? pattern[i + 1] : QChar();
        const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        if (pattern[i] != QLatin1Char('%')) {
            out += pattern[i];
            continue;
        }
        if (field == QLatin1Char('Y'))
            out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        else if (field == QLatin1Char('m'))
            out += two(date.month());
        else if (field == QLatin1Char('d'))
            out += two(date.day());
        else if (field == QLatin1Char('H'))
            out += two(time.time().hour());
        else {
            out += pattern[i];
            continue;
        }
        ++i;
    }
    return out;
}

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

QByteArray DataLogRow(const Reading& reading, qint64 elapsedMs) {
    QByteArray row;
    row.reserve(80);
    row += IsoTimeWithOffset(reading.time);
    row += ',';
    row += SecondsText(elapsedMs);
    row += ',';
    AppendRecordFields(row, reading.columns);
    return row;
}

QByteArray HistoryCsv(const QList<MeterRecord>& groups) {
    QByteArray csv = QByteArrayLiteral("group,reading,value_mA,status,record\r\n");
    for (qsizetype i = 0; i < groups.size(); ++i) {
        csv += QByteArray::number(i + 1);
        csv += ',';
        AppendRecordFields(csv, RecordColumnsOf(groups[i]));
    }
    return csv;
}

DataLogClock DataLogClock::System() {
    return {[] { return LocalNow(); },
            [] {
                using namespace std::chrono;
                return qint64(
                    duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
            }};
}

DataLog::DataLog(DataLogClock clock, QByteArray header)
    : clock_(std::move(clock)), header_(std::move(header)) {}

DataLog::~DataLog() {
    Stop();
}

bool DataLog::Start(const QString& path) {
    Stop();
    pattern_ = path;
    dated_ = HasDateFields(path);
    const QDateTime now = dated_ ? clock_.now() : QDateTime();
    fileHour_ = dated_ ? HourOf(now) : 0;
    path_ = dated_ ? DatedLogPath(path, now) : path;
    error_.clear();
    notice_.clear();
    syncs_ = 0;
    startMs_ = lastSyncMs_ = lastPathCheckMs_ = clock_.steadyMs();
    unsynced_ = false;
    return Open();
}

bool DataLog::Append(const Reading& reading) {
    return AppendRow(DataLogRow(reading, reading.steadyMs - startMs_), reading.time);
}

bool DataLog::AppendRow(const QByteArray& row, const QDateTime& time) {
    if (!IsRunning() || !FollowDate(time) || !RestartIfEmptied()) return false;
    if (!Write(row)) return false;
    if (SyncDue(unsynced_, lastSyncMs_, clock_.steadyMs())) return Sync();
    return true;
}

bool DataLog::SyncIfDue() {
    if (!IsRunning()) return false;
    const qint64 now = clock_.steadyMs();
    if (now - lastPathCheckMs_ >= kPathCheckIntervalMs) {
        lastPathCheckMs_ = now;
        if (!FollowPath()) return false;
    }
    if (!SyncDue(unsynced_, lastSyncMs_, now)) return true;
    return Sync();
}

bool DataLog::Stop() {
    if (!IsRunning()) return true;
    if (!Sync()) return false;
    const int closed = CloseFile(fd_);
    fd_ = -1;
    // A file system that writes late (NFS) reports a lost write only now.
    if (closed != 0 && errno != EINTR) {
        error_ = qt_error_string(errno);
        return false;
    }
    return true;
}

QString DataLog::TakeNotice() {
    return std::exchange(notice_, QString());
}

// Opens the file at the path, making missing folders, and writes what goes before the rows.
// On failure the log is not running, the reason is in error_, and a file that was not there
// before is removed again.
bool DataLog::Open() {
    const QFileInfo info(path_);
    const bool existed = info.exists() || info.isSymLink();
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        error_ = QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    fd_ = OpenForAppend(path_);
    if (fd_ < 0) {
        error_ = qt_error_string(errno);
        return false;
    }
    platform::OpenFileState st;
    if (!platform::StateOfOpenFile(fd_, &st)) {
        Fail(qt_error_string(errno));
    } else {
        regular_ = st.plain;
        size_ = st.size;
        if (BeginRows(size_)) return true;
    }
    if (!existed) QFile::remove(path_);
    return false;
}

// A file renamed away or deleted under the log keeps the rows written to it so far; the log
// goes on in a new file at the path.
bool DataLog::FollowPath() {
    if (!PathLeftFile(path_, fd_)) return true;
    if (unsynced_ && !Sync()) return false;
    CloseFile(fd_);
    fd_ = -1;
    const QString shown = QDir::toNativeSeparators(path_);
    if (!Open()) {
        error_ = QStringLiteral("the file was moved or deleted and a new one cannot be made: %1")
                     .arg(error_);
        return false;
    }
    notice_ = QStringLiteral("data log %1 was moved or deleted; logging again to a new file at %1")
                  .arg(shown);
    return true;
}

// A path with date fields names a new file when the hour or the day in it changes: the file
// written so far is synced and closed, and the log goes on in the new one, header first.
bool DataLog::FollowDate(const QDateTime& time) {
    if (!dated_ || HourOf(time) == fileHour_) return true;
    fileHour_ = HourOf(time);
    const QString next = DatedLogPath(pattern_, time);
    if (next == path_) return true;
    if (unsynced_ && !Sync()) return false;
    CloseFile(fd_);
    fd_ = -1;
    path_ = next;
    if (!Open()) return false;
    notice_ = QStringLiteral("logging to %1").arg(QDir::toNativeSeparators(path_));
    return true;
}

// A plain file that holds less than the log wrote to it was cut short by someone else (a
// rotation tool copies it, then empties it): the next row starts as in a file just opened.
// Devices and pipes have no size to go by.
bool DataLog::RestartIfEmptied() {
    platform::OpenFileState st;
    if (!regular_ || !platform::StateOfOpenFile(fd_, &st) || st.size >= size_) return true;
    size_ = st.size;
    notice_ = QStringLiteral("data log %1 was truncated; logging goes on in it")
                  .arg(QDir::toNativeSeparators(path_));
    return BeginRows(size_);
}

// Where the rows start in a file holding `size` bytes: after a header when it is empty, on a
// line of their own when an earlier run left a partial line.
bool DataLog::BeginRows(qint64 size) {
    if (size == 0) return Write(header_);
    if (regular_) {
        const QByteArray first = FirstLine(path_);
        if (IsOtherKind(first, header_)) {
            Fail(QStringLiteral("%1 holds %2 (its header is %3); %4 are never mixed into it")
                     .arg(QDir::toNativeSeparators(path_), KindText(first),
                          QString::fromUtf8(first.trimmed()), KindText(header_)));
            return false;
        }
    }
    if (regular_ && EndsInsideLine(path_)) return Write(QByteArrayLiteral("\r\n"));
    return true;
}

// Writes all of `bytes`; the file takes a row in one write unless it is full.
bool DataLog::Write(const QByteArray& bytes) {
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 n = WriteSome(fd_, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail(n < 0 ? qt_error_string(errno) : QStringLiteral("the file takes no more bytes"));
            return false;
        }
        data += n;
        left -= n;
        size_ += n;
    }
    unsynced_ = true;
    return true;
}

bool DataLog::Sync() {
    // A device or a pipe has no disk to sync to; that is no failure.
    if (!platform::SyncToDisk(fd_, regular_)) {
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
    CloseFile(fd_);
    fd_ = -1;
}

}  // namespace measure
