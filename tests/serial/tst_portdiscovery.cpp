// Finding the meter: the probe greets real pseudo-terminals played by the meter
// simulator; the listing and the probe order are checked on device descriptions.

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

#include <memory>

#include "metersim.h"
#include "protocol/metercommand.h"
#include "serial/portdiscovery.h"

using serial::ProbeAnswer;
using serial::SerialDeviceInfo;

Q_DECLARE_METATYPE(serial::ProbeAnswer)

namespace {

// Time the simulator has to answer: generous, so a loaded machine does not fail the test.
constexpr int kAnswerMs = 1500;

SerialDeviceInfo Device(const QString& path, std::optional<quint16> vid = std::nullopt,
                        std::optional<quint16> pid = std::nullopt) {
    SerialDeviceInfo d;
    d.device = path;
    d.vendorId = vid;
    d.productId = pid;
    return d;
}

}  // namespace

class TstPortDiscovery : public QObject {
    Q_OBJECT
  private slots:
    void probeAnswer_data();
    void probeAnswer();
    void findMeterStopsAtTheFirstThatAnswers();
    void openFailure_data();
    void openFailure();
    void probeOrder_data();
    void probeOrder();
    void portNumberOf_data();
    void portNumberOf();
    void listingShowsMappedDevices();
};

void TstPortDiscovery::probeAnswer_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<bool>("heldOpen");  // another program has the device open
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<ProbeAnswer>("answer");
    QTest::newRow("meter") << QStringList{} << false << kAnswerMs << ProbeAnswer::Meter;
    QTest::newRow("silent") << QStringList{"--silent-for", "3600"} << false
                            << serial::kProbeTimeoutMs << ProbeAnswer::NoAnswer;
    QTest::newRow("wrong reply") << QStringList{"--bad-handshakes", "9"} << false << kAnswerMs
                                 << ProbeAnswer::WrongAnswer;
    QTest::newRow("answer after the time allowed")
        << QStringList{"--delay", "2000"} << false << serial::kProbeTimeoutMs
        << ProbeAnswer::NoAnswer;
    QTest::newRow("busy") << QStringList{} << true << kAnswerMs << ProbeAnswer::Busy;
}

void TstPortDiscovery::probeAnswer() {
    QFETCH(QStringList, simArgs);
    QFETCH(bool, heldOpen);
    QFETCH(int, timeoutMs);
    QFETCH(ProbeAnswer, answer);
    MeterSim sim(simArgs);
    QVERIFY(sim.ok());
    QSerialPort other;
    if (heldOpen) {
        other.setPortName(sim.link());
        QVERIFY(other.open(QIODevice::ReadWrite));
    }
    QString detail;
    QCOMPARE(serial::probeDevice(sim.link(), serial::LineSettings{}, protocol::probeGreeting(),
                                 timeoutMs, &detail),
             answer);
    QCOMPARE(detail.isEmpty(), answer != ProbeAnswer::Busy);
    // A busy device is left alone: nothing is written to it.
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(0x05), heldOpen ? 0 : 1, 3000);
}

void TstPortDiscovery::findMeterStopsAtTheFirstThatAnswers() {
    MeterSim silent({"--silent-for", "3600"});
    MeterSim busy;
    MeterSim meter;
    MeterSim second;
    QVERIFY(silent.ok() && busy.ok() && meter.ok() && second.ok());
    QSerialPort other;
    other.setPortName(busy.link());
    QVERIFY(other.open(QIODevice::ReadWrite));
    const QString missing = meter.link() + QStringLiteral(".gone");

    const serial::ProbeResult r =
        serial::findMeter({silent.link(), busy.link(), missing, meter.link(), second.link()},
                          serial::LineSettings{}, protocol::probeGreeting());
    QCOMPARE(r.found, meter.link());
    QList<ProbeAnswer> answers;
    for (const serial::ProbeStep& s : r.steps) answers << s.answer;
    QCOMPARE(answers, (QList<ProbeAnswer>{ProbeAnswer::NoAnswer, ProbeAnswer::Busy,
                                          ProbeAnswer::Missing, ProbeAnswer::Meter}));
    QCOMPARE(r.steps.last().device, meter.link());
    QTRY_COMPARE_WITH_TIMEOUT(silent.countOf(0x05), 1, 3000);
    QCOMPARE(second.countOf(0x05), 0);  // never greeted once the meter was found

    // The meter's device is closed again: the link can open it at once.
    QSerialPort link;
    link.setPortName(meter.link());
    QVERIFY(link.open(QIODevice::ReadWrite));
}

