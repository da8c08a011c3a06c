#pragma once
// The data log: one CSV row for every live reading, appended to a file the user chose.
//
//   time,elapsed_s,reading,value_mA,status,record
//   2026-12-08T17:31:02.517+08:00,12.503,-42mA,-42,23,002A17
//
// time       local time, ISO 8601 with milliseconds and UTC offset
// elapsed_s  seconds since the log started, 3 decimals
// reading    the text the big live reading shows ("-42mA", "0L", "ERROR")
// value_mA   the value the big live reading shows, with its sign, in mA ("-42mA" gives -42,
//            "-171.9A" gives -171900; a shown "-0" gives 0), with "." as decimal point
//            whatever the locale and as many digits as it takes to give the value back exactly;
//            empty when the meter gives no value (0L and ERROR, told apart by `reading`)
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
//
// Files are rotated under a running log: a file renamed or deleted (the path no longer names
// the open file) is noticed on the owner's once-a-second tick, and the log goes on in a new
// file at the path, header first; a file emptied in place (copied, then truncated) gets the
// header again before its next row. Each time the owner is handed one line to tell the user.
//
// A path may hold %Y, %m, %d and %H (year, month, day, hour of the local time, e.g.
// "day-%Y%m%d.csv"): whenever the name they make changes, the log goes on in a new file of
// that name, header first. Any other "%" stays as written.
//
// The same file machinery keeps the interval log and the alarm events file; each kind has its
// own header, and a file that begins with another kind's header is refused, never mixed.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <utility>

#include "meterrecord.h"
#include "reading.h"

namespace measure {

// The header row, CR LF included.
QByteArray dataLogHeader();

// One field as RFC 4180 wants it: quoted, with quotes doubled, when it holds a comma, a quote,
// CR or LF; as is otherwise.
QByteArray csvField(const QByteArray& utf8);

// `time` as the time column writes it: "2026-12-08T17:31:02.517+08:00", with the offset the
// date-time carries (local time for the log) and "Z" never used.
QByteArray isoTimeWithOffset(const QDateTime& time);

// A value in mA as the value columns write it: "." whatever the locale, as many digits as give
// the single-precision value back exactly ("1.25", "-171900").
QByteArray valueMaText(float ma);
// Milliseconds as seconds with 3 decimals ("12.503"); a negative time gives "0.000".
QByteArray secondsText(qint64 ms);
// The value the live display shows, signed, in mA (a shown "-0" is 0); none for 0L and ERROR.
std::optional<float> signedValueMa(const DecodedRecord& d);

// Whether `pattern` holds any of %Y, %m, %d, %H.
bool hasDateFields(const QString& pattern);
// The name `pattern` gives at local time `time`: %Y, %m, %d and %H replaced.
QString datedLogPath(const QString& pattern, const QDateTime& time);

// The row for one reading, `elapsedMs` after the log started, CR LF included.
QByteArray dataLogRow(const Reading& reading, qint64 elapsedMs);
// The same for a record read at `time` (files made for trials and tests).
inline QByteArray dataLogRow(const MeterRecord& record, const QDateTime& time, qint64 elapsedMs) {
    return dataLogRow(takeReading(record, time, 0), elapsedMs);
}

// The stored groups as CSV, header included:
//   group,reading,value_mA,status,record
// one row per group, numbered from 1; the reading, value, status and record columns as in the
// data log. CR LF after every row.
QByteArray historyCsv(const QList<MeterRecord>& groups);

// The longest time rows may wait in the file before it is synced to the disk.
inline constexpr qint64 kDataLogSyncIntervalMs = 10000;

// Where the log takes its times from: the wall clock for the time column and a steady
// millisecond count for elapsed_s and the sync interval. The defaults are the program's local
// clock (localNow, which looks at the time zone once a minute) and a monotonic clock; tests give
// fixed ones.
struct DataLogClock {
    std::function<QDateTime()> now;
    std::function<qint64()> steadyMs;
    static DataLogClock system();
    // `record`, read now.
    Reading take(const MeterRecord& record) const { return takeReading(record, now(), steadyMs()); }
};

class DataLog {
  public:
    // `header`: the header row of the log's kind (the data log's, the interval log's, the
    // alarm events'), CR LF included.
    explicit DataLog(DataLogClock clock = DataLogClock::system(),
                     QByteArray header = dataLogHeader());
    ~DataLog();  // stops the log (synced)
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;

    // Opens `path` for appending, making the file and any missing folders on the way to it,
    // writes the header when the file is new or empty and ends a partial last line left by an
    // earlier run, so that the new rows start on a line of their own. A log already running is
    // stopped first. False, with the reason in errorString(), when the folder cannot be made or
    // the file cannot be opened or written; no log is running then, and a file the log made
    // itself is removed again. A file that begins with the header of another kind of log is
    // refused. `path` may be a pattern with %Y, %m, %d, %H (see above).
    bool start(const QString& path);

    // The header written at the top of every file from the next one opened on.
    void setHeader(const QByteArray& header) { header_ = header; }
    QByteArray header() const { return header_; }

    // Appends one row of the log's kind, CR LF included, for local time `time` (which picks
    // the file when the path is a pattern). False as for Append.
    bool appendRow(const QByteArray& row, const QDateTime& time);

    // Appends the row for `reading` (after a new header when the file was emptied under the
    // log) and syncs the file when that is due. Its elapsed_s counts on the reading's steady
    // time from the log's start, so the reading must come from the log's own clock. False
    // when the row could not be written: the log stops itself and errorString() says why.
    bool append(const Reading& reading);

    // For the owner's tick, once a second: at most once a second, checks that the path still
    // names the open file and goes on in a new file there when not (see takeNotice), and syncs
    // the file when rows have waited 10 s, so that rows reach the disk also when no further
    // reading comes. False when the sync failed or no new file could be made (the log stops
    // itself; errorString() says why).
    bool syncIfDue();

    // Syncs and closes the file. False when the final sync failed (errorString() says why);
    // the log is stopped either way. Does nothing when no log is running.
    bool stop();

    // One line for the user about something the log did by itself ("data log /x/y.csv was
    // moved or deleted; logging again to a new file at /x/y.csv"), or empty; handed out once.
    // Owners print it after syncIfDue and Append.
    QString takeNotice();

    bool isRunning() const { return fd_ >= 0; }
    QString path() const { return path_; }  // the file written now
    // The file a row of local time `time` goes to (another one than path() for a row of the
    // next day when the path has date fields).
    QString pathAt(const QDateTime& time) const {
        return dated_ ? datedLogPath(pattern_, time) : path_;
    }
    QString errorString() const { return error_; }
    int syncCount() const { return syncs_; }  // syncs since the log started

  private:
    bool open();
    bool followPath();
    bool restartIfEmptied();
    bool beginRows(qint64 size);
    bool followDate(const QDateTime& time);
    bool write(const QByteArray& bytes);
    bool sync();
    void fail(const QString& reason);

    DataLogClock clock_;
    QByteArray header_;
    QString pattern_;      // the path as given, with its % fields
    bool dated_ = false;   // the pattern has % fields
    qint64 fileHour_ = 0;  // the local hour the current name was made for
    int fd_ = -1;
    bool regular_ = false;  // a plain file (not a device or a pipe), whose size can be watched
    qint64 size_ = 0;       // what the file holds at least: its size at opening plus our writes
    QString path_;
    QString error_;
    QString notice_;
    qint64 startMs_ = 0;
    qint64 lastSyncMs_ = 0;
    qint64 lastPathCheckMs_ = 0;
    bool unsynced_ = false;
    int syncs_ = 0;
};

}  // namespace measure
