// The local clock across a daylight-saving change, and how often it looks at the time zone.
#include <QtTest>

#include "measure/datalog.h"
#include "measure/localclock.h"

using namespace measure;

namespace {

// A UTC clock the test sets, and a zone whose every look is counted.
struct Sources {
    qint64 ms;
    QTimeZone zone;
    int looks = 0;
    LocalClock clock() {
        return LocalClock({[this] { return ms; }, [this] { return ++looks, zone; }});
    }
};

qint64 Utc(const QByteArray& iso) {
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

}  // namespace

class TestLocalClock : public QObject {
    Q_OBJECT
  private slots:
    void offsetChangesAtTransition_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");  // one second later
        QTest::newRow("Berlin, summer time begins")
            << QByteArray("Europe/Berlin") << QByteArray("2026-03-29T01:59:59.000+01:00")
            << QByteArray("2026-03-29T03:00:00.000+02:00");
        QTest::newRow("Sydney, summer time ends")
            << QByteArray("Australia/Sydney") << QByteArray("2026-04-05T02:59:59.500+11:00")
            << QByteArray("2026-04-05T02:00:00.500+10:00");
    }
    // The first reading after the change carries the new offset, with no new look at the zone.
    void offsetChangesAtTransition() {
        QFETCH(QByteArray, zone);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        Sources s{Utc(before), QTimeZone(zone)};
        LocalClock clock = s.clock();
        QCOMPARE(isoTimeWithOffset(clock.now()), before);
        s.ms += 1000;
        QCOMPARE(isoTimeWithOffset(clock.now()), after);
    }

    // Readings every stepMs from half a minute before Berlin's change to summer time.
    void zoneLookedAtOnceAMinute_data() {
        QTest::addColumn<qint64>("stepMs");
        QTest::addColumn<int>("readings");
        QTest::addColumn<int>("looks");
        QTest::newRow("a minute, across the change") << qint64(500) << 120 << 1;
        QTest::newRow("two minutes") << qint64(500) << 240 << 2;
        QTest::newRow("clock set back") << qint64(-500) << 2 << 2;
    }
    void zoneLookedAtOnceAMinute() {
        QFETCH(qint64, stepMs);
        QFETCH(int, readings);
        QFETCH(int, looks);
        Sources s{Utc("2026-03-29T00:59:30Z"), QTimeZone("Europe/Berlin")};
        LocalClock clock = s.clock();
        for (int i = 0; i < readings; ++i, s.ms += stepMs) clock.now();
        QCOMPARE(s.looks, looks);
    }
};

QTEST_APPLESS_MAIN(TestLocalClock)
#include "tst_localclock.moc"
