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
using platform::closeFile;
using platform::openForAppend;
using platform::pathLeftFile;
using platform::writeSome;

// How often the log looks whether its path still names the open file.
constexpr qint64 kPathCheckIntervalMs = 1000;

// Whether a non-empty plain file ends in the middle of a line (a row cut short when an earlier
// run was killed). A file that cannot be read is taken as whole.
bool endsInsideLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 0 || !f.seek(f.size() - 1)) return false;
    char last = '\n';
    return f.getChar(&last) && last != '\n';
}

// Rows written since the last sync are synced once that sync is the sync interval ago.
bool syncDue(bool unsynced, qint64 lastSyncMs, qint64 nowMs) {
    return unsynced && nowMs - lastSyncMs >= kDataLogSyncIntervalMs;
}

// The columns every CSV of readings ends with: reading,value_mA,status,record and CR LF.
void appendRecordFields(QByteArray& row, const RecordColumns& c) {
    row += csvField(c.reading.toUtf8());
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
bool isOtherKind(const QByteArray& firstLine, const QByteArray& header) {
    for (const QByteArray& known : {dataLogHeader(), intervalLogHeader(), alarmEventsHeader()})
        if (known != header && firstLine == known) return true;
    return false;
}

// The first line of the file at `path`, CR LF included, as far as the first 256 bytes go.
QByteArray firstLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = f.read(256);
    const qsizetype lf = head.indexOf('\n');
    return lf < 0 ? head : head.left(lf + 1);
}

// What a file of a log's kind holds, for the message that refuses it.
QString kindText(const QByteArray& header) {
    if (header == intervalLogHeader()) return QStringLiteral("interval rows");
    if (header == alarmEventsHeader()) return QStringLiteral("alarm events");
    return QStringLiteral("one row per reading");
}

// The local hour of `time`, counted from 1970, for noticing a new hour or day.
qint64 hourOf(const QDateTime& time) {
    return (time.toMSecsSinceEpoch() / 1000 + time.offsetFromUtc()) / 3600;
}

}  // namespace

QByteArray valueMaText(float ma) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, ma, std::chars_format::fixed);
    return QByteArray(buf, r.ptr - buf);
}

QByteArray secondsText(qint64 ms) {
    if (ms < 0) ms = 0;  // a clock that went backwards gives 0, never a negative time
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%lld.%03lld", static_cast<long long>(ms / 1000),
                                static_cast<long long>(ms % 1000));
    return QByteArray(buf, n);
}

std::optional<float> signedValueMa(const DecodedRecord& d) {
    if (d.kind != RecordKind::Reading) return std::nullopt;
    return d.negative && d.recordedMa != 0 ? -d.recordedMa : d.recordedMa;
}

bool hasDateFields(const QString& pattern) {
    for (const char* field : {"%Y", "%m", "%d", "%H"})
        if (pattern.contains(QLatin1String(field))) return true;
    return false;
}

QString datedLogPath(const QString& pattern, const QDateTime& time) {
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

QByteArray dataLogHeader() {
    return QByteArrayLiteral("time,elapsed_s,reading,value_mA,status,record\r\n");
}

QByteArray csvField(const QByteArray& utf8) {
    for (const char c : utf8) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            QByteArray quoted = utf8;
            quoted.replace('"', QByteArrayLiteral("\"\""));
            return '"' + quoted + '"';
        }
    }
    return utf8;
}

