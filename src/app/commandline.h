#pragma once
// The program's command line: port mappings (a device, or a probe for the meter), the
// headless logger and its limits, the history download, the picture of logs (--plot), and the
// one-shot commands
// (--list-ports, --forget-ports, --version, --help). Parsing only fills CommandLine;
// main() acts on it.

#include <QMap>
#include <QStringList>
#include <optional>

#include "livewatch.h"
#include "measure/alarmvalue.h"
#include "publish/mqttsettings.h"
#include "serial/portmap.h"

namespace app {

struct CommandLine {
    serial::PortMap ports;  // --port COMn=DEVICE
    // --port COMn=auto (empty list: every serial device) or COMn=auto:DEV1,DEV2.
    // A number is either here or in `ports`, whichever was given last.
    QMap<int, QStringList> autoPorts;
    bool headless = false;                           // --headless
    QString logPath;                                 // --log FILE; "-" is stdout
    std::optional<double> durationSec;               // --duration SEC
    std::optional<qint64> count;                     // --count N
    QString historyPath;                             // --history FILE
    std::optional<int> comNumber;                    // --com N: the port a run reads, 1..255
    QStringList plotPaths;                           // --plot LOG.csv...: logs drawn into a picture
    QString plotOutput;                              // -o FILE: the picture (.png, .svg, .pdf)
    std::optional<qint64> plotFrom;                  // --from T, ms since the epoch
    std::optional<qint64> plotTo;                    // --to T
    std::optional<QString> plotTitle;                // --title TEXT: the picture's title line
    std::optional<float> alarmMa;                    // --alarm VALUE, in mA
    std::optional<measure::AlarmBoxEntry> alarmBox;  // --alarm as the window's alarm box shows it
    QString onAlarm;                                 // --on-alarm CMD
    int intervalSec = 0;                             // --interval SEC; 0: one row per reading
    // --mqtt URL, --mqtt-cafile, --mqtt-password-file, --meter-id, --mqtt-topic,
    // --no-mqtt-discovery: where readings are published (checked when given; all but
    // --meter-id need a broker).
    publish::MqttOptions mqtt;
    QString language;          // --lang zh|en; empty: not given
    bool listPorts = false;    // --list-ports
    bool forgetPorts = false;  // --forget-ports
    bool showVersion = false;  // --version
    bool showHelp = false;
    QString error;  // non-empty: the arguments were not understood

    // True when any --port was given (a device or a probe).
    bool portsGiven() const { return !ports.isEmpty() || !autoPorts.isEmpty(); }
};

// arguments[0] is the program. `storedBrokerUrl`: the settings file's [mqtt] url, the broker
// when --mqtt is not given.
CommandLine parseCommandLine(const QStringList& arguments,
                             const QString& storedBrokerUrl = QString());

// The COMn a headless run or a download reads: --com N; else the one port --port named;
// else, with no --port, the one port of the remembered mapping (`remembered`); else COM1.
int headlessPortNumber(const CommandLine& cl, const serial::PortMap& remembered);

// The COMn the window opens at start: --com N, else COM1.
inline int windowPortNumber(const CommandLine& cl) {
    return cl.comNumber.value_or(1);
}
// What the live watch of a run is asked for: --alarm, --on-alarm, --interval; `meterName`: the
// meter's name for the alarm command (empty: the port's name).
WatchOptions watchOptionsFor(const CommandLine& cl, const QString& meterName);

QString usageText();
// What a usage error prints on stderr: the reason, then where the usage is, not the usage.
QString usageErrorText(const QString& reason);
QString versionText();  // "leakmeter 1.1"

}  // namespace app
