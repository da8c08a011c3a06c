// CommPort's rules over a device the test plays (ScriptedDevice): the rules hold whatever
// device the system gives; the real device's own behaviour is tst_commport's, on a terminal.

#include <QSignalSpy>
#include <QTest>

#include "scripteddevice.h"
#include "serial/commport.h"

using serial::CommPort;
using serial::DeviceError;
using serial::OpenProblem;
using serial::OpenResult;

Q_DECLARE_METATYPE(DeviceError::Kind)
Q_DECLARE_METATYPE(OpenProblem::Kind)
Q_DECLARE_METATYPE(OpenResult)

namespace {

// A port on a scripted device, COM1 mapped to `device`.
struct ScriptedPort {
    explicit ScriptedPort(const QString& device = QStringLiteral("/dev/null"))
        : port(std::unique_ptr<serial::SerialDevice>(dev = new ScriptedDevice)) {
        serial::PortMap map;
        map.addMapping(QStringLiteral("COM1=") + device);
        port.setPortMap(map);
    }
    ScriptedDevice* dev;
    CommPort port;
};

}  // namespace

class TestCommPortDevice : public QObject {
    Q_OBJECT
  private slots:
    void openFault_data();
    void openFault();
    void exchange();
    void faultClosesOnce_data();
    void faultClosesOnce();
    void oneAndHalfStopWhereTheDeviceRunsIt();
};

void TestCommPortDevice::openFault_data() {
    QTest::addColumn<DeviceError::Kind>("fault");
    QTest::addColumn<OpenResult>("result");
    QTest::addColumn<OpenProblem::Kind>("problem");
    // /dev/null may be read and written: the device's word decides.
    QTest::newRow("not found") << DeviceError::Kind::NotFound << OpenResult::InvalidPort
                               << OpenProblem::Kind::Missing;
    QTest::newRow("denied") << DeviceError::Kind::Denied << OpenResult::PortInUse
                            << OpenProblem::Kind::Busy;
    QTest::newRow("other") << DeviceError::Kind::Other << OpenResult::PortInUse
                           << OpenProblem::Kind::Other;
}

void TestCommPortDevice::openFault() {
    QFETCH(DeviceError::Kind, fault);
    QFETCH(OpenResult, result);
    QFETCH(OpenProblem::Kind, problem);
    ScriptedPort s;
    s.dev->openFault = DeviceError{fault, QStringLiteral("the system's words")};
    QSignalSpy problems(&s.port, &CommPort::openProblem);
    QCOMPARE(s.port.open(), result);
    QCOMPARE(problems.count(), 1);
    const auto told = problems.first().at(0).value<OpenProblem>();
    QCOMPARE(told.kind, problem);
    QCOMPARE(told.systemReason, QStringLiteral("the system's words"));
}

void TestCommPortDevice::exchange() {
    ScriptedPort s(QStringLiteral("ttyS7"));
    QCOMPARE(s.port.open(), OpenResult::Opened);
#ifdef Q_OS_WIN
    QCOMPARE(s.dev->path, QStringLiteral("COM1"));  // COMn is the system's device itself
#else
    QCOMPARE(s.dev->path, QStringLiteral("/dev/ttyS7"));  // opened by its system path
#endif
    s.dev->feed("late");  // a late reply to an earlier command goes with the next command
    QVERIFY(s.port.output(5));
    QCOMPARE(s.dev->written, QByteArray("\x05"));
    QCOMPARE(s.port.inBufferCount(), 0);
    QSignalSpy received(&s.port, &CommPort::dataReceived);
    s.dev->feed("\x05");
    QCOMPARE(received.count(), 0);  // below the threshold of 3
    s.dev->feed("\x05\x07");
    QCOMPARE(received.count(), 1);
    QCOMPARE(s.port.input(), QByteArray("\x05\x05\x07"));
}

void TestCommPortDevice::faultClosesOnce_data() {
    QTest::addColumn<DeviceError::Kind>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("gone") << DeviceError::Kind::Gone << "the device is gone";
    QTest::newRow("other") << DeviceError::Kind::Other << "Input/output error";
}

void TestCommPortDevice::faultClosesOnce() {
    QFETCH(DeviceError::Kind, fault);
    QFETCH(QString, reason);
    ScriptedPort s;
    QCOMPARE(s.port.open(), OpenResult::Opened);
    QSignalSpy closed(&s.port, &CommPort::closedAfterError);
    for (int burst = 0; burst < 3; ++burst) s.dev->fail(fault, "Input/output error");
    QVERIFY(s.port.isOpen());  // closed from the event loop, not inside the device's signal
    QTRY_VERIFY(!s.dev->isOpen());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().at(0).toString(), reason);
}

void TestCommPortDevice::oneAndHalfStopWhereTheDeviceRunsIt() {
    for (const bool runs : {true, false}) {
        ScriptedPort s;
        s.dev->oneAndHalfStop = runs;
        serial::LineSettings line;
        line.stopBits = QSerialPort::OneAndHalfStop;
        serial::SettingsRefusal why;
        QCOMPARE(s.port.setLineSettings(line, &why), runs);
        if (!runs) QCOMPARE(why.kind, serial::SettingsRefusal::Kind::NoOneAndHalfStop);
    }
}

QTEST_GUILESS_MAIN(TestCommPortDevice)
#include "tst_commportdevice.moc"
