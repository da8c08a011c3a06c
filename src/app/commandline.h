#pragma once
// The program's command line: port mappings (a device, or a probe for the meter), the
// headless logger and its limits, the history download, and the one-shot commands
// (--list-ports, --forget-ports, --version, --help). Parsing only fills CommandLine;
// main() acts on it.

#include <QMap>
#include <QStringList>
#include <optional>

#include "serial/portmap.h"

namespace app {

struct CommandLine {
    serial::PortMap ports;  // --port COMn=DEVICE
    // --port COMn=auto (empty list: every serial device) or COMn=auto:DEV1,DEV2.
    // A number is either here or in `ports`, whichever was given last.
    QMap<int, QStringList> autoPorts;
    bool headless = false;              // --headless
    QString logPath;                    // --log FILE; "-" is stdout
    std::optional<double> durationSec;  // --duration SEC
    std::optional<qint64> count;        // --count N
    QString historyPath;                // --history FILE
    bool listPorts = false;             // --list-ports
    bool forgetPorts = false;           // --forget-ports
    bool showVersion = false;           // --version
    bool showHelp = false;
    QString error;  // non-empty: the arguments were not understood

    // True when any --port was given (a device or a probe).
    bool portsGiven() const { return !ports.isEmpty() || !autoPorts.isEmpty(); }
};

CommandLine ParseCommandLine(const QStringList& arguments);  // arguments[0] is the program
QString UsageText();
QString VersionText();  // "leakmeter 1.1"

}  // namespace app
