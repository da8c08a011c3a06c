#pragma once
// Finding the meter among the machine's serial devices: the list of every device with
// what the system knows of it, and a probe that greets each candidate and takes the
// first that answers like the meter. Synchronous, so it serves
// before any window exists and on a machine without a display; it needs a
// QCoreApplication (or QApplication) object.

#include <QByteArray>
#include <QList>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <optional>

#include "portmap.h"
#include "serialsettings.h"

namespace serial {

// One serial device as the system reports it.
struct SerialDeviceInfo {
    QString device;  // full path, e.g. /dev/ttyUSB0
    QString description, manufacturer, serialNumber;
    std::optional<quint16> vendorId, productId;
    int portNumber = 0;   // the COMn it is reached as under the port map; 0 = none
    bool present = true;  // false for a mapped device that does not exist
};

// Every serial device of the machine, in probe order (see probeOrder).
QList<SerialDeviceInfo> listSerialDevices(const PortMap& map);

// The rows --list-ports shows: `devices` (as listSerialDevices gives them) and after
// them a row for each COMn of `map` that none of them shows, lowest number first. The
// system's scan misses pseudo-terminals and links such as /dev/serial/by-id/...: a
// mapping whose device leads to a listed device without a COMn puts the number on that
// device's row; any other gets a row of its own, with what is known of the device it
// leads to (nothing when the scan did not find it), not present when there is no such
// device.
QList<SerialDeviceInfo> withMappedDevices(QList<SerialDeviceInfo> devices, const PortMap& map);

// True for a USB adapter: ttyUSB*, ttyACM* or any device with a USB vendor id.
bool isUsbAdapter(const SerialDeviceInfo& info);

// The devices in the order the probe tries them: USB adapters first, then built-in
// ports; within each, by name with numbers in numeric order (ttyS2 before ttyS10).
QList<SerialDeviceInfo> probeOrder(QList<SerialDeviceInfo> devices);

enum class ProbeAnswer {
    Meter,             // answered with the greeting's reply
    NoAnswer,          // nothing, or too little, within the time allowed
    WrongAnswer,       // something other than the meter's handshake reply
    Busy,              // open in another program, or locked by it
    PermissionDenied,  // the user may not open it (typically not in the dialout group)
    Missing,           // no such device
    Failed,            // any other fault (line settings refused, write failed)
};

// What a failed open of a device means to the probe (see openFailureOf): `error` as
// QSerialPort reports it, read as the serial device on QSerialPort reads it, `accessError` the
// errno of access() asking to read and write the device, 0 when both are allowed.
ProbeAnswer openFailureAnswer(QSerialPort::SerialPortError error, int accessError);

// What the probe writes to a candidate, and the reply that shows the meter is there. The
// caller knows the meter's commands; the probe only writes and compares these bytes.
struct Greeting {
    QByteArray request;
    QByteArray reply;
};

// How long a candidate has to answer the greeting.
constexpr int kProbeTimeoutMs = 300;

// Opens `device` at `line`, writes the greeting's request and waits up to `timeoutMs` for
// its reply; closes the device again whatever the outcome. *detail gets the system's
// reason for a failed open or write.
ProbeAnswer probeDevice(const QString& device, const LineSettings& line, const Greeting& greeting,
                        int timeoutMs = kProbeTimeoutMs, QString* detail = nullptr);

struct ProbeStep {
    QString device;
    ProbeAnswer answer;
    QString detail;
};

struct ProbeResult {
    QString found;           // the first device that answered; empty when none did
    QList<ProbeStep> steps;  // every device tried, in order
};

// Probes `candidates` in the order given and stops at the first that answers.
ProbeResult findMeter(const QStringList& candidates, const LineSettings& line,
                      const Greeting& greeting, int timeoutMs = kProbeTimeoutMs);

}  // namespace serial
