// CommPort on a real pseudo-terminal: the test holds the master side and plays the meter.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "serial/commport.h"

using serial::CommPort;
using serial::OpenProblem;
using serial::OpenResult;
using Refusal = std::optional<serial::SettingsRefusal::Kind>;

Q_DECLARE_METATYPE(Refusal)
Q_DECLARE_METATYPE(OpenProblem::Kind)

namespace {

// Line settings as the user writes them, e.g. "19200,E,7,2".
serial::LineSettings Line(const QString& text) {
    serial::LineSettings line;
    if (!serial::parseLineSettings(text, &line))
        qFatal("bad line settings in a test: %s", qPrintable(text));
    return line;
}

QString Text(const CommPort& port) {
    return serial::lineSettingsText(port.lineSettings());
}

// One pseudo-terminal; its slave side is the serial device CommPort opens.
class Pty {
  public:
    Pty() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0 && ::grantpt(fd_) == 0 && ::unlockpt(fd_) == 0)
            slave_ = QString::fromLocal8Bit(::ptsname(fd_));
    }
    ~Pty() { hangUp(); }
    QString slave() const { return slave_; }
    void hangUp() {  // the adapter is pulled
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool write(const QByteArray& data) {  // keeps the event loop going while the line is full
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t n = ::write(fd_, data.constData() + done, size_t(data.size() - done));
            if (n < 0 && errno != EAGAIN) return false;
            done += qMax<ssize_t>(n, 0);
            if (n <= 0) QTest::qWait(1);
        }
        return true;
    }
    QByteArray read(int count) {  // what the meter received, waiting up to 3 s for it
        QByteArray out;
        for (QDeadlineTimer deadline(3000); out.size() < count && !deadline.hasExpired();) {
            char buf[256];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n > 0)
                out.append(buf, n);
            else
                QTest::qWait(1);
        }
        return out;
    }

  private:
    int fd_ = -1;
    QString slave_;
};

serial::PortMap MapTo(int number, const QString& device) {
    serial::PortMap map;
    map.addMapping(QStringLiteral("COM%1=%2").arg(number).arg(device));
    return map;
}

// A port opened as COM1 on `pty`.
std::unique_ptr<CommPort> OpenOn(const Pty& pty) {
    auto port = std::make_unique<CommPort>();
    port->setPortMap(MapTo(1, pty.slave()));
    if (port->open() != OpenResult::Opened) return nullptr;
    return port;
}

QSerialPort* Inner(CommPort& port) {
    return port.findChild<QSerialPort*>();
}

}  // namespace

class TestCommPort : public QObject {
    Q_OBJECT
  private slots:
    void closedPortIsSafe();
    void openClearsStaleInput();
    void commandBytesArriveAndStaleInputGoes();
    void thresholdBursts_data();
    void thresholdBursts();
    void settingsOnOpenPort_data();
    void settingsOnOpenPort();
    void settingsRefusedAtOpen();
    void openFailures_data();
    void openFailures();
    void busyPortAndAdviceOncePerChange();
    void deviceLost();
    void queuedCloseSparesReopenedPort();
};

void TestCommPort::closedPortIsSafe() {
    CommPort port;
    QCOMPARE(port.commPort(), 1);
    QCOMPARE(Text(port), QStringLiteral("9600,N,8,1"));
    QCOMPARE(port.rThreshold(), 3);
    port.setRThreshold(1 << 20);  // above anything the buffer could ever hold
    QCOMPARE(port.rThreshold(), CommPort::kInBufferLimit);
    port.close();
    QCOMPARE(port.rThreshold(), 3);  // no reply of an earlier exchange is awaited any more
    port.close();
    QVERIFY(!port.isOpen());
    QVERIFY(!port.output(35));
    QVERIFY(port.input().isEmpty());
    QCOMPARE(port.inBufferCount(), 0);
    port.clearInput();
    QVERIFY(port.setLineSettings(Line("19200,N,8,2")));  // kept for the next open
    QCOMPARE(Text(port), QStringLiteral("19200,N,8,2"));
}

