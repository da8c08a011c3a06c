#pragma once
// Keeps the link's events for a test: how many of a kind came, and the last of a kind.

#include <QList>
#include <QObject>

#include "protocol/meterlink.h"

class LinkEvents {
  public:
    explicit LinkEvents(const protocol::MeterLink* link) {
        QObject::connect(link, &protocol::MeterLink::event, &context_,
                         [this](const protocol::LinkEvent& e) { events_.append(e); });
    }
    int count(protocol::LinkEvent::Kind kind) const {
        int n = 0;
        for (const protocol::LinkEvent& e : events_) n += e.kind == kind;
        return n;
    }
    protocol::LinkEvent last(protocol::LinkEvent::Kind kind) const {
        for (qsizetype i = events_.size() - 1; i >= 0; --i)
            if (events_[i].kind == kind) return events_[i];
        return {};
    }

  private:
    QObject context_;
    QList<protocol::LinkEvent> events_;
};
