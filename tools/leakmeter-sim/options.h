// Command-line settings of the meter simulator.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

enum class Wave { Constant, Ramp, Sine, Noise };

struct Options {
    std::string link;  // symlink to create for the slave device; empty: none

    // Live reading
    Wave wave = Wave::Constant;
    int value = 1250;    // raw count (constant) or peak (other waves), 0..9999
    double period = 10;  // seconds, ramp and sine
    int status = 1;      // status byte of live records
    std::optional<std::array<std::uint8_t, 3>> liveBytes;  // fixed live record

    // Stored groups: three bytes per group, in storage order
    std::vector<std::uint8_t> groups;
    std::optional<int> announce;  // group count to report instead of the stored one

    // Faults; 0 means off
    double silentFor = 0;
    int badHandshakes = 0;
    int garbageEvery = 0;
    int shortEvery = 0;
    int badCountEvery = 0;
    int delayMs = 0;
    int unplugAfter = 0;
    std::optional<double> replugAfter;
    // --stall-history: the stored-groups reply stops after `stallBytes` bytes; the rest
    // follows `stallSeconds` later, or the device is pulled out when `stallUnplug`.
    std::optional<int> stallBytes;
    double stallSeconds = 0;
    bool stallUnplug = false;
    std::uint64_t seed = 1;

    std::string logFile;
};

// A bad command line; the message is meant for the user as is.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The stored groups the meter holds when no file is given: group k (k = 1..n) is
// high pair k % 100, low pair (7k) % 100, status 1 + (k - 1) % 26, so that every
// valid status code turns up and the raw counts differ from group to group.
std::vector<std::uint8_t> generatedGroups(int n);

// Parses stored groups from text: hexadecimal bytes (optional 0x prefix) separated by
// blanks, commas or line breaks; '#' starts a comment running to the end of the line.
// The byte count must be a multiple of 3 and at most 765 (255 groups).
std::vector<std::uint8_t> parseGroupsText(const std::string& text);

// Throws UsageError. Returns nullopt when --help was given (the help is printed).
std::optional<Options> parseOptions(int argc, char** argv);

std::string helpText();

}  // namespace sim
