#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include "../tmpfs.h"
#include "measure/datalog.h"
#include "measure/intervallog.h"

using namespace measure;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

MeterRecord recordOf(const QByteArray& hex) {
    const QByteArray b = QByteArray::fromHex(hex);
    return {quint8(b[0]), quint8(b[1]), quint8(b[2])};
}

// 2026-12-08 17:31:02.517 at UTC+08:00.
QDateTime Beijing(int msec = 517) {
    return QDateTime(QDate(2026, 12, 8), QTime(17, 31, 2, msec), QTimeZone(8 * 3600));
}

// A clock the test moves by hand.
struct ManualClock {
    QDateTime wall = Beijing(0);
    qint64 ms = 1'000'000;
    DataLogClock clock() {
        return {[this] { return wall.addMSecs(ms - 1'000'000); }, [this] { return ms; }};
    }
    // The record given in hexadecimal, read now.
    Reading read(const QByteArray& hex) { return clock().take(recordOf(hex)); }
};

const QRegularExpression kRow(QStringLiteral(
    R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,\d+\.\d{3},[^,]+,-?[0-9.]*,\d{1,3},([0-9A-F]{6})$)"));

}  // namespace

class TestDataLog : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void rows_data();
    void rows();
    void valueColumn_data();
    void valueColumn();
    void csvField_data();
    void csvField();
    void appendsToWhatIsThere_data();
    void appendsToWhatIsThere();
    void clockGivesTimesAndSyncs();
    void fileChangedUnderTheLog_data();
    void fileChangedUnderTheLog();
    void cannotOpen_data();
    void cannotOpen();
    void diskFillsWhileLogging();
    void fullDiskAtStart_data();
    void fullDiskAtStart();
    void killedWriterLeavesWholeRows();
    void datedPath_data();
    void datedPath();
    void newFileWhenTheDateChanges();
};

// No Qt warning on stderr from anything the log does.
void TestDataLog::init() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
}

void TestDataLog::rows_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QByteArray>("row");
    QTest::newRow("local time") << QByteArray("002A17") << Beijing() << qint64(12503)
                                << QByteArray(
                                       "2026-12-08T17:31:02.517+08:00,12.503,-42mA,-42,23,"
                                       "002A17\r\n");
    QTest::newRow("west of UTC, hours of elapsed time")
        << QByteArray("002A17")
        << QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5, 6), QTimeZone(-(3 * 3600 + 1800)))
        << qint64(36'000'001)
        << QByteArray("2027-01-02T03:04:05.006-03:30,36000.001,-42mA,-42,23,002A17\r\n");
    QTest::newRow("UTC") << QByteArray("002A17")
                         << QDateTime(QDate(2026, 6, 1), QTime(0, 0), QTimeZone::utc()) << qint64(0)
                         << QByteArray(
                                "2026-06-01T00:00:00.000+00:00,0.000,-42mA,-42,23,"
                                "002A17\r\n");
}

void TestDataLog::rows() {
    QFETCH(QByteArray, record);
    QFETCH(QDateTime, time);
    QFETCH(qint64, elapsedMs);
    QFETCH(QByteArray, row);
    QCOMPARE(dataLogRow(recordOf(record), time, elapsedMs), row);
}

// reading,value_mA as the data log and the history CSV both write them.
void TestDataLog::valueColumn_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QByteArray>("columns");
    QTest::newRow("negative mA") << QByteArray("002A17") << QByteArray("-42mA,-42");
    QTest::newRow("negative A in mA") << QByteArray("111312") << QByteArray("-171.9A,-171900");
    QTest::newRow("shown -0") << QByteArray("000012") << QByteArray("-0A,0");
    QTest::newRow("A in mA") << QByteArray("63630C") << QByteArray("9999A,9999000");
    QTest::newRow("overload") << QByteArray("000009") << QByteArray("0L,");
    QTest::newRow("invalid code") << QByteArray("01021B") << QByteArray("ERROR,");
}

void TestDataLog::valueColumn() {
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, columns);
    const MeterRecord r = recordOf(record);
    const QByteArray tail = columns + ',' + QByteArray::number(r.status) + ',' + record + "\r\n";
    QCOMPARE(dataLogRow(r, Beijing(), 0), "2026-12-08T17:31:02.517+08:00,0.000," + tail);
    QCOMPARE(historyCsv(recordsOf(QByteArray::fromHex(record), 1)),
             "group,reading,value_mA,status,record\r\n1," + tail);
}