void TstPortDiscovery::openFailure_data() {
    QTest::addColumn<QSerialPort::SerialPortError>("error");
    QTest::addColumn<int>("accessError");  // errno of access(); 0 = may read and write
    QTest::addColumn<ProbeAnswer>("answer");
    QTest::newRow("not in the dialout group")
        << QSerialPort::PermissionError << EACCES << ProbeAnswer::PermissionDenied;
    QTest::newRow("EPERM, no PermissionError to Qt")
        << QSerialPort::UnknownError << EPERM << ProbeAnswer::PermissionDenied;
    QTest::newRow("held or locked by another program")
        << QSerialPort::PermissionError << 0 << ProbeAnswer::Busy;
    // Qt's OpenError is this very object's device already open: no other program's.
    QTest::newRow("already open here") << QSerialPort::OpenError << 0 << ProbeAnswer::Failed;
}

void TstPortDiscovery::openFailure() {
    QFETCH(QSerialPort::SerialPortError, error);
    QFETCH(int, accessError);
    QFETCH(ProbeAnswer, answer);
    QCOMPARE(serial::openFailureAnswer(error, accessError), answer);
}

void TstPortDiscovery::probeOrder_data() {
    QTest::addColumn<QList<SerialDeviceInfo>>("devices");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("USB adapters first, numbers in numeric order")
        << QList<SerialDeviceInfo>{Device("/dev/ttyS10"),  Device("/dev/ttyS2"),
                                   Device("/dev/ttyUSB1"), Device("/dev/ttyACM0"),
                                   Device("/dev/ttyUSB0"), Device("/dev/ttyS0")}
        << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1",
                       "/dev/ttyS0",   "/dev/ttyS2",   "/dev/ttyS10"};
    QTest::newRow("a device with a USB vendor id counts as an adapter")
        << QList<SerialDeviceInfo>{Device("/dev/ttyS0"), Device("/dev/ttyAMA0", 0x0403, 0x6001)}
        << QStringList{"/dev/ttyAMA0", "/dev/ttyS0"};
}

void TstPortDiscovery::probeOrder() {
    QFETCH(QList<SerialDeviceInfo>, devices);
    QFETCH(QStringList, order);
    QStringList got;
    for (const SerialDeviceInfo& d : serial::probeOrder(devices)) got << d.device;
    QCOMPARE(got, order);
}

void TstPortDiscovery::portNumberOf_data() {
    QTest::addColumn<QStringList>("mappings");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("number");
    QTest::newRow("built-in port") << QStringList{} << "/dev/ttyS0" << 1;
    QTest::newRow("built-in port 16") << QStringList{} << "/dev/ttyS15" << 16;
    QTest::newRow("mapped adapter") << QStringList{"COM3=/dev/ttyUSB0"} << "/dev/ttyUSB0" << 3;
    QTest::newRow("unmapped adapter") << QStringList{} << "/dev/ttyUSB0" << 0;
    QTest::newRow("built-in port hidden by a mapping")
        << QStringList{"COM1=/dev/ttyUSB0"} << "/dev/ttyS0" << 0;
    QTest::newRow("built-in port mapped elsewhere")
        << QStringList{"COM4=/dev/ttyS0"} << "/dev/ttyS0" << 4;
    QTest::newRow("not a number") << QStringList{} << "/dev/ttyS" << 0;
}

void TstPortDiscovery::portNumberOf() {
    QFETCH(QStringList, mappings);
    QFETCH(QString, device);
    QFETCH(int, number);
    serial::PortMap map;
    for (const QString& m : mappings) QVERIFY(map.addMapping(m));
    QCOMPARE(map.portNumberOf(device), number);
}

void TstPortDiscovery::listingShowsMappedDevices() {
    QTemporaryDir dir;
    const QString adapter = dir.filePath("ttyUSB0"), byId = dir.filePath("usb-FTDI-if00");
    QVERIFY(QFile(adapter).open(QIODevice::WriteOnly) && QFile::link(adapter, byId));
    serial::PortMap map;
    map.setDevice(3, byId);
    map.setDevice(4, adapter + ".gone");
    QString rows;  // the link puts its number on the row of the device it leads to
    for (const SerialDeviceInfo& d : serial::withMappedDevices({Device(adapter)}, map))
        rows += QStringLiteral("COM%1 %2 %3;")
                    .arg(d.portNumber)
                    .arg(d.device, QLatin1String(d.present ? "present" : "absent"));
    QCOMPARE(rows, "COM3 " + adapter + " present;COM4 " + adapter + ".gone absent;");
}

QTEST_GUILESS_MAIN(TstPortDiscovery)
#include "tst_portdiscovery.moc"
