#include "signalwatch.h"

#include "platform/endrequests.h"

namespace app {

SignalWatch::SignalWatch(QObject* parent) : QObject(parent) {
    watching_ = platform::watchEndRequests(this, [this](int sig) { emit caught(sig); }) != nullptr;
}

// The watch, a child, goes with this and gives the signals their defaults back.
SignalWatch::~SignalWatch() = default;

}  // namespace app