void TestDataLog::csvField_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << QByteArray("-42mA") << QByteArray("-42mA");
    QTest::newRow("comma") << QByteArray("1,5") << QByteArray("\"1,5\"");
    QTest::newRow("quote") << QByteArray("a\"b") << QByteArray("\"a\"\"b\"");
    QTest::newRow("line break") << QByteArray("a\r\nb") << QByteArray("\"a\r\nb\"");
}

void TestDataLog::csvField() {
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, written);
    QCOMPARE(measure::csvField(field), written);
}

void TestDataLog::appendsToWhatIsThere_data() {
    QTest::addColumn<bool>("exists");  // a new file goes into a folder that is not there yet
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("kept");  // what precedes the new rows afterwards
    const QByteArray header = dataLogHeader();
    // Written before the value column had its sign; such rows stay as they are.
    const QByteArray oldRow = "2026-12-08T17:00:00.000+08:00,0.000,0L,0,9,000009\r\n";
    QTest::newRow("new file, new folder") << false << QByteArray() << header;
    QTest::newRow("empty file") << true << QByteArray() << header;
    QTest::newRow("earlier log") << true << header + oldRow << header + oldRow;
    QTest::newRow("row cut short by a kill")
        << true << header + oldRow + "2026-12-08T17:00:00.500+08"
        << header + oldRow + "2026-12-08T17:00:00.500+08\r\n";
    QTest::newRow("other text without final line break")
        << true << QByteArray("notes") << QByteArray("notes\r\n");
}

void TestDataLog::appendsToWhatIsThere() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, kept);
    QTemporaryDir dir;
    const QString path = dir.filePath("new/folder/log.csv");
    if (exists) QVERIFY(QDir(dir.path()).mkpath("new/folder") && writeAll(path, before));

    ManualClock c;
    DataLog log(c.clock());
    QVERIFY2(log.start(path), qPrintable(log.errorString()));
    QVERIFY(log.append(c.read("002A17")));
    c.ms += 500;
    QVERIFY(log.append(c.read("01021B")));
    QVERIFY(log.stop());
    QVERIFY(!log.isRunning());

    QCOMPARE(ReadAll(path), kept + dataLogRow(recordOf("002A17"), c.wall, 0) +
                                dataLogRow(recordOf("01021B"), c.wall.addMSecs(500), 500));
}

void TestDataLog::clockGivesTimesAndSyncs() {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    ManualClock c;
    DataLog log(c.clock());
    QVERIFY(log.start(path));
    QCOMPARE(log.syncCount(), 0);

    c.ms += 9999;  // header and one row waiting just under 10 s: not yet
    QVERIFY(log.append(c.read("000009")));
    QCOMPARE(log.syncCount(), 0);
    c.ms += 1;  // the next row makes it 10 s
    QVERIFY(log.append(c.read("000009")));
    QCOMPARE(log.syncCount(), 1);

    c.ms += 10'000;  // nothing written since: an idle tick does not sync
    QVERIFY(log.syncIfDue());
    QCOMPARE(log.syncCount(), 1);
    QVERIFY(log.append(c.read("000009")));  // written at 20 s, 10 s after the sync
    QCOMPARE(log.syncCount(), 2);
    QVERIFY(log.append(c.read("000009")));
    c.ms += 10'000;  // no further reading: the idle tick syncs the waiting row
    QVERIFY(log.syncIfDue());
    QCOMPARE(log.syncCount(), 3);
    QVERIFY(log.append(c.read("000009")));
    QVERIFY(log.stop());  // stopping syncs
    QCOMPARE(log.syncCount(), 4);

    const QList<QByteArray> lines = ReadAll(path).split('\n');
    QCOMPARE(lines.size(), 7);  // header, five rows, nothing after the last CR LF
    QVERIFY(lines[1].startsWith("2026-12-08T17:31:11.999+08:00,9.999,0L,"));
    QVERIFY(lines[2].startsWith("2026-12-08T17:31:12.000+08:00,10.000,0L,"));
    QVERIFY(lines[5].startsWith("2026-12-08T17:31:32.000+08:00,30.000,0L,"));
}

