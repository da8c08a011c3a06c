// The logger without a screen, run as the real program with no display at all, against the
// meter simulator on a pseudo-terminal.
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <signal.h>

#include "../protocol/linkevents.h"
#include "../tmpfs.h"
#include "app/form2.h"
#include "formcontrols.h"
#include "metersim.h"
#include "output/scripteddialogbackend.h"

using app::Form2;

namespace {

const QByteArray kHeader = "time,elapsed_s,reading,value_mA,status,record\r\n";

// The program, started with no display (or, for the window, offscreen) and with its settings in
// a folder of the test's own.
class Logger {
  public:
    explicit Logger(const QStringList& args, bool offscreenWindow = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No runtime folder either, as for a start outside a desktop session.
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
            env.remove(QString::fromLatin1(name));
        if (offscreenWindow)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
        proc_.setProcessEnvironment(env);
        proc_.start(QStringLiteral(LEAKMETER_APP_PATH), args);
    }
    ~Logger() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(3000);
        }
    }
    void signal(int sig) { ::kill(pid_t(proc_.processId()), sig); }
    bool finished(int ms) { return proc_.waitForFinished(ms); }
    QByteArray out() { return stdout_ += proc_.readAllStandardOutput(); }
    QByteArray err() { return stderr_ += proc_.readAllStandardError(); }
    int exitCode() const { return proc_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return proc_.exitStatus(); }

  private:
    QTemporaryDir config_;
    QProcess proc_;
    QByteArray stdout_, stderr_;
};

// Rows of a CSV text without its header; every row must be whole.
QList<QByteArray> Rows(const QByteArray& csv) {
    QList<QByteArray> rows = csv.split('\n');
    if (!rows.isEmpty() && rows.last().isEmpty()) rows.removeLast();
    if (!rows.isEmpty()) rows.removeFirst();  // header
    for (QByteArray& r : rows) r.chop(1);     // the CR
    return rows;
}

// Nothing is written to the meter after the sign-off byte, and the sign-off is written.
bool SignedOffLast(const MeterSim& sim) {
    const QList<LoggedByte> bytes = sim.received();
    return !bytes.isEmpty() && bytes.last().byte == 0;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file in `dir`, hidden ones (a temporary file left behind) included.
QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class TstHeadless : public QObject {
    Q_OBJECT

  private slots:
    void csvToStdoutUntilSignal_data();
    void csvToStdoutUntilSignal();
    void readableLinesUntilCount();
    void logSurvivesUnplugAndReplug();
    void historyTextIsTheWindowsSave();
    void historyCsv();
    void historyFailures_data();
    void historyFailures();
    void historyOntoFullDisk();
    void historyEndsOnSignal();
    void readsThePortNamed_data();
    void readsThePortNamed();
    void windowClosesOnSignal_data();
    void windowClosesOnSignal();
    void windowWithoutDisplay();
    void alarmEventsReachFileAndCommand();
    void alarmRunningAtTheStopEnds_data();
    void alarmRunningAtTheStopEnds();
    void stopRunsNoWaitingCommand();
    void intervalRowsOfTheSentReadings();
    void firstIntervalStartsWithTheRun();
};

void TstHeadless::csvToStdoutUntilSignal_data() {
    QTest::addColumn<int>("sig");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP (the ssh session dropped)") << int(SIGHUP);
}

void TstHeadless::csvToStdoutUntilSignal() {
    QFETCH(int, sig);
    MeterSim sim;
    QVERIFY(sim.ok());
    Logger run({"--headless", "--port", sim.portMapping(), "--log", "-"});
    QTRY_VERIFY_WITH_TIMEOUT(Rows(run.out()).size() >= 3, 5000);
    run.signal(sig);
    QVERIFY(run.finished(5000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);

    const QByteArray csv = run.out();
    QVERIFY(csv.startsWith(kHeader));
    QVERIFY(csv.endsWith("\r\n"));
    static const QRegularExpression row(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,\d+\.\d{3},)"
                       R"(12\.5mA,12\.5,1,0C3201$)"));
    for (const QByteArray& r : Rows(csv))
        QVERIFY2(row.match(QString::fromUtf8(r)).hasMatch(), r.constData());
    QVERIFY(!run.err().isEmpty());  // messages go to stderr, never into the data
    QVERIFY(SignedOffLast(sim));
}

