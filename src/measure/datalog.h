#pragma once
// The data log: one CSV row for every live reading, appended to a file the user chose.
//
//   time,elapsed_s,reading,value_mA,status,record
//   2026-12-08T17:31:02.517+08:00,12.503,-42mA,42,23,002A17
//
// time       local time, ISO 8601 with milliseconds and UTC offset
// elapsed_s  seconds since the log started, 3 decimals
// reading    the text the big live reading shows ("-42mA", "0L", "ERROR")
// value_mA   the value recorded in mA (the magnitude, as the live series keeps it), with "."
//            as decimal point whatever the locale and as many digits as it takes to give the
//            recorded value back exactly; empty when nothing is recorded (ERROR)
// status     the status byte, 0..255
// record     the three record bytes in hexadecimal, upper case
//
// RFC 4180: fields holding a comma, a quote or a line break are quoted, quotes doubled; UTF-8
// without byte-order mark; every row ends with CR LF.
//
// Nothing measured is lost: an existing file is appended to, never rewritten, and gets no
// second header; each row goes to the file whole, in one write, as soon as it is logged, so a
// killed program leaves at most one partial last line; the file is synced to the disk when
// rows have waited for it 10 s and when the log stops. Nothing is held in memory per row.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <utility>

#include "meterrecord.h"

namespace measure {

// The header row, CR LF included.
QByteArray DataLogHeader();

// One field as RFC 4180 wants it: quoted, with quotes doubled, when it holds a comma, a quote,
// CR or LF; as is otherwise.
QByteArray CsvField(const QByteArray& utf8);

// `time` as the time column writes it: "2026-12-08T17:31:02.517+08:00", with the offset the
// date-time carries (local time for the log) and "Z" never used.
QByteArray IsoTimeWithOffset(const QDateTime& time);

// The row for one live record logged at `time`, `elapsedMs` after the log started, CR LF
// included.
QByteArray DataLogRow(const MeterRecord& record, const QDateTime& time, qint64 elapsedMs);

// The stored groups of a history reply as CSV, header included:
//   group,reading,value_mA,status,record
// one row per whole record present, at most `count`, numbered from 1; the reading, value,
// status and record columns as in the data log. CR LF after every row.
QByteArray HistoryCsv(const QByteArray& reply, int count);

// The longest time rows may wait in the file before it is synced to the disk.
inline constexpr qint64 kDataLogSyncIntervalMs = 10000;

// Where the log takes its times from: the wall clock for the time column and a steady
// millisecond count for elapsed_s and the sync interval. The defaults are the system's local
// time and a monotonic clock; tests give fixed ones.
struct DataLogClock {
    std::function<QDateTime()> now;
    std::function<qint64()> steadyMs;
    static DataLogClock System();
};

class DataLog {
  public:
    explicit DataLog(DataLogClock clock = DataLogClock::System());
    ~DataLog();  // stops the log (synced)
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;

    // Opens `path` for appending (creating it), writes the header when the file is new or
    // empty and ends a partial last line left by an earlier run, so that the new rows start on
    // a line of their own. A log already running is stopped first. False, with the reason in
    // ErrorString(), when the file cannot be opened or written; no log is running then.
    bool Start(const QString& path);

    // Appends the row for `record` and syncs the file when that is due. False when the row
    // could not be written: the log stops itself and ErrorString() says why.
    bool Append(const MeterRecord& record);

    // Syncs the file when rows have waited 10 s; for an owner's periodic tick, so that rows
    // reach the disk also when no further reading comes. False when the sync failed (the log
    // stops itself).
    bool SyncIfDue();

    // Syncs and closes the file. False when the final sync failed (ErrorString() says why);
    // the log is stopped either way. Does nothing when no log is running.
    bool Stop();

    bool IsRunning() const { return file_.isOpen(); }
    QString Path() const { return path_; }
    QString ErrorString() const { return error_; }
    int SyncCount() const { return syncs_; }  // syncs since the log started

  private:
    bool Write(const QByteArray& bytes);
    bool Sync();
    void Fail(const QString& reason);

    DataLogClock clock_;
    QFile file_;
    QString path_;
    QString error_;
    qint64 startMs_ = 0;
    qint64 lastSyncMs_ = 0;
    bool unsynced_ = false;
    int syncs_ = 0;
};

}  // namespace measure