void TestDataLog::fileChangedUnderTheLog_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("notice");  // %1: the path
    const QString moved = "data log %1 was moved or deleted; logging again to a new file at %1";
    QTest::newRow("left alone") << ""
                                << "";
    QTest::newRow("renamed by a rotation") << "rename" << moved;
    QTest::newRow("deleted") << "delete" << moved;
    QTest::newRow("folder deleted") << "delete folder" << moved;
    QTest::newRow("emptied after a copy") << "truncate"
                                          << "data log %1 was truncated; logging goes on in it";
}

// Rotated under a running log: the row after the next tick lands at the path after a header;
// the rows before stay in the renamed file; the owner gets one line to show, once.
void TestDataLog::fileChangedUnderTheLog() {
    QFETCH(QString, change);
    QFETCH(QString, notice);
    QTemporaryDir dir;
    const QString path = dir.filePath("logs/log.csv");
    const QString renamed = dir.filePath("log.csv.1");
    ManualClock c;
    DataLog log(c.clock());
    QVERIFY(log.start(path));
    QVERIFY(log.append(c.read("002A17")));
    if (change == "rename") QVERIFY(QFile::rename(path, renamed));
    if (change == "delete") QVERIFY(QFile::remove(path));
    if (change == "delete folder") QVERIFY(QDir(dir.filePath("logs")).removeRecursively());
    if (change == "truncate") QVERIFY(QFile::resize(path, 0));
    c.ms += 1000;
    QVERIFY(log.syncIfDue());
    QVERIFY(log.append(c.read("000009")));
    QCOMPARE(log.takeNotice(), QString(notice).replace("%1", path));
    QVERIFY(log.takeNotice().isEmpty());
    QVERIFY(log.stop());

    const QByteArray first = dataLogRow(recordOf("002A17"), c.wall, 0);
    const QByteArray second = dataLogRow(recordOf("000009"), c.wall.addMSecs(1000), 1000);
    QCOMPARE(ReadAll(path), dataLogHeader() + (change.isEmpty() ? first : QByteArray()) + second);
    if (change == "rename") QCOMPARE(ReadAll(renamed), dataLogHeader() + first);
}

void TestDataLog::cannotOpen_data() {
    QTest::addColumn<QString>("path");  // relative to a fresh folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder") << "folder"
                              << "Is a directory";
    QTest::newRow("under a plain file") << "plain/log.csv"
                                        << "cannot make the folder";
    QTest::newRow("device full") << "/dev/full"
                                 << "No space left on device";
    QTest::newRow("another kind of log") << "interval.csv"
                                         << "holds interval rows";
}

void TestDataLog::cannotOpen() {
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QVERIFY(writeAll(dir.filePath("plain"), "keep"));
    QVERIFY(writeAll(dir.filePath("interval.csv"), intervalLogHeader()));
    DataLog log;
    QVERIFY(!log.start(QDir(dir.path()).filePath(path)));
    QVERIFY2(log.errorString().contains(reason), qPrintable(log.errorString()));
    QVERIFY(!log.isRunning());
    QVERIFY(!log.append(DataLogClock::system().take(
        recordOf("002A17"))));  // nothing is written after a failed start
    QCOMPARE(ReadAll(dir.filePath("plain")), QByteArray("keep"));
}

// A disk that fills up while logging: the row that does not fit fails with the system's reason,
// the log stops, and the rows written before are all still there.
void TestDataLog::diskFillsWhileLogging() {
    QTemporaryDir dir;
    SmallTmpfs disk;
    if (!disk.mount(dir.path(), 8192)) QSKIP(qPrintable(disk.errorString()));
    const QString path = dir.filePath("log.csv");
    ManualClock c;
    DataLog log(c.clock());
    QVERIFY(log.start(path));
    int rows = 0;
    while (rows < 1000 && log.append(c.read("002A17"))) ++rows;
    QCOMPARE(log.errorString(), QStringLiteral("No space left on device"));
    QVERIFY(!log.isRunning());

    const QByteArray row = dataLogRow(recordOf("002A17"), c.wall, 0);
    const QByteArray bytes = ReadAll(path);
    QCOMPARE(bytes.size(), 8192);
    QCOMPARE(bytes, (dataLogHeader() + row.repeated(rows + 1)).left(bytes.size()));
}

