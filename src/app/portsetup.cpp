#include "portsetup.h"

#include "porttexts.h"
#include "protocol/metercommand.h"
#include "serial/portdiscovery.h"
#include "serial/portmemory.h"

namespace app {

namespace {

// The devices a probe for `number` tries: those listed, or every serial device of the
// machine in probe order; a device another port already reaches is left out.
QStringList candidatesFor(const QStringList& listed, const serial::PortMap& map, int number) {
    QStringList all = listed;
    if (all.isEmpty())
        for (const serial::SerialDeviceInfo& d : serial::listSerialDevices(map)) all << d.device;
    QStringList out;
    for (const QString& d : all) {
        const int owner = map.portNumberOf(d);
        if (owner == 0 || owner == number || !map.isMapped(owner)) out << d;
    }
    return out;
}

}  // namespace

serial::PortMap resolvePorts(const CommandLine& cl, QStringList* messages,
                             const serial::LineSettings& line, int timeoutMs) {
    auto say = [&](const QString& text) {
        if (messages) messages->append(QStringLiteral("leakmeter: ") + text);
    };
    if (!cl.portsGiven()) {
        const serial::PortMap remembered = serial::rememberedPorts();
        if (!remembered.isEmpty())
            say(QStringLiteral("using the remembered port mapping %1 (--forget-ports clears it)")
                    .arg(remembered.mappingTexts().join(QLatin1Char(' '))));
        return remembered;
    }

    serial::PortMap map = cl.ports;
    bool dialoutSaid = false;  // the advice for devices the user may not open, said once
    for (auto it = cl.autoPorts.constBegin(); it != cl.autoPorts.constEnd(); ++it) {
        const int number = it.key();
        const QStringList candidates = candidatesFor(*it, map, number);
        if (candidates.isEmpty()) {
            say(QStringLiteral("%1=auto: no serial device to try; %1 stays %2")
                    .arg(PortName(number), map.deviceFor(number)));
            continue;
        }
        const serial::ProbeResult r =
            serial::findMeter(candidates, line, protocol::probeGreeting(), timeoutMs);
        if (!r.found.isEmpty()) {
            map.setDevice(number, r.found);
            say(QStringLiteral("%1=auto: meter found on %2").arg(PortName(number), r.found));
            continue;
        }
        QStringList tried, denied;
        for (const serial::ProbeStep& s : r.steps) {
            tried << QStringLiteral("%1 (%2)").arg(s.device, probeAnswerText(s.answer));
            if (s.answer == serial::ProbeAnswer::PermissionDenied) denied << s.device;
        }
        QString advice;
        if (!denied.isEmpty() && !dialoutSaid) {
            dialoutSaid = true;
            advice = QStringLiteral(
                         "; to open %1, add yourself to the dialout group (sudo "
                         "usermod -aG dialout $USER), then log out and log in again")
                         .arg(denied.join(QStringLiteral(", ")));
        }
        say(QStringLiteral("%1=auto: no meter answered at %2 on %3; %1 stays %4%5")
                .arg(PortName(number), serial::lineSettingsText(line),
                     tried.join(QStringLiteral(", ")), map.deviceFor(number), advice));
    }

    if (!map.isEmpty()) {
        serial::PortStoreError why;
        if (!serial::rememberPorts(map, &why))
            say(QStringLiteral("the port mapping is not remembered: %1")
                    .arg(portStoreErrorText(why)));
    }
    return map;
}

serial::PortMap listingPortMap(const CommandLine& cl) {
    return cl.portsGiven() ? cl.ports : serial::rememberedPorts();
}

int runPortCommands(const CommandLine& cl, QString* out, QStringList* messages) {
    int status = 0;
    if (cl.forgetPorts) {
        serial::PortStoreError why;
        if (serial::forgetPorts(&why)) {
            messages->append(QStringLiteral("leakmeter: the remembered port mapping is cleared"));
        } else {
            messages->append(
                QStringLiteral("leakmeter: the remembered port mapping is not cleared: %1")
                    .arg(portStoreErrorText(why)));
            status = 1;
        }
    }
    if (cl.listPorts) {
        const serial::PortMap map = listingPortMap(cl);
        *out += deviceListingText(serial::withMappedDevices(serial::listSerialDevices(map), map));
    }
    return status;
}

}  // namespace app
