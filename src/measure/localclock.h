#pragma once
// The local time for every reading, without a look at the machine's time-zone files for each.
//
// Asking the C library or Qt for the local time looks at the machine's time-zone file (and at
// times the zoneinfo file behind it) on every call. The clock instead asks for the machine's
// time zone at most once a minute and otherwise adds the UTC time to the offset it holds. The
// offset is good until the zone's next transition; past it the clock takes the new offset from
// the zone it already has, so a reading just after a daylight-saving change carries the new
// offset. A change of the machine's time zone itself is seen within a minute.

#include <QDateTime>
#include <QTimeZone>
#include <QtGlobal>
#include <functional>

namespace measure {

// Where the clock takes the time and the zone from. The defaults are the system's UTC clock
// and its configured time zone; tests give their own.
struct LocalClockSources {
    std::function<qint64()> utcMs;    // milliseconds since 1970-01-01T00:00:00Z
    std::function<QTimeZone()> zone;  // the machine's time zone as configured now
    static LocalClockSources system();
};

class LocalClock {
  public:
    // The longest time between two looks at the machine's time zone.
    static constexpr qint64 kZoneCheckIntervalMs = 60000;

    explicit LocalClock(LocalClockSources sources = LocalClockSources::system());

    // The local time now, with its UTC offset (Qt::OffsetFromUTC).
    QDateTime now();

  private:
    int offsetAt(qint64 utcMs);
    void askZone(qint64 utcMs);
    void followZone(qint64 utcMs);

    LocalClockSources sources_;
    QTimeZone zone_;
    bool asked_ = false;
    qint64 askedAtMs_ = 0;
    qint64 validFromMs_ = 0;   // the held offset applies from here ...
    qint64 validUntilMs_ = 0;  // ... to just before here (the next transition)
    int offset_ = 0;
};

// The local time now from one clock shared by the whole program (safe from any thread).
QDateTime localNow();

}  // namespace measure
