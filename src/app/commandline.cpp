#include "commandline.h"

#include <cmath>

#include "porttexts.h"

#ifndef LEAKMETER_VERSION
#define LEAKMETER_VERSION "unknown"
#endif

namespace app {

namespace {

// Longest run accepted for --duration: one year.
constexpr double kMaxDurationSec = 86400.0 * 366;
// The settings dialog lists COM1 to COM16.
constexpr int kHighestComPort = 16;

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

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "Usage: leakmeter [--port COMn=DEVICE]... [--com N] [--log FILE] [--lang zh|en]\n"
        "       leakmeter --headless [--port COMn=DEVICE]... [--com N] [--log FILE|-]\n"
        "                 [--duration SEC] [--count N]\n"
        "       leakmeter --history FILE [--port COMn=DEVICE]... [--com N] [--lang zh|en]\n"
        "       leakmeter --list-ports | --forget-ports | --version | --help\n"
        "\n"
        "Monitoring program for the clamp leakage-current meter.\n"
        "\n"
        "Options:\n"
        "  --port COMn=DEVICE  reach port COMn through DEVICE, e.g. --port COM1=/dev/ttyUSB0\n"
        "                      (repeatable). Without it COMn is /dev/ttyS<n-1> on Linux.\n"
        "  --port COMn=auto    find the meter: greet every serial device (USB adapters\n"
        "                      first) and reach COMn through the first that answers\n"
        "  --port COMn=auto:DEV1,DEV2\n"
        "                      the same, trying only the devices listed\n"
        "                      The last mapping given or found is remembered and used\n"
        "                      when the program starts without --port.\n"
        "  --com N             the port to use, COM1 to COM16: the window opens COMn at\n"
        "                      start (default COM1); --headless and --history read COMn\n"
        "                      (default: the one port given with --port, else COM1)\n"
        "  --headless          log readings without a window or display\n"
        "  --log FILE          append every live reading to the CSV file FILE;\n"
        "                      with --headless, \"-\" writes the CSV to stdout\n"
        "  --duration SEC      with --headless: stop after SEC seconds\n"
        "  --count N           with --headless: stop after N readings\n"
        "  --history FILE      download the meter's stored groups into FILE without a\n"
        "                      window (.txt: the report text, .csv: one row per group)\n"
        "  --lang zh|en        the language of the window and of the --history report:\n"
        "                      zh Chinese, en English (remembered with the window's\n"
        "                      File menu; default: the system's language)\n"
        "  --list-ports        list the serial devices and the port each is reached as\n"
        "  --forget-ports      clear the remembered port mapping\n"
        "  --version           show the program's version\n"
        "  -h, --help          show this text\n");
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

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    bool durationGiven = false, countGiven = false, logGiven = false, historyGiven = false;
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
                              {"--version", &cl.showVersion}};
        bool isFlag = false;
        for (const Flag& f : flags) {
            if (a == QLatin1String(f.name)) {
                *f.field = isFlag = true;
            } else if (a.startsWith(QLatin1String(f.name) + QLatin1Char('='))) {
                return failed(QStringLiteral("%1 takes no value").arg(QLatin1String(f.name)));
            }
        }
        if (isFlag) continue;

        // Options with a value: "--name VALUE" or "--name=VALUE".
        static const char* const kValued[] = {"--port",    "--log", "--duration", "--count",
                                              "--history", "--com", "--lang"};
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
            cl.historyPath = value;
            historyGiven = true;
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

    if (historyGiven && (logGiven || durationGiven || countGiven))
        return failed(
            QStringLiteral("--history downloads the stored groups once; it cannot be "
                           "combined with --log, --duration or --count"));
    if (historyGiven) cl.headless = true;  // a download never needs the window
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