void TestCommPort::openClearsStaleInput() {
    Pty pty;
    // Bytes waiting on the line before the open; the fresh terminal's echo shows they're in.
    QVERIFY(pty.write("stale"));
    QCOMPARE(pty.read(5), QByteArray("stale"));
    auto port = OpenOn(pty);
    QVERIFY(port);
    QCOMPARE(Text(*port), QStringLiteral("9600,N,8,1"));  // the line took them
    QSignalSpy received(port.get(), &CommPort::dataReceived);
    QVERIFY(pty.write("\x05\x05\x07"));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(port->input(), QByteArray("\x05\x05\x07"));
    QCOMPARE(port->inBufferCount(), 0);
}

void TestCommPort::commandBytesArriveAndStaleInputGoes() {
    Pty pty;
    auto port = OpenOn(pty);
    QVERIFY(port);
    port->setRThreshold(0);
    for (const char code : {5, 35, 15, 25, 35, 0, -1}) {
        QVERIFY(pty.write("junk"));  // a late reply to the previous command
        QTRY_COMPARE(port->inBufferCount(), 4);
        QVERIFY(port->output(quint8(code)));
        QCOMPARE(port->inBufferCount(), 0);
        QCOMPARE(pty.read(1), QByteArray(1, code));
    }
    // Back to back, the peer not reading in between: none may be lost.
    QVERIFY(port->output(5) && port->output(15) && port->output(25));
    QCOMPARE(pty.read(3), QByteArray("\x05\x0f\x19"));
}

void TestCommPort::thresholdBursts_data() {
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QList<QByteArray>>("bursts");
    QTest::addColumn<QList<int>>("replies");  // sizes of what each notification found waiting
    QTest::newRow("1 then 2, threshold 3")
        << 3 << QList<QByteArray>{"\x01", "\x02\x03"} << QList<int>{3};
    QTest::newRow("5 at once, threshold 3") << 3 << QList<QByteArray>{"ABCDE"} << QList<int>{5};
    QTest::newRow("2 only, threshold 3") << 3 << QList<QByteArray>{"AB"} << QList<int>{};
    QTest::newRow("threshold 0 never tells")
        << 0 << QList<QByteArray>{"\x05\x05\x02"} << QList<int>{};
    QList<QByteArray> chunks;
    for (int size : {200, 1, 299, 265}) chunks << QByteArray(size, char(size));
    QTest::newRow("765 in four chunks") << 765 << chunks << QList<int>{765};
    QByteArray flood(20000, '\0');
    for (int i = 0; i < flood.size(); ++i) flood[i] = char((i * 7) ^ (i >> 8));
    QTest::newRow("flood is bounded") << 0 << QList<QByteArray>{flood} << QList<int>{};
}

void TestCommPort::thresholdBursts() {
    QFETCH(int, threshold);
    QFETCH(QList<QByteArray>, bursts);
    QFETCH(QList<int>, replies);
    Pty pty;
    auto port = OpenOn(pty);
    QVERIFY(port);
    port->setRThreshold(threshold);
    QList<int> got;  // the receiver takes everything on each notification, as the window does
    QByteArray taken;
    connect(port.get(), &CommPort::dataReceived, this, [&] {
        const QByteArray reply = port->input();
        got << int(reply.size());
        taken += reply;
    });
    QByteArray all;
    for (const QByteArray& burst : bursts) {
        QVERIFY(pty.write(burst));
        all += burst;
        const int waiting = int(qMin<qsizetype>(all.size(), CommPort::kInBufferLimit));
        if (threshold == 0 || all.size() < threshold) QTRY_COMPARE(port->inBufferCount(), waiting);
    }
    QTRY_COMPARE(got.size(), replies.size());
    QTest::qWait(30);  // and no more come
    QCOMPARE(got, replies);
    if (!replies.isEmpty()) QCOMPARE(taken, all);
    const QByteArray rest = port->input();
    QVERIFY(all.contains(rest));  // a run of the stream: older bytes give way on overflow
    if (replies.isEmpty())
        QCOMPARE(rest.size(), qMin<qsizetype>(all.size(), CommPort::kInBufferLimit));
}