void TstHeadless::readableLinesUntilCount() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Logger run({"--headless", "--port", sim.portMapping(), "--count", "2"});
    QVERIFY(run.finished(8000));
    QCOMPARE(run.exitCode(), 0);
    const QList<QByteArray> lines = run.out().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    static const QRegularExpression line(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  12\.5mA$)"));
    for (const QByteArray& l : lines) QVERIFY2(line.match(QString::fromUtf8(l)).hasMatch(), l);
    QVERIFY(SignedOffLast(sim));
}

// Pulled out and plugged in again: rows stop while the device is gone and resume by
// themselves; SIGTERM leaves a file of whole rows with one header.
void TstHeadless::logSurvivesUnplugAndReplug() {
    MeterSim sim({"--unplug-after", "4", "--replug-after", "1"});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    Logger run({"--headless", "--port", sim.portMapping(), "--log", path});
    const auto fileRows = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? Rows(f.readAll()) : QList<QByteArray>{};
    };
    QTRY_VERIFY_WITH_TIMEOUT(sim.logText().contains(QStringLiteral("EV unplugged")), 5000);
    const int before = int(fileRows().size());
    QTRY_VERIFY_WITH_TIMEOUT(sim.logText().count(QStringLiteral("EV plugged in")) == 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(fileRows().size() >= before + 2, 5000);
    run.signal(SIGTERM);
    QVERIFY(run.finished(5000));
    QCOMPARE(run.exitCode(), 0);
    // Every stderr line carries its time; the outage has its start and its end.
    static const QRegularExpression stamped(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  leakmeter: )"));
    const QList<QByteArray> messages = run.err().trimmed().split('\n');
    for (const QByteArray& line : messages)
        QVERIFY2(stamped.match(QString::fromUtf8(line)).hasMatch(), line.constData());
    QVERIFY2(run.err().contains("was lost (the device is gone)"), run.err().constData());
    QVERIFY(run.err().indexOf("answers again") > run.err().indexOf("was lost"));

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray csv = f.readAll();
    QVERIFY(csv.startsWith(kHeader));
    QCOMPARE(csv.count("time,"), 1);
    QVERIFY(csv.endsWith("\r\n"));
    for (const QByteArray& r : Rows(csv)) QCOMPARE(r.count(','), 5);
    QVERIFY(SignedOffLast(sim));
}

// The headless download writes exactly the bytes the window's report save writes.
void TstHeadless::historyTextIsTheWindowsSave() {
    QTemporaryDir dir;
    const QString fromWindow = dir.filePath(QStringLiteral("window.txt"));
    const QString fromLogger = dir.filePath(QStringLiteral("logger.txt"));
    const QStringList meter{"--groups", "40"};
    {
        MeterSim sim(meter);
        QVERIFY(sim.ok());
        output::ScriptedDialogBackend dialogs;
        Form2 w(MapTo(sim.link()), &dialogs);
        LinkEvents events(&w.monitor().link());
        QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);
        const int before = events.count<protocol::HandshakeAnswered>();
        Ctl<QRadioButton>(w, "Option2")->click();
        QTRY_VERIFY_WITH_TIMEOUT(events.count<protocol::HandshakeAnswered>() > before, 3000);
        Ctl<QPushButton>(w, "Command4")->click();
        QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(),
                                  QStringLiteral("返回历史数据正常"), 3000);
        dialogs.acceptSave(fromWindow);
        Ctl<QPushButton>(w, "Command5")->click();
        QVERIFY(QFileInfo::exists(fromWindow));
    }
    MeterSim sim(meter);
    QVERIFY(sim.ok());
    Logger run({"--port", sim.portMapping(), "--history", fromLogger});
    QVERIFY(run.finished(8000));
    QCOMPARE(run.exitCode(), 0);
    QFile a(fromWindow), b(fromLogger);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
    QVERIFY(SignedOffLast(sim));
    QCOMPARE(sim.countOf(15), 1);
    QCOMPARE(sim.countOf(25), 1);
}

