#pragma once
// A serial device the test plays: what is written to it is kept in `written`, what the meter
// would send is fed in with feed(), and opens and faults go as the test says. For the rules
// above the device (CommPort's, the link's) without a terminal or a simulator.

#include <utility>

#include "serial/serialdevice.h"

class ScriptedDevice : public serial::SerialDevice {
  public:
    std::optional<serial::DeviceError> openFault;  // every open fails with it while set
    bool oneAndHalfStop = true;                    // the system runs 1.5 stop bits
    QString path;                                  // the path of the last open
    QByteArray written;                            // every byte written while open, in order

    void feed(const QByteArray& bytes) {  // bytes arrive from the line
        in_ += bytes;
        emit readyRead();
    }
    void fail(serial::DeviceError::Kind kind, const QString& reason = QString()) {
        error_ = reason;
        emit errorOccurred({kind, reason});
    }

    std::optional<serial::DeviceError> open(const QString& p,
                                            const serial::LineSettings& line) override {
        if (openFault) return openFault;
        path = p;
        line_ = line;
        open_ = true;
        return std::nullopt;
    }
    void close() override { open_ = false, in_.clear(); }
    bool isOpen() const override { return open_; }
    std::optional<serial::LineField> setLine(const serial::LineSettings& line) override {
        line_ = line;
        return std::nullopt;
    }
    std::optional<serial::LineSettings> lineInForce(const serial::LineSettings&) const override {
        return line_;
    }
    bool runsOneAndHalfStop() const override { return oneAndHalfStop; }
    bool write(const QByteArray& bytes) override {
        if (open_) written += bytes;
        return open_;
    }
    qint64 bytesToWrite() const override { return 0; }
    serial::DeviceWait waitForBytesWritten(int) override { return serial::DeviceWait::Done; }
    QByteArray readAll() override { return std::exchange(in_, {}); }
    qint64 bytesAvailable() const override { return in_.size(); }
    serial::DeviceWait waitForReadyRead(int) override {
        return in_.isEmpty() ? serial::DeviceWait::TimedOut : serial::DeviceWait::Done;
    }
    void discardInput() override { in_.clear(); }
    void discardOutput() override {}
    QString errorString() const override { return error_; }

  private:
    bool open_ = false;
    serial::LineSettings line_;
    QByteArray in_;
    QString error_;
};
