// Logs rows as fast as it can until it has written `count` of them, so that a test can kill
// it in the middle of a row: datalogwriter FILE COUNT.
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "measure/datalog.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fputs("usage: datalogwriter FILE COUNT\n", stderr);
        return 2;
    }
    measure::DataLog log;
    if (!log.start(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "datalogwriter: %s\n", qPrintable(log.errorString()));
        return 1;
    }
    const long count = std::atol(argv[2]);
    for (long i = 0; i < count; ++i) {
        // Every status code in turn, so rows of all lengths (ERROR, 0L, readings) alternate.
        const measure::MeterRecord r{quint8(i % 100), quint8((i / 100) % 100), quint8(i % 30)};
        if (!log.append(measure::DataLogClock::system().take(r))) {
            std::fprintf(stderr, "datalogwriter: %s\n", qPrintable(log.errorString()));
            return 1;
        }
    }
    return log.stop() ? 0 : 1;
}
