// The alarm command behind a flapping alarm: events wait in order, and past the bound the
// oldest whole alarms are left out, never a start without its end.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "app/alarmhook.h"

class TstAlarmHook : public QObject {
    Q_OBJECT
  private slots:
    void slowCommandKeepsTheFirstAndNewestAlarms();
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
        for (const Kind kind : {Kind::Start, Kind::End})
            hook.run({kind, QDateTime::currentDateTime(), float(n), float(n), 0});
    QVERIFY(idle.wait(20000));
    QFile f(ran);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("start 1\nend 1\nstart 4\nend 4\n"));
    QCOMPARE(notice.count(), 1);
    QVERIFY(notice[0][0].toString().contains("2 alarms"));
}

QTEST_GUILESS_MAIN(TstAlarmHook)
#include "tst_alarmhook.moc"