void TstHeadless::historyCsv() {
    QTemporaryDir dir;
    const QString groups = dir.filePath(QStringLiteral("groups.txt"));
    {
        QFile f(groups);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // a reading, code 11, an error code, a DC reading
        f.write("0C 22 01\n00 00 0B\n00 00 FF\n00 0C 1A\n");
    }
    MeterSim sim({"--groups-file", groups});
    QVERIFY(sim.ok());
    const QString path = dir.filePath(QStringLiteral("groups.csv"));
    Logger run({"--headless", "--port", sim.portMapping(), "--history", path});
    QVERIFY(run.finished(8000));
    QCOMPARE(run.exitCode(), 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("group,reading,value_mA,status,record\r"));
    QCOMPARE(lines.size(), 6);  // header, four groups, nothing after the last CR LF
    QVERIFY(lines[1].startsWith("1,") && lines[1].endsWith(",1,0C2201\r"));
    QVERIFY(lines[3].startsWith("3,ERROR,,255,0000FF\r"));
}

void TstHeadless::historyFailures_data() {
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<QString>("message");
    QTest::newRow("no answer") << QStringList{"--silent-for", "30"} << "within 5 s";
    QTest::newRow("stops short") << QStringList{"--groups", "20", "--stall-history", "9:20"}
                                 << "stopped short";
    // Greeting and count answered, then the cable is pulled before the groups request.
    QTest::newRow("unplugged after the count")
        << QStringList{"--unplug-after", "2"} << "stopped short";
}

void TstHeadless::historyFailures() {
    QFETCH(QStringList, meter);
    QFETCH(QString, message);
    MeterSim sim(meter);
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("groups.txt"));
    Logger run({"--port", sim.portMapping(), "--history", path});
    QVERIFY(run.finished(10000));
    QCOMPARE(run.exitCode(), 1);
    QVERIFY2(run.err().contains(message.toUtf8()), run.err().constData());
    QCOMPARE(FilesIn(dir.path()), QStringList());
}

// A download onto a disk with one free page: the old file stays whole and the run fails.
void TstHeadless::historyOntoFullDisk() {
    QTemporaryDir dir;
    SmallTmpfs disk;
    if (!disk.mount(dir.path(), 16 * 1024)) QSKIP(qPrintable(disk.errorString()));
    const QString path = dir.filePath(QStringLiteral("g.txt"));
    const QByteArray old(12 * 1024, 'o');
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }
    MeterSim sim({"--groups", "255"});
    QVERIFY(sim.ok());
    Logger run({"--port", sim.portMapping(), "--history", path});
    QVERIFY(run.finished(10000));
    QCOMPARE(run.exitCode(), 1);
    QVERIFY2(run.err().contains("No space left on device"), run.err().constData());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
    QCOMPARE(FilesIn(dir.path()), QStringList{"g.txt"});
}

// Stopped while it waits for the meter: no file, and an exit status that says it was cut off.
void TstHeadless::historyEndsOnSignal() {
    const int sig = SIGTERM;
    MeterSim sim({"--silent-for", "30"});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("groups.txt"));
    Logger run({"--port", sim.portMapping(), "--history", path});
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(5) >= 1, 5000);
    run.signal(sig);
    QVERIFY(run.finished(5000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 128 + sig);
    QCOMPARE(FilesIn(dir.path()), QStringList());
}

