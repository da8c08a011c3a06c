#include "portdiscovery.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "deviceaccess.h"
#include "serialdevice.h"
#include "serialdevice_qt.h"
#include "systemports.h"

namespace serial {

namespace {

// Sort key: the name without its trailing digits, then the digits as a number.
std::pair<QString, qint64> nameKey(const QString& device) {
    qsizetype digitsAt = device.size();
    while (digitsAt > 0 && device[digitsAt - 1].isDigit() && device.size() - digitsAt < 12)
        --digitsAt;
    const qint64 number = digitsAt < device.size() ? device.mid(digitsAt).toLongLong() : -1;
    return {device.left(digitsAt), number};
}

ProbeAnswer answerOf(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::Missing:
            return ProbeAnswer::Missing;
        case OpenFailure::NoPermission:
            return ProbeAnswer::PermissionDenied;
        case OpenFailure::Busy:
            return ProbeAnswer::Busy;
        case OpenFailure::Other:
            break;
    }
    return ProbeAnswer::Failed;
}

}  // namespace

QList<SerialDeviceInfo> listSerialDevices(const PortMap& map) {
    QList<SerialDeviceInfo> out = systemSerialDevices();
    for (SerialDeviceInfo& info : out) info.portNumber = map.portNumberOf(info.device);
    return probeOrder(out);
}

QList<SerialDeviceInfo> withMappedDevices(QList<SerialDeviceInfo> devices, const PortMap& map) {
#ifndef Q_OS_WIN  // there COMn is the device itself; a mapping changes nothing
    const qsizetype listed = devices.size();
    for (auto it = map.mappings().constBegin(); it != map.mappings().constEnd(); ++it) {
        const int number = it.key();
        if (std::any_of(devices.cbegin(), devices.cend(),
                        [&](const SerialDeviceInfo& d) { return d.portNumber == number; }))
            continue;
        const QFileInfo file(systemPath(*it));
        const QString target = file.canonicalFilePath();  // empty when there is no such device
        const auto same =
            std::find_if(devices.begin(), devices.begin() + listed, [&](const SerialDeviceInfo& d) {
                return d.device == file.filePath() ||
                       (!target.isEmpty() && QFileInfo(d.device).canonicalFilePath() == target);
            });
        const bool found = same != devices.begin() + listed;
        if (found && same->portNumber == 0) {
            same->portNumber = number;
            continue;
        }
        SerialDeviceInfo row;
        if (found)
            row = *same;  // another COMn already shows that device
        else if (!file.exists())
            row.present = false;
        row.device = *it;
        row.portNumber = number;
        devices.append(row);
    }
#else
    Q_UNUSED(map);
#endif
    return devices;
}

bool isUsbAdapter(const SerialDeviceInfo& info) {
    const QString name = QFileInfo(info.device).fileName();
    return info.vendorId.has_value() || name.startsWith(QLatin1String("ttyUSB")) ||
           name.startsWith(QLatin1String("ttyACM"));
}

QList<SerialDeviceInfo> probeOrder(QList<SerialDeviceInfo> devices) {
    std::stable_sort(devices.begin(), devices.end(),
                     [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
                         const bool ua = isUsbAdapter(a), ub = isUsbAdapter(b);
                         if (ua != ub) return ua;
                         return nameKey(a.device) < nameKey(b.device);
                     });
    return devices;
}

ProbeAnswer openFailureAnswer(QSerialPort::SerialPortError error, int accessError) {
    return answerOf(openFailureOf(kindOfQtError(error), accessError));
}

ProbeAnswer probeDevice(const QString& device, const LineSettings& line, const Greeting& greeting,
                        int timeoutMs, QString* detail) {
    if (detail) detail->clear();
    const QDeadlineTimer deadline(timeoutMs);
    const std::unique_ptr<SerialDevice> port = newSerialDevice();
    // Opened at the system's usual line, then set to `line`: a line the device refuses fails.
    if (const std::optional<DeviceError> fault = port->open(systemPath(device), LineSettings{})) {
        if (detail) *detail = fault->systemReason;
        return answerOf(openFailureOf(fault->kind, accessError(device)));
    }
    auto fail = [&] {
        if (detail) *detail = port->errorString();
        return ProbeAnswer::Failed;
    };
    if (port->setLine(line)) return fail();
    port->discardInput();
    port->discardOutput();
    if (!port->write(greeting.request)) return fail();
    // The greeting must leave before the answer can come; a device that cannot even take it
    // within the time allowed is no meter.
    while (port->bytesToWrite() > 0) {
        if (deadline.hasExpired()) return ProbeAnswer::NoAnswer;
        if (port->waitForBytesWritten(int(deadline.remainingTime())) == DeviceWait::Failed)
            return fail();
    }
    QByteArray reply;
    while (reply.size() < greeting.reply.size()) {
        reply += port->readAll();
        if (reply.size() >= greeting.reply.size() || deadline.hasExpired()) break;
        port->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    if (reply.size() < greeting.reply.size()) return ProbeAnswer::NoAnswer;
    return reply.startsWith(greeting.reply) ? ProbeAnswer::Meter : ProbeAnswer::WrongAnswer;
}

ProbeResult findMeter(const QStringList& candidates, const LineSettings& line,
                      const Greeting& greeting, int timeoutMs) {
    ProbeResult result;
    for (const QString& device : candidates) {
        ProbeStep step{device, ProbeAnswer::Failed, QString()};
        step.answer = probeDevice(device, line, greeting, timeoutMs, &step.detail);
        result.steps.append(step);
        if (step.answer == ProbeAnswer::Meter) {
            result.found = device;
            break;
        }
    }
    return result;
}

}  // namespace serial
