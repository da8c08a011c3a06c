// Alarm values as the command line and the viewer take them: a threshold above 0 and at most
// 1000 A, or none; the window's alarm box, given the same entry, reads the same threshold.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "measure/alarmvalue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<float> ma = measure::parseAlarmValue(text);
    const std::optional<measure::AlarmBoxEntry> box = measure::alarmBoxEntryFor(text);
    const char* broken = nullptr;
    if (ma.has_value() != box.has_value())
        broken = "a threshold without its box entry";
    else if (ma && !(std::isfinite(*ma) && *ma > 0 && *ma <= 1e6f))
        broken = "a threshold beyond the meter's range";
    else if (box) {
        const measure::AlarmEntry e = measure::parseAlarmEntry(box->number, box->unit);
        if (e.outcome != measure::AlarmEntryOutcome::Accepted || e.thresholdMa != *ma)
            broken = "the alarm box reads another threshold";
    }
    if (broken) {
        std::fprintf(stderr, "alarm value rule broken: %s\n", broken);
        std::abort();
    }
    return 0;
}
