// The engine on its own, over the meter simulator on a pseudo-terminal: each reading is stamped
// once, and its data-log row, the alarm event it starts and what the front end is told carry that
// one time; a reading limit takes exactly that many.
#include <QSignalSpy>
#include <QtTest>

#include "app/monitor.h"
#include "measure/alarmtracker.h"
#include "measure/datalog.h"
#include "metersim.h"
#include "protocol/meterlink.h"

class TstMonitor : public QObject {
    Q_OBJECT

  private slots:
    void everyConsumerHasTheReadingsTime();
};

namespace {

// The first field of every row of the CSV file at `path`, header left out.
QByteArrayList TimeColumn(const QString& path) {
    QFile f(path);
    QByteArrayList times;
    if (!f.open(QIODevice::ReadOnly)) return times;
    for (const QByteArray& line : f.readAll().split('\n').mid(1))
        if (!line.isEmpty()) times << line.left(line.indexOf(','));
    return times;
}

}  // namespace

void TstMonitor::everyConsumerHasTheReadingsTime() {
    MeterSim sim;
    QVERIFY(sim.ok());
    QTemporaryDir dir;
    app::MonitorOptions options(MapTo(sim.link()));
    options.watch.alarmMa = 0.001f;  // the first reading with a value starts an alarm
    app::Monitor monitor(options);
    QList<measure::Reading> readings;
    QList<measure::AlarmEvent> alarms;
    connect(&monitor, &app::Monitor::reading, this,
            [&](const measure::Reading& r) { readings << r; });
    connect(&monitor, &app::Monitor::alarm, this,
            [&](const measure::AlarmEvent& e) { alarms << e; });
    const QString log = dir.filePath("readings.csv");
    QVERIFY(monitor.startLog(log));
    constexpr int kTaken = 4;
    monitor.setReadingLimit(kTaken);
    QSignalSpy limit(&monitor, &app::Monitor::readingLimitReached);
    monitor.link().setMode(protocol::LinkMode::Live);
    monitor.link().setRunning(true);
    monitor.start();
    QVERIFY(limit.wait(10000));
    QTest::qWait(600);  // a further reply comes and is not taken
    QVERIFY(monitor.finish());

    QCOMPARE(readings.size(), kTaken);
    QByteArrayList stamped;
    for (const measure::Reading& r : readings) stamped << measure::isoTimeWithOffset(r.time);
    QCOMPARE(TimeColumn(log), stamped);
    QVERIFY(!alarms.isEmpty());
    QVERIFY(stamped.contains(measure::isoTimeWithOffset(alarms.first().time)));
    const QByteArrayList events = TimeColumn(dir.filePath("readings.events.csv"));
    QVERIFY(!events.isEmpty());
    QCOMPARE(events.first(), measure::isoTimeWithOffset(alarms.first().time));
}

QTEST_MAIN(TstMonitor)
#include "tst_monitor.moc"