void TestDataLog::fullDiskAtStart_data() {
    QTest::addColumn<bool>("exists");  // an empty file is there already
    QTest::newRow("new file") << false;
    QTest::newRow("empty file") << true;
}

// A log whose header does not fit leaves the folder as it was: no new empty file, the existing
// one kept.
void TestDataLog::fullDiskAtStart() {
    QFETCH(bool, exists);
    QTemporaryDir dir;
    SmallTmpfs disk;
    if (!disk.mount(dir.path(), 8192)) QSKIP(qPrintable(disk.errorString()));
    const QString path = dir.filePath("log.csv");
    if (exists) QVERIFY(writeAll(path, QByteArray()));
    QFile filler(dir.filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'x')) == 4096) {
    }

    DataLog log;
    QVERIFY(!log.start(path));
    QCOMPARE(log.errorString(), QStringLiteral("No space left on device"));
    QCOMPARE(QFile::exists(path), exists);
}

// A log killed with SIGKILL while rows pour in holds every row it wrote, whole and in order,
// with at most one partial line at the end.
void TestDataLog::killedWriterLeavesWholeRows() {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedChannels);
    writer.start(QStringLiteral(DATALOG_WRITER_PATH), {path, QStringLiteral("100000000")});
    QVERIFY(writer.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 256 * 1024, 20000);
    writer.kill();
    QVERIFY(writer.waitForFinished(5000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

    const QByteArray bytes = ReadAll(path);
    QList<QByteArray> lines = bytes.split('\n');
    const QByteArray last = lines.takeLast();  // empty when the kill fell between rows
    QVERIFY(last.size() < 80);
    QCOMPARE(lines.takeFirst(), dataLogHeader().chopped(1));
    QVERIFY(lines.size() > 1000);
    int expected = 0;
    for (const QByteArray& line : std::as_const(lines)) {
        QVERIFY2(line.endsWith('\r'), line.constData());
        const QRegularExpressionMatch m = kRow.match(QString::fromUtf8(line.chopped(1)));
        QVERIFY2(m.hasMatch(), line.constData());
        // The writer's records count up: low pair, high pair = row number mod 10000.
        const QByteArray rec = QByteArray::fromHex(m.captured(1).toLatin1());
        QCOMPARE(int(quint8(rec[1])) * 100 + int(quint8(rec[0])), expected % 10000);
        ++expected;
    }
}

QTEST_GUILESS_MAIN(TestDataLog)
void TestDataLog::datedPath_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("path");  // at 2026-12-08 17:31
    QTest::newRow("day") << "/x/day-%Y%m%d.csv"
                         << "/x/day-20261208.csv";
    QTest::newRow("hour, in a folder per month") << "/x/%Y-%m/%d-%H.csv"
                                                 << "/x/2026-12/08-17.csv";
    QTest::newRow("other % kept") << "/x/100%-%q%.csv"
                                  << "/x/100%-%q%.csv";
}

void TestDataLog::datedPath() {
    QFETCH(QString, pattern);
    QFETCH(QString, path);
    QCOMPARE(datedLogPath(pattern, Beijing()), path);
}

// A date in the name: the row after midnight goes to the next day's file, header first; the
// row before stays in its day's file.
void TestDataLog::newFileWhenTheDateChanges() {
    QTemporaryDir dir;
    ManualClock c;
    c.wall = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59, 500), QTimeZone(8 * 3600));
    DataLog log(c.clock());
    QVERIFY(log.start(dir.filePath("day-%Y%m%d.csv")));
    QVERIFY(log.append(c.read("002A17")));
    c.ms += 1000;
    QVERIFY(log.append(c.read("000009")));
    const QString next = dir.filePath("day-20261209.csv");
    QCOMPARE(log.path(), next);
    QCOMPARE(log.takeNotice(), "logging to " + next);
    QVERIFY(log.stop());
    QCOMPARE(ReadAll(dir.filePath("day-20261208.csv")),
             dataLogHeader() + dataLogRow(recordOf("002A17"), c.wall, 0));
    QCOMPARE(ReadAll(next),
             dataLogHeader() + dataLogRow(recordOf("000009"), c.wall.addMSecs(1000), 1000));
}

#include "tst_datalog.moc"
