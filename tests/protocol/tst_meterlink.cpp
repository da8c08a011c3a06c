// The link on its own, over a real pseudo-terminal with the meter simulator: the advice
// about a missing meter is given for a port where nothing answers, never for an idle one.
#include <QSignalSpy>
#include <QtTest>

#include "../app/metersim.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"

class TstMeterLink : public QObject {
    Q_OBJECT

  private slots:
    void noMeterAdvice_data();
    void noMeterAdvice();
};

void TstMeterLink::noMeterAdvice_data() {
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<int>("mode");  // 1 live polling, 2 history query (nothing asked)
    QTest::addColumn<int>("advice");
    QTest::newRow("silent meter") << QStringList{"--silent-for", "60"} << 1 << 1;
    QTest::newRow("meter answers, live") << QStringList{} << 1 << 0;
    QTest::newRow("meter answers, idle history") << QStringList{} << 2 << 0;
}

void TstMeterLink::noMeterAdvice() {
    QFETCH(QStringList, meter);
    QFETCH(int, mode);
    QFETCH(int, advice);
    MeterSim sim(meter);
    QVERIFY(sim.ok());
    serial::CommPort port;
    port.setPortMap(MapTo(sim.link()));
    protocol::MeterLink link(port);
    link.setNoMeterAdviceMs(1500);
    link.MonitorMode = mode;
    link.RunState = 1;
    QSignalSpy advised(&link, &protocol::MeterLink::advice);
    link.OpenSerialPort();
    link.SendHandshake();
    QTest::qWait(3000);  // two advice periods
    QCOMPARE(advised.count(), advice);
    if (advice) QVERIFY(advised.first().first().toString().contains("--port COM1=auto"));
}

QTEST_MAIN(TstMeterLink)
#include "tst_meterlink.moc"
