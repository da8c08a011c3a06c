// The link over a scripted serial device: any script of replies, silences, partial frames,
// noise and unplugs, then a correct meter (see linkscript.h). Time is virtual.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "linkscript.h"
#include "virtualclock.h"

namespace {
VirtualClock* clock_ = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    clock_ = new VirtualClock;
    QCoreApplication::setEventDispatcher(clock_);
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString failure = playLinkScript(*clock_, data, size);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "link rule broken: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