void TestCommPort::settingsOnOpenPort_data() {
    using Kind = serial::SettingsRefusal::Kind;
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");  // lineSettings() afterwards; unchanged means refused
    QTest::addColumn<Refusal>("refusal");
    // A pseudo-terminal runs 8 data bits without parity and refuses anything else, at once or
    // by keeping its own (Refused or KeptOwn) as the setting and the system have it.
    QTest::newRow("even parity") << "9600,E,8,1"
                                 << "9600,N,8,1" << Refusal(Kind::Refused);
    QTest::newRow("odd parity") << "9600,O,8,1"
                                << "9600,N,8,1" << Refusal(Kind::Refused);
    QTest::newRow("7 data bits") << "9600,N,7,1"
                                 << "9600,N,8,1" << Refusal(Kind::Refused);
    QTest::newRow("new baud, refused parity") << "19200,E,8,1"
                                              << "9600,N,8,1" << Refusal(Kind::Refused);
    QTest::newRow("1.5 stop bits") << "9600,N,8,1.5"
                                   << "9600,N,8,1" << Refusal(Kind::NoOneAndHalfStop);
    QTest::newRow("2 stop bits") << "9600,N,8,2"
                                 << "9600,N,8,2" << Refusal();
    QTest::newRow("19200 baud") << "19200,n,8,1"
                                << "19200,N,8,1" << Refusal();
}

void TestCommPort::settingsOnOpenPort() {
    QFETCH(QString, text);
    QFETCH(QString, after);
    QFETCH(Refusal, refusal);
    Pty pty;
    auto port = OpenOn(pty);
    QVERIFY(port);
    QSignalSpy closed(port.get(), &CommPort::closedAfterError);
    serial::SettingsRefusal why;
    QCOMPARE(port->setLineSettings(Line(text), &why), !refusal);
    using Kind = serial::SettingsRefusal::Kind;
    if (refusal) QCOMPARE(why.kind == Kind::KeptOwn ? Kind::Refused : why.kind, *refusal);
    QCOMPARE(Text(*port), after);
    QTest::qWait(20);  // a close queued by the refusal would run here
    QVERIFY(port->isOpen());
    QCOMPARE(closed.count(), 0);
    // The line itself runs what lineSettings() says.
    termios t{};
    QCOMPARE(::tcgetattr(int(Inner(*port)->handle()), &t), 0);
    QVERIFY(!(t.c_cflag & PARENB));
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(bool(t.c_cflag & CSTOPB), after.endsWith(QLatin1String(",2")));
    QCOMPARE(::cfgetospeed(&t), speed_t(after.startsWith(QLatin1String("19200")) ? B19200 : B9600));
    QVERIFY(port->output(5));
    QCOMPARE(pty.read(1), QByteArray("\x05"));
}

void TestCommPort::settingsRefusedAtOpen() {
    // Chosen while closed; at the open the terminal keeps 8 bits without parity.
    Pty pty;
    CommPort port;
    port.setPortMap(MapTo(1, pty.slave()));
    QVERIFY(port.setLineSettings(Line("19200,E,7,2")));
    QCOMPARE(port.open(), OpenResult::Opened);
    QCOMPARE(Text(port), QStringLiteral("19200,N,8,2"));
}

void TestCommPort::openFailures_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");          // mapped to the number unless empty
    QTest::addColumn<OpenProblem::Kind>("kind");  // InvalidPort for no number or device
    QTest::newRow("missing device") << 2 << "/dev/leakmeter-none" << OpenProblem::Kind::Missing;
    QTest::newRow("missing short name") << 2 << "leakmeter-none" << OpenProblem::Kind::Missing;
    QTest::newRow("unmapped COM200") << 200 << "" << OpenProblem::Kind::Missing;
    QTest::newRow("port number 0") << 0 << "" << OpenProblem::Kind::InvalidNumber;
    QTest::newRow("not a serial device") << 3 << "/dev/null" << OpenProblem::Kind::Other;
}

