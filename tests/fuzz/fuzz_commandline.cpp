// The command line: argument arrays of any bytes (split at NUL; the first part is the broker
// URL the settings file holds). A result or a usage error, and a result keeps every value
// within what the program can run with.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "commandline.h"

namespace {

[[noreturn]] void broken(const char* rule) {
    std::fprintf(stderr, "command line rule broken: %s\n", rule);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    const QString storedUrl = QString::fromUtf8(parts.first());
    QStringList arguments{QStringLiteral("leakmeter")};
    for (qsizetype i = 1; i < parts.size(); ++i) arguments << QString::fromUtf8(parts[i]);

    const app::CommandLine cl = app::parseCommandLine(arguments, storedUrl);
    if (!cl.error.isEmpty()) {
        if (app::usageErrorText(cl.error).isEmpty()) broken("a usage error without text");
        return 0;
    }
    if (cl.comNumber && (*cl.comNumber < 1 || *cl.comNumber > serial::PortMap::kMaxPortNumber))
        broken("--com beyond the ports");
    const int com = app::headlessPortNumber(cl, serial::PortMap());
    if (com < 1 || com > serial::PortMap::kMaxPortNumber) broken("a run's port beyond the ports");
    if (cl.durationSec && !(std::isfinite(*cl.durationSec) && *cl.durationSec > 0))
        broken("--duration not a time");
    if (cl.count && *cl.count < 1) broken("--count below 1");
    if (cl.intervalSec < 0 || cl.intervalSec > 3600) broken("--interval beyond an hour");
    if (cl.alarmMa && !(std::isfinite(*cl.alarmMa) && *cl.alarmMa > 0 && *cl.alarmMa <= 1e6f))
        broken("--alarm beyond the meter's range");
    if (cl.alarmMa.has_value() != cl.alarmBox.has_value()) broken("--alarm without its box entry");
    if (!cl.plotPaths.isEmpty() && cl.plotOutput.isEmpty()) broken("--plot without a picture");
    if (cl.plotFrom && cl.plotTo && *cl.plotFrom >= *cl.plotTo) broken("--from after --to");
    if (!cl.language.isEmpty() && cl.language != QLatin1String("zh") &&
        cl.language != QLatin1String("en"))
        broken("a language the program has not");
    for (auto it = cl.ports.mappings().cbegin(); it != cl.ports.mappings().cend(); ++it)
        if (it.key() < 1 || it.key() > serial::PortMap::kMaxPortNumber || it.value().isEmpty())
            broken("a port mapping beyond the ports");
    return 0;
}
