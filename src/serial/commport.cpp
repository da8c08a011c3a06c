#include "commport.h"

#include <QMetaObject>
#include <optional>

#include "deviceaccess.h"

namespace serial {

namespace {

OpenProblem::Kind kindOf(OpenFailure failure) {
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

}  // namespace

CommPort::CommPort(QObject* parent) : CommPort(newSerialDevice(), parent) {}

CommPort::CommPort(std::unique_ptr<SerialDevice> device, QObject* parent)
    : QObject(parent), port_(device.release()) {
    port_->setParent(this);
    connect(port_, &SerialDevice::readyRead, this, &CommPort::onReadyRead);
    connect(port_, &SerialDevice::errorOccurred, this, &CommPort::onDeviceError);
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
    if (line.stopBits == QSerialPort::OneAndHalfStop && !port_->runsOneAndHalfStop()) {
        if (refusal) {
            *refusal = {};
            refusal->kind = SettingsRefusal::Kind::NoOneAndHalfStop;
            refusal->asked = line;
        }
        return false;
    }
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
    if (const std::optional<LineField> field = port_->setLine(line)) return fail(*field);
    // Some drivers (a pseudo-terminal forces 8 data bits and no parity) accept a change and
    // silently keep their own values.
    if (const auto actual = port_->lineInForce(line); actual && *actual != line) {
        if (refusal) {
            *refusal = {};
            refusal->kind = SettingsRefusal::Kind::KeptOwn;
            refusal->asked = line;
            refusal->runs = *actual;
        }
        return false;
    }
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

    if (const std::optional<DeviceError> fault = port_->open(systemPath(device), line_)) {
        problem.systemReason = fault->systemReason;
        problem.kind = kindOf(openFailureOf(fault->kind, accessError(device)));
        advise(problem);
        return problem.kind == Kind::Missing ? OpenResult::InvalidPort : OpenResult::PortInUse;
    }

    ++generation_;
    closeQueued_ = false;
    openDevice_ = device;
    in_.clear();
    threshold_ = kDefaultThreshold;  // no reply of an earlier exchange is awaited
    // Nothing that waited in the driver before this open belongs to the coming exchange.
    port_->discardInput();
    port_->discardOutput();
    advise(std::nullopt);

    // The open applies the settings without checking them; if the device kept its own,
    // lineSettings() tells what the line really runs.
    if (const auto actual = port_->lineInForce(line_); actual && *actual != line_) {
        line_ = *actual;
        applyLine(line_, nullptr);  // keeps the device's idea of the line in step
    }
    return OpenResult::Opened;
}

void CommPort::close() {
    closePort();
}

void CommPort::closePort() {
    port_->close();
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
    // The byte goes to the driver now. The output side is never purged after this: a purge
    // drops bytes the driver still holds, and the command byte would be lost.
    if (!port_->write(QByteArray(1, char(byte)))) return false;
    return !writeFailed_ && port_->isOpen();
}

QByteArray CommPort::input() {
    QByteArray out;
    out.swap(in_);
    out += port_->readAll();
    return out;
}

int CommPort::inBufferCount() const {
    return int(in_.size() + port_->bytesAvailable());
}

void CommPort::clearInput() {
    in_.clear();
    if (port_->isOpen()) port_->discardInput();
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

void CommPort::onDeviceError(const DeviceError& error) {
    writeFailed_ = true;
    if (!port_->isOpen() || closeQueued_) return;
    // A lost device may report read errors in a busy loop. Close once, from the event loop:
    // closing inside the device's own signal is not safe.
    closeQueued_ = true;
    const quint64 generation = generation_;
    // A device that went away is said as such.
    const QString reason = error.kind == DeviceError::Kind::Gone
                               ? QStringLiteral("the device is gone")
                               : error.systemReason;
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
