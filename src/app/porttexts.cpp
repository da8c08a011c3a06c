#include "porttexts.h"

namespace app {

namespace {

QString PortName(int number) {
    return QStringLiteral("COM%1").arg(number);
}

}  // namespace

QString OpenAdviceLine(const serial::OpenProblem& problem) {
    using Kind = serial::OpenProblem::Kind;
    const QString port = PortName(problem.portNumber);
    switch (problem.kind) {
        case Kind::InvalidNumber:
            return QStringLiteral("leakmeter: %1 is not a valid port; choose COM1 or above")
                .arg(port);
        case Kind::Missing:
            return QStringLiteral(
                       "leakmeter: %1 (%2) does not exist: check the cable or USB adapter, or "
                       "map the port with --port %1=/dev/ttyUSB0")
                .arg(port, problem.device);
        case Kind::NoPermission:
            return QStringLiteral(
                       "leakmeter: no permission to open %1 (%2): add yourself to the dialout "
                       "group (sudo usermod -aG dialout $USER), then log out and log in again")
                .arg(problem.device, port);
        case Kind::Busy:
            return QStringLiteral(
                       "leakmeter: %1 (%2) is in use by another program: close that program or "
                       "choose another port")
                .arg(problem.device, port);
        case Kind::Other:
            break;
    }
    return QStringLiteral("leakmeter: cannot open %1 (%2): %3")
        .arg(problem.device, port, problem.systemReason);
}

}  // namespace app