void TstHeadless::readsThePortNamed_data() {
    QTest::addColumn<QStringList>("ports");  // SIM stands for the simulator's device
    QTest::addColumn<QString>("port");
    QTest::newRow("the one port given") << QStringList{"--port", "COM2=SIM"} << "COM2";
    QTest::newRow("several, --com picks")
        << QStringList{"--port", "COM1=/dev/leakmeter-none", "--port", "COM3=SIM", "--com", "3"}
        << "COM3";
}

void TstHeadless::readsThePortNamed() {
    QFETCH(QStringList, ports);
    QFETCH(QString, port);
    MeterSim sim;
    QVERIFY(sim.ok());
    ports.replaceInStrings(QStringLiteral("SIM"), sim.link());
    Logger run(QStringList{"--headless", "--count", "1"} + ports);
    QVERIFY(run.finished(8000));
    QCOMPARE(run.exitCode(), 0);
    const QByteArray first = run.err().left(run.err().indexOf('\n'));
    QVERIFY2(first.contains((port + " (" + sim.link() + ")").toUtf8()), first.constData());
}

void TstHeadless::windowClosesOnSignal_data() {
    QTest::addColumn<int>("sig");
    QTest::addColumn<int>("port");  // the window opens COMn at start with --com N
    QTest::newRow("SIGTERM") << int(SIGTERM) << 1;
    QTest::newRow("SIGHUP (logout), on COM2") << int(SIGHUP) << 2;
}

