#include "porttexts.h"

#include <QStringList>
#include <algorithm>

namespace app {

namespace {

QString hexId(quint16 id) {
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// The text of a field for the listing: "-" when the system does not know it.
QString Field(const QString& text) {
    const QString t = text.simplified();
    return t.isEmpty() ? QStringLiteral("-") : t;
}

// A device that is the port's own name (Windows) is named once.
bool namedAsPort(int number, const QString& device) {
    return device.compare(PortName(number), Qt::CaseInsensitive) == 0;
}

QString deviceAndPort(const QString& device, int number) {
    if (namedAsPort(number, device)) return PortName(number);
    return QStringLiteral("%1 (%2)").arg(device, PortName(number));
}

}  // namespace

QString PortName(int number) {
    return QStringLiteral("COM%1").arg(number);
}

QString portAndDevice(int number, const QString& device) {
    if (namedAsPort(number, device)) return PortName(number);
    return QStringLiteral("%1 (%2)").arg(PortName(number), device);
}

QString openAdviceLine(const serial::OpenProblem& problem) {
    using Kind = serial::OpenProblem::Kind;
    const QString port = PortName(problem.portNumber);
    const QString device = deviceAndPort(problem.device, problem.portNumber);
    switch (problem.kind) {
        case Kind::InvalidNumber:
            return QStringLiteral("leakmeter: %1 is not a valid port; choose COM1 or above")
                .arg(port);
        case Kind::Missing:
            if (!serial::PortMap::mapsDevices())
                return QStringLiteral(
                           "leakmeter: %1 does not exist: check the cable or USB adapter; "
                           "'leakmeter --list-ports' lists the ports this computer has")
                    .arg(port);
            return QStringLiteral(
                       "leakmeter: %1 does not exist: check the cable or USB adapter, or "
                       "map the port with --port %2=/dev/ttyUSB0")
                .arg(portAndDevice(problem.portNumber, problem.device), port);
        case Kind::NoPermission:
            return QStringLiteral(
                       "leakmeter: no permission to open %1: add yourself to the dialout "
                       "group (sudo usermod -aG dialout $USER), then log out and log in again")
                .arg(device);
        case Kind::Busy:
            return QStringLiteral(
                       "leakmeter: %1 is in use by another program: close that program or "
                       "choose another port")
                .arg(device);
        case Kind::Other:
            break;
    }
    return QStringLiteral("leakmeter: cannot open %1: %2").arg(device, problem.systemReason);
}

QString probeAnswerText(serial::ProbeAnswer answer) {
    using serial::ProbeAnswer;
    switch (answer) {
        case ProbeAnswer::Meter:
            return QStringLiteral("answered");
        case ProbeAnswer::NoAnswer:
            return QStringLiteral("no answer");
        case ProbeAnswer::WrongAnswer:
            return QStringLiteral("not the meter's answer");
        case ProbeAnswer::Busy:
            return QStringLiteral("busy");
        case ProbeAnswer::PermissionDenied:
            return QStringLiteral("permission denied");
        case ProbeAnswer::Missing:
            return QStringLiteral("does not exist");
        case ProbeAnswer::Failed:
            break;
    }
    return QStringLiteral("failed");
}

QString deviceListingText(const QList<serial::SerialDeviceInfo>& devices) {
    if (devices.isEmpty()) return QStringLiteral("No serial devices found.\n");
    const QStringList heading = {QStringLiteral("PORT"),         QStringLiteral("DEVICE"),
                                 QStringLiteral("VID:PID"),      QStringLiteral("SERIAL"),
                                 QStringLiteral("MANUFACTURER"), QStringLiteral("DESCRIPTION")};
    QList<QStringList> rows{heading};
    for (const serial::SerialDeviceInfo& d : devices) {
        QString ids = QStringLiteral("-");
        if (d.vendorId || d.productId)
            ids = (d.vendorId ? hexId(*d.vendorId) : QStringLiteral("????")) + QLatin1Char(':') +
                  (d.productId ? hexId(*d.productId) : QStringLiteral("????"));
        rows.append({d.portNumber > 0 ? PortName(d.portNumber) : QStringLiteral("-"), d.device, ids,
                     Field(d.serialNumber), Field(d.manufacturer),
                     d.present ? Field(d.description) : QStringLiteral("(not present)")});
    }
    QList<qsizetype> widths(heading.size(), 0);
    for (const QStringList& r : rows)
        for (qsizetype c = 0; c < r.size(); ++c) widths[c] = std::max(widths[c], r[c].size());
    QString text;
    for (const QStringList& r : rows) {
        QString line;
        for (qsizetype c = 0; c < r.size(); ++c)
            line += c + 1 < r.size() ? r[c].leftJustified(widths[c] + 2) : r[c];
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString mappingErrorText(const serial::MappingError& error) {
    using Kind = serial::MappingError::Kind;
    QString why;
    switch (error.kind) {
        case Kind::NoEquals:
            why = QStringLiteral("no '='");
            break;
        case Kind::NotCom:
            why = QStringLiteral("the port must be written COMn");
            break;
        case Kind::BadNumber:
            why =
                QStringLiteral("port number must be 1 to %1").arg(serial::PortMap::kMaxPortNumber);
            break;
        case Kind::NoDevice:
            why = QStringLiteral("no device");
            break;
    }
    return QStringLiteral("invalid port mapping \"%1\": %2 (expected COMn=device)")
        .arg(error.mapping, why);
}

QString portStoreErrorText(const serial::PortStoreError& error) {
    return QStringLiteral("cannot write %1%2")
        .arg(error.file, error.status == QSettings::AccessError
                             ? QStringLiteral(" (no access)")
                             : QStringLiteral(" (format error)"));
}

}  // namespace app
