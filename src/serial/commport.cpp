#include "commport.h"

#include <QMetaObject>
#include <optional>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <termios.h>
#endif

#include "deviceaccess.h"

namespace serial {

namespace {

OpenProblem::Kind KindOf(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::Missing:
            return OpenProblem::Kind::Missing;
        case OpenFailure::NoPermission:
            return OpenProblem::Kind::NoPermission;
        case OpenFailure::Busy:
            return OpenProblem::Kind::Busy;
        case OpenFailure::Other:
            break;
    }
    return OpenProblem::Kind::Other;
}

// True when the line behind `handle` has hung up: the adapter was pulled out, or the other
// end of a pseudo-terminal closed.
bool HungUp([[maybe_unused]] qintptr handle) {
#ifdef Q_OS_UNIX
    pollfd p{int(handle), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
#else
    return false;
#endif
}

#ifdef Q_OS_UNIX
std::optional<qint32> StandardBaud(speed_t speed) {
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
std::optional<LineSettings> ReadBackLine(int fd, const LineSettings& requested) {
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
    if (const auto baud = StandardBaud(::cfgetospeed(&tio))) actual.baudRate = *baud;
    return actual;
}
#endif

}  // namespace

CommPort::CommPort(QObject* parent) : QObject(parent), port_(new QSerialPort(this)) {
    port_->setFlowControl(QSerialPort::NoFlowControl);
    connect(port_, &QSerialPort::readyRead, this, &CommPort::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &CommPort::onErrorOccurred);
}

CommPort::~CommPort() {
    closePort();
}

void CommPort::setPortMap(const PortMap& map) {
    map_ = map;
}

const PortMap& CommPort::portMap() const {
    return map_;
}

void CommPort::setCommPort(int number) {
    number_ = number;
}

int CommPort::commPort() const {
    return number_;
}

QString CommPort::deviceName() const {
    return map_.deviceFor(number_);
}

bool CommPort::setLineSettings(const LineSettings& line, SettingsRefusal* refusal) {
#ifdef Q_OS_UNIX
    // termios has no 1.5 stop bits; the driver would quietly run 1.
    if (line.stopBits == QSerialPort::OneAndHalfStop) {
        if (refusal) {
            *refusal = {};
            refusal->kind = SettingsRefusal::Kind::NoOneAndHalfStop;
            refusal->asked = line;
        }
        return false;
    }
#endif
    if (!port_->isOpen()) {
        line_ = line;
        return true;
    }
    if (!applyLine(line, refusal)) {
        applyLine(line_, nullptr);  // back to the settings in force before
        return false;
    }
    line_ = line;
    return true;
}

const LineSettings& CommPort::lineSettings() const {
    return line_;
}

bool CommPort::applyLine(const LineSettings& line, SettingsRefusal* refusal) {
    auto fail = [&](LineField field) {
        if (refusal) {
            *refusal = {};
            refusal->kind = SettingsRefusal::Kind::Refused;
            refusal->field = field;
            refusal->asked = line;
            refusal->systemReason = port_->errorString();
        }
        return false;
    };
    if (!port_->setBaudRate(line.baudRate)) return fail(LineField::BaudRate);
    if (!port_->setDataBits(line.dataBits)) return fail(LineField::DataBits);
    if (!port_->setParity(line.parity)) return fail(LineField::Parity);
    if (!port_->setStopBits(line.stopBits)) return fail(LineField::StopBits);
#ifdef Q_OS_UNIX
    if (const auto actual = ReadBackLine(int(port_->handle()), line); actual && *actual != line) {
        if (refusal) {
            *refusal = {};
            refusal->kind = SettingsRefusal::Kind::KeptOwn;
            refusal->asked = line;
            refusal->runs = *actual;
        }
        return false;
    }
#endif
    return true;
}

OpenResult CommPort::open() {
    const QString device = deviceName();
    if (port_->isOpen()) return device == openDevice_ ? OpenResult::Opened : OpenResult::PortInUse;
    using Kind = OpenProblem::Kind;
    OpenProblem problem{Kind::Other, number_, device, QString()};
    if (device.isEmpty()) {
        problem.kind = Kind::InvalidNumber;
        advise(problem);
        return OpenResult::InvalidPort;
    }

    port_->setPortName(device);
    port_->setBaudRate(line_.baudRate);
    port_->setDataBits(line_.dataBits);
    port_->setParity(line_.parity);
    port_->setStopBits(line_.stopBits);
    port_->setFlowControl(QSerialPort::NoFlowControl);

    if (!port_->open(QIODevice::ReadWrite)) {
        problem.systemReason = port_->errorString();
        problem.kind = KindOf(OpenFailureOf(port_->error(), AccessError(device)));
        advise(problem);
        return problem.kind == Kind::Missing ? OpenResult::InvalidPort : OpenResult::PortInUse;
    }

    ++generation_;
    closeQueued_ = false;
    openDevice_ = device;
    in_.clear();
    threshold_ = kDefaultThreshold;  // no reply of an earlier exchange is awaited
    // Nothing that waited in the driver before this open belongs to the coming exchange.
    port_->clear(QSerialPort::AllDirections);
    advise(std::nullopt);

#ifdef Q_OS_UNIX
    // The open applies the settings without checking them; if the device kept its own,
    // lineSettings() tells what the line really runs.
    if (const auto actual = ReadBackLine(int(port_->handle()), line_); actual && *actual != line_) {
        line_ = *actual;
        applyLine(line_, nullptr);  // keeps QSerialPort's idea of the line in step
    }
#endif
    return OpenResult::Opened;
}

void CommPort::close() {
    closePort();
}

void CommPort::closePort() {
    if (port_->isOpen()) port_->close();
    in_.clear();
    openDevice_.clear();
    closeQueued_ = false;
    threshold_ = kDefaultThreshold;
    ++generation_;
}

bool CommPort::isOpen() const {
    return port_->isOpen();
}

bool CommPort::output(quint8 byte) {
    if (!port_->isOpen()) return false;
    clearInput();
    writeFailed_ = false;
    const char c = char(byte);
    if (port_->write(&c, 1) != 1) return false;
    // Hand the byte to the driver now. The output side is never purged after this: a purge
    // drops bytes the driver still holds, and the command byte would be lost.
    port_->flush();
    return !writeFailed_ && port_->isOpen();
}

QByteArray CommPort::input() {
    QByteArray out;
    out.swap(in_);
    if (port_->isOpen()) out += port_->readAll();
    return out;
}

int CommPort::inBufferCount() const {
    return int(in_.size() + (port_->isOpen() ? port_->bytesAvailable() : 0));
}

void CommPort::clearInput() {
    in_.clear();
    if (port_->isOpen()) port_->clear(QSerialPort::Input);
}

void CommPort::setRThreshold(int bytes) {
    threshold_ = qBound(0, bytes, kInBufferLimit);
}

int CommPort::rThreshold() const {
    return threshold_;
}

void CommPort::onReadyRead() {
    if (!port_->isOpen()) return;
    in_ += port_->readAll();
    if (in_.size() > kInBufferLimit) in_.remove(0, in_.size() - kInBufferLimit);
    if (threshold_ > 0 && in_.size() >= threshold_) emit dataReceived();
}

void CommPort::onErrorOccurred(QSerialPort::SerialPortError error) {
    // NoError comes with every successful open; a refused setting gives
    // UnsupportedOperationError; neither means the port is unusable.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
        error == QSerialPort::UnsupportedOperationError)
        return;
    writeFailed_ = true;
    if (!port_->isOpen() || closeQueued_) return;
    // A lost device makes Qt report read errors in a busy loop. Close once, from the event
    // loop: closing inside QSerialPort's own signal is not safe.
    closeQueued_ = true;
    const quint64 generation = generation_;
    // A device that went away is said as such. Qt's own text is then often what the last
    // system call left behind ("File exists" after a read that found the line hung up).
    const QString reason = error == QSerialPort::ResourceError || HungUp(port_->handle())
                               ? QStringLiteral("the device is gone")
                               : port_->errorString();
    QMetaObject::invokeMethod(
        this,
        [this, generation, reason] {
            if (generation != generation_ || !port_->isOpen()) return;  // closed or re-opened
            closePort();
            emit closedAfterError(reason);
        },
        Qt::QueuedConnection);
}

void CommPort::advise(const std::optional<OpenProblem>& problem) {
    const bool same = problem && advised_ && problem->kind == advised_->kind &&
                      problem->device == advised_->device;
    advised_ = problem;
    if (problem && !same) emit openProblem(*problem);
}

}  // namespace serial
