#pragma once
// The requests to end the program as the system itself delivers them, for the end-request
// watch's tests: signals raised in the process on Linux; on Windows the console's own
// control routine run on a thread of its own, as the console starts it for Ctrl+C, Ctrl+Break,
// a closed console window, a log-off and a shut-down.

#include <QString>
#include <memory>
#include <vector>

struct EndRequestKind {
    const char* tag;
    int event;         // what is delivered: a signal, or a console control event
    int number;        // what the watch hands on
    QString name;      // endRequestName(number)
    bool holdsTheEnd;  // the system ends the process once the request's handler returns
};

std::vector<EndRequestKind> endRequestKinds();

class EndRequestDelivery {
  public:
    virtual ~EndRequestDelivery() = default;
    // Whether the system's delivery has returned (its handler has let go) within `ms`.
    virtual bool returned(int ms) = 0;
};

std::unique_ptr<EndRequestDelivery> deliverEndRequest(const EndRequestKind& kind);
