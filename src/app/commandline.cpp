#include "commandline.h"

namespace app {

QString UsageText() {
    return QStringLiteral(
        "Usage: leakmeter [--port COMn=DEVICE]...\n"
        "\n"
        "Monitoring program for the clamp leakage-current meter.\n"
        "\n"
        "Options:\n"
        "  --port COMn=DEVICE  reach port COMn through DEVICE, e.g. --port COM1=/dev/ttyUSB0\n"
        "                      (repeatable). Without it COMn is /dev/ttyS<n-1> on Linux.\n"
        "  -h, --help          show this text\n");
}

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            cl.showHelp = true;
            continue;
        }
        QString mapping;
        if (a == QLatin1String("--port")) {
            if (i + 1 >= arguments.size()) {
                cl.error = QStringLiteral("--port needs a value such as COM1=/dev/ttyUSB0");
                return cl;
            }
            mapping = arguments[++i];
        } else if (a.startsWith(QLatin1String("--port="))) {
            mapping = a.mid(7);
        } else {
            cl.error = QStringLiteral("unknown argument: %1").arg(a);
            return cl;
        }
        QString why;
        if (!cl.ports.addMapping(mapping, &why)) {
            cl.error = QStringLiteral("--port %1: %2").arg(mapping, why);
            return cl;
        }
    }
    return cl;
}

}  // namespace app
