#pragma once
// The serial device itself, as the system drives it: open and close by system path, the line
// settings, bytes in and out, and its faults as typed values. CommPort keeps the rules on top
// (receive threshold, why an open failed, the close after a fault); the probe for the meter
// greets candidates through it. One implementation per system, made by newSerialDevice().
// Signals are delivered on the thread the device lives on.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "serialsettings.h"

namespace serial {

// A fault of the device: why it would not open, or what went wrong while open.
struct DeviceError {
    enum class Kind {
        NotFound,  // no such device
        Denied,    // the system refused the open: no permission, or held or locked elsewhere
        Gone,      // the device went away while open (adapter pulled, line hung up)
        Other,     // any other fault; systemReason says which
    };
    Kind kind = Kind::Other;
    QString systemReason;  // the system's own words for it
};

// How a wait for the device ended.
enum class DeviceWait { Done, TimedOut, Failed };

class SerialDevice : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Opens `path` (a full system path) for reading and writing at `line` without flow
    // control. The settings are applied as the driver takes them, unchecked: a driver may keep
    // its own (lineInForce() tells). The fault when it would not open; errorOccurred() is not
    // given for it.
    virtual std::optional<DeviceError> open(const QString& path, const LineSettings& line) = 0;
    virtual void close() = 0;  // safe on a closed device
    virtual bool isOpen() const = 0;

    // Sets the line of the open device field by field (baud rate, data bits, parity, stop bits);
    // the first field the driver refuses, with the system's reason in errorString(). Fields
    // after it are not tried.
    virtual std::optional<LineField> setLine(const LineSettings& line) = 0;
    // What the line really runs, read back from the driver; `asked` for what it cannot tell.
    // Nothing when the driver cannot be asked.
    virtual std::optional<LineSettings> lineInForce(const LineSettings& asked) const = 0;
    // Whether the system can run 1.5 stop bits at all.
    virtual bool runsOneAndHalfStop() const = 0;

    // Takes `bytes` and hands the driver what it takes now; false when the device refused
    // them (closed, or a fault, which errorOccurred() also gives).
    virtual bool write(const QByteArray& bytes) = 0;
    virtual qint64 bytesToWrite() const = 0;  // taken, not yet handed to the driver
    virtual DeviceWait waitForBytesWritten(int msecs) = 0;

    virtual QByteArray readAll() = 0;  // empty on a closed device
    virtual qint64 bytesAvailable() const = 0;
    // For a caller without an event loop; readyRead() is given as well.
    virtual DeviceWait waitForReadyRead(int msecs) = 0;

    virtual void discardInput() = 0;   // drops what waits to be read, in the driver too
    virtual void discardOutput() = 0;  // drops what waits to be sent, in the driver too

    // The system's words for the last fault.
    virtual QString errorString() const = 0;

  signals:
    void readyRead();
    // A fault of the open device. May come in bursts (a lost device fails every read) and from
    // inside any call on the device.
    void errorOccurred(const serial::DeviceError& error);
};

// The serial device of this system.
std::unique_ptr<SerialDevice> newSerialDevice();

}  // namespace serial
