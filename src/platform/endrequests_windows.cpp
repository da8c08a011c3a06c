// The requests to end the program on Windows: the console's Ctrl+C and Ctrl+Break, the console
// window closed, the user logging off and the machine shutting down. The system calls the
// handler on a thread of its own; the request goes to the event loop. After a close, log-off or
// shut-down the system ends the process once the handler returns, so the handler waits there
// (within the few seconds Windows grants) until the run has ended through its closing path.

#include <windows.h>

#include <QMetaObject>
#include <QPointer>
#include <csignal>
#include <utility>

#include "endrequests.h"

namespace platform {
namespace {

class ConsoleWatch;
QPointer<ConsoleWatch> g_watch;
HANDLE g_ended = nullptr;  // set when the watch goes: the run has ended

// The numbers the C library gives these requests.
int numberOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            return SIGINT;
        case CTRL_BREAK_EVENT:
            return SIGBREAK;
        default:
            return SIGTERM;  // close, log-off, shut-down
    }
}

class ConsoleWatch : public QObject {
  public:
    ConsoleWatch(QObject* parent, std::function<void(int)> onRequest)
        : QObject(parent), onRequest_(std::move(onRequest)) {}
    ~ConsoleWatch() override {
        // The run has ended: a handler waiting after a close or log-off may return first. The
        // system calls the handlers under the lock that taking one off the list needs, so in
        // the other order this would wait for that handler's time-out, seconds in which
        // Windows may end the process half-way through its exit.
        ::SetEvent(g_ended);
        ::SetConsoleCtrlHandler(handler, FALSE);
    }
    void request(int number) { onRequest_(number); }

    static BOOL WINAPI handler(DWORD event) {
        const int number = numberOf(event);
        QMetaObject::invokeMethod(
            g_watch.data(),
            [number] {
                if (g_watch) g_watch->request(number);
            },
            Qt::QueuedConnection);
        if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
        ::WaitForSingleObject(g_ended, 4500);
        return TRUE;
    }

  private:
    std::function<void(int)> onRequest_;
};

}  // namespace

QObject* watchEndRequests(QObject* parent, std::function<void(int number)> onRequest) {
    if (g_watch) return nullptr;
    if (!g_ended) g_ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_ended) return nullptr;
    ::ResetEvent(g_ended);
    auto* watch = new ConsoleWatch(parent, std::move(onRequest));
    g_watch = watch;
    if (!::SetConsoleCtrlHandler(ConsoleWatch::handler, TRUE)) {
        delete watch;
        return nullptr;
    }
    return watch;
}

QString endRequestName(int number) {
    switch (number) {
        case SIGINT:
            return QStringLiteral("INT");
        case SIGBREAK:
            return QStringLiteral("BREAK");
        case SIGTERM:
            return QStringLiteral("TERM");
        default:
            return QString::number(number);
    }
}

}  // namespace platform
