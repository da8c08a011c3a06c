#pragma once
// Keeps the link's events for a test: all of them in order, how many of a kind came, and the
// last of a kind.

#include <QList>
#include <QObject>
#include <optional>

#include "protocol/meterlink.h"

class LinkEvents {
  public:
    explicit LinkEvents(const protocol::MeterLink* link) {
        QObject::connect(link, &protocol::MeterLink::event, &context_,
                         [this](const protocol::LinkEvent& e) { events_.append(e); });
    }
    const QList<protocol::LinkEvent>& all() const { return events_; }
    template <class Kind>
    int count() const {
        int n = 0;
        for (const protocol::LinkEvent& e : events_) n += std::holds_alternative<Kind>(e);
        return n;
    }
    template <class Kind>
    std::optional<Kind> last() const {
        for (qsizetype i = events_.size() - 1; i >= 0; --i)
            if (const Kind* e = std::get_if<Kind>(&events_[i])) return *e;
        return std::nullopt;
    }

  private:
    QObject context_;
    QList<protocol::LinkEvent> events_;
};
