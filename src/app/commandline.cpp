#include "commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QHash>
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
bool parseAuto(const QString& device, QStringList* candidates, QString* error) {
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
QString parseMqttOption(const QString& name, const QString& value, publish::MqttOptions* mqtt) {
    QString why;
    if (name == QLatin1String("--mqtt")) {
        if (!publish::parseBrokerUrl(value, &why))
            return QStringLiteral("--mqtt %1: %2").arg(publish::printable(value), why);
        mqtt->url = value;
    } else if (name == QLatin1String("--meter-id")) {
        if (!publish::validMeterId(value))
            return QStringLiteral("--meter-id %1: expected 1 to 64 letters, digits, - and _")
                .arg(publish::printable(value));
        mqtt->meterId = value;
    } else if (name == QLatin1String("--mqtt-topic")) {
        if (const QString problem = publish::topicProblem(value); !problem.isEmpty())
            return QStringLiteral("--mqtt-topic %1: %2").arg(publish::printable(value), problem);
        mqtt->topic = value;
    } else {
        if (value.isEmpty()) return QStringLiteral("%1 needs a file name").arg(name);
        (name == QLatin1String("--mqtt-cafile") ? mqtt->caFile : mqtt->passwordFile) = value;
    }
    return {};
}

// Each option's value read into the command line: the reason when it is refused, else empty.
// `option` is the option's name as the messages say it.
QString readPort(const QString&, const QString& value, CommandLine* cl) {
    int number = 0;
    QString device, why;
    serial::MappingError bad;
    if (!serial::PortMap::parseMapping(value, &number, &device, &bad))
        return QStringLiteral("--port %1: %2").arg(value, mappingErrorText(bad));
    QStringList candidates;
    if (parseAuto(device, &candidates, &why)) {
        if (!why.isEmpty()) return QStringLiteral("--port %1: %2").arg(value, why);
        cl->ports.removeMapping(number);
        cl->autoPorts.insert(number, candidates);
    } else if (!serial::PortMap::mapsDevices()) {
        // Taking it would open COMn all the same, not the device the user named.
        return QStringLiteral(
                   "--port %1: COM%2 is the port the system names COM%2 and cannot be mapped "
                   "to another device; choose the port with --com N, or find the meter with "
                   "--port COM%2=auto")
            .arg(value)
            .arg(number);
    } else {
        cl->autoPorts.remove(number);
        cl->ports.setDevice(number, device);
    }
    return {};
}

QString readLog(const QString&, const QString& value, CommandLine* cl) {
    if (value.isEmpty()) return QStringLiteral("--log needs a file name, or -");
    cl->logPath = value;
    return {};
}

QString readHistory(const QString&, const QString& value, CommandLine* cl) {
    if (value.isEmpty() || value == QLatin1String("-"))
        return QStringLiteral("--history needs a file name (.txt or .csv)");
    // Any other name would get the report's text under a name that promises another format.
    const QString suffix = QFileInfo(value).suffix();
    if (suffix.compare(QLatin1String("txt"), Qt::CaseInsensitive) != 0 &&
        suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("--history %1: expected a file name ending in .txt or .csv")
            .arg(value);
    cl->historyPath = value;
    return {};
}

QString readPlot(const QString&, const QString& value, CommandLine* cl) {
    if (value.isEmpty()) return QStringLiteral("--plot needs a log file");
    cl->plotPaths << value;
    return {};
}

QString readPicture(const QString&, const QString& value, CommandLine* cl) {
    if (value.isEmpty()) return QStringLiteral("-o needs a file name (.png, .svg or .pdf)");
    cl->plotOutput = value;
    return {};
}

QString readPlotTime(const QString& option, const QString& value, CommandLine* cl) {
    const std::optional<qint64> t = viewer::parseLocalTime(value);
    if (!t)
        return QStringLiteral("%1 %2: expected a local date and time such as 2026-12-08T03:00")
            .arg(option, value);
    (option == QLatin1String("--from") ? cl->plotFrom : cl->plotTo) = t;
    return {};
}

QString readTitle(const QString&, const QString& value, CommandLine* cl) {
    cl->plotTitle = value;  // empty: a picture without a title line
    return {};
}

QString readCom(const QString&, const QString& value, CommandLine* cl) {
    bool ok = false;
    QString digits = value.trimmed();
    if (digits.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) digits.remove(0, 3);
    const int v = digits.toInt(&ok);
    if (!ok || v < 1 || v > kHighestComPort)
        return QStringLiteral("--com %1: expected a port number from 1 to %2")
            .arg(value)
            .arg(kHighestComPort);
    cl->comNumber = v;
    return {};
}

QString readAlarm(const QString&, const QString& value, CommandLine* cl) {
    cl->alarmBox = measure::alarmBoxEntryFor(value);
    cl->alarmMa = measure::parseAlarmValue(value);
    if (!cl->alarmMa)
        return QStringLiteral(
                   "--alarm %1: expected a current above 0, at most 1000 A, such as 30mA or 0.03A")
            .arg(value);
    return {};
}

QString readAlarmCommand(const QString&, const QString& value, CommandLine* cl) {
    if (value.trimmed().isEmpty()) return QStringLiteral("--on-alarm needs a command");
    cl->onAlarm = value;
    return {};
}

QString readInterval(const QString&, const QString& value, CommandLine* cl) {
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    if (!ok || v < 1 || v > 3600)
        return QStringLiteral("--interval %1: expected a whole number of seconds from 1 to 3600")
            .arg(value);
    cl->intervalSec = v;
    return {};
}

QString readLanguage(const QString&, const QString& value, CommandLine* cl) {
    if (value != QLatin1String("zh") && value != QLatin1String("en"))
        return QStringLiteral("--lang %1: expected zh (Chinese) or en (English)").arg(value);
    cl->language = value;
    return {};
}

QString readDuration(const QString&, const QString& value, CommandLine* cl) {
    bool ok = false;
    const double v = value.trimmed().toDouble(&ok);  // "." whatever the locale
    if (!ok || !std::isfinite(v) || v <= 0 || v > kMaxDurationSec)
        return QStringLiteral(
                   "--duration %1: expected a number of seconds above 0, at most one year")
            .arg(value);
    cl->durationSec = v;
    return {};
}

QString readCount(const QString&, const QString& value, CommandLine* cl) {
    bool ok = false;
    const qint64 v = value.trimmed().toLongLong(&ok);
    if (!ok || v < 1)
        return QStringLiteral("--count %1: expected a whole number of readings, 1 or more")
            .arg(value);
    cl->count = v;
    return {};
}

QString readMqtt(const QString& option, const QString& value, CommandLine* cl) {
    return parseMqttOption(option, value, &cl->mqtt);
}

// A flag: the field it sets.
template <bool CommandLine::*field>
QString setFlag(const QString&, const QString&, CommandLine* cl) {
    cl->*field = true;
    return {};
}
constexpr auto kShowHelp = setFlag<&CommandLine::showHelp>;

QString setNoDiscovery(const QString&, const QString&, CommandLine* cl) {
    cl->mqtt.noDiscovery = true;
    return {};
}

QString setIntervalOnly(const QString&, const QString&, CommandLine* cl) {
    cl->mqtt.intervalOnly = true;
    return {};
}

struct OptionRule {
    const char* name;       // as the messages say it: "--count", "-o"
    const char* otherName;  // the same option's other name ("--output" for -o), or nullptr
    const char* valueName;  // nullptr: a flag
    QString (*read)(const QString& option, const QString& value, CommandLine* cl);
};

// Every option of the program. A name of one letter is written with one dash, a longer name
// with two; a value follows as the next argument or after '='.
// -h and --help are taken whole only: "--help=x" is not the help.
constexpr OptionRule kOptions[] = {
    {"-h", "--help", nullptr, kShowHelp},
    {"--headless", nullptr, nullptr, setFlag<&CommandLine::headless>},
    {"--list-ports", nullptr, nullptr, setFlag<&CommandLine::listPorts>},
    {"--forget-ports", nullptr, nullptr, setFlag<&CommandLine::forgetPorts>},
    {"--version", nullptr, nullptr, setFlag<&CommandLine::showVersion>},
    {"--no-mqtt-discovery", nullptr, nullptr, setNoDiscovery},
    {"--mqtt-interval-only", nullptr, nullptr, setIntervalOnly},
    {"--port", nullptr, "COMn=DEVICE", readPort},
    {"--log", nullptr, "FILE", readLog},
    {"--duration", nullptr, "SEC", readDuration},
    {"--count", nullptr, "N", readCount},
    {"--history", nullptr, "FILE", readHistory},
    {"--com", nullptr, "N", readCom},
    {"--plot", nullptr, "LOG.csv", readPlot},
    {"-o", "--output", "FILE", readPicture},
    {"--alarm", nullptr, "VALUE", readAlarm},
    {"--from", nullptr, "T", readPlotTime},
    {"--to", nullptr, "T", readPlotTime},
    {"--title", nullptr, "TEXT", readTitle},
    {"--mqtt", nullptr, "URL", readMqtt},
    {"--mqtt-cafile", nullptr, "FILE", readMqtt},
    {"--mqtt-password-file", nullptr, "FILE", readMqtt},
    {"--meter-id", nullptr, "ID", readMqtt},
    {"--mqtt-topic", nullptr, "PREFIX", readMqtt},
    {"--on-alarm", nullptr, "CMD", readAlarmCommand},
    {"--interval", nullptr, "SEC", readInterval},
    {"--lang", nullptr, "zh|en", readLanguage},
};

// The parser's name of an option: without its dashes.
QString undashed(const char* name) {
    return QString::fromLatin1(name).mid(name[1] == '-' ? 2 : 1);
}

// The option the parser found under `name`, or nullptr.
const OptionRule* ruleNamed(const QString& name) {
    for (const OptionRule& rule : kOptions)
        if (name == undashed(rule.name) || (rule.otherName && name == undashed(rule.otherName)))
            return &rule;
    return nullptr;
}

QCommandLineOption parserOption(const OptionRule& rule) {
    QStringList names{undashed(rule.name)};
    if (rule.otherName) names << undashed(rule.otherName);
    return rule.valueName ? QCommandLineOption(names, QString(), QLatin1String(rule.valueName))
                          : QCommandLineOption(names);
}

// Reads the options into *cl in the order given; the reason for the first one refused.
// QCommandLineParser finds the options and their values. It does not say where each stood,
// and the command line's rules depend on it: the first fault is the one said (an option after
// it is not read, --help neither), a word after --plot's log is one more log, any other word
// is refused. So the arguments are walked beside the parser's options, in order; the walk is
// also where a name written with the wrong number of dashes ("-help", "--o", which the parser
// takes) and a value given to --help are refused. The parser's own messages are not used.
QString readOptions(const QStringList& arguments, CommandLine* cl) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRule& rule : kOptions) parser.addOption(parserOption(rule));
    parser.parse(arguments);                         // its faults are found by the walk
    const QStringList found = parser.optionNames();  // one name each time an option is given
    qsizetype nextFound = 0;
    QHash<const OptionRule*, qsizetype> valuesRead;  // of parser.values(), per option
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString name = nextFound < found.size() ? found[nextFound] : QString();
        const OptionRule* rule = ruleNamed(name);
        // The parser's next option as it must be written here: "-o", "--output".
        const QString written =
            (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        const bool whole = argument == written;
        const bool withValue =
            argument.startsWith(written + QLatin1Char('=')) && rule && rule->read != kShowHelp;
        if (!rule || !(whole || withValue)) {
            if (!cl->plotPaths.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
                cl->plotPaths << argument;  // more logs after --plot's first
                continue;
            }
            return QStringLiteral("unknown argument: %1").arg(argument);
        }
        ++nextFound;
        QString value;
        if (!rule->valueName) {
            if (withValue) return QStringLiteral("%1 takes no value").arg(written);
        } else {
            if (whole && ++i >= arguments.size())
                return written == QLatin1String("--port")
                           ? QStringLiteral("--port needs a value such as COM1=/dev/ttyUSB0")
                           : QStringLiteral("%1 needs a value").arg(written);
            value = parser.values(name).value(valuesRead[rule]++);
        }
        if (const QString why = rule->read(QLatin1String(rule->name), value, cl); !why.isEmpty())
            return why;
    }
    return {};
}

