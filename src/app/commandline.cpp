#include "commandline.h"

#include <QFileInfo>
#include <cmath>

#include "measure/alarmvalue.h"
#include "porttexts.h"
#include "viewer/plot.h"

#ifndef LEAKMETER_VERSION
#define LEAKMETER_VERSION "unknown"
#endif

namespace app {

namespace {

// Longest run accepted for --duration: one year.
constexpr double kMaxDurationSec = 86400.0 * 366;
// The command line takes every port a mapping may name (USB adapters get high numbers on some
// systems); the settings dialog lists COM1 to COM16 only.
constexpr int kHighestComPort = serial::PortMap::kMaxPortNumber;

// "COMn=auto" or "COMn=auto:DEV1,DEV2": the number and the candidate list (empty for
// every device). False when `device` is not a probe request.
bool ParseAuto(const QString& device, QStringList* candidates, QString* error) {
    static const QLatin1String kAuto("auto");
    if (device.compare(kAuto, Qt::CaseInsensitive) == 0) {
        candidates->clear();
        return true;
    }
    if (!device.startsWith(kAuto + QLatin1Char(':'), Qt::CaseInsensitive)) return false;
    candidates->clear();
    for (const QString& part : device.mid(kAuto.size() + 1).split(QLatin1Char(','))) {
        const QString d = part.trimmed();
        if (d.isEmpty()) {
            *error = QStringLiteral(
                "expected a list of devices with no empty entry, such "
                "as auto:/dev/ttyUSB0,/dev/ttyUSB1");
            return true;
        }
        if (!candidates->contains(d)) candidates->append(d);
    }
    return true;
}

// One of the MQTT options: stored in `mqtt` when good; the reason when not.
QString ParseMqttOption(const QString& name, const QString& value, publish::MqttOptions* mqtt) {
    QString why;
    if (name == QLatin1String("--mqtt")) {
        if (!publish::ParseBrokerUrl(value, &why))
            return QStringLiteral("--mqtt %1: %2").arg(publish::Printable(value), why);
        mqtt->url = value;
    } else if (name == QLatin1String("--meter-id")) {
        if (!publish::ValidMeterId(value))
            return QStringLiteral("--meter-id %1: expected 1 to 64 letters, digits, - and _")
                .arg(publish::Printable(value));
        mqtt->meterId = value;
    } else if (name == QLatin1String("--mqtt-topic")) {
        if (const QString problem = publish::TopicProblem(value); !problem.isEmpty())
            return QStringLiteral("--mqtt-topic %1: %2").arg(publish::Printable(value), problem);
        mqtt->topic = value;
    } else {
        if (value.isEmpty()) return QStringLiteral("%1 needs a file name").arg(name);
        (name == QLatin1String("--mqtt-cafile") ? mqtt->caFile : mqtt->passwordFile) = value;
    }
    return {};
}

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "Usage: leakmeter [--port COMn=DEVICE]... [--com N] [--log FILE] [WATCH]\n"
        "                 [--lang zh|en]\n"
        "       leakmeter --headless [--port COMn=DEVICE]... [--com N] [--log FILE|-]\n"
        "                 [--duration SEC] [--count N] [WATCH]\n"
        "       leakmeter ... --mqtt URL [--meter-id ID] [--mqtt-topic PREFIX]\n"
        "                 [--mqtt-password-file FILE] [--mqtt-cafile FILE]\n"
        "                 [--no-mqtt-discovery]\n"
        "       leakmeter --history FILE [--port COMn=DEVICE]... [--com N] [--lang zh|en]\n"
        "       leakmeter --plot LOG.csv... -o FILE [--alarm VALUE] [--from T] [--to T]\n"
        "       leakmeter --list-ports | --forget-ports | --version | --help\n"
        "WATCH: [--alarm VALUE] [--on-alarm CMD] [--interval SEC]\n"
        "\n"
        "Monitoring program for the clamp leakage-current meter.\n"
        "\n"
        "Options:\n"
        "  --port COMn=DEVICE  reach port COMn through DEVICE, e.g.\n"
        "                      --port COM1=/dev/ttyUSB0 (repeatable). Without it COMn\n"
        "                      is /dev/ttyS<n-1> on Linux.\n"
        "  --port COMn=auto    find the meter: greet every serial device (USB adapters\n"
        "                      first) and reach COMn through the first that answers\n"
        "  --port COMn=auto:DEV1,DEV2\n"
        "                      the same, trying only the devices listed\n"
        "                      The last mapping given or found is remembered and used\n"
        "                      when the program starts without --port.\n"
        "  --com N             the port to use, COM1 to COM255 (the settings dialog lists\n"
        "                      COM1 to COM16): the window opens COMn at start (default\n"
        "                      COM1); --headless and --history read COMn (default: the\n"
        "                      one port given with --port, else COM1)\n"
        "  --headless          log readings without a window or display\n"
        "  --log FILE          append every live reading to the CSV file FILE;\n"
        "                      with --headless, \"-\" writes the CSV to stdout; %Y, %m,\n"
        "                      %d and %H in FILE start a new file each year, month, day\n"
        "                      or hour (e.g. day-%Y%m%d.csv)\n"
        "  --duration SEC      with --headless: stop after SEC seconds\n"
        "  --count N           with --headless: stop after N readings\n"
        "  --alarm VALUE       alarm threshold above 0, at most 1000 A, e.g. 30mA or\n"
        "                      0.03A (a bare number is mA): an alarm starts with a\n"
        "                      reading at or above it (or 0L) and ends with one\n"
        "                      below it; each start and end goes to stderr and\n"
        "                      to NAME.events.csv beside the data log NAME.csv\n"
        "  --on-alarm CMD      run CMD through /bin/sh -c for each alarm start and\n"
        "                      end, with LEAKMETER_EVENT, LEAKMETER_VALUE_MA,\n"
        "                      LEAKMETER_PEAK_MA, LEAKMETER_TIME and LEAKMETER_METER\n"
        "                      set\n"
        "  --interval SEC      log one row per SEC seconds (1 to 3600): count, min, max,\n"
        "                      mean, overloads and errors, instead of one per reading\n"
        "  --history FILE      download the meter's stored groups into FILE without a\n"
        "                      window; FILE ends in .txt (the report text) or .csv (one\n"
        "                      row per group)\n"
        "  --plot LOG.csv...   draw the logs (per reading or per interval) into a\n"
        "                      picture, without a window or display\n"
        "  -o, --output FILE   with --plot: the picture, .png, .svg or .pdf\n"
        "  --from T, --to T    with --plot: the time range, local time such as\n"
        "                      2026-12-08T03:00 (default: all of the logs)\n"
        "  --mqtt URL          publish every live reading to the MQTT broker at URL,\n"
        "                      mqtt://[user@]host[:port] (port 1883) or\n"
        "                      mqtts://[user@]host[:port] (TLS, port 8883); IPv6 in\n"
        "                      brackets, mqtt://[::1]; no password in the URL\n"
        "  --mqtt-password-file FILE\n"
        "                      the broker password, the first line of FILE, a regular\n"
        "                      file of at most 4 KiB (else the environment variable\n"
        "                      LEAKMETER_MQTT_PASSWORD)\n"
        "  --mqtt-cafile FILE  with mqtts://: trust the certificate authority in FILE\n"
        "                      instead of the system's\n"
        "  --meter-id ID       the meter's name on the broker (letters, digits, - and _);\n"
        "                      default: <host>-<device>\n"
        "  --mqtt-topic PREFIX topics start with PREFIX (default leakmeter):\n"
        "                      PREFIX/ID/reading and PREFIX/ID/availability; no + #,\n"
        "                      control character or non-character, no leading $,\n"
        "                      each topic at most 65,535 bytes\n"
        "  --no-mqtt-discovery do not publish the Home Assistant discovery config\n"
        "                      These settings but the password may also stand in the\n"
        "                      settings file, section [mqtt]. All of them but --meter-id\n"
        "                      need a broker: --mqtt, or url in that section.\n"
        "  --lang zh|en        the language of the window and of the --history report:\n"
        "                      zh Chinese, en English (remembered with the window's\n"
        "                      File menu; default: the system's language)\n"
        "  --list-ports        list the serial devices and the port each is reached as\n"
        "  --forget-ports      clear the remembered port mapping\n"
        "  --version           show the program's version\n"
        "  -h, --help          show this text\n");
}

