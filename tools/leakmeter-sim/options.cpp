#include "options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace sim {

namespace {

constexpr int kMaxGroups = 255;
constexpr double kMaxSeconds = 86400.0 * 365;

// The text with control and non-ASCII bytes written as \xHH, safe to print.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

long long parseInteger(const std::string& option, const std::string& text, long long lo,
                       long long hi) {
    long long v = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    auto [end, ec] = std::from_chars(first, last, v);
    if (text.empty() || ec != std::errc() || end != last)
        throw UsageError(option + ": '" + printable(text) + "' is not a whole number");
    if (v < lo || v > hi)
        throw UsageError(option + ": " + printable(text) + " is out of range " +
                         std::to_string(lo) + ".." + std::to_string(hi));
    return v;
}

double parseSeconds(const std::string& option, const std::string& text, bool allowZero) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v))
        throw UsageError(option + ": '" + printable(text) + "' is not a number of seconds");
    if (v < 0 || (!allowZero && v == 0) || v > kMaxSeconds)
        throw UsageError(option + ": " + printable(text) + " is out of range (" +
                         (allowZero ? "0" : "more than 0") + " up to one year)");
    return v;
}

// One byte written as one or two hex digits, with an optional 0x prefix.
std::optional<std::uint8_t> parseHexByte(std::string token) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
        token = token.substr(2);
    if (token.empty() || token.size() > 2) return std::nullopt;
    unsigned v = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v, 16);
    if (ec != std::errc() || end != token.data() + token.size()) return std::nullopt;
    return static_cast<std::uint8_t>(v);
}

std::vector<std::uint8_t> readGroupsFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw UsageError("--groups-file: '" + path + "' is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError("--groups-file: cannot read '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw UsageError("--groups-file: error while reading '" + path + "'");
    try {
        return parseGroupsText(text.str());
    } catch (const UsageError& e) {
        throw UsageError("--groups-file '" + path + "': " + e.what());
    }
}

}  // namespace

std::vector<std::uint8_t> generatedGroups(int n) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(n) * 3);
    for (int k = 1; k <= n; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(k % 100));
        bytes.push_back(static_cast<std::uint8_t>((7 * k) % 100));
        bytes.push_back(static_cast<std::uint8_t>(1 + (k - 1) % 26));
    }
    return bytes;
}

std::vector<std::uint8_t> parseGroupsText(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    int line = 1;
    std::string token;
    auto flush = [&] {
        if (token.empty()) return;
        const auto b = parseHexByte(token);
        if (!b)
            throw UsageError("line " + std::to_string(line) + ": '" + printable(token) +
                             "' is not a hexadecimal byte");
        bytes.push_back(*b);
        token.clear();
    };
    bool inComment = false;
    for (char c : text) {
        if (c == '\n') {
            flush();
            inComment = false;
            ++line;
        } else if (inComment) {
            continue;
        } else if (c == '#') {
            flush();
            inComment = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
            flush();
        } else {
            token += c;
        }
    }
    flush();
    if (bytes.size() % 3 != 0)
        throw UsageError(std::to_string(bytes.size()) +
                         " bytes is not a whole number of 3-byte groups");
    if (bytes.size() > kMaxGroups * 3)
        throw UsageError(std::to_string(bytes.size() / 3) + " groups, at most 255 can be stored");
    return bytes;
}