QByteArray isoTimeWithOffset(const QDateTime& time) {
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

QByteArray dataLogRow(const Reading& reading, qint64 elapsedMs) {
    QByteArray row;
    row.reserve(80);
    row += isoTimeWithOffset(reading.time);
    row += ',';
    row += secondsText(elapsedMs);
    row += ',';
    appendRecordFields(row, reading.columns);
    return row;
}

QByteArray historyCsv(const QList<MeterRecord>& groups) {
    QByteArray csv = QByteArrayLiteral("group,reading,value_mA,status,record\r\n");
    for (qsizetype i = 0; i < groups.size(); ++i) {
        csv += QByteArray::number(i + 1);
        csv += ',';
        appendRecordFields(csv, recordColumnsOf(groups[i]));
    }
    return csv;
}

DataLogClock DataLogClock::system() {
    return {[] { return localNow(); },
            [] {
                using namespace std::chrono;
                return qint64(
                    duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
            }};
}

DataLog::DataLog(DataLogClock clock, QByteArray header)
    : clock_(std::move(clock)), header_(std::move(header)) {}

DataLog::~DataLog() {
    stop();
}

bool DataLog::start(const QString& path) {
    stop();
    pattern_ = path;
    dated_ = hasDateFields(path);
    const QDateTime now = dated_ ? clock_.now() : QDateTime();
    fileHour_ = dated_ ? hourOf(now) : 0;
    path_ = dated_ ? datedLogPath(path, now) : path;
    error_.clear();
    notice_.clear();
    syncs_ = 0;
    startMs_ = lastSyncMs_ = lastPathCheckMs_ = clock_.steadyMs();
    unsynced_ = false;
    return open();
}

bool DataLog::append(const Reading& reading) {
    return appendRow(dataLogRow(reading, reading.steadyMs - startMs_), reading.time);
}

bool DataLog::appendRow(const QByteArray& row, const QDateTime& time) {
    if (!isRunning() || !followDate(time) || !restartIfEmptied()) return false;
    if (!write(row)) return false;
    if (syncDue(unsynced_, lastSyncMs_, clock_.steadyMs())) return sync();
    return true;
}

bool DataLog::syncIfDue() {
    if (!isRunning()) return false;
    const qint64 now = clock_.steadyMs();
    if (now - lastPathCheckMs_ >= kPathCheckIntervalMs) {
        lastPathCheckMs_ = now;
        if (!followPath()) return false;
    }
    if (!syncDue(unsynced_, lastSyncMs_, now)) return true;
    return sync();
}

bool DataLog::stop() {
    if (!isRunning()) return true;
    if (!sync()) return false;
    const int closed = closeFile(fd_);
    fd_ = -1;
    // A file system that writes late (NFS) reports a lost write only now.
    if (closed != 0 && errno != EINTR) {
        error_ = qt_error_string(errno);
        return false;
    }
    return true;
}

QString DataLog::takeNotice() {
    return std::exchange(notice_, QString());
}

// Opens the file at the path, making missing folders, and writes what goes before the rows.
// On failure the log is not running, the reason is in error_, and a file that was not there
// before is removed again.
bool DataLog::open() {
    const QFileInfo info(path_);
    const bool existed = info.exists() || info.isSymLink();
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        error_ = QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    fd_ = openForAppend(path_);
    if (fd_ < 0) {
        error_ = qt_error_string(errno);
        return false;
    }
    platform::OpenFileState st;
    if (!platform::stateOfOpenFile(fd_, &st)) {
        fail(qt_error_string(errno));
    } else {
        regular_ = st.plain;
        size_ = st.size;
        if (beginRows(size_)) return true;
    }
    if (!existed) QFile::remove(path_);
    return false;
}

// A file renamed away or deleted under the log keeps the rows written to it so far; the log
// goes on in a new file at the path.
bool DataLog::followPath() {
    if (!pathLeftFile(path_, fd_)) return true;
    if (unsynced_ && !sync()) return false;
    closeFile(fd_);
    fd_ = -1;
    const QString shown = QDir::toNativeSeparators(path_);
    if (!open()) {
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
bool DataLog::followDate(const QDateTime& time) {
    if (!dated_ || hourOf(time) == fileHour_) return true;
    fileHour_ = hourOf(time);
    const QString next = datedLogPath(pattern_, time);
    if (next == path_) return true;
    if (unsynced_ && !sync()) return false;
    closeFile(fd_);
    fd_ = -1;
    path_ = next;
    if (!open()) return false;
    notice_ = QStringLiteral("logging to %1").arg(QDir::toNativeSeparators(path_));
    return true;
}

// A plain file that holds less than the log wrote to it was cut short by someone else (a
// rotation tool copies it, then empties it): the next row starts as in a file just opened.
// Devices and pipes have no size to go by.
bool DataLog::restartIfEmptied() {
    platform::OpenFileState st;
    if (!regular_ || !platform::stateOfOpenFile(fd_, &st) || st.size >= size_) return true;
    size_ = st.size;
    notice_ = QStringLiteral("data log %1 was truncated; logging goes on in it")
                  .arg(QDir::toNativeSeparators(path_));
    return beginRows(size_);
}

// Where the rows start in a file holding `size` bytes: after a header when it is empty, on a
// line of their own when an earlier run left a partial line.
bool DataLog::beginRows(qint64 size) {
    if (size == 0) return write(header_);
    if (regular_) {
        const QByteArray first = firstLine(path_);
        if (isOtherKind(first, header_)) {
            fail(QStringLiteral("%1 holds %2 (its header is %3); %4 are never mixed into it")
                     .arg(QDir::toNativeSeparators(path_), kindText(first),
                          QString::fromUtf8(first.trimmed()), kindText(header_)));
            return false;
        }
    }
    if (regular_ && endsInsideLine(path_)) return write(QByteArrayLiteral("\r\n"));
    return true;
}

// Writes all of `bytes`; the file takes a row in one write unless it is full.
bool DataLog::write(const QByteArray& bytes) {
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 n = writeSome(fd_, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(n < 0 ? qt_error_string(errno) : QStringLiteral("the file takes no more bytes"));
            return false;
        }
        data += n;
        left -= n;
        size_ += n;
    }
    unsynced_ = true;
    return true;
}

bool DataLog::sync() {
    // A device or a pipe has no disk to sync to; that is no failure.
    if (!platform::syncToDisk(fd_, regular_)) {
        fail(qt_error_string(errno));
        return false;
    }
    lastSyncMs_ = clock_.steadyMs();
    unsynced_ = false;
    ++syncs_;
    return true;
}

void DataLog::fail(const QString& reason) {
    error_ = reason;
    closeFile(fd_);
    fd_ = -1;
}

}  // namespace measure
