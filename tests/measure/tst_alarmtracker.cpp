#include <QTimeZone>
#include <QtTest>

#include "measure/alarmtracker.h"
#include "measure/datalog.h"
#include "readingtokens.h"

using namespace measure;

namespace {

QString Ma(const std::optional<float>& v) {
    return v ? QString::fromLatin1(valueMaText(*v)) : QStringLiteral("L");
}

}  // namespace

class TestAlarmTracker : public QObject {
    Q_OBJECT
  private slots:
    void events_data();
    void events();
    void eventRows();
};

void TestAlarmTracker::events_data() {
    QTest::addColumn<float>("thresholdMa");
    QTest::addColumn<QString>("readings");  // one every 500 ms; "S": the run stops
    QTest::addColumn<QString>("events");    // event value peak duration_ms, at reading #n
    QTest::newRow("below: nothing") << 30.f << "10 29 -29"
                                    << "";
    QTest::newRow("reaching the threshold starts, below ends")
        << 30.f << "10 30 50 29"
        << "#1 start 30 30 0|#3 end 29 50 1000";
    QTest::newRow("magnitude: a negative reading counts")
        << 30.f << "-40 -60 10"
        << "#0 start -40 -40 0|#2 end 10 -60 1000";
    QTest::newRow("an overload starts; the peak is off scale") << 1000.f << "L 10"
                                                               << "#0 start L L 0|#1 end 10 L 500";
    QTest::newRow("an overload within an alarm is its peak") << 30.f << "50 L 40 10"
                                                             << "#0 start 50 50 0|#3 end 10 L 1500";
    QTest::newRow("errors neither start nor end one") << 30.f << "E 50 E 70 E 10 E"
                                                      << "#1 start 50 50 0|#5 end 10 70 2000";
    QTest::newRow("a stop ends a running alarm, without a value")
        << 30.f << "50 70 E S 80"
        << "#0 start 50 50 0|#3 end stop 70 1500|#4 start 80 80 0";
    QTest::newRow("a stop without an alarm: nothing") << 30.f << "50 10 S"
                                                      << "#0 start 50 50 0|#1 end 10 50 500";
}

void TestAlarmTracker::events() {
    QFETCH(float, thresholdMa);
    QFETCH(QString, readings);
    QFETCH(QString, events);
    const QDateTime t0(QDate(2026, 12, 8), QTime(3, 0), QTimeZone(3600));
    AlarmTracker tracker(thresholdMa);
    QStringList seen;
    const QStringList tokens = readings.split(' ');
    for (int i = 0; i < tokens.size(); ++i) {
        const QDateTime t = t0.addMSecs(500 * i);
        const std::optional<AlarmEvent> e =
            tokens[i] == "S" ? tracker.finish(t) : tracker.add(TokenReading(tokens[i], t));
        if (!e) continue;
        seen << QStringLiteral("#%1 %2 %3 %4 %5")
                    .arg(i)
                    .arg(QString::fromLatin1(alarmEventName(*e)),
                         e->atStop ? QStringLiteral("stop") : Ma(e->valueMa), Ma(e->peakMa))
                    .arg(e->durationMs);
    }
    QCOMPARE(seen.join('|'), events);
}

void TestAlarmTracker::eventRows() {
    const QDateTime t(QDate(2026, 12, 8), QTime(3, 12, 7, 517), QTimeZone(3600));
    QCOMPARE(alarmEventRow({AlarmEvent::Kind::End, t, std::nullopt, -171900.f, 11500}),
             QByteArray("2026-12-08T03:12:07.517+01:00,end,,-171900,11.500\r\n"));
    QCOMPARE(alarmEventsPath("/x/day-20261208.csv"), QString("/x/day-20261208.events.csv"));
}

QTEST_GUILESS_MAIN(TestAlarmTracker)
#include "tst_alarmtracker.moc"
