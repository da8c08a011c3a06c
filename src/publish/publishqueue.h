#pragma once
// The messages waiting for the broker (readings, interval rows, alarm states), in order. A
// message leaves the queue only when the
// broker has acknowledged it (QoS 1 PUBACK, matched by message id), so a broken connection
// loses none: what was in flight goes again, in order, after the reconnect (and may arrive
// twice; its time identifies it). The queue is bounded: past the bound the oldest reading
// goes first and is counted, for the one line the owner prints per outage.

#include <QByteArray>
#include <deque>

namespace publish {

struct QueuedMessage {
    QByteArray topic, payload;
    bool retain = false;
};

class PublishQueue {
  public:
    // 8192 readings: over an hour at two readings a second, about 1 MB of messages.
    static constexpr qsizetype kDefaultBound = 8192;

    explicit PublishQueue(qsizetype bound = kDefaultBound) : bound_(bound) {}

    // Appends a message; drops the oldest when the queue is full.
    void push(QueuedMessage message);

    // The oldest message not handed out yet, when fewer than `window` are in flight.
    const QueuedMessage* nextToSend(qsizetype window) const;
    // The message nextToSend gave was handed out under message id `mid`.
    void sent(int mid);
    // The broker acknowledged `mid`: its message leaves the queue. False for an unknown id
    // (a message dropped meanwhile, or one handed out before a reconnect).
    bool acknowledge(int mid);
    // The message nextToSend gave is dropped unsent (the library refused it).
    void dropNext();
    // The connection is gone: every message in flight goes again, in order.
    void resendAll();

    qsizetype size() const { return qsizetype(entries_.size()); }
    qsizetype inFlight() const { return inFlight_; }
    // How many were dropped since the last call.
    qsizetype takeDropped();

  private:
    struct Entry {
        QueuedMessage message;
        int mid = 0;  // 0: not handed out; the entries in flight come first
    };
    std::deque<Entry> entries_;
    qsizetype bound_;
    qsizetype inFlight_ = 0;
    qsizetype dropped_ = 0;
};

}  // namespace publish
