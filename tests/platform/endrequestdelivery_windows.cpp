#include <windows.h>

#include <csignal>

#include "endrequestdelivery.h"

namespace {

// The console delivers a control event by starting kernel32's CtrlRoutine in the process on a
// thread of its own; the routine calls the registered handlers in turn.
class ControlThread : public EndRequestDelivery {
  public:
    explicit ControlThread(DWORD event) {
        const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
        if (routine)
            thread_ =
                ::CreateThread(nullptr, 0, routine,
                               reinterpret_cast<LPVOID>(static_cast<DWORD_PTR>(event)), 0, nullptr);
    }
    ~ControlThread() override {
        if (thread_) {
            ::WaitForSingleObject(thread_, INFINITE);
            ::CloseHandle(thread_);
        }
    }
    bool returned(int ms) override {
        return thread_ && ::WaitForSingleObject(thread_, DWORD(ms)) == WAIT_OBJECT_0;
    }

  private:
    HANDLE thread_ = nullptr;
};

}  // namespace

std::vector<EndRequestKind> endRequestKinds() {
    return {
        {"Ctrl+C", CTRL_C_EVENT, SIGINT, QStringLiteral("INT"), false},
        {"Ctrl+Break", CTRL_BREAK_EVENT, SIGBREAK, QStringLiteral("BREAK"), false},
        {"console closed", CTRL_CLOSE_EVENT, SIGTERM, QStringLiteral("TERM"), true},
        {"log-off", CTRL_LOGOFF_EVENT, SIGTERM, QStringLiteral("TERM"), true},
        {"shut-down", CTRL_SHUTDOWN_EVENT, SIGTERM, QStringLiteral("TERM"), true},
    };
}

std::unique_ptr<EndRequestDelivery> deliverEndRequest(const EndRequestKind& kind) {
    return std::make_unique<ControlThread>(DWORD(kind.event));
}
