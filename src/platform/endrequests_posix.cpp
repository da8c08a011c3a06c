#include "endrequests.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <utility>

namespace platform {
namespace {

int g_signalFds[2] = {-1, -1};

// Only async-signal-safe work here: the number goes through the socket to the event loop. The
// code the signal interrupted finds errno as it left it.
void onSignal(int sig) {
    const int savedErrno = errno;
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[1], &c, 1);
    errno = savedErrno;
}

// SIGINT (Ctrl+C), SIGTERM (a service manager, kill), SIGHUP (the terminal or the session).
constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};

// Reads the socket's end on the event loop; on deletion gives the signals their default back.
class SignalSocket : public QObject {
  public:
    SignalSocket(QObject* parent, std::function<void(int)> onRequest) : QObject(parent) {
        auto* notifier = new QSocketNotifier(g_signalFds[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [onRequest = std::move(onRequest)] {
            char c = 0;
            if (::read(g_signalFds[0], &c, 1) == 1) onRequest(quint8(c));
        });
    }
    ~SignalSocket() override {
        for (int sig : kWatched) ::signal(sig, SIG_DFL);
        ::close(g_signalFds[0]);
        ::close(g_signalFds[1]);
        g_signalFds[0] = g_signalFds[1] = -1;
    }
};

}  // namespace

QObject* watchEndRequests(QObject* parent, std::function<void(int number)> onRequest) {
    if (g_signalFds[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) != 0)
        return nullptr;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kWatched) ::sigaction(sig, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return new SignalSocket(parent, std::move(onRequest));
}

QString endRequestName(int number) {
    const char* name = sigabbrev_np(number);
    return name ? QString::fromLatin1(name) : QString::number(number);
}

}  // namespace platform
