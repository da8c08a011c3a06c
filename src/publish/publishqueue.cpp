#include "publishqueue.h"

#include <algorithm>

namespace publish {

void PublishQueue::push(QueuedMessage message) {
    entries_.push_back({std::move(message), 0});
    while (qsizetype(entries_.size()) > bound_) {
        if (entries_.front().mid != 0) --inFlight_;
        entries_.pop_front();
        ++dropped_;
    }
}

const QueuedMessage* PublishQueue::nextToSend(qsizetype window) const {
    if (inFlight_ >= window || inFlight_ >= qsizetype(entries_.size())) return nullptr;
    return &entries_[size_t(inFlight_)].message;
}

void PublishQueue::sent(int mid) {
    entries_[size_t(inFlight_)].mid = mid;
    ++inFlight_;
}

void PublishQueue::dropNext() {
    entries_.erase(entries_.begin() + inFlight_);
}

bool PublishQueue::acknowledge(int mid) {
    const auto end = entries_.begin() + inFlight_;
    const auto it =
        std::find_if(entries_.begin(), end, [mid](const Entry& e) { return e.mid == mid; });
    if (mid == 0 || it == end) return false;
    entries_.erase(it);
    --inFlight_;
    return true;
}

void PublishQueue::resendAll() {
    for (qsizetype i = 0; i < inFlight_; ++i) entries_[size_t(i)].mid = 0;
    inFlight_ = 0;
}

qsizetype PublishQueue::takeDropped() {
    return std::exchange(dropped_, 0);
}

}  // namespace publish