void TestCommPort::openFailures() {
    QFETCH(int, number);
    QFETCH(QString, device);
    QFETCH(OpenProblem::Kind, kind);
    const bool invalid =
        kind == OpenProblem::Kind::Missing || kind == OpenProblem::Kind::InvalidNumber;
    CommPort port;
    if (!device.isEmpty()) port.setPortMap(MapTo(number, device));
    port.setCommPort(number);
    QSignalSpy problems(&port, &CommPort::openProblem);
    QCOMPARE(port.open(), invalid ? OpenResult::InvalidPort : OpenResult::PortInUse);
    QCOMPARE(problems.count(), 1);
    const auto problem = problems.first().at(0).value<OpenProblem>();
    QCOMPARE(problem.kind, kind);
    QCOMPARE(problem.portNumber, number);
    QCOMPARE(problem.device, port.deviceName());
    QVERIFY(!port.isOpen());
    QVERIFY(!port.output(5));
}

void TestCommPort::busyPortAndAdviceOncePerChange() {
    Pty pty;
    auto holder = OpenOn(pty);
    QVERIFY(holder);
    CommPort port;
    QSignalSpy advice(&port, &CommPort::openProblem);
    serial::PortMap map = MapTo(1, pty.slave());
    map.addMapping("COM2=/dev/leakmeter-none");
    port.setPortMap(map);

    port.setCommPort(2);
    for (int retry = 0; retry < 3; ++retry) QCOMPARE(port.open(), OpenResult::InvalidPort);
    QCOMPARE(advice.count(), 1);
    QCOMPARE(advice.last().at(0).value<OpenProblem>().kind, OpenProblem::Kind::Missing);

    port.setCommPort(1);
    for (int retry = 0; retry < 3; ++retry) QCOMPARE(port.open(), OpenResult::PortInUse);
    QCOMPARE(advice.count(), 2);
    QCOMPARE(advice.last().at(0).value<OpenProblem>().kind, OpenProblem::Kind::Busy);
    QVERIFY(holder->output(5));  // the holder is not disturbed
    QCOMPARE(pty.read(1), QByteArray("\x05"));

    holder->close();
    QCOMPARE(port.open(), OpenResult::Opened);
    port.close();
    QCOMPARE(holder->open(), OpenResult::Opened);
    QCOMPARE(port.open(), OpenResult::PortInUse);  // busy again after a success: told again
    QCOMPARE(advice.count(), 3);
}

void TestCommPort::deviceLost() {
    auto pty = std::make_unique<Pty>();
    CommPort port;
    port.setPortMap(MapTo(1, pty->slave()));
    QCOMPARE(port.open(), OpenResult::Opened);
    QSignalSpy closed(&port, &CommPort::closedAfterError);
    QSignalSpy errors(Inner(port), &QSerialPort::errorOccurred);
    pty->hangUp();
    QTRY_VERIFY(!port.isOpen());
    QTest::qWait(50);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().at(0).toString(), QStringLiteral("the device is gone"));
    QVERIFY2(errors.count() < 100, qPrintable(QString::number(errors.count())));
    QVERIFY(!port.output(5));
    // The adapter comes back under another name.
    pty = std::make_unique<Pty>();
    port.setPortMap(MapTo(1, pty->slave()));
    QCOMPARE(port.open(), OpenResult::Opened);
    QVERIFY(port.output(15));
    QCOMPARE(pty->read(1), QByteArray("\x0f"));
    QCOMPARE(closed.count(), 1);
}

void TestCommPort::queuedCloseSparesReopenedPort() {
    Pty lost, fresh;
    auto port = OpenOn(lost);
    QVERIFY(port);
    QSignalSpy closed(port.get(), &CommPort::closedAfterError);
    lost.hangUp();
    // The write fails; the window closes and re-opens at once, before the event loop runs
    // the close that the failure queued.
    QVERIFY(!port->output(35));
    port->close();
    port->setPortMap(MapTo(1, fresh.slave()));
    QCOMPARE(port->open(), OpenResult::Opened);
    QTest::qWait(50);
    QVERIFY(port->isOpen());
    QCOMPARE(closed.count(), 0);
    QVERIFY(port->output(5));
    QCOMPARE(fresh.read(1), QByteArray("\x05"));
}

QTEST_GUILESS_MAIN(TestCommPort)
#include "tst_commport.moc"
