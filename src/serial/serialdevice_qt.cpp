// The serial device on QSerialPort. Qt's own errors that leave the port usable are no faults
// here; a line that hung up is a device gone, whatever Qt made of it.

#include <QSerialPort>

#include "serialdevice_qt.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#include <termios.h>
#endif

namespace serial {

namespace {

// True when the line behind `handle` has hung up: the adapter was pulled out, or the other
// end of a pseudo-terminal closed.
bool hungUp([[maybe_unused]] qintptr handle) {
#ifdef Q_OS_UNIX
    pollfd p{int(handle), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
#else
    return false;
#endif
}

#ifdef Q_OS_UNIX
std::optional<qint32> standardBaud(speed_t speed) {
    struct Entry {
        speed_t speed;
        qint32 baud;
    };
    static constexpr Entry kTable[] = {
        {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},     {B150, 150},
        {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},   {B1800, 1800},
        {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200}, {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400},
#ifdef B460800
        {B460800, 460800}, {B921600, 921600},
#endif
    };
    for (const Entry& e : kTable)
        if (e.speed == speed) return e.baud;
    return std::nullopt;
}

// What the line of `fd` really runs, read back from the driver. Some drivers (a
// pseudo-terminal forces 8 data bits and no parity) accept a change and silently keep
// their own values. Baud rates set outside the standard table cannot be read back this
// way and are taken as requested. Nothing when the driver cannot be asked.
std::optional<LineSettings> readBackLine(int fd, const LineSettings& requested) {
    termios tio;
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0) return std::nullopt;
    LineSettings actual = requested;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            actual.dataBits = QSerialPort::Data5;
            break;
        case CS6:
            actual.dataBits = QSerialPort::Data6;
            break;
        case CS7:
            actual.dataBits = QSerialPort::Data7;
            break;
        default:
            actual.dataBits = QSerialPort::Data8;
            break;
    }
    const bool odd = (tio.c_cflag & PARODD) != 0;
    if (!(tio.c_cflag & PARENB)) {
        actual.parity = QSerialPort::NoParity;
#ifdef CMSPAR
    } else if (tio.c_cflag & CMSPAR) {
        actual.parity = odd ? QSerialPort::MarkParity : QSerialPort::SpaceParity;
#endif
    } else {
        actual.parity = odd ? QSerialPort::OddParity : QSerialPort::EvenParity;
    }
    actual.stopBits = (tio.c_cflag & CSTOPB) ? QSerialPort::TwoStop : QSerialPort::OneStop;
    if (const auto baud = standardBaud(::cfgetospeed(&tio))) actual.baudRate = *baud;
    return actual;
}
#endif

class QtSerialDevice final : public SerialDevice {
  public:
    QtSerialDevice() : port_(new QSerialPort(this)) {
        port_->setFlowControl(QSerialPort::NoFlowControl);
        connect(port_, &QSerialPort::readyRead, this, &SerialDevice::readyRead);
        connect(port_, &QSerialPort::errorOccurred, this, &QtSerialDevice::onErrorOccurred);
    }

    std::optional<DeviceError> open(const QString& path, const LineSettings& line) override {
        port_->setPortName(path);
        port_->setBaudRate(line.baudRate);
        port_->setDataBits(line.dataBits);
        port_->setParity(line.parity);
        port_->setStopBits(line.stopBits);
        port_->setFlowControl(QSerialPort::NoFlowControl);
        if (port_->open(QIODevice::ReadWrite)) return std::nullopt;
        return DeviceError{kindOfQtError(port_->error()), port_->errorString()};
    }

    void close() override {
        if (port_->isOpen()) port_->close();
    }

    bool isOpen() const override { return port_->isOpen(); }

    std::optional<LineField> setLine(const LineSettings& line) override {
        if (!port_->setBaudRate(line.baudRate)) return LineField::BaudRate;
        if (!port_->setDataBits(line.dataBits)) return LineField::DataBits;
        if (!port_->setParity(line.parity)) return LineField::Parity;
        if (!port_->setStopBits(line.stopBits)) return LineField::StopBits;
        return std::nullopt;
    }

    std::optional<LineSettings> lineInForce(const LineSettings& asked) const override {
#ifdef Q_OS_UNIX
        return readBackLine(int(port_->handle()), asked);
#else
        Q_UNUSED(asked);
        return std::nullopt;
#endif
    }

    bool runsOneAndHalfStop() const override {
#ifdef Q_OS_UNIX
        return false;  // termios has no 1.5 stop bits; the driver would quietly run 1
#else
        return true;
#endif
    }

    bool write(const QByteArray& bytes) override {
        faulted_ = false;
        if (port_->write(bytes) != bytes.size()) return false;
        port_->flush();
        return !faulted_;
    }

    qint64 bytesToWrite() const override {
        return port_->bytesToWrite();
    }

    DeviceWait waitForBytesWritten(int msecs) override {
        return waitResult(port_->waitForBytesWritten(msecs));
    }

    QByteArray readAll() override {
        return port_->isOpen() ? port_->readAll() : QByteArray();
    }

    qint64 bytesAvailable() const override {
        return port_->isOpen() ? port_->bytesAvailable() : 0;
    }

    DeviceWait waitForReadyRead(int msecs) override {
        return waitResult(port_->waitForReadyRead(msecs));
    }

    void discardInput() override {
        port_->clear(QSerialPort::Input);
    }

    void discardOutput() override {
        port_->clear(QSerialPort::Output);
    }

    QString errorString() const override {
        return port_->errorString();
    }

  private:
    DeviceWait waitResult(bool done) const {
        if (done) return DeviceWait::Done;
        return port_->error() == QSerialPort::TimeoutError ? DeviceWait::TimedOut
                                                           : DeviceWait::Failed;
    }

    void onErrorOccurred(QSerialPort::SerialPortError error) {
        // NoError comes with every successful open; a refused setting gives
        // UnsupportedOperationError; neither means the port is unusable. A failed open is
        // open()'s own result.
        if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
            error == QSerialPort::UnsupportedOperationError || !port_->isOpen())
            return;
        DeviceError fault{kindOfQtError(error), port_->errorString()};
        // Qt's text is then often what the last system call left behind ("File exists" after
        // a read that found the line hung up).
        if (hungUp(port_->handle())) fault.kind = DeviceError::Kind::Gone;
        faulted_ = true;
        emit errorOccurred(fault);
    }

    QSerialPort* port_;
    bool faulted_ = false;  // a fault came since the last write began
};

}  // namespace

std::unique_ptr<SerialDevice> newQtSerialDevice() {
    return std::make_unique<QtSerialDevice>();
}

}  // namespace serial
