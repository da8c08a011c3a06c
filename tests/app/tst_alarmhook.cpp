// The alarm command, run for real through /bin/sh: events wait in order and past the bound the
// oldest whole alarms are left out (said as they go); what a command starts is ended by its
// deadline, at a stop and when the hook goes; the command sees no descriptor of ours.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include "app/alarmhook.h"
#include "app/signalwatch.h"

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A process that has not ended: its /proc entry is there and it is not a zombie (an orphan
// nobody reaps stays one).
bool Running(qint64 pid) {
    const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && stat.mid(close + 2, 1) != "Z";
}

measure::AlarmEvent Event(measure::AlarmEvent::Kind kind, float ma) {
    return {kind, QDateTime::currentDateTime(), ma, ma, 0};
}

}  // namespace

class TstAlarmHook : public QObject {
    Q_OBJECT
  private slots:
    void slowCommandKeepsTheFirstAndNewestAlarms();
    void processesEnded_data();
    void processesEnded();
    void commandSeesOnlyStdio();
};

void TstAlarmHook::slowCommandKeepsTheFirstAndNewestAlarms() {
    using Kind = measure::AlarmEvent::Kind;
    QTemporaryDir dir;
    const QString ran = dir.filePath("ran.txt");
    app::AlarmHook hook(
        "echo $LEAKMETER_EVENT $LEAKMETER_VALUE_MA >> " + ran, [] { return "m"; }, nullptr, 3);
    QSignalSpy idle(&hook, &app::AlarmHook::idle);
    QSignalSpy notice(&hook, &app::AlarmHook::notice);
    // Four alarms come and go before the first run can end.
    for (int n = 1; n <= 4; ++n)
        for (const Kind kind : {Kind::Start, Kind::End}) hook.run(Event(kind, float(n)));
    // Said as they are left out, not once the command has caught up.
    QCOMPARE(notice.count(), 2);
    QVERIFY(notice[0][0].toString().contains("1 alarm that started and ended while it ran was"));
    QVERIFY(idle.wait(20000));
    QCOMPARE(ReadFile(ran), QByteArray("start 1\nend 1\nstart 4\nend 4\n"));
    QCOMPARE(notice.count(), 2);
}

void TstAlarmHook::processesEnded_data() {
    QTest::addColumn<QString>("command");  // writes the pid of what it leaves running to "pid"
    QTest::addColumn<int>("runMs");        // the deadline after the start
    QTest::addColumn<QString>("then");     // "wait" for the deadline, "stop", "delete" the hook
    QTest::addColumn<QString>("notice");
    const QString left = "sleep 1004 & echo $! > pid";
    const QString deaf = "(trap '' TERM; exec sleep 1004) & echo $! > pid";
    QTest::newRow("left behind by a command that returned, at the deadline")
        << left << 1000 << "wait"
        << "what the alarm command left running was stopped";
    QTest::newRow("the command still running at the deadline") << left + "; wait" << 1000 << "wait"
                                                               << "the alarm command ran too long";
    QTest::newRow("deaf to SIGTERM: SIGKILL at the deadline")
        << deaf << 1000 << "wait"
        << "what the alarm command left running";
    QTest::newRow("a stop: the running command's last seconds")
        << left + "; wait" << 60000 << "stop"
        << "the run ended";
    QTest::newRow("the hook going (the program's exit)") << left << 60000 << "delete"
                                                         << "";
    QTest::newRow("the hook going, deaf to SIGTERM") << deaf << 60000 << "delete"
                                                     << "";
}

// Real short limits: the deadline 1 s after the start (or far off), 0.3 s after a stop, SIGTERM
// 0.2 s before SIGKILL.
void TstAlarmHook::processesEnded() {
    QFETCH(QString, command);
    QFETCH(int, runMs);
    QFETCH(QString, then);
    QFETCH(QString, notice);
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    auto* hook = new app::AlarmHook("cd " + dir.path() + " || exit 1; " + command,
                                    [] { return "m"; }, nullptr, 100, {runMs, 300, 200});
    QSignalSpy notices(hook, &app::AlarmHook::notice);
    QSignalSpy idle(hook, &app::AlarmHook::idle);
    QElapsedTimer clock;
    clock.start();
    hook->run(Event(measure::AlarmEvent::Kind::Start, 50));
    QTRY_VERIFY(ReadFile(pidFile).endsWith('\n'));
    const qint64 pid = ReadFile(pidFile).trimmed().toLongLong();
    QVERIFY(Running(pid));
    if (then == "stop") {
        hook->stop();
        QVERIFY(idle.wait(3000));
    } else if (then == "delete") {
        QTRY_COMPARE(idle.count(), 1);  // the command has returned
        delete hook;
        hook = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(!Running(pid), 500);  // not at its deadline
    }
    QTRY_VERIFY_WITH_TIMEOUT(!Running(pid), 3000);
    if (then == "wait") QVERIFY(clock.elapsed() >= 800);  // not before its SIGTERM
    if (!notice.isEmpty()) {
        QCOMPARE(notices.count(), 1);
        QVERIFY2(notices[0][0].toString().contains(notice), qPrintable(notices[0][0].toString()));
    }
    delete hook;
}

// The command sees descriptors 0, 1 and 2 only, though this process holds the
// signal socket pair and a file opened without close-on-exec.
void TstAlarmHook::commandSeesOnlyStdio() {
    QTemporaryDir dir;
    app::SignalWatch watch;
    QVERIFY(watch.isWatching());
    const int inherited = ::open(qPrintable(dir.filePath("open")), O_CREAT | O_WRONLY, 0600);
    QVERIFY(inherited > 2);
    const QString listing = dir.filePath("fds");
    // A shell of its own lists the command's: the command's shell has no redirection of its own
    // (dash keeps a copy of the old stdout while it redirects).
    app::AlarmHook hook(
        "sh -c 'ls /proc/$PPID/fd > " + listing + "'; true", [] { return "m"; }, nullptr);
    QSignalSpy idle(&hook, &app::AlarmHook::idle);
    hook.run(Event(measure::AlarmEvent::Kind::Start, 50));
    QVERIFY(idle.wait(10000));
    ::close(inherited);
    QCOMPARE(ReadFile(listing), QByteArray("0\n1\n2\n"));
}

QTEST_GUILESS_MAIN(TstAlarmHook)
#include "tst_alarmhook.moc"