// The window ends as its close button ends it: sign-off byte last, exit 0.
void TstHeadless::windowClosesOnSignal() {
    QFETCH(int, sig);
    QFETCH(int, port);
    MeterSim sim;
    QVERIFY(sim.ok());
    const QString com = QStringLiteral("COM%1").arg(port);
    Logger window({"--port", com + "=" + sim.link(), "--com", QString::number(port)}, true);
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) >= 1, 8000);
    window.signal(sig);
    QVERIFY(window.finished(5000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QVERIFY(SignedOffLast(sim));
    QVERIFY2(!window.err().contains("XDG_RUNTIME_DIR"), window.err().constData());
}

// No display: one line that says so and points at the headless logger, not Qt's abort.
void TstHeadless::windowWithoutDisplay() {
    Logger window({});
    QVERIFY(window.finished(5000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 1);
    QVERIFY2(window.err().contains("no display") && window.err().contains("--headless"),
             window.err().constData());
}

// An alarm without a window: a ramp of 0..100 mA crosses 60 mA every 2 s. Each start and end is
// a line on stderr, a row in the events file beside the dated data log, and a run of the
// command with the event in its environment (its own output on our stderr, none on stdout).
void TstHeadless::alarmEventsReachFileAndCommand() {
    MeterSim sim({"--wave", "ramp", "--value", "100", "--period", "2", "--status", "21"});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString hook = dir.filePath("hook.txt");
    Logger run({"--headless", "--port", sim.portMapping(), "--log", dir.filePath("day-%Y%m%d.csv"),
                "--alarm", "60mA", "--on-alarm",
                "env | grep -E '^LEAKMETER_(EVENT|VALUE_MA|PEAK_MA|TIME|METER)=' | sort >> " +
                    hook + "; echo >> " + hook + "; echo the command speaks"});
    QTRY_VERIFY_WITH_TIMEOUT(ReadFile(hook).contains("LEAKMETER_EVENT=end"), 20000);
    run.signal(SIGTERM);
    QVERIFY(run.finished(10000));
    QCOMPARE(run.exitCode(), 0);
    QVERIFY(run.out().isEmpty());
    QVERIFY(run.err().contains("leakmeter: alarm start: ") && run.err().contains("alarm end: "));
    QVERIFY(run.err().contains("\nthe command speaks\n"));

    const QStringList eventFiles = QDir(dir.path()).entryList({"day-*.events.csv"});
    QCOMPARE(eventFiles.size(), 1);
    QVERIFY(QFile::exists(dir.filePath(QString(eventFiles[0]).replace(".events.csv", ".csv"))));
    const QByteArray events = ReadFile(dir.filePath(eventFiles[0]));
    QVERIFY(events.startsWith("time,event,value_mA,peak_mA,duration_s\r\n"));
    const QList<QByteArray> rows = Rows(events);
    QVERIFY(rows.size() >= 2);
    QStringList runs = QString::fromUtf8(ReadFile(hook)).split("\n\n");  // one block per run
    for (QString& r : runs) r.replace('\n', '|');
    for (int i = 0; i < 2; ++i) {
        const QList<QByteArray> f = rows[i].split(',');
        const bool start = i == 0;
        QCOMPARE(f[1], start ? QByteArray("start") : QByteArray("end"));
        QCOMPARE(f[2].toDouble() >= 60, start);
        QVERIFY(f[3].toDouble() >= 60);
        QCOMPARE(f[4].toDouble() > 0, !start);
        // The command saw the same event.
        const QByteArray env = "LEAKMETER_EVENT=" + f[1] + "|LEAKMETER_METER=COM1 (" +
                               sim.link().toUtf8() + ")|LEAKMETER_PEAK_MA=" + f[3] +
                               "|LEAKMETER_TIME=" + f[0] + "|LEAKMETER_VALUE_MA=" + f[2];
        QCOMPARE(runs.value(i), QString::fromUtf8(env));
    }
}

void TstHeadless::alarmRunningAtTheStopEnds_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("window");
    QTest::newRow("--count") << QStringList{"--headless", "--count", "3"} << false;
    QTest::newRow("SIGTERM") << QStringList{"--headless"} << false;
    QTest::newRow("the window closing on SIGTERM") << QStringList{} << true;
}

// A steady 100 mA over a 60 mA threshold: the alarm runs when the run ends, and the stop ends
// it: an end row without a value, with the peak and the time so far, and the command told.
void TstHeadless::alarmRunningAtTheStopEnds() {
    QFETCH(QStringList, args);
    QFETCH(bool, window);
    MeterSim sim({"--value", "100", "--status", "21"});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString hook = dir.filePath("hook.txt"), events = dir.filePath("log.events.csv");
    Logger run(
        args +
            QStringList{"--port", sim.portMapping(), "--log", dir.filePath("log.csv"), "--alarm",
                        "60mA", "--on-alarm",
                        "echo $LEAKMETER_EVENT,$LEAKMETER_VALUE_MA,$LEAKMETER_PEAK_MA >> " + hook},
        window);
    if (!args.contains("--count")) {
        QTRY_VERIFY_WITH_TIMEOUT(ReadFile(hook).contains("start"), 15000);
        // The start's command has written, but may not have ended: at the stop, an end
        // waiting behind a running command is counted, not run. Two more readings logged
        // mean the run has seen the command end.
        const auto logged = [&] { return Rows(ReadFile(dir.filePath("log.csv"))).size(); };
        const qsizetype seen = logged();
        QTRY_VERIFY_WITH_TIMEOUT(logged() >= seen + 2, 10000);
        run.signal(SIGTERM);
    }
    QVERIFY(run.finished(15000));
    QCOMPARE(run.exitCode(), 0);
    const QList<QByteArray> rows = Rows(ReadFile(events));
    QCOMPARE(rows.size(), 2);
    QVERIFY2(rows[0].split(',').mid(1) == QList<QByteArray>({"start", "100", "100", "0.000"}),
             rows[0].constData());
    const QList<QByteArray> end = rows[1].split(',');
    QCOMPARE(end.mid(1, 3), QList<QByteArray>({"end", "", "100"}));
    QVERIFY(end[4].toDouble() > 0);
    QCOMPARE(ReadFile(hook), QByteArray("start,100,100\nend,,100\n"));
    if (!window) QVERIFY2(run.err().contains("alarm end: at the stop, peak 100 mA"), run.err());
}

// A command slower than the alarms come and go: at the stop it is not waited for past the
// running one, and one line counts the starts and ends not run; every event is run or counted.
void TstHeadless::stopRunsNoWaitingCommand() {
    MeterSim sim({"--wave", "ramp", "--value", "100", "--period", "2", "--status", "21"});
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    const QString ran = dir.filePath("ran.txt");
    Logger run({"--headless", "--port", sim.portMapping(), "--alarm", "60mA", "--on-alarm",
                "echo $LEAKMETER_EVENT >> " + ran + "; sleep 3"});
    QTRY_VERIFY_WITH_TIMEOUT(run.err().count("leakmeter: alarm ") >= 4, 20000);
    QElapsedTimer stopping;
    stopping.start();
    run.signal(SIGTERM);
    QVERIFY(run.finished(10000));
    QVERIFY2(stopping.elapsed() < 5000, "no more than the running command is waited for");
    QCOMPARE(run.exitCode(), 0);
    static const QRegularExpression notRun(
        "at the stop, the alarm command was not run for (\\d+) starts? and (\\d+) ends?");
    const QRegularExpressionMatch m = notRun.match(QString::fromUtf8(run.err()));
    QVERIFY2(m.hasMatch(), run.err().constData());
    const int left = m.captured(1).toInt() + m.captured(2).toInt();
    QVERIFY(left > 0);
    QCOMPARE(ReadFile(ran).count('\n') + left, run.err().count("leakmeter: alarm "));
}

// Interval rows on stdout against the readings the simulator sent: the counts add up to the
// readings taken, and the extremes are theirs.
void TstHeadless::intervalRowsOfTheSentReadings() {
    MeterSim sim({"--wave", "ramp", "--value", "100", "--period", "3", "--status", "21"});
    QVERIFY(sim.ok());
    const int taken = 6;
    Logger run({"--headless", "--port", sim.portMapping(), "--log", "-", "--interval", "1",
                "--count", QString::number(taken)});
    QVERIFY(run.finished(20000));
    QCOMPARE(run.exitCode(), 0);
    const QByteArray csv = run.out();
    QVERIFY(csv.startsWith("start,end,count,min_mA,max_mA,mean_mA,overloads,errors\r\n"));

    QList<int> sent;  // the live replies, in mA (code 21: the raw count)
    for (const QString& line : sim.logText().split('\n')) {
        const QStringList f = line.split(' ');
        if (f.size() == 5 && f[1] == "TX" && f[4] == "15")
            sent << f[2].toInt(nullptr, 16) * 100 + f[3].toInt(nullptr, 16);
    }
    sent = sent.mid(0, taken);
    int count = 0;
    double min = 1e9, max = -1e9;
    for (const QByteArray& r : Rows(csv)) {
        const QList<QByteArray> f = r.split(',');
        count += f[2].toInt();
        min = qMin(min, f[3].toDouble());
        max = qMax(max, f[4].toDouble());
        QCOMPARE(f[6] + f[7], QByteArray("00"));
    }
    QCOMPARE(count, taken);
    QCOMPARE(min, double(*std::min_element(sent.begin(), sent.end())));
    QCOMPARE(max, double(*std::max_element(sent.begin(), sent.end())));
}

// An hour's interval: the run's one row starts when the run started, not on the hour.
void TstHeadless::firstIntervalStartsWithTheRun() {
    MeterSim sim;
    QVERIFY(sim.ok());
    const QDateTime before = QDateTime::currentDateTime();
    Logger run({"--headless", "--port", sim.portMapping(), "--log", "-", "--interval", "3600",
                "--count", "2"});
    QVERIFY(run.finished(20000));
    QCOMPARE(run.exitCode(), 0);
    const QList<QByteArray> rows = Rows(run.out());
    QCOMPARE(rows.size(), 1);
    const QList<QByteArray> f = rows[0].split(',');
    const QDateTime start = QDateTime::fromString(QString::fromLatin1(f[0]), Qt::ISODateWithMs);
    QVERIFY2(start.msecsTo(before) <= 1 && start < QDateTime::currentDateTime(), f[0].constData());
    QCOMPARE(f[2], QByteArray("2"));
}

QTEST_MAIN(TstHeadless)
#include "tst_headless.moc"
