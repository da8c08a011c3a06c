// leakmeter-sim: plays the clamp leakage-current meter on a pseudo-terminal so that the
// program (or its tests) has a real serial peer. See --help for the command line.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "meter.h"
#include "options.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
    errno = saved;
}

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Timestamped event log; every line is flushed so a reader can follow it live.
class Log {
  public:
    explicit Log(Clock::time_point start) : start_(start) {}
    ~Log() {
        if (file_) std::fclose(file_);
    }
    bool open(const std::string& path) {
        file_ = std::fopen(path.c_str(), "w");
        return file_ != nullptr;
    }
    void line(const char* kind, const std::string& text) {
        if (!file_) return;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
        std::fprintf(file_, "%.3f %s %s\n", ms, kind, text.c_str());
        std::fflush(file_);
    }

  private:
    Clock::time_point start_;
    std::FILE* file_ = nullptr;
};

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (auto v : bytes) {
        std::snprintf(b, sizeof b, s.empty() ? "%02X" : " %02X", v);
        s += b;
    }
    return s;
}

// The meter's end of one pseudo-terminal. Besides the master, one slave descriptor is
// held open while the device is plugged in: without it, every time the program closes
// its side the master reads fail with EIO and poll reports a hang-up without end.
// The simulator never reads from that descriptor, so all replies go to the program.
struct Pty {
    int master = -1;
    int slaveHold = -1;
    std::string slavePath;

    bool open(std::string& error) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master < 0) return error = errnoText("posix_openpt"), false;
        if (::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return error = errnoText("grantpt/unlockpt"), close(), false;
        char name[256];
        if (::ptsname_r(master, name, sizeof name) != 0)
            return error = errnoText("ptsname"), close(), false;
        slavePath = name;
        slaveHold = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slaveHold < 0) return error = errnoText("open " + slavePath), close(), false;
        // Raw mode: no echo, no line editing, no CR/LF translation, all 8 bits through.
        termios tio{};
        if (::tcgetattr(slaveHold, &tio) != 0)
            return error = errnoText("tcgetattr"), close(), false;
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        if (::tcsetattr(slaveHold, TCSANOW, &tio) != 0)
            return error = errnoText("tcsetattr"), close(), false;
        return true;
    }
    void close() {
        if (master >= 0) ::close(master);
        if (slaveHold >= 0) ::close(slaveHold);
        master = slaveHold = -1;
    }
    bool plugged() const { return master >= 0; }
    // Bytes written by the simulator that the program has not read yet.
    int unreadBySlave() const {
        int n = 0;
        return slaveHold >= 0 && ::ioctl(slaveHold, FIONREAD, &n) == 0 ? n : 0;
    }
};

// The --link symlink: replaced atomically so a watcher never sees a half-made link.
class Link {
  public:
    explicit Link(std::string path) : path_(std::move(path)) {}

    bool point(const std::string& target, std::string& error) {
        if (path_.empty()) return true;
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            error = "--link: '" + path_ + "' exists and is not a symbolic link";
            return false;
        }
        const std::string tmp = path_ + ".new-" + std::to_string(::getpid());
        ::unlink(tmp.c_str());
        if (::symlink(target.c_str(), tmp.c_str()) != 0) {
            error = errnoText("--link: cannot create '" + tmp + "'");
            return false;
        }
        if (::rename(tmp.c_str(), path_.c_str()) != 0) {
            error = errnoText("--link: cannot place '" + path_ + "'");
            ::unlink(tmp.c_str());
            return false;
        }
        target_ = target;
        return true;
    }

    // Removes the link, but only while it still points where this process put it.
    void remove() {
        if (path_.empty() || target_.empty()) return;
        char buf[512];
        const ssize_t n = ::readlink(path_.c_str(), buf, sizeof buf - 1);
        if (n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target_)
            ::unlink(path_.c_str());
        target_.clear();
    }

  private:
    std::string path_;
    std::string target_;
};

// A reply waiting for its time (--delay), or the moment to pull the plug.
struct Pending {
    Clock::time_point due;
    bool hasReply = false;
    std::vector<std::uint8_t> bytes;
    bool unplug = false;
};

void announcePty(const std::string& path) {
    std::printf("PTY %s\n", path.c_str());
    std::fflush(stdout);
}

