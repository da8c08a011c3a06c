// The meter's answers to command bytes, with the configured faults applied.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "options.h"

namespace sim {

namespace command {
constexpr std::uint8_t kSignOff = 0;
constexpr std::uint8_t kHandshake = 5;
constexpr std::uint8_t kGroupCount = 15;
constexpr std::uint8_t kStoredGroups = 25;
constexpr std::uint8_t kLiveReading = 35;
}  // namespace command

struct Answer {
    bool replies = false;             // false: the byte gets no reply at all
    std::vector<std::uint8_t> bytes;  // may be empty even when replies (no stored groups)
    std::string note;                 // what happened, for the log; empty if unremarkable
};

class Meter {
  public:
    explicit Meter(const Options& options);

    // The answer to one command byte received `seconds` after start.
    Answer answer(std::uint8_t cmd, double seconds);

    // Raw count 0..9999 of the live reading at the given time.
    int liveCount(double seconds);

  private:
    std::vector<std::uint8_t> liveRecord(double seconds);

    const Options& options_;
    std::mt19937_64 random_;
    long long handshakes_ = 0;
    long long countReplies_ = 0;
    long long replies_ = 0;
};

}  // namespace sim
