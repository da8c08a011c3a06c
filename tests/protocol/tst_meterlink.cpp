// The link on its own, over a real pseudo-terminal with the meter simulator: the advice
// about a missing meter is given for a port where nothing answers, never for an idle one;
// a download that cannot complete ends, whatever step it fails at.
#include <QSignalSpy>
#include <QtTest>

#include "../app/metersim.h"
#include "linkevents.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"

class TstMeterLink : public QObject {
    Q_OBJECT

  private slots:
    void noMeterAdvice_data();
    void noMeterAdvice();
    void downloadEnds_data();
    void downloadEnds();
};

Q_DECLARE_METATYPE(protocol::DownloadFailure)

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
    link.setMode(mode == 1 ? protocol::LinkMode::Live : protocol::LinkMode::History);
    link.setRunning(true);
    LinkEvents events(&link);
    link.OpenSerialPort();
    link.SendHandshake();
    QTest::qWait(3000);  // two advice periods
    QCOMPARE(events.count<protocol::NoMeterOnPort>(), advice);
    if (advice) {
        const protocol::NoMeterOnPort e = *events.last<protocol::NoMeterOnPort>();
        QCOMPARE(e.portNumber, 1);
        QCOMPARE(e.device, sim.link());
        QCOMPARE(e.waitedMs, 1500);
    }
}

void TstMeterLink::downloadEnds_data() {
    using F = protocol::DownloadFailure;
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<F>("why");
    QTest::newRow("garbled count") << QStringList{"--bad-count-every", "1"} << F::CountGarbled;
    // Handshake, count, then the cable is pulled before the groups request.
    QTest::newRow("unplugged after the count") << QStringList{"--unplug-after", "2"} << F::PortLost;
    // The meter freezes once it has answered the greeting.
    QTest::newRow("no count") << QStringList{"freeze"} << F::CountMissing;
}

void TstMeterLink::downloadEnds() {
    QFETCH(QStringList, meter);
    QFETCH(protocol::DownloadFailure, why);
    const bool freeze = meter.removeAll(QStringLiteral("freeze")) > 0;
    MeterSim sim(meter);
    QVERIFY(sim.ok());
    serial::CommPort port;
    port.setPortMap(MapTo(sim.link()));
    protocol::MeterLink link(port);
    link.setMode(protocol::LinkMode::History);
    LinkEvents events(&link);
    QSignalSpy data(&link, &protocol::MeterLink::groupsReceived);
    link.OpenSerialPort();
    link.SendHandshake();
    QTRY_VERIFY_WITH_TIMEOUT(link.deviceConnected(), 3000);
    if (freeze) sim.pause();
    link.RequestHistory();
    QTRY_COMPARE_WITH_TIMEOUT(events.count<protocol::DownloadFailed>(), 1, 5000);
    QCOMPARE(events.last<protocol::DownloadFailed>()->failure, why);
    QVERIFY(!link.awaitingHistory());
    QTest::qWait(300);             // nothing more goes out for it, nothing is taken as its report
    QCOMPARE(sim.countOf(25), 0);  // no groups request goes out
    QCOMPARE(data.count(), 0);
    QCOMPARE(events.count<protocol::DownloadFailed>(), 1);
}

QTEST_MAIN(TstMeterLink)
#include "tst_meterlink.moc"
