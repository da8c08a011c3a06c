#include "scratch.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

QString fuzzScratchDir() {
    // Destroyed, and the folder removed, when libFuzzer ends the run with exit().
    static const QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm")
                                        : QDir::tempPath()) +
                                   QStringLiteral("/leakmeter-fuzz-XXXXXX"));
    if (!dir.isValid()) std::abort();
    return dir.path();
}
