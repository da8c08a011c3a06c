#include <csignal>

#include "endrequestdelivery.h"

namespace {

// A signal handler returns at once; the request's work is done on the event loop.
class Raised : public EndRequestDelivery {
  public:
    bool returned(int) override { return true; }
};

}  // namespace

std::vector<EndRequestKind> endRequestKinds() {
    return {
        {"Ctrl+C", SIGINT, SIGINT, QStringLiteral("INT"), false},
        {"kill, a service manager", SIGTERM, SIGTERM, QStringLiteral("TERM"), false},
        {"terminal gone", SIGHUP, SIGHUP, QStringLiteral("HUP"), false},
    };
}

std::unique_ptr<EndRequestDelivery> deliverEndRequest(const EndRequestKind& kind) {
    std::raise(kind.event);
    return std::make_unique<Raised>();
}
