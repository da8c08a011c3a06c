#include "meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace sim {

Meter::Meter(const Options& options) : options_(options), random_(options.seed) {}

int Meter::liveCount(double seconds) {
    const int peak = options_.value;
    double raw = peak;
    switch (options_.wave) {
        case Wave::Constant:
            break;
        case Wave::Ramp: {
            const double phase = seconds / options_.period;
            raw = peak * (phase - std::floor(phase));
            break;
        }
        case Wave::Sine:
            raw = peak * (1.0 + std::sin(2.0 * std::numbers::pi * seconds / options_.period)) / 2.0;
            break;
        case Wave::Noise:
            raw = std::uniform_int_distribution<int>(0, peak)(random_);
            break;
    }
    return std::clamp(static_cast<int>(std::lround(raw)), 0, 9999);
}

std::vector<std::uint8_t> Meter::liveRecord(double seconds) {
    if (options_.liveBytes) return {options_.liveBytes->begin(), options_.liveBytes->end()};
    const int raw = liveCount(seconds);
    return {static_cast<std::uint8_t>(raw / 100), static_cast<std::uint8_t>(raw % 100),
            static_cast<std::uint8_t>(options_.status)};
}

Answer Meter::answer(std::uint8_t cmd, double seconds) {
    Answer a;
    a.replies = true;
    switch (cmd) {
        case command::kHandshake:
            ++handshakes_;
            if (handshakes_ <= options_.badHandshakes) {
                a.bytes = {0x55, 0xD5, 0x55};
                a.note = "fault: wrong handshake reply";
            } else {
                a.bytes = {0xD5, 0x55, 0x55};
            }
            break;
        case command::kGroupCount: {
            ++countReplies_;
            const auto stored = static_cast<int>(options_.groups.size() / 3);
            const auto n = static_cast<std::uint8_t>(options_.announce.value_or(stored));
            const bool bad =
                options_.badCountEvery > 0 && countReplies_ % options_.badCountEvery == 0;
            a.bytes = {0x05, static_cast<std::uint8_t>(bad ? 0x04 : 0x05), n};
            if (bad) a.note = "fault: bad group-count reply";
            break;
        }
        case command::kStoredGroups:
            a.bytes = options_.groups;
            break;
        case command::kLiveReading:
            a.bytes = liveRecord(seconds);
            break;
        case command::kSignOff:
            a.replies = false;
            a.note = "sign-off";
            return a;
        default: {
            a.replies = false;
            char text[40];
            std::snprintf(text, sizeof text, "unknown command %02X ignored", cmd);
            a.note = text;
            return a;
        }
    }

    // Faults that hit any kind of reply, counted over all replies.
    ++replies_;
    if (options_.garbageEvery > 0 && replies_ % options_.garbageEvery == 0) {
        const int n = std::uniform_int_distribution<int>(1, 8)(random_);
        std::uniform_int_distribution<int> byte(0, 255);
        a.bytes.clear();
        for (int i = 0; i < n; ++i) a.bytes.push_back(static_cast<std::uint8_t>(byte(random_)));
        a.note = "fault: garbage reply";
    } else if (options_.shortEvery > 0 && replies_ % options_.shortEvery == 0) {
        if (a.bytes.size() > 1) a.bytes.resize(1);
        a.note = "fault: short reply";
    }
    return a;
}

}  // namespace sim