int run(const sim::Options& options) {
    const auto start = Clock::now();
    auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };

    Log log(start);
    if (!options.logFile.empty() && !log.open(options.logFile)) {
        std::fprintf(stderr, "leakmeter-sim: %s\n",
                     errnoText("--log: cannot write '" + options.logFile + "'").c_str());
        return kExitUsage;
    }

    if (::pipe2(g_signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        std::perror("leakmeter-sim: pipe");
        return kExitFailure;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Pty pty;
    Link link(options.link);
    std::string error;
    auto plugIn = [&]() -> bool {
        if (!pty.open(error) || !link.point(pty.slavePath, error)) {
            pty.close();
            std::fprintf(stderr, "leakmeter-sim: %s\n", error.c_str());
            return false;
        }
        announcePty(pty.slavePath);
        return true;
    };
    if (!plugIn()) return kExitFailure;
    log.line("EV", "plugged in " + pty.slavePath);

    sim::Meter meter(options);
    std::deque<Pending> pending;
    long long receivedSincePlug = 0;
    bool stalled = false;  // --stall-history acts on the first stored-groups reply only
    // Moments still to come; kNever when nothing is planned.
    constexpr auto kNever = Clock::time_point::max();
    Clock::time_point replugAt = kNever;
    Clock::time_point masterQuietUntil = kNever;
    Clock::time_point unplugCheckAt = kNever;  // plug being pulled: no more commands read
    Clock::time_point unplugDeadline = kNever;
    const auto delay = std::chrono::milliseconds(options.delayMs);

    auto unplug = [&] {
        pty.close();
        link.remove();
        pending.clear();
        log.line("EV", "unplugged");
        if (options.replugAfter)
            replugAt = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(*options.replugAfter));
    };

    auto sendDue = [&] {
        while (!pending.empty() && pending.front().due <= Clock::now()) {
            Pending p = std::move(pending.front());
            pending.pop_front();
            if (p.hasReply && pty.plugged()) {
                if (p.bytes.empty()) {
                    log.line("EV", "reply has no bytes");
                } else {
                    log.line("TX", hexBytes(p.bytes));
                    const ssize_t n = ::write(pty.master, p.bytes.data(), p.bytes.size());
                    if (n != static_cast<ssize_t>(p.bytes.size()))
                        log.line("EV", "reply not delivered in full (nobody reading?)");
                }
            }
            if (p.unplug) {
                // Closing the master throws away whatever the slave has not read yet, so
                // the last reply is given a moment to reach the program first, as it
                // would have reached it over a real cable before the plug was pulled.
                unplugCheckAt = Clock::now() + std::chrono::milliseconds(20);
                unplugDeadline = Clock::now() + std::chrono::milliseconds(500);
                return;
            }
        }
    };

    auto receive = [&] {
        std::uint8_t buf[256];
        const ssize_t n = ::read(pty.master, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
            // No slave open right now (EIO): look again shortly instead of spinning.
            masterQuietUntil = Clock::now() + std::chrono::milliseconds(50);
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            const std::uint8_t cmd = buf[i];
            log.line("RX", hexBytes({cmd}));
            ++receivedSincePlug;
            const auto now = Clock::now();
            Pending p;
            p.due = std::max(now + delay, pending.empty() ? now : pending.back().due);
            if (seconds() < options.silentFor) {
                log.line("EV", "silent, no reply");
            } else {
                sim::Answer a = meter.answer(cmd, seconds());
                if (!a.note.empty()) log.line("EV", a.note);
                if (!a.replies && cmd != sim::command::kSignOff)
                    std::fprintf(stderr, "leakmeter-sim: ignoring unknown command byte %02X\n",
                                 cmd);
                p.hasReply = a.replies;
                p.bytes = std::move(a.bytes);
            }
            const bool last = options.unplugAfter > 0 && receivedSincePlug == options.unplugAfter;
            p.unplug = last;
            const bool stall = options.stallBytes && !stalled &&
                               cmd == sim::command::kStoredGroups && p.hasReply &&
                               p.bytes.size() > static_cast<std::size_t>(*options.stallBytes);
            if (stall) {
                stalled = true;
                // The reply stops part way; the rest comes later, or never (unplugged).
                Pending rest;
                rest.bytes.assign(p.bytes.begin() + *options.stallBytes, p.bytes.end());
                p.bytes.resize(static_cast<std::size_t>(*options.stallBytes));
                rest.due = p.due + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(options.stallSeconds));
                rest.hasReply = !options.stallUnplug;
                rest.unplug = options.stallUnplug || p.unplug;
                p.unplug = false;
                log.line("EV", "stored-groups reply stalls after " +
                                   std::to_string(*options.stallBytes) + " bytes");
                pending.push_back(std::move(p));
                pending.push_back(std::move(rest));
                if (options.stallUnplug || last) break;
                continue;
            }
            if (p.hasReply || p.unplug) pending.push_back(std::move(p));
            if (last) break;  // the device is leaving; the rest of the burst is lost
        }
    };

    for (;;) {
        sendDue();
        const auto now = Clock::now();
        if (now >= replugAt) {
            replugAt = kNever;
            if (!plugIn()) return kExitFailure;
            receivedSincePlug = 0;
            log.line("EV", "plugged in " + pty.slavePath);
        }
        if (now >= masterQuietUntil) masterQuietUntil = kNever;
        if (now >= unplugCheckAt) {
            if (now < unplugDeadline && pty.unreadBySlave() > 0) {
                unplugCheckAt = now + std::chrono::milliseconds(10);
            } else {
                unplugCheckAt = unplugDeadline = kNever;
                unplug();
            }
        }

        Clock::time_point wake = std::min({replugAt, masterQuietUntil, unplugCheckAt});
        if (!pending.empty()) wake = std::min(wake, pending.front().due);
        int timeoutMs = -1;
        if (wake != kNever) {
            const auto ms =
                std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(ms, 0, 60000));
        }

        pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {-1, POLLIN, 0}};
        if (pty.plugged() && masterQuietUntil == kNever && unplugCheckAt == kNever)
            fds[1].fd = pty.master;
        const int r = ::poll(fds, 2, timeoutMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            std::perror("leakmeter-sim: poll");
            return kExitFailure;
        }
        if (fds[0].revents & POLLIN) break;
        if (fds[1].fd >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) receive();
    }

    log.line("EV", "terminated");
    pty.close();
    link.remove();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<sim::Options> options;
    try {
        options = sim::parseOptions(argc, argv);
    } catch (const sim::UsageError& e) {
        std::fprintf(stderr, "leakmeter-sim: %s\nTry 'leakmeter-sim --help'.\n", e.what());
        return kExitUsage;
    }
    if (!options) return 0;  // --help
    return run(*options);
}