WatchOptions WatchOptionsFor(const CommandLine& cl, const QString& meterName) {
    return {cl.alarmMa, cl.onAlarm, cl.intervalSec, meterName, cl.alarmBox};
}

QString UsageErrorText(const QString& reason) {
    return QStringLiteral("leakmeter: %1\ntry 'leakmeter --help'\n").arg(reason);
}

int HeadlessPortNumber(const CommandLine& cl, const serial::PortMap& remembered) {
    if (cl.comNumber) return *cl.comNumber;
    if (cl.ports.mappings().size() == 1 && cl.autoPorts.isEmpty())
        return cl.ports.mappings().firstKey();
    if (cl.autoPorts.size() == 1 && cl.ports.isEmpty()) return cl.autoPorts.firstKey();
    if (!cl.portsGiven() && remembered.mappings().size() == 1)
        return remembered.mappings().firstKey();
    return 1;
}

QString VersionText() {
    return QStringLiteral("leakmeter %1").arg(QLatin1String(LEAKMETER_VERSION));
}

CommandLine ParseCommandLine(const QStringList& arguments, const QString& storedBrokerUrl) {
    CommandLine cl;
    bool durationGiven = false, countGiven = false, logGiven = false, historyGiven = false;
    bool plotGiven = false;
    auto failed = [&](const QString& why) {
        cl.error = why;
        return cl;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            cl.showHelp = true;
            continue;
        }
        struct Flag {
            const char* name;
            bool* field;
        };
        const Flag flags[] = {{"--headless", &cl.headless},
                              {"--list-ports", &cl.listPorts},
                              {"--forget-ports", &cl.forgetPorts},
                              {"--version", &cl.showVersion},
                              {"--no-mqtt-discovery", &cl.mqtt.noDiscovery}};
        bool isFlag = false;
        for (const Flag& f : flags) {
            if (a == QLatin1String(f.name)) {
                *f.field = isFlag = true;
            } else if (a.startsWith(QLatin1String(f.name) + QLatin1Char('='))) {
                return failed(QStringLiteral("%1 takes no value").arg(QLatin1String(f.name)));
            }
        }
        if (isFlag) continue;

        // More logs after --plot's first.
        if (plotGiven && !a.startsWith(QLatin1Char('-'))) {
            cl.plotPaths << a;
            continue;
        }

        // Options with a value: "--name VALUE" or "--name=VALUE".
        static const char* const kValued[] = {
            "--port",     "--log",        "--duration", "--count",       "--history",
            "--com",      "--plot",       "-o",         "--output",      "--alarm",
            "--from",     "--to",         "--mqtt",     "--mqtt-cafile", "--mqtt-password-file",
            "--meter-id", "--mqtt-topic", "--on-alarm", "--interval",    "--lang"};
        QString name, value;
        for (const char* v : kValued) {
            const QLatin1String n(v);
            if (a == n) {
                if (i + 1 >= arguments.size()) {
                    if (n == QLatin1String("--port"))
                        return failed(
                            QStringLiteral("--port needs a value such as COM1=/dev/ttyUSB0"));
                    return failed(QStringLiteral("%1 needs a value").arg(n));
                }
                name = n;
                value = arguments[++i];
            } else if (a.startsWith(n + QLatin1Char('='))) {
                name = n;
                value = a.mid(n.size() + 1);
            }
        }
        if (name.isEmpty()) return failed(QStringLiteral("unknown argument: %1").arg(a));

        if (name.startsWith(QLatin1String("--m"))) {
            if (const QString why = ParseMqttOption(name, value, &cl.mqtt); !why.isEmpty())
                return failed(why);
            continue;
        }
        if (name == QLatin1String("--port")) {
            int number = 0;
            QString device, why;
            serial::MappingError bad;
            if (!serial::PortMap::parseMapping(value, &number, &device, &bad))
                return failed(QStringLiteral("--port %1: %2").arg(value, MappingErrorText(bad)));
            QStringList candidates;
            if (ParseAuto(device, &candidates, &why)) {
                if (!why.isEmpty()) return failed(QStringLiteral("--port %1: %2").arg(value, why));
                cl.ports.removeMapping(number);
                cl.autoPorts.insert(number, candidates);
            } else {
                cl.autoPorts.remove(number);
                cl.ports.setDevice(number, device);
            }
        } else if (name == QLatin1String("--log")) {
            if (value.isEmpty()) return failed(QStringLiteral("--log needs a file name, or -"));
            cl.logPath = value;
            logGiven = true;
        } else if (name == QLatin1String("--history")) {
            if (value.isEmpty() || value == QLatin1String("-"))
                return failed(QStringLiteral("--history needs a file name (.txt or .csv)"));
            // Any other name would get the report's text under a name that promises another
            // format.
            const QString suffix = QFileInfo(value).suffix();
            if (suffix.compare(QLatin1String("txt"), Qt::CaseInsensitive) != 0 &&
                suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
                return failed(
                    QStringLiteral("--history %1: expected a file name ending in .txt or .csv")
                        .arg(value));
            cl.historyPath = value;
            historyGiven = true;
        } else if (name == QLatin1String("--plot")) {
            if (value.isEmpty()) return failed(QStringLiteral("--plot needs a log file"));
            cl.plotPaths << value;
            plotGiven = true;
        } else if (name == QLatin1String("-o") || name == QLatin1String("--output")) {
            if (value.isEmpty())
                return failed(QStringLiteral("-o needs a file name (.png, .svg or .pdf)"));
            cl.plotOutput = value;
        } else if (name == QLatin1String("--from") || name == QLatin1String("--to")) {
            const std::optional<qint64> t = viewer::ParseLocalTime(value);
            if (!t)
                return failed(QStringLiteral("%1 %2: expected a local date and time such as "
                                             "2026-12-08T03:00")
                                  .arg(name, value));
            (name == QLatin1String("--from") ? cl.plotFrom : cl.plotTo) = t;
        } else if (name == QLatin1String("--com")) {
            bool ok = false;
            QString digits = value.trimmed();
            if (digits.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) digits.remove(0, 3);
            const int v = digits.toInt(&ok);
            if (!ok || v < 1 || v > kHighestComPort)
                return failed(QStringLiteral("--com %1: expected a port number from 1 to %2")
                                  .arg(value)
                                  .arg(kHighestComPort));
            cl.comNumber = v;
        } else if (name == QLatin1String("--alarm")) {
            cl.alarmBox = measure::AlarmBoxEntryFor(value);
            cl.alarmMa = measure::ParseAlarmValue(value);
            if (!cl.alarmMa)
                return failed(QStringLiteral("--alarm %1: expected a current above 0, at most "
                                             "1000 A, such as 30mA or 0.03A")
                                  .arg(value));
        } else if (name == QLatin1String("--on-alarm")) {
            if (value.trimmed().isEmpty())
                return failed(QStringLiteral("--on-alarm needs a command"));
            cl.onAlarm = value;
        } else if (name == QLatin1String("--interval")) {
            bool ok = false;
            const int v = value.trimmed().toInt(&ok);
            if (!ok || v < 1 || v > 3600)
                return failed(QStringLiteral("--interval %1: expected a whole number of "
                                             "seconds from 1 to 3600")
                                  .arg(value));
            cl.intervalSec = v;
        } else if (name == QLatin1String("--lang")) {
            if (value != QLatin1String("zh") && value != QLatin1String("en"))
                return failed(
                    QStringLiteral("--lang %1: expected zh (Chinese) or en (English)").arg(value));
            cl.language = value;
        } else if (name == QLatin1String("--duration")) {
            bool ok = false;
            const double v = value.trimmed().toDouble(&ok);  // "." whatever the locale
            if (!ok || !std::isfinite(v) || v <= 0 || v > kMaxDurationSec)
                return failed(QStringLiteral("--duration %1: expected a number of seconds "
                                             "above 0, at most one year")
                                  .arg(value));
            cl.durationSec = v;
            durationGiven = true;
        } else {  // --count
            bool ok = false;
            const qint64 v = value.trimmed().toLongLong(&ok);
            if (!ok || v < 1)
                return failed(
                    QStringLiteral("--count %1: expected a whole number of readings, 1 or more")
                        .arg(value));
            cl.count = v;
            countGiven = true;
        }
    }

    // The broker options but the meter's name do nothing without a broker, and a certificate
    // authority nothing without TLS: said rather than ignored.
    const QString brokerUrl = cl.mqtt.url.isEmpty() ? storedBrokerUrl : cl.mqtt.url;
    if (brokerUrl.isEmpty()) {
        for (const auto& [given, option] :
             {std::pair{!cl.mqtt.topic.isEmpty(), "--mqtt-topic"},
              std::pair{cl.mqtt.noDiscovery, "--no-mqtt-discovery"},
              std::pair{!cl.mqtt.caFile.isEmpty(), "--mqtt-cafile"},
              std::pair{!cl.mqtt.passwordFile.isEmpty(), "--mqtt-password-file"}})
            if (given)
                return failed(QStringLiteral("%1 needs a broker: --mqtt URL, or url in the "
                                             "settings file's section [mqtt]")
                                  .arg(QLatin1String(option)));
    } else if (!cl.mqtt.caFile.isEmpty()) {
        QString why;
        const std::optional<publish::BrokerAddress> broker =
            publish::ParseBrokerUrl(brokerUrl, &why);
        if (broker && !broker->tls)
            return failed(QStringLiteral("--mqtt-cafile needs a TLS broker (mqtts://), not %1")
                              .arg(brokerUrl));
    }
    if (historyGiven && (logGiven || durationGiven || countGiven))
        return failed(
            QStringLiteral("--history downloads the stored groups once; it cannot be "
                           "combined with --log, --duration or --count"));
    if (historyGiven && (cl.alarmMa || !cl.onAlarm.isEmpty() || cl.intervalSec))
        return failed(
            QStringLiteral("--history downloads the stored groups once; it cannot be "
                           "combined with --alarm, --on-alarm or --interval"));
    if (plotGiven) {
        if (cl.plotOutput.isEmpty())
            return failed(QStringLiteral("--plot needs -o FILE (.png, .svg or .pdf)"));
        if (cl.headless || historyGiven || logGiven || durationGiven || countGiven ||
            !cl.onAlarm.isEmpty() || cl.intervalSec || !cl.mqtt.url.isEmpty())
            return failed(
                QStringLiteral("--plot draws logs already written; it cannot be combined with "
                               "--headless, --history, --log, --duration, --count, --on-alarm, "
                               "--interval or --mqtt"));
        if (cl.plotFrom && cl.plotTo && *cl.plotFrom >= *cl.plotTo)
            return failed(QStringLiteral("--from must be earlier than --to"));
    } else {
        for (const auto& [given, option] : {std::pair{!cl.plotOutput.isEmpty(), "-o"},
                                            std::pair{cl.plotFrom.has_value(), "--from"},
                                            std::pair{cl.plotTo.has_value(), "--to"}})
            if (given) return failed(QStringLiteral("%1 needs --plot").arg(option));
    }
    if (historyGiven) cl.headless = true;  // a download never needs the window
    // The window takes the threshold typed into it as well.
    if (cl.headless && !cl.onAlarm.isEmpty() && !cl.alarmMa)
        return failed(QStringLiteral("--on-alarm needs --alarm VALUE"));
    if (cl.headless && cl.intervalSec && !logGiven)
        return failed(QStringLiteral("--interval needs --log FILE (or --log - for stdout)"));
    if (cl.headless && !cl.comNumber) {
        QList<int> named = cl.ports.mappings().keys();
        for (int n : cl.autoPorts.keys())
            if (!named.contains(n)) named.append(n);
        if (named.size() > 1)
            return failed(
                QStringLiteral("several ports are given with --port; choose the one "
                               "to read with --com N"));
    }
    if (!cl.headless) {
        for (const auto& [given, option] :
             {std::pair{durationGiven, "--duration"}, std::pair{countGiven, "--count"}})
            if (given) return failed(QStringLiteral("%1 needs --headless").arg(option));
        if (logGiven && cl.logPath == QLatin1String("-"))
            return failed(QStringLiteral("--log - (stdout) needs --headless"));
    }
    return cl;
}

}  // namespace app