// The rules that hold wherever the options stand: what needs what, and which modes exclude
// each other. The reason for the first broken, else empty. A --history download is headless.
QString combinationFault(CommandLine* cl, const QString& storedBrokerUrl) {
    const bool logGiven = !cl->logPath.isEmpty(), historyGiven = !cl->historyPath.isEmpty();
    const bool durationGiven = cl->durationSec.has_value(), countGiven = cl->count.has_value();
    // The broker options but the meter's name do nothing without a broker, and a certificate
    // authority nothing without TLS: said rather than ignored.
    const QString brokerUrl = cl->mqtt.url.isEmpty() ? storedBrokerUrl : cl->mqtt.url;
    if (brokerUrl.isEmpty()) {
        for (const auto& [given, option] :
             {std::pair{!cl->mqtt.topic.isEmpty(), "--mqtt-topic"},
              std::pair{cl->mqtt.noDiscovery, "--no-mqtt-discovery"},
              std::pair{cl->mqtt.intervalOnly, "--mqtt-interval-only"},
              std::pair{!cl->mqtt.caFile.isEmpty(), "--mqtt-cafile"},
              std::pair{!cl->mqtt.passwordFile.isEmpty(), "--mqtt-password-file"}})
            if (given)
                return QStringLiteral(
                           "%1 needs a broker: --mqtt URL, or url in the settings "
                           "file's section [mqtt]")
                    .arg(QLatin1String(option));
    } else if (!cl->mqtt.caFile.isEmpty()) {
        QString why;
        const std::optional<publish::BrokerAddress> broker =
            publish::parseBrokerUrl(brokerUrl, &why);
        if (broker && !broker->tls)
            return QStringLiteral("--mqtt-cafile needs a TLS broker (mqtts://), not %1")
                .arg(brokerUrl);
    }
    if (historyGiven && (logGiven || durationGiven || countGiven))
        return QStringLiteral(
            "--history downloads the stored groups once; it cannot be combined with --log, "
            "--duration or --count");
    if (historyGiven && (cl->alarmMa || !cl->onAlarm.isEmpty() || cl->intervalSec))
        return QStringLiteral(
            "--history downloads the stored groups once; it cannot be combined with --alarm, "
            "--on-alarm or --interval");
    if (!cl->plotPaths.isEmpty()) {
        if (cl->plotOutput.isEmpty())
            return QStringLiteral("--plot needs -o FILE (.png, .svg or .pdf)");
        if (cl->headless || historyGiven || logGiven || durationGiven || countGiven ||
            !cl->onAlarm.isEmpty() || cl->intervalSec || !cl->mqtt.url.isEmpty())
            return QStringLiteral(
                "--plot draws logs already written; it cannot be combined with --headless, "
                "--history, --log, --duration, --count, --on-alarm, --interval or --mqtt");
        if (cl->plotFrom && cl->plotTo && *cl->plotFrom >= *cl->plotTo)
            return QStringLiteral("--from must be earlier than --to");
    } else {
        for (const auto& [given, option] : {std::pair{!cl->plotOutput.isEmpty(), "-o"},
                                            std::pair{cl->plotFrom.has_value(), "--from"},
                                            std::pair{cl->plotTo.has_value(), "--to"},
                                            std::pair{cl->plotTitle.has_value(), "--title"}})
            if (given) return QStringLiteral("%1 needs --plot").arg(QLatin1String(option));
    }
    if (historyGiven) cl->headless = true;  // a download never needs the window
    // The window takes the threshold typed into it as well.
    if (cl->headless && !cl->onAlarm.isEmpty() && !cl->alarmMa)
        return QStringLiteral("--on-alarm needs --alarm VALUE");
    if (cl->mqtt.intervalOnly && !cl->intervalSec)
        return QStringLiteral("--mqtt-interval-only needs --interval SEC");
    if (cl->headless && cl->intervalSec && !logGiven)
        return QStringLiteral("--interval needs --log FILE (or --log - for stdout)");
    if (cl->headless && !cl->comNumber) {
        QList<int> named = cl->ports.mappings().keys();
        for (int n : cl->autoPorts.keys())
            if (!named.contains(n)) named.append(n);
        if (named.size() > 1)
            return QStringLiteral(
                "several ports are given with --port; choose the one to read with --com N");
    }
    if (!cl->headless) {
        for (const auto& [given, option] :
             {std::pair{durationGiven, "--duration"}, std::pair{countGiven, "--count"}})
            if (given) return QStringLiteral("%1 needs --headless").arg(QLatin1String(option));
        if (logGiven && cl->logPath == QLatin1String("-"))
            return QStringLiteral("--log - (stdout) needs --headless");
    }
    return {};
}

}  // namespace