std::string helpText() {
    return R"(Usage: leakmeter-sim [options]

Plays a clamp leakage-current meter on a pseudo-terminal. The first line on
stdout is "PTY <slave device>"; it is printed again after every replug.
The meter answers one command byte at a time:
  05 handshake      -> D5 55 55
  0F group count    -> 05 05 n
  19 stored groups  -> the 3n bytes of the stored groups
  23 live reading   -> high pair, low pair (0..99 each), status code
  00 sign-off and any other byte -> no reply (logged)

Link:
  --link PATH            make PATH a symlink to the slave device (an existing
                         symlink is replaced; it is removed on exit)
Live reading:
  --wave KIND            constant|ramp|sine|noise (default constant)
                           constant: the raw count is VALUE
                           ramp:     rises from 0 to VALUE over each PERIOD
                           sine:     VALUE * (1 + sin(2 pi t / PERIOD)) / 2
                           noise:    uniformly random in 0..VALUE
  --value RAW            raw count or peak, 0..9999 (default 1250)
  --period SEC           ramp and sine period, more than 0 (default 10)
  --status CODE          status byte of live records, 0..255 (default 1)
  --live-bytes HH,HH,HH  send exactly these three bytes as the live record
Stored groups:
  --groups N             store N generated groups, 0..255 (default 10):
                         group k = k % 100, (7k) % 100, 1 + (k - 1) % 26
  --groups-file FILE     read the stored groups from FILE: hexadecimal bytes
                         separated by blanks, commas or line breaks, '#'
                         starts a comment; a multiple of 3, at most 765 bytes
  --announce N           report N (0..255) as the group count, whatever is
                         stored
Faults (K = 0 means off):
  --silent-for SEC       answer nothing for the first SEC seconds (still logs)
  --bad-handshakes K     the first K handshake replies are 55 D5 55
  --garbage-every K      every K-th reply is replaced by 1..8 random bytes
  --short-every K        every K-th reply is cut to its first byte
  --bad-count-every K    every K-th group-count reply is 05 04 n
  --delay MS             wait MS milliseconds (0..60000) before each reply
  --unplug-after K       after answering the K-th command byte received since
                         the device was plugged in, close the pseudo-terminal
                         and remove the link, like a pulled USB adapter
  --replug-after SEC     SEC seconds after an unplug, create a new
                         pseudo-terminal and point the link at it
  --stall-history B:SEC  the first stored-groups reply stops after its first B
                         bytes and the rest follows SEC seconds later, like a
                         meter that pauses mid-reply
  --stall-history B:unplug
                         the first stored-groups reply stops after its first B
                         bytes and the device is pulled out (see --replug-after)
  --seed S               seed of the random parts (default 1)
Log:
  --log FILE             one line per event, flushed at once:
                           <ms since start> RX <hex byte>   per received byte
                           <ms since start> TX <hex bytes>  per reply sent
                           <ms since start> EV <text>       other events
  --help                 print this text

SIGTERM or SIGINT ends the simulator cleanly.
)";
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options o;
    bool groupsGiven = false;
    bool groupsFileGiven = false;
    int groupCount = 10;
    std::string groupsFile;

    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= argc) throw UsageError(name + " needs a value");
            return argv[++i];
        };
        auto count = [&]() { return static_cast<int>(parseInteger(name, value(), 0, 1000000)); };

        if (name == "--help" || name == "-h") {
            std::fputs(helpText().c_str(), stdout);
            return std::nullopt;
        } else if (name == "--link") {
            o.link = value();
            if (o.link.empty()) throw UsageError("--link needs a path");
        } else if (name == "--wave") {
            const std::string w = value();
            if (w == "constant")
                o.wave = Wave::Constant;
            else if (w == "ramp")
                o.wave = Wave::Ramp;
            else if (w == "sine")
                o.wave = Wave::Sine;
            else if (w == "noise")
                o.wave = Wave::Noise;
            else
                throw UsageError("--wave: '" + printable(w) +
                                 "' is not constant, ramp, sine or noise");
        } else if (name == "--value") {
            o.value = static_cast<int>(parseInteger(name, value(), 0, 9999));
        } else if (name == "--period") {
            o.period = parseSeconds(name, value(), false);
        } else if (name == "--status") {
            o.status = static_cast<int>(parseInteger(name, value(), 0, 255));
        } else if (name == "--live-bytes") {
            const std::string v = value();
            std::array<std::uint8_t, 3> rec{};
            std::size_t pos = 0;
            for (int b = 0; b < 3; ++b) {
                const auto comma = v.find(',', pos);
                const bool last = b == 2;
                if (last != (comma == std::string::npos))
                    throw UsageError("--live-bytes: '" + printable(v) +
                                     "' is not three bytes HH,HH,HH");
                const auto byte =
                    parseHexByte(v.substr(pos, last ? std::string::npos : comma - pos));
                if (!byte)
                    throw UsageError("--live-bytes: '" + printable(v) + "' is not three hex bytes");
                rec[b] = *byte;
                pos = comma + 1;
            }
            o.liveBytes = rec;
        } else if (name == "--groups") {
            groupCount = static_cast<int>(parseInteger(name, value(), 0, kMaxGroups));
            groupsGiven = true;
        } else if (name == "--groups-file") {
            groupsFile = value();
            groupsFileGiven = true;
        } else if (name == "--announce") {
            o.announce = static_cast<int>(parseInteger(name, value(), 0, kMaxGroups));
        } else if (name == "--silent-for") {
            o.silentFor = parseSeconds(name, value(), true);
        } else if (name == "--bad-handshakes") {
            o.badHandshakes = count();
        } else if (name == "--garbage-every") {
            o.garbageEvery = count();
        } else if (name == "--short-every") {
            o.shortEvery = count();
        } else if (name == "--bad-count-every") {
            o.badCountEvery = count();
        } else if (name == "--delay") {
            o.delayMs = static_cast<int>(parseInteger(name, value(), 0, 60000));
        } else if (name == "--unplug-after") {
            o.unplugAfter = count();
        } else if (name == "--replug-after") {
            o.replugAfter = parseSeconds(name, value(), true);
        } else if (name == "--stall-history") {
            const std::string v = value();
            const auto colon = v.find(':');
            if (colon == std::string::npos)
                throw UsageError("--stall-history: '" + printable(v) +
                                 "' is not BYTES:SECONDS or BYTES:unplug");
            o.stallBytes =
                static_cast<int>(parseInteger(name, v.substr(0, colon), 0, kMaxGroups * 3));
            const std::string rest = v.substr(colon + 1);
            if (rest == "unplug")
                o.stallUnplug = true;
            else
                o.stallSeconds = parseSeconds(name, rest, true);
        } else if (name == "--seed") {
            o.seed = static_cast<std::uint64_t>(
                parseInteger(name, value(), 0, std::numeric_limits<long long>::max()));
        } else if (name == "--log") {
            o.logFile = value();
            if (o.logFile.empty()) throw UsageError("--log needs a file name");
        } else {
            throw UsageError("unknown option '" + printable(name) + "'");
        }
    }

    if (groupsGiven && groupsFileGiven)
        throw UsageError("--groups and --groups-file cannot be used together");
    if (o.replugAfter && o.unplugAfter == 0 && !o.stallUnplug)
        throw UsageError("--replug-after needs --unplug-after or --stall-history B:unplug");
    o.groups = groupsFileGiven ? readGroupsFile(groupsFile) : generatedGroups(groupCount);
    return o;
}

}  // namespace sim