QString usageText() {
    return QStringLiteral(
        "Usage: leakmeter [--port COMn=DEVICE]... [--com N] [--log FILE] [WATCH]\n"
        "                 [--lang zh|en]\n"
        "       leakmeter --headless [--port COMn=DEVICE]... [--com N] [--log FILE|-]\n"
        "                 [--duration SEC] [--count N] [WATCH]\n"
        "       leakmeter ... --mqtt URL [--meter-id ID] [--mqtt-topic PREFIX]\n"
        "                 [--mqtt-password-file FILE] [--mqtt-cafile FILE]\n"
        "                 [--no-mqtt-discovery] [--mqtt-interval-only]\n"
        "       leakmeter --history FILE [--port COMn=DEVICE]... [--com N] [--lang zh|en]\n"
        "       leakmeter --plot LOG.csv... -o FILE [--alarm VALUE] [--from T] [--to T]\n"
        "                 [--title TEXT] [--meter-id ID] [--lang zh|en]\n"
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
        "  --title TEXT        with --plot: the picture's title line instead of the\n"
        "                      logs' names, the meter and the period (empty: none)\n"
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
        "                      default: <host>-<device>; with --plot, the meter named\n"
        "                      in the title (default: as the logs' folder or names\n"
        "                      tell, such as pump3-20261210.csv)\n"
        "  --mqtt-topic PREFIX topics start with PREFIX (default leakmeter):\n"
        "                      PREFIX/ID/reading and PREFIX/ID/availability; no + #,\n"
        "                      control character or non-character, no leading $,\n"
        "                      each topic at most 65,535 bytes\n"
        "  --no-mqtt-discovery do not publish the Home Assistant discovery configs\n"
        "                      These settings but the password may also stand in the\n"
        "                      settings file, section [mqtt]. All of them but --meter-id\n"
        "                      need a broker: --mqtt, or url in that section.\n"
        "  --mqtt-interval-only\n"
        "                      with --interval and a broker: publish the interval rows,\n"
        "                      the alarm and the availability, no message per reading\n"
        "  --lang zh|en        the language of the window, of the --history report and\n"
        "                      of the --plot picture: zh Chinese, en English\n"
        "                      (remembered with the window's File menu; default: the\n"
        "                      system's language)\n"
        "  --list-ports        list the serial devices and the port each is reached as\n"
        "  --forget-ports      clear the remembered port mapping\n"
        "  --version           show the program's version\n"
        "  -h, --help          show this text\n");
}

WatchOptions watchOptionsFor(const CommandLine& cl, const QString& meterName) {
    return {cl.alarmMa, cl.onAlarm, cl.intervalSec, meterName, cl.alarmBox};
}

QString usageErrorText(const QString& reason) {
    return QStringLiteral("leakmeter: %1\ntry 'leakmeter --help'\n").arg(reason);
}

int headlessPortNumber(const CommandLine& cl, const serial::PortMap& remembered) {
    if (cl.comNumber) return *cl.comNumber;
    if (cl.ports.mappings().size() == 1 && cl.autoPorts.isEmpty())
        return cl.ports.mappings().firstKey();
    if (cl.autoPorts.size() == 1 && cl.ports.isEmpty()) return cl.autoPorts.firstKey();
    if (!cl.portsGiven() && remembered.mappings().size() == 1)
        return remembered.mappings().firstKey();
    return 1;
}

QString versionText() {
    return QStringLiteral("leakmeter %1").arg(QLatin1String(LEAKMETER_VERSION));
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& storedBrokerUrl) {
    CommandLine cl;
    cl.error = readOptions(arguments, &cl);
    if (cl.error.isEmpty()) cl.error = combinationFault(&cl, storedBrokerUrl);
    return cl;
}

}  // namespace app
